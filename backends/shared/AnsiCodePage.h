#pragma once
// The ANSI code page of the Windows the host's libraries run on: what "A" calls take and
// give, and what the host's ANSI conversions decode. The virtual Windows's is Windows-1252
// (Western European); the Windows build asks Windows for its own.
#include <string>

namespace ansi {

// MultiByteToWideChar(CP_ACP, 0, ...).
std::wstring ToWide(const std::string& text);
// WideCharToMultiByte(CP_ACP, 0, ...): a character the code page lacks becomes "?".
std::string FromWide(const std::wstring& text);

}  // namespace ansi
