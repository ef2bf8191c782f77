// The registry over Win32 (advapi32). The seam's key handle is an opaque pointer, as
// Windows's is; the error numbers are Windows's own.
#include "platform/RegistryApi.h"

#include "Win32.h"

namespace platform {

namespace {
::HKEY Key(HKEY key) {
  return static_cast<::HKEY>(key);
}
}  // namespace

LSTATUS RegOpenKeyExW(HKEY root, const wchar_t* subKey, DWORD options, DWORD access, HKEY* key) {
  ::HKEY opened = nullptr;
  const LSTATUS status = ::RegOpenKeyExW(Key(root), subKey, options, access, &opened);
  *key = status == ERROR_SUCCESS ? opened : nullptr;
  return status;
}

LSTATUS RegQueryInfoKeyW(HKEY key, DWORD* subKeys, DWORD* values) {
  return ::RegQueryInfoKeyW(Key(key), nullptr, nullptr, nullptr, subKeys, nullptr, nullptr, values,
                            nullptr, nullptr, nullptr, nullptr);
}

LSTATUS RegEnumKeyExW(HKEY key, DWORD index, wchar_t* name, DWORD* nameLength) {
  return ::RegEnumKeyExW(Key(key), index, name, nameLength, nullptr, nullptr, nullptr, nullptr);
}

LSTATUS RegEnumValueW(HKEY key, DWORD index, wchar_t* name, DWORD* nameLength, DWORD* type,
                      std::uint8_t* data, DWORD* dataSize) {
  return ::RegEnumValueW(Key(key), index, name, nameLength, nullptr, type, data, dataSize);
}

LSTATUS RegQueryValueExW(HKEY key, const wchar_t* name, DWORD* type, std::uint8_t* data,
                         DWORD* dataSize) {
  return ::RegQueryValueExW(Key(key), name, nullptr, type, data, dataSize);
}

LSTATUS RegCloseKey(HKEY key) {
  return ::RegCloseKey(Key(key));
}

LSTATUS RegCreateKeyExW(HKEY root, const wchar_t* subKey, DWORD access, HKEY* key) {
  ::HKEY created = nullptr;
  const LSTATUS status = ::RegCreateKeyExW(Key(root), subKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                           access, nullptr, &created, nullptr);
  *key = status == ERROR_SUCCESS ? created : nullptr;
  return status;
}

LSTATUS RegSetValueExW(HKEY key, const wchar_t* name, DWORD type, const std::uint8_t* data,
                       DWORD size) {
  return ::RegSetValueExW(Key(key), name, 0, type, data, size);
}

LSTATUS RegDeleteTreeW(HKEY root, const wchar_t* subKey) {
  return ::RegDeleteTreeW(Key(root), subKey);
}

}  // namespace platform
