// The Util library's text conversions. On this machine the ANSI code page is UTF-8.
#include "hostapi/StringConv.h"

namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& out, char32_t c) {
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

// Code points of a wide text: UTF-32 where wchar_t has 4 bytes, UTF-16 where it has 2.
std::u32string CodePoints(const std::wstring& text) {
  std::u32string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = static_cast<char32_t>(text[i]);
    if constexpr (sizeof(wchar_t) == 2) {
      if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size()) {
        const char32_t low = static_cast<char32_t>(text[i + 1]);
        if (low >= 0xDC00 && low <= 0xDFFF) {
          c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
          ++i;
        }
      }
    }
    out.push_back(c);
  }
  return out;
}

std::wstring FromCodePoints(const std::u32string& points) {
  std::wstring out;
  out.reserve(points.size());
  for (char32_t c : points) {
    if (sizeof(wchar_t) == 2 && c >= 0x10000) {
      c -= 0x10000;
      out.push_back(static_cast<wchar_t>(0xD800 + (c >> 10)));
      out.push_back(static_cast<wchar_t>(0xDC00 + (c & 0x3FF)));
    } else {
      out.push_back(static_cast<wchar_t>(c));
    }
  }
  return out;
}

std::u32string DecodeUtf8(const std::string& text) {
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

}  // namespace

namespace StringProc {
std::string WStringToString(const std::wstring& text) {
  return DE::UnicodeToUTF8(text);
}
}  // namespace StringProc

namespace DE {

std::string UnicodeToUTF8(const std::wstring& text) {
  std::string out;
  out.reserve(text.size());
  for (char32_t c : CodePoints(text))
    AppendUtf8(out, c);
  return out;
}

std::wstring UTF8ToUnicode(const std::string& text) {
  return FromCodePoints(DecodeUtf8(text));
}

std::string UnicodeToANSI(const std::wstring& text) {
  return UnicodeToUTF8(text);
}

std::wstring ANSIToUnicode(const std::string& text) {
  return UTF8ToUnicode(text);
}

std::u16string UnicodeToUTF16(const std::wstring& text) {
  std::u16string out;
  out.reserve(text.size());
  for (char32_t c : CodePoints(text)) {
    if (c > 0x10FFFF)
      c = kReplacement;
    if (c >= 0x10000) {
      c -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(c));
    }
  }
  return out;
}

std::wstring UTF16ToUnicode(const std::u16string& units) {
  std::u32string points;
  points.reserve(units.size());
  for (std::size_t i = 0; i < units.size(); ++i) {
    char32_t c = units[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
        units[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = kReplacement;  // a lone surrogate
    }
    points.push_back(c);
  }
  return FromCodePoints(points);
}

}  // namespace DE
