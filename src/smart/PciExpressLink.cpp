// The PCI Express link of an NVMe disk: its PnP entity and SCSI controller through WMI, then
// the controller's link speed and width properties.
#include <cstdio>

#include "hostapi/StringConv.h"
#include "platform/SetupApi.h"
#include "platform/Text.h"
#include "platform/Wmi.h"
#include "smart/CAtaSmart.h"

namespace smart {

namespace {

std::string FirstDeviceId(platform::WmiConnection& wmi, const std::string& query) {
  std::unique_ptr<platform::WmiEnumerator> enumerator;
  if (wmi.ExecQuery(platform::Utf8ToWide(query), enumerator) != platform::S_OK || !enumerator)
    return "";
  platform::WmiObject object;
  if (enumerator->Next(10000, object) != platform::S_OK)
    return "";
  auto it = object.find(L"DeviceID");
  return it == object.end() ? "" : DE::UnicodeToUTF8(it->second.text);
}

bool ReadUInt32(platform::HDEVINFO set, const platform::SP_DEVINFO_DATA& device,
                const platform::DEVPROPKEY& key, std::uint32_t& value) {
  std::uint8_t bytes[4] = {};
  DWORD type = 0;
  if (!platform::SetupDiGetDevicePropertyW(set, device, key, &type, bytes, sizeof bytes, nullptr) ||
      type != platform::DEVPROP_TYPE_UINT32) {
    return false;
  }
  value = bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
  return true;
}

std::string LinkText(std::uint32_t speed, std::uint32_t width) {
  char text[32];
  std::snprintf(text, sizeof text, "PCIe %u.0 x%u", speed, width);
  return text;
}

}  // namespace

void FindPciExpressLink(ATA_SMART_INFO& asi) {
  asi.CurrentTransferMode = asi.MaxTransferMode = "----";
  std::unique_ptr<platform::WmiConnection> wmi;
  if (platform::WmiConnectServer(L"\\\\.\\root\\cimv2", wmi) != platform::S_OK)
    return;
  const std::string pnp = FirstDeviceId(
      *wmi, "ASSOCIATORS OF {Win32_DiskDrive.DeviceID='\\\\.\\PhysicalDrive" +
                std::to_string(asi.PhysicalDriveId) + "'} WHERE ResultClass=Win32_PnPEntity");
  if (pnp.empty())
    return;
  const std::string controller =
      FirstDeviceId(*wmi, "ASSOCIATORS OF {Win32_PnPEntity.DeviceID='" + pnp +
                              "'} WHERE AssocClass=Win32_SCSIControllerDevice");
  if (controller.empty())
    return;
  platform::HDEVINFO set =
      platform::SetupDiGetClassDevsForInstanceW(platform::Utf8ToWide(controller));
  if (set == platform::INVALID_HANDLE_VALUE_DEVINFO)
    return;
  platform::SP_DEVINFO_DATA device;
  std::uint32_t speed = 0, width = 0;
  if (platform::SetupDiEnumDeviceInfo(set, 0, device)) {
    if (ReadUInt32(set, device, platform::DEVPKEY_PciDevice_CurrentLinkSpeed, speed) &&
        ReadUInt32(set, device, platform::DEVPKEY_PciDevice_CurrentLinkWidth, width)) {
      asi.CurrentTransferMode = LinkText(speed, width);
    }
    if (ReadUInt32(set, device, platform::DEVPKEY_PciDevice_MaxLinkSpeed, speed) &&
        ReadUInt32(set, device, platform::DEVPKEY_PciDevice_MaxLinkWidth, width)) {
      asi.MaxTransferMode = LinkText(speed, width);
    }
  }
  platform::SetupDiDestroyDeviceInfoList(set);
}

}  // namespace smart
