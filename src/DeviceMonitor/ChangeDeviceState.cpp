// Enables or disables a present device, found by hardware id among all classes, through a
// property-change request to its class installer.
#include <cstring>
#include <mutex>
#include <set>
#include <vector>

#include "DeviceMonitor/DeviceDriverErrorDetectEx.h"
#include "hostapi/StringConv.h"
#include "platform/LastError.h"
#include "platform/Mutex.h"
#include "platform/SetupApi.h"
#include "platform/Text.h"

namespace {

// The strings of a REG_MULTI_SZ in UTF-16 little-endian bytes.
std::vector<std::wstring> MultiString(const std::vector<std::uint8_t>& bytes) {
  std::vector<std::wstring> strings;
  std::u16string current;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const char16_t unit = static_cast<char16_t>(bytes[i] | bytes[i + 1] << 8);
    if (unit != 0) {
      current.push_back(unit);
      continue;
    }
    if (current.empty())
      break;  // the final NUL
    strings.push_back(platform::Utf16ToWide(current));
    current.clear();
  }
  return strings;
}

// SP_PROPCHANGE_PARAMS: {cbSize, InstallFunction}, StateChange, Scope, HwProfile.
std::vector<std::uint8_t> PropertyChangeParams(bool enable) {
  const std::uint32_t fields[5] = {8, platform::DIF_PROPERTYCHANGE,
                                   enable ? platform::DICS_ENABLE : platform::DICS_DISABLE,
                                   platform::DICS_FLAG_GLOBAL, 0};
  std::vector<std::uint8_t> bytes;
  for (std::uint32_t field : fields) {
    for (int shift = 0; shift < 32; shift += 8)
      bytes.push_back(static_cast<std::uint8_t>(field >> shift));
  }
  return bytes;
}

// Devices this plug-in disabled and has not enabled since, by hardware id.
platform::Mutex disabledMutex;
std::set<std::wstring> disabledDevices;

void NoteState(bool enable, const std::wstring& hardwareId) {
  std::lock_guard lock(disabledMutex);
  if (enable)
    disabledDevices.erase(hardwareId);
  else
    disabledDevices.insert(hardwareId);
}

}  // namespace

void RestoreDisabledDevices() {
  std::set<std::wstring> devices;
  {
    std::lock_guard lock(disabledMutex);
    devices = disabledDevices;
  }
  for (const auto& hardwareId : devices)
    DeviceDriverErrorDetectEx::ChangeDeviceState(true, hardwareId);
}

bool DeviceDriverErrorDetectEx::ChangeDeviceState(bool enable, const std::wstring& hardwareId) {
  using namespace platform;
  HDEVINFO set = SetupDiGetClassDevsW(nullptr, DIGCF_ALLCLASSES | DIGCF_PRESENT);
  if (set == INVALID_HANDLE_VALUE_DEVINFO)
    return false;

  bool found = false;
  SP_DEVINFO_DATA device;
  std::vector<std::uint8_t> buffer(2);
  for (DWORD index = 0; !found && SetupDiEnumDeviceInfo(set, index, device); ++index) {
    DWORD required = 0;
    bool read = false;
    for (;;) {
      read =
          SetupDiGetDeviceRegistryPropertyW(set, device, SPDRP_HARDWAREID, nullptr, buffer.data(),
                                            static_cast<DWORD>(buffer.size()), &required);
      if (read || GetLastError() != ERROR_INSUFFICIENT_BUFFER)
        break;
      buffer.assign(std::max<std::size_t>(required, buffer.size() * 2), 0);
    }
    if (!read) {
      if (GetLastError() == ERROR_INVALID_DATA)
        continue;
      SetupDiDestroyDeviceInfoList(set);
      return false;
    }
    for (const auto& id : MultiString(buffer)) {
      if (id == hardwareId) {
        found = true;
        break;
      }
    }
  }
  bool applied = false;
  if (found) {
    const auto params = PropertyChangeParams(enable);
    applied = SetupDiSetClassInstallParamsW(set, device, params.data(),
                                            static_cast<DWORD>(params.size())) &&
              SetupDiCallClassInstaller(DIF_PROPERTYCHANGE, set, device);
  }
  SetupDiDestroyDeviceInfoList(set);
  if (applied)
    NoteState(enable, hardwareId);
  return applied;
}
