#pragma once
// The one UTF-8 / UTF-16 / UTF-32 codec of the text conversions, whatever the width of
// wchar_t (4 bytes on Linux, 2 on Windows). Invalid input becomes U+FFFD.
#include <cstdint>
#include <string>

namespace utf {
inline constexpr char32_t kReplacement = 0xFFFD;

inline void AppendUtf8(std::string& out, char32_t c) {
  if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
    c = kReplacement;
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

// Appends one code point as UTF-16 units (a surrogate pair above U+FFFF).
template <class Unit>
inline void AppendUtf16(std::basic_string<Unit>& out, char32_t c) {
  if (c > 0x10FFFF)
    c = kReplacement;
  if (c >= 0x10000) {
    c -= 0x10000;
    out.push_back(static_cast<Unit>(0xD800 + (c >> 10)));
    out.push_back(static_cast<Unit>(0xDC00 + (c & 0x3FF)));
  } else {
    out.push_back(static_cast<Unit>(c));
  }
}

// Code points of UTF-16 units. A lone surrogate stays as its own value, so that wide text
// read from UTF-16 writes back to the same units, as it does where wchar_t is UTF-16; the
// UTF-8 encoder turns it into U+FFFD.
template <class Unit>
inline std::u32string DecodeUtf16(const std::basic_string<Unit>& units) {
  std::u32string out;
  out.reserve(units.size());
  for (std::size_t i = 0; i < units.size(); ++i) {
    char32_t c = static_cast<char16_t>(units[i]);
    const char32_t next = i + 1 < units.size() ? static_cast<char16_t>(units[i + 1]) : 0;
    if (c >= 0xD800 && c <= 0xDBFF && next >= 0xDC00 && next <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (next - 0xDC00);
      ++i;
    }
    out.push_back(c);
  }
  return out;
}

// Code points of a wide text: UTF-32 where wchar_t has 4 bytes, UTF-16 where it has 2.
inline std::u32string CodePoints(const std::wstring& text) {
  if constexpr (sizeof(wchar_t) == 2)
    return DecodeUtf16(text);
  std::u32string out;
  out.reserve(text.size());
  for (wchar_t c : text)
    out.push_back(static_cast<char32_t>(c));
  return out;
}

inline std::wstring FromCodePoints(const std::u32string& points) {
  std::wstring out;
  out.reserve(points.size());
  for (char32_t c : points) {
    if constexpr (sizeof(wchar_t) == 2) {
      AppendUtf16(out, c);
    } else {
      out.push_back(static_cast<wchar_t>(c));
    }
  }
  return out;
}

inline std::u32string DecodeUtf8(const std::string& text) {
  std::u32string out;
  std::size_t i = 0;
  while (i < text.size()) {
    const unsigned char b = static_cast<unsigned char>(text[i]);
    if (b < 0x80) {
      out.push_back(b);
      ++i;
      continue;
    }
    const int extra = (b >> 5) == 6 ? 1 : (b >> 4) == 14 ? 2 : (b >> 3) == 30 ? 3 : -1;
    char32_t c = extra > 0 ? b & (0x3F >> extra) : 0;
    bool ok = extra > 0 && i + extra < text.size();
    for (int k = 1; ok && k <= extra; ++k) {
      const unsigned char next = static_cast<unsigned char>(text[i + k]);
      ok = (next & 0xC0) == 0x80;
      c = (c << 6) | (next & 0x3F);
    }
    if (!ok) {
      out.push_back(kReplacement);
      ++i;
      continue;
    }
    out.push_back(c);
    i += extra + 1;
  }
  return out;
}

inline bool IsAscii(const std::string& text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80)
      return false;
  }
  return true;
}

inline bool IsAscii(const std::wstring& text) {
  for (const wchar_t c : text) {
    if (static_cast<std::uint32_t>(c) >= 0x80)
      return false;
  }
  return true;
}

}  // namespace utf
