#pragma once
// Text conversions of the host's Util library. Wide text is std::wstring in memory; report
// keys and values are UTF-8. (The plug-in's own conversions are in platform/Text.h.)
#include <string>

namespace StringProc {
std::string WStringToString(const std::wstring& text);
}

namespace DE {
std::string UnicodeToUTF8(const std::wstring& text);
std::string UnicodeToANSI(const std::wstring& text);
std::wstring ANSIToUnicode(const std::string& text);
// A new narrow (ANSI) copy of the text; the caller releases it with delete[]. Null for a null
// text.
char* WcharToChar(const wchar_t* text);
}  // namespace DE
