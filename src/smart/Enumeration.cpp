// Disk discovery: WMI (controllers, then Win32_DiskDrive), a probe of the physical drives,
// the SCSI scan, ordering, drive letters and the change test.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "hostapi/StringConv.h"
#include "platform/Clock.h"
#include "platform/File.h"
#include "platform/Service.h"
#include "platform/Sleep.h"
#include "platform/Storage.h"
#include "platform/Text.h"
#include "smart/CAtaSmart.h"
#include "smart/DeviceIo.h"
#include "smart/IdentifyDecode.h"
#include "smart/Layout.h"
#include "smart/TextHelpers.h"

namespace smart {

namespace {

constexpr int kMaxPhysicalDrives = 56;
constexpr std::uint32_t kWmiTimeoutMs = 10000;
constexpr int kMaxWmiObjects = 256;

std::string TextOf(const platform::WmiObject& object, const wchar_t* name) {
  auto it = object.find(name);
  if (it == object.end())
    return "";
  if (it->second.kind == platform::WmiValue::Kind::Text)
    return DE::UnicodeToUTF8(it->second.text);
  if (it->second.kind == platform::WmiValue::Kind::Integer)
    return std::to_string(it->second.integer);
  return "";
}

std::int32_t IntOf(const platform::WmiObject& object, const wchar_t* name) {
  const std::string text = TextOf(object, name);
  return text.empty() ? -1 : std::atoi(text.c_str());
}

// Every object of a query: each Next waits at most 10 s, and at most 256 objects are taken.
std::vector<platform::WmiObject> QueryAll(platform::WmiConnection& wmi, const std::string& wql) {
  std::vector<platform::WmiObject> objects;
  std::unique_ptr<platform::WmiEnumerator> enumerator;
  if (wmi.ExecQuery(platform::Utf8ToWide(wql), enumerator) != platform::S_OK || !enumerator)
    return objects;
  platform::WmiObject object;
  while (objects.size() < kMaxWmiObjects &&
         enumerator->Next(kWmiTimeoutMs, object) == platform::S_OK) {
    objects.push_back(object);
    object.clear();
  }
  return objects;
}

std::string DoubledBackslashes(const std::string& text) {
  std::string out;
  for (char c : text) {
    out.push_back(c);
    if (c == '\\')
      out.push_back('\\');
  }
  return out;
}

// The drive number of "\\\\.\\PHYSICALDRIVE12": the last two characters when they read as
// 10 or more, else the last one.
int DriveNumberOf(const std::string& deviceId) {
  if (deviceId.empty())
    return -1;
  if (deviceId.size() >= 2) {
    const int two = std::atoi(deviceId.substr(deviceId.size() - 2).c_str());
    if (two >= 10)
      return two;
  }
  return std::atoi(deviceId.substr(deviceId.size() - 1).c_str());
}

bool ExcludedModel(const std::string& model, const std::string& firmware) {
  if ((StartsWith(model, "SAMSUNG HD155UI") || StartsWith(model, "SAMSUNG HD204UI")) &&
      !StartsWith(firmware, "1AQ10003")) {
    return true;
  }
  return Contains(model, "FuzeDrive") || Contains(model, "StoreMI");
}

std::string NoSpaces8(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c != ' ')
      out.push_back(c);
  }
  return out.substr(0, 8);
}

void UseReversedNames(ATA_SMART_INFO& asi) {
  std::swap(asi.SerialNumber, asi.SerialNumberReverse);
  std::swap(asi.FirmwareRev, asi.FirmwareRevReverse);
  std::swap(asi.Model, asi.ModelReverse);
  asi.ModelSerial = ModelSerialOf(asi.Model, asi.SerialNumber);
}

void CheckReverse(ATA_SMART_INFO& asi) {
  DebugPrint("Check Reverse");
  for (const char* swapped : {"DW C", "iHat", "ASSM", "aMtx", "OTHS", "UFIJ"}) {
    if (Contains(asi.Model, swapped)) {
      DebugPrint("Reverse");
      UseReversedNames(asi);
      return;
    }
  }
}

}  // namespace

CAtaSmart::CAtaSmart() = default;

