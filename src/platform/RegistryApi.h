#pragma once
// Reading the registry with the Win32 calls: open a key, ask for its sizes, enumerate its
// subkeys and values, close it. Names are wide text; value data comes as Windows stores it
// (REG_SZ: UTF-16LE code units with the terminating NUL, REG_DWORD: four bytes little-endian).
// Every call returns a Win32 error number (ERROR_SUCCESS on success).
#include <cstdint>

#include "platform/WinTypes.h"

namespace platform {

using HKEY = void*;
using LSTATUS = long;

inline HKEY const HKEY_LOCAL_MACHINE = reinterpret_cast<HKEY>(0x80000002);
inline HKEY const HKEY_USERS = reinterpret_cast<HKEY>(0x80000003);

constexpr DWORD KEY_READ = 0x20019;
constexpr DWORD KEY_WRITE = 0x20006;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_EXPAND_SZ = 2;
constexpr DWORD REG_DWORD = 4;

// RegOpenKeyExW(root, subKey, 0, access, &key).
LSTATUS RegOpenKeyExW(HKEY root, const wchar_t* subKey, DWORD options, DWORD access, HKEY* key);

// RegQueryInfoKeyW with only the counts asked for (the other arguments null): the numbers of
// subkeys and values. Either pointer may be null.
LSTATUS RegQueryInfoKeyW(HKEY key, DWORD* subKeys, DWORD* values);

// RegEnumKeyExW(key, index, name, &nameLength, 0, 0, 0, 0). nameLength: in, the buffer's
// size in characters; out, the name's length without its NUL. ERROR_MORE_DATA when the name
// and its NUL do not fit, ERROR_NO_MORE_ITEMS past the last subkey.
LSTATUS RegEnumKeyExW(HKEY key, DWORD index, wchar_t* name, DWORD* nameLength);

// RegEnumValueW(key, index, name, &nameLength, 0, &type, data, &dataSize). The name as for
// RegEnumKeyExW; dataSize in bytes, in and out. ERROR_MORE_DATA when the name or the data
// does not fit.
LSTATUS RegEnumValueW(HKEY key, DWORD index, wchar_t* name, DWORD* nameLength, DWORD* type,
                      std::uint8_t* data, DWORD* dataSize);

// RegQueryValueExW(key, name, nullptr, &type, data, &dataSize): dataSize in bytes, in and
// out. ERROR_FILE_NOT_FOUND when there is no such value, ERROR_MORE_DATA (and the size
// needed) when the data does not fit.
LSTATUS RegQueryValueExW(HKEY key, const wchar_t* name, DWORD* type, std::uint8_t* data,
                         DWORD* dataSize);

LSTATUS RegCloseKey(HKEY key);

// Writing, for the host's registry helper (the plug-in writes through that helper).

// RegCreateKeyExW(root, subKey, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, &key,
// nullptr): opens the key, creating it and any missing key above it.
LSTATUS RegCreateKeyExW(HKEY root, const wchar_t* subKey, DWORD access, HKEY* key);

// RegSetValueExW(key, name, 0, type, data, size): data as Windows stores it (see above).
LSTATUS RegSetValueExW(HKEY key, const wchar_t* name, DWORD type, const std::uint8_t* data,
                       DWORD size);

// RegDeleteTreeW(root, subKey): the key with its values and everything below it.
// ERROR_FILE_NOT_FOUND when there is no such key.
LSTATUS RegDeleteTreeW(HKEY root, const wchar_t* subKey);

}  // namespace platform
