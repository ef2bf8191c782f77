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
// A killed companion is given this long to go (and the service to restart it) before the
// next step, and a started service this long to come up before its listener is killed.
constexpr std::uint32_t kKillPauseMs = 1000;
constexpr std::uint32_t kStartPauseMs = 2000;

// A stop during a pause ends the recovery there: nothing more is killed or started, and the
// recovery counts as not done.
bool RestartHotKeyService() {
  StopServiceByName(kHotKeyService);
  if (!StartServiceByName(kHotKeyService))
    return false;
  KillProcByName(L"DOsd.exe");
  if (!platform::Sleep(kKillPauseMs))
    return false;
  KillProcByName(L"DHotKey.exe");
  return platform::Sleep(kKillPauseMs);
}

bool RestartOsdMainService(bool& stopped) {
  // A running service is left as it is; only its listener is restarted (by being killed).
  if (!IsServiceRunning(kOsdMainService)) {
    if (!StartServiceByName(kOsdMainService))
      return false;
    stopped = !platform::Sleep(kStartPauseMs);
    if (stopped)
      return false;
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
    bool stopped = false;
    const bool result = RestartOsdMainService(stopped);
    if (stopped)
      return false;  // the registry is not touched either
    EnsureServiceAutoStart(kOsdMainService);
    return result;
  }
  return false;
}
