#pragma once
// Windows scalar types and error numbers the plug-in branches on, as plain C++.
#include <cstdint>

#if defined(_WIN32)
// Windows's own definitions (a module handle is a pointer to HINSTANCE__ there), so that a
// backend file can include <windows.h> after this header and both agree.
struct HINSTANCE__;
using DWORD = unsigned long;
using LONG = long;
using BOOL = int;
using HMODULE = HINSTANCE__*;
using FARPROC = long long (*)();
#else
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using BOOL = int;
using HMODULE = void*;
using FARPROC = void (*)();
#endif
static_assert(sizeof(DWORD) == 4 && sizeof(LONG) == 4);

namespace platform {
// GUID.
struct Guid {
  std::uint32_t data1;
  std::uint16_t data2;
  std::uint16_t data3;
  std::uint8_t data4[8];
  bool operator==(const Guid&) const = default;
};
static_assert(sizeof(Guid) == 16);
}  // namespace platform

constexpr DWORD ERROR_SUCCESS = 0;
constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
constexpr DWORD ERROR_PATH_NOT_FOUND = 3;
constexpr DWORD ERROR_ACCESS_DENIED = 5;
constexpr DWORD ERROR_INVALID_HANDLE = 6;
constexpr DWORD ERROR_INVALID_DATA = 13;
constexpr DWORD ERROR_NO_MORE_FILES = 18;
constexpr DWORD ERROR_BAD_LENGTH = 24;
constexpr DWORD ERROR_INVALID_PARAMETER = 87;
constexpr DWORD ERROR_INSUFFICIENT_BUFFER = 122;
constexpr DWORD ERROR_MORE_DATA = 234;
constexpr DWORD ERROR_MOD_NOT_FOUND = 126;
constexpr DWORD ERROR_PROC_NOT_FOUND = 127;
constexpr DWORD ERROR_NO_MORE_ITEMS = 259;

constexpr DWORD LOAD_WITH_ALTERED_SEARCH_PATH = 0x00000008;