bool CAtaSmart::StartWmiService() {
  using namespace platform;
  SC_HANDLE manager = OpenSCManagerW(GENERIC_EXECUTE);
  if (!manager)
    return false;
  SC_HANDLE service = OpenServiceW(manager, L"Winmgmt", SERVICE_QUERY_STATUS);
  DWORD state = 0;
  const bool running = service && QueryServiceStatus(service, state) && state == SERVICE_RUNNING;
  if (service)
    CloseServiceHandle(service);
  if (running) {
    CloseServiceHandle(manager);
    return true;
  }
  DebugPrint("Waiting... Winmgmt");
  bool started = false;
  service = OpenServiceW(manager, L"Winmgmt", SERVICE_QUERY_STATUS | SERVICE_START);
  if (service && QueryServiceStatus(service, state)) {
    started = state == SERVICE_RUNNING;
    if (!started) {
      DebugPrint(Format("sStatus.dwCurrentState:%08X", static_cast<int>(state)));
      DebugPrint("StartService - 1");
      StartServiceW(service);
      DebugPrint("QueryServiceStatus - 1");
      for (std::uint32_t wait : {0u, 100u, 200u, 300u}) {
        if (!Sleep(wait))
          break;
        DebugPrint("Sleep");
        if (QueryServiceStatus(service, state) && state == SERVICE_RUNNING) {
          started = true;
          break;
        }
      }
    }
    if (!started) {
      // sc from the system folder: by bare name, the search order (the host's own folder
      // first) would decide which program a privileged process runs.
      if (const std::wstring system = GetSystemDirectoryW(); !system.empty())
        CreateProcessHidden(system + L"\\sc.exe", L"sc config Winmgmt start= auto");
      DebugPrint("QueryServiceStatus - 2");
      for (int call = 1; call <= 11; ++call) {
        DebugPrint("StartService - 2");
        StartServiceW(service);
        if (QueryServiceStatus(service, state) && state == SERVICE_RUNNING) {
          started = true;
          break;
        }
        if (call == 11 || !Sleep(500))
          break;
        DebugPrint("Sleep");
        if (!QueryServiceStatus(service, state))
          break;
        if (state == SERVICE_RUNNING) {
          started = true;
          break;
        }
      }
    }
  }
  if (service)
    CloseServiceHandle(service);
  CloseServiceHandle(manager);
  if (started)
    DebugPrint("StartService Completed : SERVICE_RUNNING");
  return started;
}

