// The Wi-Fi driver reinstall, the process runner and the hardware rescan.
#include "repair/ProcessWifiRepair.h"

#include <algorithm>
#include <cstring>
#include <mutex>

#include "common/Log.h"
#include "hostapi/ProductAdapt.h"
#include "hostapi/SystemSdk.h"
#include "platform/ConfigManager.h"
#include "platform/DebugOutput.h"
#include "platform/File.h"
#include "platform/LastError.h"
#include "platform/Mutex.h"
#include "platform/Process.h"
#include "platform/Sleep.h"

namespace {

constexpr wchar_t kInstallScript[] = L"\\config\\DeviceCfg\\InstallOTAWifiDriver.bat";
constexpr wchar_t kSetupProcess[] = L"Setup.exe";
constexpr char kScriptFailure[] =
    "CVexServerMsgHandler::ProcessDriverRecovery failed and error code is "
    "EXIT_RUNINSTALLBAT_FAIL";
constexpr int kFirstProductWithoutRemoval = 4;
constexpr int kSetupWatchRounds = 10;
constexpr std::uint32_t kSetupWatchPauseMs = 500;
constexpr DWORD kSetupWaitMs = 60000;
constexpr int kRescanRounds = 60;
constexpr std::uint32_t kRescanPauseMs = 1000;
constexpr std::size_t kCommandBufferChars = 260;
constexpr DWORD kRunWaitMs = 600000;

platform::Mutex& ReinstallMutex() {
  static platform::Mutex mutex;
  return mutex;
}

// The install script beside the host executable; empty when the path cannot be formed.
std::wstring InstallScriptPath() {
  const std::wstring exe = platform::GetProcessExecutablePathW();
  const std::size_t slash = exe.find_last_of(L'\\');
  if (exe.empty() || slash == std::wstring::npos)
    return L"";
  return exe.substr(0, slash) + kInstallScript;
}

std::wstring FileNameOf(const std::wstring& path) {
  const std::size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

bool SameName(std::wstring a, std::wstring b) {
  const auto lower = [](std::wstring& text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](wchar_t c) { return (c >= L'A' && c <= L'Z') ? c - L'A' + L'a' : c; });
  };
  lower(a);
  lower(b);
  return a == b;
}

// Waits up to a minute for the first running "Setup.exe" or installer process, opened only
// for waiting (an installer may run protected, and waiting needs nothing more).
void WaitForSetupProcess(const std::wstring& installer) {
  platform::HANDLE snapshot = platform::CreateToolhelp32Snapshot(platform::TH32CS_SNAPPROCESS, 0);
  if (!snapshot)
    return;
  platform::PROCESSENTRY32W entry;
  entry.dwSize = platform::kProcessEntrySize;
  for (bool more = platform::Process32FirstW(snapshot, entry); more;
       more = platform::Process32NextW(snapshot, entry)) {
    const std::wstring exe(entry.szExeFile);
    if (!SameName(exe, kSetupProcess) && !SameName(exe, installer))
      continue;
    if (platform::HANDLE process =
            platform::OpenProcess(platform::SYNCHRONIZE, false, entry.th32ProcessID)) {
      platform::WaitForSingleObject(process, kSetupWaitMs);
      platform::CloseHandle(process);
    }
    break;
  }
  platform::CloseHandle(snapshot);
}

// Watches the setup the install script started; true when the card works afterwards.
bool WatchSetup(const std::wstring& installer) {
  for (int round = 0; round < kSetupWatchRounds; ++round) {
    if (!platform::Sleep(kSetupWatchPauseMs))
      return false;
    WaitForSetupProcess(installer);
    if (IsWifiCardWorking())
      return true;
  }
  return false;
}

}  // namespace

