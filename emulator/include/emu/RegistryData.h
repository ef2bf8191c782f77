#pragma once
// Registry value data as Windows stores it: REG_SZ and REG_EXPAND_SZ text as UTF-16LE code
// units with the terminating NUL, REG_DWORD as four bytes little-endian.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Text.h"

namespace emu {

inline std::vector<std::uint8_t> RegistryTextBytes(const std::wstring& text) {
  std::u16string units = platform::WideToUtf16(text);
  units.push_back(0);
  std::vector<std::uint8_t> bytes;
  bytes.reserve(units.size() * 2);
  for (const char16_t unit : units) {
    bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  return bytes;
}

// The text of REG_SZ data, without its terminating NULs (an odd last byte is ignored).
inline std::wstring RegistryText(const std::uint8_t* data, std::size_t size) {
  std::u16string units;
  for (std::size_t i = 0; i + 1 < size; i += 2)
    units.push_back(static_cast<char16_t>(data[i] | data[i + 1] << 8));
  while (!units.empty() && units.back() == 0)
    units.pop_back();
  return platform::Utf16ToWide(units);
}

inline std::vector<std::uint8_t> RegistryDwordBytes(std::uint32_t value) {
  return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
          static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

inline std::uint32_t RegistryDword(const std::uint8_t* data) {
  return std::uint32_t{data[0]} | std::uint32_t{data[1]} << 8 | std::uint32_t{data[2]} << 16 |
         std::uint32_t{data[3]} << 24;
}

}  // namespace emu
