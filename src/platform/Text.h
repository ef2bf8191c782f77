#pragma once
// Text conversions the plug-in does itself, at the edges where Windows code calls the
// system: UTF-8 to wide text (MultiByteToWideChar with CP_UTF8), and wide text to and from
// UTF-16 code units (the identity on Windows, where wchar_t is a UTF-16 unit). Invalid input
// becomes U+FFFD, as MultiByteToWideChar without MB_ERR_INVALID_CHARS does.
#include <string>

namespace platform {

std::wstring Utf8ToWide(const std::string& text);
std::u16string WideToUtf16(const std::wstring& text);
std::wstring Utf16ToWide(const std::u16string& units);

}  // namespace platform
