// The calling thread's last error, handles, debugger output and text conversions over Win32.
#include "platform/DebugOutput.h"
#include "platform/Handle.h"
#include "platform/LastError.h"
#include "platform/Text.h"

#include "Win32.h"

namespace platform {

DWORD GetLastError() {
  return ::GetLastError();
}

void SetLastError(DWORD error) {
  ::SetLastError(error);
}

bool CloseHandle(HANDLE handle) {
  return ::CloseHandle(handle) != 0;
}

void OutputDebugStringW(const std::wstring& text) {
  ::OutputDebugStringW(text.c_str());
}

std::wstring Utf8ToWide(const std::string& text) {
  if (text.empty())
    return {};
  const int size = static_cast<int>(text.size());
  const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), n);
  return wide;
}

// A wide character is a UTF-16 code unit on Windows: the conversions copy.
std::u16string WideToUtf16(const std::wstring& text) {
  return std::u16string(text.begin(), text.end());
}

std::wstring Utf16ToWide(const std::u16string& units) {
  return std::wstring(units.begin(), units.end());
}

}  // namespace platform
