// Processes over Win32: creation, waits that end at the module's stop, opening by id, and the
// process snapshot (toolhelp). The seam's records hold only what the plug-in reads; they are
// copied to and from Windows's own, whose sizes the callers state as Windows checks them.
#include <algorithm>
#include <cwchar>

#include "platform/Process.h"

#include "Win32.h"
// tlhelp32.h needs <windows.h> before it.
#include <tlhelp32.h>

namespace platform {

bool CreateProcessW(const wchar_t* applicationName, wchar_t* commandLine, bool inheritHandles,
                    DWORD creationFlags, const STARTUPINFOW& startup, PROCESS_INFORMATION& info) {
  if (startup.cb != kStartupInfoSize) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  ::STARTUPINFOW start{};
  start.cb = sizeof start;
  start.dwFlags = startup.dwFlags;
  start.wShowWindow = startup.wShowWindow;
  start.hStdInput = startup.hStdInput;
  ::PROCESS_INFORMATION started{};
  if (!::CreateProcessW(applicationName, commandLine, nullptr, nullptr, inheritHandles,
                        creationFlags, nullptr, nullptr, &start, &started))
    return false;
  info.hProcess = started.hProcess;
  info.hThread = started.hThread;
  info.dwProcessId = started.dwProcessId;
  info.dwThreadId = started.dwThreadId;
  return true;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
  // The module's stop counts as the time running out: the caller gives up on the process.
  const HANDLE both[] = {handle, ModuleStopEvent()};
  const DWORD result = WaitForMultipleObjects(2, both, FALSE, milliseconds);
  if (result == WAIT_OBJECT_0 + 1)
    return WAIT_TIMEOUT;
  return result;
}

bool TerminateProcess(HANDLE process, DWORD exitCode) {
  return ::TerminateProcess(process, exitCode) != 0;
}

HANDLE OpenProcess(DWORD access, bool inheritHandle, DWORD processId) {
  return ::OpenProcess(access, inheritHandle, processId);
}

HANDLE GetStdInputHandle() {
  return GetStdHandle(STD_INPUT_HANDLE);
}

HANDLE CreateToolhelp32Snapshot(DWORD flags, DWORD processId) {
  const HANDLE snapshot = ::CreateToolhelp32Snapshot(flags, processId);
  return snapshot == INVALID_HANDLE_VALUE ? nullptr : snapshot;
}

namespace {

bool NextEntry(HANDLE snapshot, PROCESSENTRY32W& entry, bool first) {
  static_assert(sizeof(::PROCESSENTRY32W) == kProcessEntrySize);
  // Checked here: versions of Windows (and wine) differ in the error they give.
  if (entry.dwSize != kProcessEntrySize) {
    ::SetLastError(ERROR_BAD_LENGTH);
    return false;
  }
  ::PROCESSENTRY32W process{};
  process.dwSize = sizeof process;
  if (!(first ? ::Process32FirstW(snapshot, &process) : ::Process32NextW(snapshot, &process)))
    return false;
  entry.th32ProcessID = process.th32ProcessID;
  std::copy(process.szExeFile, process.szExeFile + kMaxPath, entry.szExeFile);
  entry.szExeFile[kMaxPath - 1] = L'\0';
  return true;
}

}  // namespace

bool Process32FirstW(HANDLE snapshot, PROCESSENTRY32W& entry) {
  return NextEntry(snapshot, entry, true);
}

bool Process32NextW(HANDLE snapshot, PROCESSENTRY32W& entry) {
  return NextEntry(snapshot, entry, false);
}

}  // namespace platform
