// Windows-1252, the virtual Windows's ANSI code page. Bytes 0x80 to 0x9F are the code page's
// typographic characters; the five it leaves undefined decode to the C1 control of the same
// number, as Windows decodes them. Every other byte is its Latin-1 character.
#include <algorithm>
#include <array>

#include "AnsiCodePage.h"
#include "Utf.h"

namespace ansi {

namespace {

constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 0x80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 0x88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 0x90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 0x98
};

char FromCodePoint(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
    return static_cast<char>(c);
  const auto found = std::find(kHigh.begin(), kHigh.end(), c);
  return found == kHigh.end() ? '?' : static_cast<char>(0x80 + (found - kHigh.begin()));
}

}  // namespace

std::wstring ToWide(const std::string& text) {
  std::wstring wide;
  wide.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    wide.push_back(static_cast<wchar_t>(byte >= 0x80 && byte < 0xA0 ? kHigh[byte - 0x80] : byte));
  }
  return wide;
}

std::string FromWide(const std::wstring& text) {
  std::string narrow;
  narrow.reserve(text.size());
  for (const char32_t c : utf::CodePoints(text))
    narrow.push_back(FromCodePoint(c));
  return narrow;
}

}  // namespace ansi