void CAtaSmart::ReadControllers() {
  auto devicesOf = [&](const std::string& cls, const std::string& id, const char* assoc) {
    return QueryAll(*wmi_, "ASSOCIATORS OF {" + cls + ".DeviceID=\"" + DoubledBackslashes(id) +
                               "\"} WHERE AssocClass = " + assoc);
  };
  for (const auto& c : QueryAll(*wmi_, "select Name, DeviceID from Win32_IDEController")) {
    const std::string name = TextOf(c, L"Name");
    std::string id = TextOf(c, L"DeviceID");
    ideControllers.push_back(name);
    controllerMap += name + " [ATA]\r\n";
    const auto channel = id.find("PCIIDE\\IDECHANNEL");
    if (channel == 0)
      id = id.substr(id.find_last_of('\\') + 1);
    for (const auto& d :
         devicesOf("Win32_IDEController", TextOf(c, L"DeviceID"), "Win32_IDEControllerDevice")) {
      const std::string device = TextOf(d, L"Name");
      if (StartsWith(device, "NVIDIA"))
        NvidiaPresent = 1;
      if (StartsWith(device, "Marvell"))
        MarvellPresent = 1;
      controllerMap += "   - " + device + "\r\n";
    }
  }
  DebugPrint("OK:Win32_IDEController");

  for (const auto& c : QueryAll(*wmi_, "select Name, DeviceID from Win32_SCSIController")) {
    const std::string name = TextOf(c, L"Name");
    const std::string id = TextOf(c, L"DeviceID");
    if (StartsWith(name, "DVDFab Virtual Drive"))
      continue;
    scsiControllers.push_back(name);
    controllerMap += name + " [SCSI]\r\n";
    if (StartsWith(name, "NVIDIA"))
      NvidiaPresent = 1;
    if (StartsWith(name, "Marvell"))
      MarvellPresent = 1;
    int chip = 0;
    if (StartsWith(name, "Silicon Image SiI "))
      chip = std::atoi(name.c_str() + 18);
    if (StartsWith(name, "BUFFALO IFC-PCI2ES"))
      chip = 3112;
    if (StartsWith(name, "BUFFALO IFC-PCIE2SA"))
      chip = 3132;
    const bool uasp = Contains(name, "USB") || Contains(name, "UAS");
    for (const auto& d : devicesOf("Win32_SCSIController", id, "Win32_SCSIControllerDevice")) {
      const std::string device = Upper(TextOf(d, L"DeviceID"));
      controllerMap += "   + " + TextOf(d, L"Name") + "\r\n";
      if (uasp)
        uaspDevices.push_back(device);
      if (chip) {
        siliconImageDevices.push_back(device);
        siliconImageTypes.push_back(chip);
      }
    }
  }
  DebugPrint("OK:Win32_SCSIController");
  DebugPrint("--ControllerMap--\r\n" + controllerMap);

  for (const auto& c : QueryAll(*wmi_, "select Name, DeviceID from Win32_USBController")) {
    usbControllers.push_back(TextOf(c, L"Name"));
    std::string previous;
    for (const auto& d :
         devicesOf("Win32_USBController", TextOf(c, L"DeviceID"), "Win32_USBControllerDevice")) {
      const std::string id = TextOf(d, L"DeviceID");
      if (Contains(Upper(id), "USBSTOR")) {
        EXTERNAL_DISK_INFO disk;
        disk.Enclosure = TextOf(d, L"Name");
        std::size_t start = 0;
        while (start <= previous.size()) {
          const auto end = previous.find_first_of("\\&", start);
          const std::string token =
              previous.substr(start, end == std::string::npos ? end : end - start);
          if (StartsWith(Upper(token), "VID_"))
            disk.UsbVendorId = std::strtoul(token.c_str() + 4, nullptr, 16);
          if (StartsWith(Upper(token), "PID_"))
            disk.UsbProductId = std::strtoul(token.c_str() + 4, nullptr, 16);
          if (end == std::string::npos)
            break;
          start = end + 1;
        }
        externals.push_back(disk);
      }
      previous = id;
    }
  }
  DebugPrint("OK:Win32_USBController");
  for (const auto& e : externals) {
    DebugPrint(Format("VID=%04Xh, PID=%04Xh", static_cast<int>(e.UsbVendorId),
                      static_cast<int>(e.UsbProductId)));
  }
}

const EXTERNAL_DISK_INFO* CAtaSmart::ExternalFor(const std::string& wmiModel) const {
  const EXTERNAL_DISK_INFO* found = nullptr;
  for (const auto& e : externals) {
    if (!wmiModel.empty() && StartsWith(e.Enclosure, wmiModel.c_str()))
      found = &e;
  }
  return found;  // the last match, as the list was walked
}

