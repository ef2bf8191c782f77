// The hardware library's view of devices by setup class, over the virtual device tree.
#include <algorithm>

#include "emu/DeviceTree.h"
#include "hostapi/HardwareSdk.h"
#include "hostapi/StringConv.h"
#include "platform/Text.h"

namespace {

bool Names(const emu::TreeDevice& device, const std::string& hardwareId) {
  return std::any_of(device.hardwareIds.begin(), device.hardwareIds.end(),
                     [&](const std::string& id) { return id == hardwareId; });
}

}  // namespace

CDeviceInformention::CDeviceInformention() = default;
CDeviceInformention::~CDeviceInformention() = default;

std::vector<std::wstring> CDeviceInformention::GetDeviceHardwareID(
    const platform::Guid& classGuid) {
  std::vector<std::wstring> ids;
  const std::string wanted = emu::GuidText(classGuid);
  for (const auto& device : emu::DeviceTree()) {
    if (device.classGuid == wanted && device.readError == 0 && !device.hardwareIds.empty())
      ids.push_back(platform::Utf8ToWide(device.hardwareIds.front()));
  }
  return ids;
}

std::vector<std::wstring> CDeviceInformention::GetSoftComponentItems(
    const std::wstring& hardwareId) {
  std::vector<std::wstring> items;
  const std::string id = DE::UnicodeToUTF8(hardwareId);
  for (const auto& device : emu::DeviceTree()) {
    if (!Names(device, id))
      continue;
    for (const auto& component : device.softComponents)
      items.push_back(platform::Utf8ToWide(component));
    break;
  }
  return items;
}

std::uint32_t CDeviceInformention::UnstallDeviceByHardwareIdEx(const std::wstring& hardwareId,
                                                               const platform::Guid& classGuid) {
  return emu::UninstallDevice(DE::UnicodeToUTF8(hardwareId), emu::GuidText(classGuid));
}
