#pragma once
// Text conversions of the host's Util library. Wide text is std::wstring in memory;
// the IPC wire form is UTF-16 code units; report keys and values are UTF-8.
#include <string>

namespace StringProc {
std::string WStringToString(const std::wstring& text);
}

namespace DE {
std::string UnicodeToUTF8(const std::wstring& text);
std::wstring UTF8ToUnicode(const std::string& text);
std::string UnicodeToANSI(const std::wstring& text);
std::wstring ANSIToUnicode(const std::string& text);
// UTF-16 code units of the text (surrogate pairs for characters above U+FFFF).
std::u16string UnicodeToUTF16(const std::wstring& text);
std::wstring UTF16ToUnicode(const std::u16string& units);
}  // namespace DE
