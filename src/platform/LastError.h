#pragma once
// GetLastError / SetLastError: the calling thread's last Windows error number.
#include "platform/WinTypes.h"

namespace platform {
DWORD GetLastError();
void SetLastError(DWORD error);
}  // namespace platform
