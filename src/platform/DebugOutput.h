#pragma once
// OutputDebugStringW: a line for an attached debugger, not the log.
#include <string>

namespace platform {

void OutputDebugStringW(const std::wstring& text);

}  // namespace platform
