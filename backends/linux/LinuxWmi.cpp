#include "LinuxWmi.h"

#include <algorithm>
#include <cwctype>

#include "LinuxMachine.h"
#include "platform/Text.h"

namespace linuxdisk {

namespace {

using platform::WmiValue;

WmiValue Text(const std::string& text) {
  WmiValue v;
  v.kind = WmiValue::Kind::Text;
  v.text = platform::Utf8ToWide(text);
  return v;
}

WmiValue Integer(std::int64_t value) {
  WmiValue v;
  v.kind = WmiValue::Kind::Integer;
  v.integer = value;
  return v;
}

// A PnP id text: blanks become '_', as Windows builds device ids.
std::string PnpPart(std::string text) {
  std::replace(text.begin(), text.end(), ' ', '_');
  return text;
}

class ListEnumerator : public platform::WmiEnumerator {
 public:
  explicit ListEnumerator(std::vector<platform::WmiObject> objects)
      : objects_(std::move(objects)) {}
  platform::HRESULT Next(std::uint32_t, platform::WmiObject& object) override {
    if (next_ >= objects_.size())
      return platform::WBEM_S_FALSE;
    object = objects_[next_++];
    return platform::S_OK;
  }

 private:
  std::vector<platform::WmiObject> objects_;
  std::size_t next_ = 0;
};

// Only Win32_DiskDrive has objects here; controllers, failure prediction and associations
// are empty classes, as on a machine without them.
class SysfsConnection : public platform::WmiConnection {
 public:
  platform::HRESULT ExecQuery(const std::wstring& query,
                              std::unique_ptr<platform::WmiEnumerator>& result) override {
    std::wstring upper = query;
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](wchar_t c) { return static_cast<wchar_t>(std::towupper(c)); });
    std::vector<platform::WmiObject> objects;
    if (upper.find(L"FROM WIN32_DISKDRIVE") != std::wstring::npos) {
      const auto disks = Machine().Disks();
      for (std::size_t i = 0; i < disks.size(); ++i)
        objects.push_back(DiskDriveObject(disks[i], static_cast<int>(i)));
    }
    result = std::make_unique<ListEnumerator>(std::move(objects));
    return platform::S_OK;
  }
};

}  // namespace

platform::WmiObject DiskDriveObject(const BlockDisk& disk, int index) {
  const bool usb = disk.busType == kBusUsb;
  std::string model = disk.model;
  // Windows names a SCSI-attached disk by vendor and product; libata's vendor is "ATA".
  if (!disk.nvme && !disk.vendor.empty() && disk.vendor != "ATA")
    model = disk.vendor + " " + model;
  if (usb)
    model += " USB Device";
  std::string pnp;
  if (disk.nvme)
    pnp = "SCSI\\DISK&VEN_NVME&PROD_" + PnpPart(disk.model) + "\\" + disk.name;
  else if (usb)
    pnp = "USBSTOR\\DISK&VEN_" + PnpPart(disk.vendor) + "&PROD_" + PnpPart(disk.model) + "\\" +
          disk.name;
  else
    pnp = "SCSI\\DISK&VEN_" + PnpPart(disk.vendor) + "&PROD_" + PnpPart(disk.model) + "\\" +
          disk.name;
  std::transform(pnp.begin(), pnp.end(), pnp.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  platform::WmiObject o;
  o[L"DeviceID"] = Text("\\\\.\\PHYSICALDRIVE" + std::to_string(index));
  o[L"Model"] = Text(model);
  o[L"Caption"] = Text(model);
  o[L"FirmwareRevision"] = Text(disk.revision);
  o[L"SerialNumber"] = Text(disk.serial);
  o[L"Size"] = Text(std::to_string(disk.sectors * 512));
  o[L"MediaType"] =
      Text(usb || disk.removable ? (disk.removable ? "Removable Media" : "External hard disk media")
                                 : "Fixed hard disk media");
  o[L"InterfaceType"] = Text(usb ? "USB" : (disk.busType == kBusSata ? "IDE" : "SCSI"));
  o[L"PNPDeviceID"] = Text(pnp);
  o[L"Index"] = Integer(index);
  o[L"SCSIPort"] = Integer(disk.nvme ? 0 : disk.host);
  o[L"SCSIBus"] = Integer(disk.nvme ? 0 : disk.channel);
  o[L"SCSITargetId"] = Integer(disk.nvme ? 0 : disk.target);
  o[L"SCSILogicalUnit"] = Integer(disk.nvme ? 0 : disk.lun);
  return o;
}

}  // namespace linuxdisk

namespace platform {

HRESULT CoInitializeSecurityDefault(DWORD, DWORD) {
  return S_OK;
}

HRESULT WmiConnectServer(const std::wstring&, std::unique_ptr<WmiConnection>& result) {
  result = std::make_unique<linuxdisk::SysfsConnection>();
  return S_OK;
}

HRESULT CoSetProxyBlanketDefault(WmiConnection&, DWORD, DWORD, DWORD) {
  return S_OK;
}

}  // namespace platform
