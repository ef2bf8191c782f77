#pragma once
// Token privileges and firmware environment variables.
#include <cstdint>
#include <string>

#include "platform/Handle.h"
#include "platform/WinTypes.h"

namespace platform {

constexpr DWORD TOKEN_ADJUST_PRIVILEGES = 0x0020;
constexpr DWORD TOKEN_QUERY = 0x0008;
constexpr DWORD SE_PRIVILEGE_ENABLED = 0x00000002;

struct LUID {
  DWORD LowPart = 0;
  std::int32_t HighPart = 0;
};

// OpenProcessToken(GetCurrentProcess(), access, &token).
bool OpenProcessToken(DWORD access, HANDLE& token);
// LookupPrivilegeValueW(nullptr, name, &luid).
bool LookupPrivilegeValueW(const std::wstring& name, LUID& luid);
// AdjustTokenPrivileges(token, FALSE, one privilege with attributes, 0, nullptr, nullptr).
bool AdjustTokenPrivileges(HANDLE token, const LUID& luid, DWORD attributes);
// SetFirmwareEnvironmentVariableA(name, guid text with braces, data, size).
bool SetFirmwareEnvironmentVariableA(const std::string& name, const std::string& guid,
                                     const void* data, DWORD size);

}  // namespace platform