void CAtaSmart::WalkWmiDisks() {
  DebugPrint("DO:SELECT * FROM Win32_DiskDrive");
  const auto disks = QueryAll(*wmi_, "SELECT * FROM Win32_DiskDrive");
  DebugPrint("OK1:SELECT * FROM Win32_DiskDrive");
  for (const auto& d : disks) {
    DebugPrint("while(pEnumCOMDevs ...");
    const std::string sizeText = TextOf(d, L"Size");
    const std::uint64_t size = std::strtoull(sizeText.c_str(), nullptr, 10);
    DebugPrint("diskSize:" + sizeText);
    const std::string deviceId = TextOf(d, L"DeviceID");
    DebugPrint("deviceId:" + deviceId);
    const int drive = DriveNumberOf(deviceId);
    const std::string model = TextOf(d, L"Model");
    DebugPrint("model:" + model);
    const std::string firmware = TextOf(d, L"FirmwareRevision");
    const std::int32_t port = IntOf(d, L"SCSIPort");
    const std::int32_t target = IntOf(d, L"SCSITargetId");
    const std::int32_t bus = IntOf(d, L"SCSIBus");
    const std::string mediaType = Lower(TextOf(d, L"MediaType"));
    DebugPrint("mediaType:" + mediaType);
    if (!StartsWith(model, "SanDisk Extreme") && !StartsWith(model, "Kingston DT Ultimate") &&
        Contains(mediaType, "removable")) {
      continue;
    }
    const std::string wmiInterface = TextOf(d, L"InterfaceType");
    DebugPrint("interfaceTypeWmi:" + wmiInterface);
    const std::string pnp = Upper(TextOf(d, L"PNPDeviceID"));
    DebugPrint("pnpDeviceId:" + pnp);
    const bool uasp = std::find(uaspDevices.begin(), uaspDevices.end(), pnp) != uaspDevices.end();
    if (uasp)
      DebugPrint("UASPController:" + pnp);
    std::int32_t chip = 0;
    for (std::size_t i = 0; i < siliconImageDevices.size(); ++i) {
      if (siliconImageDevices[i] == pnp) {
        chip = siliconImageTypes[i];
        DebugPrint("SiliconImageController:" + pnp);
      }
    }
    std::int32_t interfaceType = INTERFACE_TYPE_UNKNOWN;
    std::int32_t usbNvme = 0;
    if (Contains(wmiInterface, "1394") ||
        model.find(" IEEE 1394 SBP2 Device", 1) != std::string::npos) {
      interfaceType = INTERFACE_TYPE_IEEE1394;
    } else if (Contains(wmiInterface, "USB") || model.find(" USB Device", 1) != std::string::npos ||
               uasp) {
      interfaceType = INTERFACE_TYPE_USB;
      usbNvme = Contains(model, "NVMe") || Contains(pnp, "NVME");
    } else if (Contains(model, "NVMe") || Contains(pnp, "NVME")) {
      interfaceType = INTERFACE_TYPE_NVME;
    }
    DebugPrint("interfaceType:" + std::to_string(interfaceType));
    if (FlagFilterSamsungFirmware && ExcludedModel(model, firmware))
      continue;
    if (!FlagFilterSamsungFirmware && (Contains(model, "FuzeDrive") || Contains(model, "StoreMI")))
      continue;
    DebugPrint("DO:GetDiskInfo pd=" + std::to_string(drive) + ", sp=" + std::to_string(port) +
               ", st=" + std::to_string(target) + ", mt=" + mediaType);
    DebugPrint("flagTarget && GetDiskInfo");
    // The USB vendor ids come from the external disk of this model.
    const EXTERNAL_DISK_INFO* external = ExternalFor(model);
    const auto vendor = static_cast<std::int32_t>(external ? external->UsbVendorId : 0);
    const auto product = static_cast<std::int32_t>(external ? external->UsbProductId : 0);
    if (GetDiskInfo(drive, port, target, interfaceType, vendor, product, bus, chip, NvidiaPresent,
                    MarvellPresent, pnp, usbNvme)) {
      DebugPrint("int index = (int)vars.GetCount() - 1;");
      PostProcessWmiDisk(vars.back(), model, wmiInterface, size, uasp);
      if (vars.back().Model.empty())
        vars.pop_back();
    }
  }
  DebugPrint("OK2:SELECT * FROM Win32_DiskDrive");
}

