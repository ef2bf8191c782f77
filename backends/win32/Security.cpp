// Token privileges and firmware environment variables over Win32 (advapi32, kernel32).
// Under wine, which has no firmware variables, writing one fails as on a machine without UEFI.
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

namespace {

// Wine exports SetFirmwareEnvironmentVariableA as a stub that ends the process when called.
bool UnderWine() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll && ::GetProcAddress(ntdll, "wine_get_version");
}

}  // namespace

bool SetFirmwareEnvironmentVariableA(const std::string& name, const std::string& guid,
                                     const void* data, DWORD size) {
  if (UnderWine()) {
    // As Windows answers on a machine without UEFI firmware.
    ::SetLastError(ERROR_INVALID_FUNCTION);
    return false;
  }
  return ::SetFirmwareEnvironmentVariableA(name.c_str(), guid.c_str(), const_cast<void*>(data),
                                           size) != 0;
}

}  // namespace platform
