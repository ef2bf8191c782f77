#pragma once
// Processes: creation, waiting, opening by id, the process snapshot. Handles are closed with
// CloseHandle. A wait of the plug-in ends early when the module stops.
#include <cstdint>

#include "platform/Handle.h"
#include "platform/WinTypes.h"

namespace platform {

constexpr DWORD CREATE_NO_WINDOW = 0x08000000;
constexpr DWORD STARTF_USESHOWWINDOW = 0x00000001;
constexpr std::uint16_t SW_HIDE = 0;
constexpr DWORD PROCESS_ALL_ACCESS = 0x001FFFFF;
constexpr DWORD PROCESS_TERMINATE = 0x0001;
constexpr DWORD PROCESS_QUERY_LIMITED_INFORMATION = 0x1000;
constexpr DWORD SYNCHRONIZE = 0x00100000;
constexpr DWORD WAIT_OBJECT_0 = 0;
constexpr DWORD WAIT_TIMEOUT = 258;
constexpr DWORD WAIT_FAILED = 0xFFFFFFFF;
constexpr DWORD TH32CS_SNAPPROCESS = 0x00000002;
constexpr std::size_t kMaxPath = 260;

// The fields of STARTUPINFOW the plug-in sets; cb must be the size of the Windows record.
struct STARTUPINFOW {
  DWORD cb = 0;
  DWORD dwFlags = 0;
  std::uint16_t wShowWindow = 0;
  HANDLE hStdInput = nullptr;
};
constexpr DWORD kStartupInfoSize = 104;  // sizeof(STARTUPINFOW) on 64-bit Windows

struct PROCESS_INFORMATION {
  HANDLE hProcess = nullptr;
  HANDLE hThread = nullptr;
  DWORD dwProcessId = 0;
  DWORD dwThreadId = 0;
};

// CreateProcessW(applicationName, commandLine, nullptr, nullptr, inheritHandles, flags,
// nullptr, nullptr, &startup, &info): the environment and directory are the caller's.
bool CreateProcessW(const wchar_t* applicationName, wchar_t* commandLine, bool inheritHandles,
                    DWORD creationFlags, const STARTUPINFOW& startup, PROCESS_INFORMATION& info);

// WaitForSingleObject on a process handle: WAIT_OBJECT_0 when it ended, WAIT_TIMEOUT after
// the time (also when the module stops first), WAIT_FAILED for a bad handle.
DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);

// TerminateProcess: ends the process with the exit code.
bool TerminateProcess(HANDLE process, DWORD exitCode);

// OpenProcess(access, inherit, processId); null when there is no such process.
HANDLE OpenProcess(DWORD access, bool inheritHandle, DWORD processId);

// GetStdHandle(STD_INPUT_HANDLE).
HANDLE GetStdInputHandle();

struct PROCESSENTRY32W {
  DWORD dwSize = 0;  // set to kProcessEntrySize before the first call
  DWORD th32ProcessID = 0;
  wchar_t szExeFile[kMaxPath] = {};
};
constexpr DWORD kProcessEntrySize = 568;  // sizeof(PROCESSENTRY32W) on 64-bit Windows

// CreateToolhelp32Snapshot(flags, 0); INVALID_HANDLE_VALUE (nullptr here) on failure.
HANDLE CreateToolhelp32Snapshot(DWORD flags, DWORD processId);
// Process32FirstW / Process32NextW. False with ERROR_NO_MORE_FILES past the last process,
// ERROR_BAD_LENGTH when dwSize is not the record's size.
bool Process32FirstW(HANDLE snapshot, PROCESSENTRY32W& entry);
bool Process32NextW(HANDLE snapshot, PROCESSENTRY32W& entry);

}  // namespace platform
