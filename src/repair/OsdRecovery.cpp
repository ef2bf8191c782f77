#include "repair/OsdRecovery.h"

#include <string>

#include "hostapi/ProductAdapt.h"
#include "hostapi/Registry.h"
#include "hostapi/SystemSdk.h"
#include "platform/Sleep.h"

namespace {

constexpr wchar_t kHotKeyService[] = L"PGFNEXSrv";
constexpr wchar_t kOsdMainService[] = L"OSDMainService";
constexpr wchar_t kServicesKey[] = L"SYSTEM\\ControlSet001\\services\\";
constexpr DWORD kAutomaticStart = 2;
constexpr DWORD kAllAccess = 0xF003F;
constexpr std::uint32_t kKillPauseMs = 1000;
constexpr std::uint32_t kStartPauseMs = 2000;

bool RestartHotKeyService() {
  StopServiceByName(kHotKeyService);
  if (!StartServiceByName(kHotKeyService))
    return false;
  KillProcByName(L"DOsd.exe");
  platform::Sleep(kKillPauseMs);
  KillProcByName(L"DHotKey.exe");
  platform::Sleep(kKillPauseMs);
  return true;
}

bool RestartOsdMainService() {
  // A running service is left as it is; only its listener is restarted (by being killed).
  if (!IsServiceRunning(kOsdMainService)) {
    if (!StartServiceByName(kOsdMainService))
      return false;
    platform::Sleep(kStartPauseMs);
  }
  return KillProcByName(L"OSDListener.exe");
}

void EnsureServiceAutoStart(const std::wstring& service) {
  const std::wstring key = kServicesKey + service;
  DWORD start = 0;
  if (!DE::Registry::GetValue(DE::HKEY_LOCAL_MACHINE, key, L"Start", start, kAllAccess) ||
      start == kAutomaticStart) {
    return;
  }
  DE::Registry::SetValue(DE::HKEY_LOCAL_MACHINE, key, L"Start", kAutomaticStart, kAllAccess);
  DE::Registry::GetValue(DE::HKEY_LOCAL_MACHINE, key, L"Start", start, kAllAccess);
}

}  // namespace

bool RecoverOsdService() {
  const int index = ProductAdapt::MachineType::GetInstance().GetProductIndex();
  if (index == 0 || index == 2)
    return RestartHotKeyService();
  if (index == 1 || (index >= 3 && index <= 9)) {
    const bool result = RestartOsdMainService();
    EnsureServiceAutoStart(kOsdMainService);
    return result;
  }
  return false;
}
