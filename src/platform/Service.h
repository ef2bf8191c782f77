#pragma once
// The service control manager and process creation.
#include <string>

#include "platform/WinTypes.h"

namespace platform {

using SC_HANDLE = void*;

constexpr DWORD GENERIC_EXECUTE = 0x20000000;
constexpr DWORD SERVICE_QUERY_STATUS = 0x0004;
constexpr DWORD SERVICE_START = 0x0010;
constexpr DWORD SERVICE_STOP = 0x0020;
constexpr DWORD SERVICE_CONTROL_STOP = 1;
constexpr DWORD SERVICE_STOPPED = 1;
constexpr DWORD SERVICE_START_PENDING = 2;
constexpr DWORD SERVICE_RUNNING = 4;

// OpenSCManagerW(nullptr, nullptr, access); null on failure.
SC_HANDLE OpenSCManagerW(DWORD access);
// OpenServiceW(manager, name, access); null on failure.
SC_HANDLE OpenServiceW(SC_HANDLE manager, const std::wstring& name, DWORD access);
// QueryServiceStatus: the current state (SERVICE_RUNNING, ...).
bool QueryServiceStatus(SC_HANDLE service, DWORD& currentState);
// StartServiceW(service, 0, nullptr).
bool StartServiceW(SC_HANDLE service);
// ControlService(service, control, &status): the state after the control.
bool ControlService(SC_HANDLE service, DWORD control, DWORD& currentState);
bool CloseServiceHandle(SC_HANDLE handle);

// CreateProcessW(applicationPath, commandLine) with a hidden window, not waited for. The
// program is named by its full path, so no search order decides which one runs.
bool CreateProcessHidden(const std::wstring& applicationPath, const std::wstring& commandLine);

}  // namespace platform