void CAtaSmart::PostProcessWmiDisk(ATA_SMART_INFO& asi, const std::string& wmiModel,
                                   const std::string& wmiInterface, std::uint64_t wmiSize,
                                   bool uasp) {
  asi.DiskSizeWmi =
      static_cast<std::uint32_t>(wmiSize / 1000 / 1000 - (wmiSize >= 49000000 ? 49 : 0));
  if (asi.TotalDiskSize == 0 || (asi.TotalDiskSize >= 1000 && asi.TotalDiskSize <= 9999)) {
    asi.TotalDiskSize = asi.DiskSizeWmi;
  }
  asi.ModelWmi = wmiModel;
  std::string model = wmiModel;
  auto removeText = [&](const char* text) {
    const auto at = model.find(text);
    if (at == std::string::npos)
      return false;
    model.erase(at, std::strlen(text));
    return true;
  };
  for (const char* decoration : {" SCSI Disk Device", " SATA Disk Device", " ATA Disk Device",
                                 " SCSI Device", " SATA Device", " ATA Device", "NVMe "}) {
    removeText(decoration);
  }
  const bool usbRemoved = removeText(" USB Device");
  const bool ieeeRemoved = removeText(" IEEE 1394 SBP2 Device");
  auto enclosure = [&] {
    if (const EXTERNAL_DISK_INFO* e = ExternalFor(asi.ModelWmi)) {
      asi.Enclosure = e->Enclosure;
      asi.UsbVendorId = e->UsbVendorId;
      asi.UsbProductId = e->UsbProductId;
    }
  };
  bool usb = false;
  if (uasp) {
    asi.Interface = "UASP (" + asi.Interface + ")";
    asi.InterfaceType = INTERFACE_TYPE_USB;
    usb = true;
    enclosure();
  } else if (usbRemoved || Contains(wmiInterface, "USB")) {
    asi.Interface = "USB (" + asi.Interface + ")";
    asi.InterfaceType = INTERFACE_TYPE_USB;
    usb = true;
    enclosure();
  } else if (ieeeRemoved || Contains(wmiInterface, "1394")) {
    asi.Interface = "IEEE 1394 (" + asi.Interface + ")";
    asi.InterfaceType = INTERFACE_TYPE_IEEE1394;
    enclosure();
  }
  if (asi.Model.empty()) {
    DebugPrint("WmiModel: " + model);
    DebugPrint("SerialNumber: " + asi.SerialNumber);
    DebugPrint("vars.RemoveAt(index) - 1");
    return;  // the caller drops the record
  }
  if (asi.InterfaceType != INTERFACE_TYPE_IEEE1394 && !model.empty()) {
    const std::string wanted = NoSpaces8(model);
    const bool plain = NoSpaces8(asi.Model) == wanted;
    const bool reversed = NoSpaces8(asi.ModelReverse) == wanted;
    if (reversed && !plain) {
      UseReversedNames(asi);
    } else if (!plain && !reversed && !usb) {
      DebugPrint("WmiModel: " + model);
      DebugPrint("Model: " + asi.Model);
      DebugPrint("SerialNumber: " + asi.SerialNumber);
      DebugPrint("DISABLED: vars.RemoveAt(index) - 2");
    }
  }
  DebugPrint("OK:Check Model Name");
}

void CAtaSmart::ProbePhysicalDrives() {
  using namespace platform;
  for (int drive = 0; drive < kMaxPhysicalDrives; ++drive) {
    if (std::any_of(vars.begin(), vars.end(),
                    [&](const ATA_SMART_INFO& a) { return a.PhysicalDriveId == drive; })) {
      continue;
    }
    std::uint8_t geometry[24] = {};
    std::uint32_t got = 0;
    if (!DeviceRequest(PhysicalDrivePath(drive), IOCTL_DISK_GET_DRIVE_GEOMETRY, nullptr, 0,
                       geometry, sizeof geometry, &got) ||
        got != 24 || layout::Get32(geometry + 8) != MEDIA_FIXED) {
      continue;
    }
    std::uint8_t query[12] = {};  // StorageDeviceProperty, PropertyStandardQuery
    std::uint8_t descriptor[1024] = {};
    if (!DeviceRequest(PhysicalDrivePath(drive), IOCTL_STORAGE_QUERY_PROPERTY, query, sizeof query,
                       descriptor, sizeof descriptor, &got) ||
        got < 40) {
      continue;
    }
    auto text = [&](int offsetField) {
      const std::uint32_t offset = layout::Get32(descriptor + offsetField);
      if (offset == 0 || offset >= got)
        return std::string();
      return std::string(reinterpret_cast<const char*>(descriptor + offset),
                         strnlen(reinterpret_cast<const char*>(descriptor + offset), got - offset));
    };
    if (ExcludedModel(text(16), text(20)))
      continue;
    DebugPrint("USB-HDD Check");
    std::int32_t interfaceType = INTERFACE_TYPE_UNKNOWN;
    std::int32_t vendor = 0;
    if (DeviceRequest(PhysicalDrivePath(drive), IOCTL_STORAGE_QUERY_PROPERTY, query, sizeof query,
                      descriptor, sizeof descriptor, &got)) {
      DebugPrint("Check Bus Type");
      if (layout::Get32(descriptor + 28) == BUS_TYPE_USB) {
        DebugPrint("Bus Type = USB");
        interfaceType = INTERFACE_TYPE_USB;
        vendor = 0xFFFF;
      }
    }
    DebugPrint("DO:GetDiskInfo");
    if (GetDiskInfo(drive, -1, -1, interfaceType, vendor, 0, -1, 0, NvidiaPresent, MarvellPresent,
                    "", 0)) {
      DebugPrint("OK:GetDiskInfo");
      CheckReverse(vars.back());
    }
  }
  DebugPrint("OK:GetDiskInfo - PhysicalDrive");
}