std::uint32_t CProcessWifiRepair::ReInsatllDriver() {
  std::lock_guard lock(ReinstallMutex());
  if (IsWifiCardWorking())
    return kReinstallCardWorks;
  const auto installers = CFileProcess().GetTypeFiles(kStoredDriverFolder, L".exe");
  if (installers.empty())
    return kReinstallNoInstaller;
  platform::OutputDebugStringW(installers.front());
  const std::wstring script = InstallScriptPath();
  if (script.empty() || !platform::PathFileExistsW(script)) {
    LOG_ERROR(kScriptFailure);
    return kReinstallNoScript;
  }
  const std::wstring installer = FileNameOf(installers.front());
  platform::OutputDebugStringW(installer);
  if (!installer.empty()) {
    if (IsProcessRunning(installer))
      platform::OutputDebugStringW(L"is installing");
    else {
      if (ProductAdapt::MachineType::GetInstance().GetProductIndex() < kFirstProductWithoutRemoval)
        UnistaProsWifiSoft();
      // The failure is logged here so that the line names the reinstall itself.
      if (!RunExecute(script, false))
        LOG_ERROR(kScriptFailure);
      else if (WatchSetup(installer))
        return kReinstallCardWorks;
    }
  }
  for (int round = 0; round < kRescanRounds; ++round) {
    ScanForHardwareChange();
    if (IsWifiCardWorking())
      return kReinstallCardWorks;
    if (!platform::Sleep(kRescanPauseMs))
      break;  // the module stops: the card did not come back in the time there was
  }
  return kReinstallCardStillFails;
}

bool CProcessWifiRepair::RunExecute(const std::wstring& commandLine, bool alreadyQuoted) {
  std::wstring line = commandLine;
  if (!alreadyQuoted && line.find(L'"') == std::wstring::npos)
    line = L"\"" + line + L"\"";
  wchar_t buffer[kCommandBufferChars];
  std::memset(buffer, 0, sizeof buffer);
  if (line.size() >= kCommandBufferChars) {
    LOG_ERROR("cpy fail err:" + std::to_string(platform::GetLastError()));
    return false;
  }
  std::copy(line.begin(), line.end(), buffer);
  platform::STARTUPINFOW startup;
  startup.cb = platform::kStartupInfoSize;
  startup.hStdInput = platform::GetStdInputHandle();
  platform::PROCESS_INFORMATION info;
  if (!platform::CreateProcessW(nullptr, buffer, false, platform::CREATE_NO_WINDOW, startup, info))
    return false;
  platform::WaitForSingleObject(info.hProcess, kRunWaitMs);
  platform::CloseHandle(info.hProcess);
  platform::CloseHandle(info.hThread);
  return true;
}

void CProcessWifiRepair::ScanForHardwareChange() {
  platform::DEVINST root = 0;
  platform::CONFIGRET result =
      platform::CM_Locate_DevNodeW(&root, nullptr, platform::CM_LOCATE_DEVNODE_NORMAL);
  if (result != platform::CR_SUCCESS) {
    LOG_ERROR(
        "CVexServerMsgHandler::ScanForHardwareChange CM_Locate_DevNode failed and error code is "
        ":" +
        std::to_string(result));
    return;
  }
  result = platform::CM_Reenumerate_DevNode(root, platform::CM_REENUMERATE_ASYNCHRONOUS);
  if (result != platform::CR_SUCCESS) {
    LOG_ERROR(
        "CVexServerMsgHandler::ScanForHardwareChange CM_Reenumerate_DevNode failed and error "
        "code is :" +
        std::to_string(result));
  }
}

void ResetWinsock() {
  constexpr wchar_t kNetsh[] = L"C:\\Windows\\System32\\netsh.exe";
  constexpr DWORD kResetWaitMs = 30000;
  std::wstring line = std::wstring(kNetsh) + L" winsock reset";
  platform::STARTUPINFOW startup;
  startup.cb = platform::kStartupInfoSize;
  startup.dwFlags = platform::STARTF_USESHOWWINDOW;
  startup.wShowWindow = platform::SW_HIDE;
  platform::PROCESS_INFORMATION info;
  if (!platform::CreateProcessW(kNetsh, line.data(), false, platform::CREATE_NO_WINDOW, startup,
                                info)) {
    return;
  }
  platform::WaitForSingleObject(info.hProcess, kResetWaitMs);
  platform::CloseHandle(info.hProcess);
  platform::CloseHandle(info.hThread);
}
