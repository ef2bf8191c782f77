// The hardware library's process, service and file helpers, over the operating system's
// calls as the library makes them (services) and the virtual laptop (processes, files).
#include "hostapi/SystemSdk.h"

#include <algorithm>

#include "emu/Processes.h"
#include "emu/VirtualDrive.h"
#include "hostapi/StringConv.h"
#include "platform/Service.h"
#include "platform/Text.h"

namespace {

std::string Folded(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// Runs an action on the opened service; false when it cannot be opened.
template <class Action>
bool WithService(const std::wstring& name, DWORD access, Action action) {
  platform::SC_HANDLE manager = platform::OpenSCManagerW(platform::GENERIC_EXECUTE);
  if (!manager)
    return false;
  platform::SC_HANDLE service = platform::OpenServiceW(manager, name, access);
  bool result = false;
  if (service) {
    result = action(service);
    platform::CloseServiceHandle(service);
  }
  platform::CloseServiceHandle(manager);
  return result;
}

}  // namespace

bool IsProcessRunning(const std::wstring& processName) {
  const std::string wanted = Folded(DE::UnicodeToUTF8(processName));
  const auto running = emu::ProcessTable::Instance().Running();
  return std::any_of(running.begin(), running.end(),
                     [&](const auto& entry) { return Folded(entry.exe) == wanted; });
}

bool KillProcByName(const std::wstring& processName) {
  return emu::ProcessTable::Instance().KillByName(DE::UnicodeToUTF8(processName)) > 0;
}

bool IsServiceRunning(const std::wstring& serviceName) {
  return WithService(serviceName, platform::SERVICE_QUERY_STATUS, [](platform::SC_HANDLE s) {
    DWORD state = 0;
    return platform::QueryServiceStatus(s, state) && state == platform::SERVICE_RUNNING;
  });
}

bool StartServiceByName(const std::wstring& serviceName) {
  return WithService(serviceName, platform::SERVICE_START,
                     [](platform::SC_HANDLE s) { return platform::StartServiceW(s); });
}

void StopServiceByName(const std::wstring& serviceName) {
  WithService(serviceName, platform::SERVICE_STOP, [](platform::SC_HANDLE s) {
    DWORD state = 0;
    return platform::ControlService(s, platform::SERVICE_CONTROL_STOP, state);
  });
}

CFileProcess::CFileProcess() = default;
CFileProcess::~CFileProcess() = default;

std::vector<std::wstring> CFileProcess::GetTypeFiles(const std::wstring& folder,
                                                     const std::wstring& extension) {
  std::vector<std::wstring> files;
  const std::string wanted = Folded(DE::UnicodeToUTF8(extension));
  for (const auto& path : emu::VirtualDrive::Instance().List(DE::UnicodeToUTF8(folder))) {
    const std::string name = Folded(path);
    if (name.size() >= wanted.size() &&
        name.compare(name.size() - wanted.size(), wanted.size(), wanted) == 0)
      files.push_back(platform::Utf8ToWide(path));
  }
  return files;
}
