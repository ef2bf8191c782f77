// The service control manager over Win32 (advapi32), and a hidden process that is not waited
// for.
#include <vector>

#include "platform/Service.h"

#include "Win32.h"

namespace platform {

namespace {
::SC_HANDLE Sc(SC_HANDLE handle) {
  return static_cast<::SC_HANDLE>(handle);
}
}  // namespace

SC_HANDLE OpenSCManagerW(DWORD access) {
  return ::OpenSCManagerW(nullptr, nullptr, access);
}

SC_HANDLE OpenServiceW(SC_HANDLE manager, const std::wstring& name, DWORD access) {
  return ::OpenServiceW(Sc(manager), name.c_str(), access);
}

bool QueryServiceStatus(SC_HANDLE service, DWORD& currentState) {
  SERVICE_STATUS status{};
  if (!::QueryServiceStatus(Sc(service), &status))
    return false;
  currentState = status.dwCurrentState;
  return true;
}

bool StartServiceW(SC_HANDLE service) {
  return ::StartServiceW(Sc(service), 0, nullptr) != 0;
}

bool ControlService(SC_HANDLE service, DWORD control, DWORD& currentState) {
  SERVICE_STATUS status{};
  if (!::ControlService(Sc(service), control, &status))
    return false;
  currentState = status.dwCurrentState;
  return true;
}

bool CloseServiceHandle(SC_HANDLE handle) {
  return ::CloseServiceHandle(Sc(handle)) != 0;
}

bool CreateProcessHidden(const std::wstring& applicationPath, const std::wstring& commandLine) {
  // CreateProcessW may write into the command line: it gets a copy.
  std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
  line.push_back(L'\0');
  ::STARTUPINFOW start{};
  start.cb = sizeof start;
  start.dwFlags = STARTF_USESHOWWINDOW;
  start.wShowWindow = SW_HIDE;
  ::PROCESS_INFORMATION started{};
  if (!::CreateProcessW(applicationPath.c_str(), line.data(), nullptr, nullptr, FALSE,
                        CREATE_NO_WINDOW, nullptr, nullptr, &start, &started))
    return false;
  ::CloseHandle(started.hThread);
  ::CloseHandle(started.hProcess);
  return true;
}

}  // namespace platform
