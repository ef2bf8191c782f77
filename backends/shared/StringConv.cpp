// The Util library's text conversions over the shared codec; the ANSI ones in the code page
// of the Windows beneath (AnsiCodePage.h).
#include <algorithm>

#include "AnsiCodePage.h"
#include "Utf.h"
#include "hostapi/StringConv.h"

using namespace utf;

namespace StringProc {
std::string WStringToString(const std::wstring& text) {
  return DE::UnicodeToUTF8(text);
}
}  // namespace StringProc

namespace DE {

std::string UnicodeToUTF8(const std::wstring& text) {
  if (IsAscii(text))  // most texts: one byte per character, no decoding
    return std::string(text.begin(), text.end());
  std::string out;
  out.reserve(text.size());
  for (char32_t c : CodePoints(text))
    AppendUtf8(out, c);
  return out;
}

std::string UnicodeToANSI(const std::wstring& text) {
  return ansi::FromWide(text);
}

char* WcharToChar(const wchar_t* text) {
  if (!text)
    return nullptr;
  const std::string narrow = UnicodeToANSI(text);
  char* copy = new char[narrow.size() + 1];
  std::copy(narrow.begin(), narrow.end(), copy);
  copy[narrow.size()] = '\0';
  return copy;
}

std::wstring ANSIToUnicode(const std::string& text) {
  return ansi::ToWide(text);
}

}  // namespace DE
