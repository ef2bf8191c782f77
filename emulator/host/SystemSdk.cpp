// The hardware library's process, service and file helpers, over the operating system's calls
// as the library makes them: the process snapshot, services, and folder searches.
#include "hostapi/SystemSdk.h"

#include <algorithm>

#include "emu/Faults.h"
#include "emu/Transcript.h"
#include "hostapi/StringConv.h"
#include "platform/File.h"
#include "platform/Process.h"
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

// The ids of the running processes of that executable name (letter case ignored).
std::vector<DWORD> ProcessesNamed(const std::wstring& processName) {
  std::vector<DWORD> ids;
  const std::string wanted = Folded(DE::UnicodeToUTF8(processName));
  platform::HANDLE snapshot = platform::CreateToolhelp32Snapshot(platform::TH32CS_SNAPPROCESS, 0);
  if (!snapshot)
    return ids;
  platform::PROCESSENTRY32W entry;
  entry.dwSize = platform::kProcessEntrySize;
  for (bool more = platform::Process32FirstW(snapshot, entry); more;
       more = platform::Process32NextW(snapshot, entry)) {
    if (Folded(DE::UnicodeToUTF8(entry.szExeFile)) == wanted)
      ids.push_back(entry.th32ProcessID);
  }
  platform::CloseHandle(snapshot);
  return ids;
}

}  // namespace

bool IsProcessRunning(const std::wstring& processName) {
  return !ProcessesNamed(processName).empty();
}

bool KillProcByName(const std::wstring& processName) {
  if (emu::InjectedFault(emu::FaultOf("KillProcByName"),
                         [&] { return DE::UnicodeToUTF8(processName); }))
    return false;
  int killed = 0;
  for (const DWORD id : ProcessesNamed(processName)) {
    platform::HANDLE process = platform::OpenProcess(platform::PROCESS_TERMINATE, false, id);
    if (!process)
      continue;
    if (platform::TerminateProcess(process, 1))
      ++killed;
    platform::CloseHandle(process);
  }
  emu::Transcript::Instance().Write(
      "process", {{"op", "kill"}, {"name", DE::UnicodeToUTF8(processName)}, {"count", killed}});
  return killed > 0;
}

bool IsServiceRunning(const std::wstring& serviceName) {
  return WithService(serviceName, platform::SERVICE_QUERY_STATUS, [](platform::SC_HANDLE s) {
    DWORD state = 0;
    return platform::QueryServiceStatus(s, state) && state == platform::SERVICE_RUNNING;
  });
}

bool StartServiceByName(const std::wstring& serviceName) {
  if (emu::InjectedFault(emu::FaultOf("StartServiceByName"),
                         [&] { return DE::UnicodeToUTF8(serviceName); }))
    return false;
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
  std::wstring prefix = folder;
  while (!prefix.empty() && (prefix.back() == L'\\' || prefix.back() == L'/'))
    prefix.pop_back();
  prefix += L'\\';
  platform::WIN32_FIND_DATAW found;
  platform::HANDLE search = platform::FindFirstFileW(prefix + L'*', found);
  if (search == platform::INVALID_HANDLE_VALUE)
    return files;
  do {
    const std::string name = Folded(DE::UnicodeToUTF8(found.cFileName));
    if (!(found.dwFileAttributes & platform::FILE_ATTRIBUTE_DIRECTORY) &&
        name.size() >= wanted.size() &&
        name.compare(name.size() - wanted.size(), wanted.size(), wanted) == 0)
      files.push_back(prefix + found.cFileName);
  } while (platform::FindNextFileW(search, found));
  platform::FindClose(search);
  std::sort(files.begin(), files.end());
  return files;
}
