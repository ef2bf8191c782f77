#pragma once
// Kernel object handles and CloseHandle, whatever the object (token, device, process,
// snapshot).
#include "platform/WinTypes.h"

namespace platform {

using HANDLE = void*;
inline HANDLE const INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(-1);

bool CloseHandle(HANDLE handle);

}  // namespace platform