void CAtaSmart::ScanScsiPorts() {
  if (!FlagFilterNoMediaType)
    return;
  for (int port = 0; port < 16; ++port) {
    for (int target = 0; target < 8; ++target) {
      if (GetDiskInfo(-1, port, target, INTERFACE_TYPE_UNKNOWN, 0, 0, -1, 0, NvidiaPresent,
                      MarvellPresent, "", 0)) {
        CheckReverse(vars.back());
      }
    }
  }
  DebugPrint("OK:GetDiskInfo - Scsi");
}

void CAtaSmart::MapDriveLetters() {
  using namespace platform;
  std::uint32_t masks[256] = {};
  DebugPrint("Drive Letter Mapping - Start");
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    if (GetDriveTypeW(std::wstring(1, static_cast<wchar_t>(letter)) + L":\\") != DRIVE_FIXED) {
      DebugPrint("Drive Letter Mapping - != DRIVE_FIXED");
      continue;
    }
    std::uint8_t extents[104] = {};
    std::uint32_t got = 0;
    const std::wstring path = std::wstring(L"\\\\.\\") + static_cast<wchar_t>(letter) + L":";
    if (!DeviceRequest(path, IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, nullptr, 0, extents,
                       sizeof extents, &got)) {
      DebugPrint("Drive Letter Mapping - bResult == FALSE");
      continue;
    }
    const std::uint32_t count = std::min<std::uint32_t>(layout::Get32(extents), 4);
    DebugPrint(Format("volumeDiskExtents.NumberOfDiskExtents = %d", static_cast<int>(count)));
    for (std::uint32_t n = 0; n < count; ++n) {
      const std::uint32_t disk = layout::Get32(extents + 8 + 24 * n);
      DebugPrint(Format("n = %d, pDiskExtent->DiskNumber = %d", static_cast<int>(n),
                        static_cast<int>(disk)));
      if (disk < 256)
        masks[disk] |= 1u << (letter - 'A');
    }
  }
  DebugPrint("Drive Letter Mapping - End");
  for (auto& asi : vars) {
    if (asi.PhysicalDriveId < 0 || asi.PhysicalDriveId >= 256)
      continue;
    std::string letters;
    for (int bit = 0; bit < 26; ++bit) {
      if (!(masks[asi.PhysicalDriveId] & (1u << bit)))
        continue;
      letters += std::string(1, static_cast<char>('A' + bit)) + ": ";
      DebugPrint(std::string(1, static_cast<char>('A' + bit)));
      asi.DriveLetterMap |= 1u << bit;
    }
    asi.DriveMap += letters;
    while (!asi.DriveMap.empty() && asi.DriveMap.back() == ' ')
      asi.DriveMap.pop_back();
  }
}

