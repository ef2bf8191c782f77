// The start-up fix check: one damaged state of the EventLog service registration (an rs5 or
// 19h1 build with Netkeeper installed, no "Parameters" subkey and no "ServiceDll" value), and
// its repair.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>

#include "common/Log.h"
#include "hostapi/Registry.h"
#include "hostapi/StringConv.h"
#include "plugin/FaultDetectPlugin.h"
#include "remind/FixCheck.h"
#include "remind/FixpRemindRestartManager.h"

namespace {

constexpr DWORD kAllAccess = 0xF003F;
constexpr wchar_t kCurrentVersionKey[] = L"Software\\Microsoft\\Windows NT\\CurrentVersion";
constexpr wchar_t kNetkeeperKey[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Netkeeper.exe";
constexpr wchar_t kEventLogKey[] = L"SYSTEM\\CurrentControlSet\\Services\\EventLog";
constexpr wchar_t kParametersKey[] = L"SYSTEM\\CurrentControlSet\\Services\\EventLog\\Parameters";
constexpr wchar_t kServiceDll[] = L"ServiceDll";
constexpr wchar_t kServiceDllValue[] = L"%SystemRoot%\\System32\\wevtsvc.dll";
constexpr std::size_t kBranchBufferBytes = 128;

}  // namespace

std::string GetOSBuildBranch() {
  std::wstring branch;
  DE::Registry::GetValue(DE::HKEY_LOCAL_MACHINE, kCurrentVersionKey, L"BuildBranch", branch,
                         kAllAccess);
  char* narrow = DE::WcharToChar(branch.c_str());
  if (!narrow || !*narrow) {
    delete[] narrow;
    return "";
  }
  char buffer[kBranchBufferBytes] = {};
  std::strncpy(buffer, narrow, kBranchBufferBytes - 1);
  delete[] narrow;
  return buffer;
}

bool CFaultDetectPlugin::CheckForFix() {
  std::string branch = GetOSBuildBranch();
  std::transform(branch.begin(), branch.end(), branch.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  bool branchOk = false;
  if (branch.find("rs5") != std::string::npos) {
    LOG_WARN("check rs5 ok");
    branchOk = true;
  }
  if (branch.find("19h1") != std::string::npos) {
    LOG_WARN("check 19h1 ok");
    branchOk = true;
  }
  DE::Registry registry;
  registry.SetRootKey(DE::HKEY_LOCAL_MACHINE);
  const bool clientInstalled = registry.KeyExists(kNetkeeperKey);
  if (clientInstalled)
    LOG_WARN("netKeeper exit ");
  const bool parametersPresent = registry.KeyExists(kParametersKey);
  if (!parametersPresent)
    LOG_WARN("Parameters not exit ");
  std::wstring library;
  const bool libraryReadable = DE::Registry::GetValue(DE::HKEY_LOCAL_MACHINE, kEventLogKey,
                                                      kServiceDll, library, kAllAccess);
  if (!libraryReadable)
    LOG_WARN("servicedll not exit ");
  return branchOk && clientInstalled && !parametersPresent && !libraryReadable;
}

void FixpRemindRestartManager::FixNow() {
  if (!CReadReg::SetExpandStringValue(kEventLogKey, kServiceDll, kServiceDllValue))
    LOG_ERROR("FixNow fail ");
}
