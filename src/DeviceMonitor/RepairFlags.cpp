// The repair-fail counter in the registry and the firmware repair request.
#include <string>

#include "DeviceMonitor/DeviceDriverErrorDetectEx.h"
#include "DeviceMonitor/ReportValues.h"
#include "common/Log.h"
#include "hostapi/Registry.h"
#include "hostapi/StringConv.h"
#include "ipc/DispatcherState.h"
#include "platform/LastError.h"
#include "platform/Security.h"
#include "report/Report.h"

namespace {

const wchar_t kRepairFailKey[] = L"\\SOFTWARE\\Velmora\\RepairFailFlag";
const wchar_t kNumbers[] = L"Numbers";
constexpr DWORD kAllAccess = 0xF003F;
constexpr std::uint32_t kStartupAttempts = 5;

const char kFirmwareVariable[] = "wifidriverstate";
const char kFirmwareGuid[] = "{C87C0F60-1E8E-448a-BDC6-DA4B24EE2ED6}";
constexpr std::uint8_t kRepairRequest = 0x11;

std::string LastErrorText() {
  return std::to_string(platform::GetLastError());
}

bool FlagKeyExists() {
  DE::Registry registry;
  registry.SetRootKey(DE::HKEY_LOCAL_MACHINE);
  return registry.KeyExists(kRepairFailKey);
}

bool ReadNumbers(DWORD& numbers) {
  return DE::Registry::GetValue(DE::HKEY_LOCAL_MACHINE, kRepairFailKey, kNumbers, numbers,
                                kAllAccess);
}

}  // namespace

bool DeviceDriverErrorDetectEx::CheckRepairFailFlag(bool firstStart) {
  if (!FlagKeyExists())
    return false;
  DWORD numbers = 0;
  if (firstStart && ReadNumbers(numbers))
    return numbers >= kStartupAttempts;
  return true;
}

void DeviceDriverErrorDetectEx::SetRepairFailFlag() {
  DE::Registry registry;
  registry.SetRootKey(DE::HKEY_LOCAL_MACHINE);
  if (!registry.KeyExists(kRepairFailKey) && !registry.CreateKey(kRepairFailKey)) {
    LOG_ERROR("set flag fail");
    return;
  }
  DWORD numbers = 0;
  if (!ReadNumbers(numbers) || numbers == 0xFFFFFFFF)
    numbers = 0;
  DE::Registry::SetValue(DE::HKEY_LOCAL_MACHINE, kRepairFailKey, kNumbers, numbers + 1, kAllAccess);
}

void DeviceDriverErrorDetectEx::ClearRepairFailFlag(bool firstStart) {
  DE::Registry registry;
  registry.SetRootKey(DE::HKEY_LOCAL_MACHINE);
  if (!registry.KeyExists(kRepairFailKey))
    return;
  ReportPairList pairs = {{"firstStart", detector::Flag(firstStart)}};
  const bool deleted = registry.DeleteKey(kRepairFailKey);
  pairs.emplace_back("clearFlag", detector::Flag(deleted));
  pairs.emplace_back("WifiDriverVersion", detector::WifiVersionText());
  ReportEventWithDriverVersion(DEVICE_DRIVER_WIFI, "608001016", pairs);
}

bool DeviceDriverErrorDetectEx::SetFlagToBios(bool firstStart) {
  bool written = false;
  if (EnablePrivilege()) {
    written = platform::SetFirmwareEnvironmentVariableA(kFirmwareVariable, kFirmwareGuid,
                                                        &kRepairRequest, 1);
    if (!written)
      LOG_ERROR("err = " + LastErrorText());
  }
  ReportEventWithDriverVersion(DEVICE_DRIVER_WIFI, "608001015",
                               {{"firstStart", detector::Flag(firstStart)},
                                {"result", detector::Flag(written)},
                                {"WifiDriverVersion", detector::WifiVersionText()}});
  return written;
}

bool DeviceDriverErrorDetectEx::EnablePrivilege() {
  platform::HANDLE token = nullptr;
  if (!platform::OpenProcessToken(platform::TOKEN_ADJUST_PRIVILEGES | platform::TOKEN_QUERY,
                                  token)) {
    LOG_ERROR("OpenProcessToken err=" + LastErrorText());
    return false;
  }
  bool enabled = false;
  platform::LUID luid;
  if (!platform::LookupPrivilegeValueW(L"SeSystemEnvironmentPrivilege", luid)) {
    LOG_ERROR("LookupPrivilegeValue err=" + LastErrorText());
  } else {
    enabled = platform::AdjustTokenPrivileges(token, luid, platform::SE_PRIVILEGE_ENABLED);
    if (!enabled)
      LOG_ERROR("AdjustTokenPrivileges err=" + LastErrorText());
  }
  platform::CloseHandle(token);
  return enabled;
}