void CAtaSmart::Init(std::uint32_t, std::uint32_t, std::uint32_t* changed) {
  std::vector<DISK_POSITION> previous;
  for (const auto& asi : vars) {
    DISK_POSITION p;
    p.PhysicalDriveId = asi.PhysicalDriveId;
    p.ScsiPort = asi.ScsiPort;
    p.ScsiTargetId = asi.ScsiTargetId;
    std::memcpy(p.CsmiPhyEntity, asi.CsmiPhyEntity, sizeof p.CsmiPhyEntity);
    previous.push_back(p);
  }
  if (changed)
    *changed = 0;
  vars.clear();
  externals.clear();
  controllerMap.clear();
  ideControllers.clear();
  scsiControllers.clear();
  usbControllers.clear();
  uaspDevices.clear();
  siliconImageDevices.clear();
  siliconImageTypes.clear();
  FlagFilterNoMediaType = 1;
  FlagFilterSamsungFirmware = 1;
  NvidiaPresent = MarvellPresent = 0;

  DebugPrint("CAtaSmart::Init WMI on - Start");
  wmi_.reset();
  if (!StartWmiService()) {
    DebugPrint("NG:WMI Init 3");
  } else {
    DebugPrint("CoInitializeSecurity()");
    platform::CoInitializeSecurityDefault(0, 3);
    DebugPrint("CoCreateInstance()");
    DebugPrint("ConnectServer()");
    if (platform::WmiConnectServer(L"\\\\.\\root\\cimv2", wmi_) != platform::S_OK) {
      DebugPrint("NG:WMI Init 2");
      wmi_.reset();
    } else {
      DebugPrint("CoSetProxyBlanket()");
      const auto hr = platform::CoSetProxyBlanketDefault(*wmi_, 10, 3, 3);
      if (hr != platform::S_OK) {
        DebugPrint(Format("NG:WMI Init - %08X", hr));
        wmi_.reset();
      } else {
        DebugPrint("OK:WMI Init");
      }
    }
  }
  if (wmi_)
    ReadControllers();

  for (int drive = 0; drive < kMaxPhysicalDrives; ++drive) {
    std::uint8_t geometry[24] = {};
    std::uint32_t got = 0;
    if (DeviceRequest(PhysicalDrivePath(drive), platform::IOCTL_DISK_GET_DRIVE_GEOMETRY, nullptr, 0,
                      geometry, sizeof geometry, &got) &&
        got == 24 && layout::Get32(geometry + 8) == platform::MEDIA_FIXED) {
      DebugPrint(Format("WakeUp(%d)", drive));
      WakeUp(drive);
    }
  }
  if (wmi_)
    WalkWmiDisks();
  ProbePhysicalDrives();
  std::stable_sort(vars.begin(), vars.end(), [](const ATA_SMART_INFO& a, const ATA_SMART_INFO& b) {
    if (a.PhysicalDriveId == -1 && b.PhysicalDriveId == -1)
      return a.CsmiPhyEntity[0] < b.CsmiPhyEntity[0];
    return a.PhysicalDriveId < b.PhysicalDriveId;
  });
  DebugPrint("OK:qsort");
  ScanScsiPorts();
  MapDriveLetters();
  LastUpdate = static_cast<std::uint32_t>(platform::GetTickCount64());
  DebugPrint("CAtaSmart::Init - Complete");

  if (changed) {
    bool differs = previous.size() != vars.size();
    for (std::size_t i = 0; !differs && i < vars.size(); ++i) {
      differs = previous[i].PhysicalDriveId != vars[i].PhysicalDriveId ||
                previous[i].ScsiTargetId != vars[i].ScsiTargetId ||
                previous[i].ScsiPort != vars[i].ScsiPort ||
                std::memcmp(previous[i].CsmiPhyEntity, vars[i].CsmiPhyEntity, 64) != 0;
    }
    if (differs)
      *changed = 1;
  }
  for (std::size_t i = vars.size(); i-- > 0;) {
    if (vars[i].AttributeCount == 0)
      vars.erase(vars.begin() + static_cast<std::ptrdiff_t>(i));
  }
  wmi_.reset();
}

bool CAtaSmart::GetSmartInfoWmi(int selector, ATA_SMART_INFO& asi) {
  std::unique_ptr<platform::WmiConnection> wmi;
  if (platform::WmiConnectServer(L"\\\\.\\root\\WMI", wmi) != platform::S_OK)
    return false;
  const char* query = selector == 0 ? "SELECT * FROM MSStorageDriver_FailurePredictData"
                                    : "SELECT * FROM MSStorageDriver_FailurePredictThresholds";
  for (const auto& object : QueryAll(*wmi, query)) {
    if (!StartsWith(Upper(TextOf(object, L"InstanceName")), asi.PnpDeviceId.c_str()))
      continue;
    auto it = object.find(L"VendorSpecific");
    if (it == object.end() || it->second.kind != platform::WmiValue::Kind::Bytes)
      return false;
    std::uint8_t* target = selector == 0 ? asi.SmartReadData : asi.SmartReadThreshold;
    std::memset(target, 0, 512);
    std::memcpy(target, it->second.bytes.data(),
                std::min<std::size_t>(512, it->second.bytes.size()));
    return selector == 0 ? FillSmartData(asi) : FillSmartThreshold(asi);
  }
  return false;
}

}  // namespace smart
