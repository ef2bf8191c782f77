// Token privileges and firmware environment variables over Win32 (advapi32, kernel32).
#include "platform/Security.h"

#include "Win32.h"

namespace platform {

bool OpenProcessToken(DWORD access, HANDLE& token) {
  ::HANDLE opened = nullptr;
  if (!::OpenProcessToken(GetCurrentProcess(), access, &opened))
    return false;
  token = opened;
  return true;
}

bool LookupPrivilegeValueW(const std::wstring& name, LUID& luid) {
  ::LUID value{};
  if (!::LookupPrivilegeValueW(nullptr, name.c_str(), &value))
    return false;
  luid.LowPart = value.LowPart;
  luid.HighPart = value.HighPart;
  return true;
}

bool AdjustTokenPrivileges(HANDLE token, const LUID& luid, DWORD attributes) {
  TOKEN_PRIVILEGES privileges{};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Luid.LowPart = luid.LowPart;
  privileges.Privileges[0].Luid.HighPart = luid.HighPart;
  privileges.Privileges[0].Attributes = attributes;
  return ::AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr) != 0;
}

bool SetFirmwareEnvironmentVariableA(const std::string& name, const std::string& guid,
                                     const void* data, DWORD size) {
  return ::SetFirmwareEnvironmentVariableA(name.c_str(), guid.c_str(), const_cast<void*>(data),
                                           size) != 0;
}

}  // namespace platform
