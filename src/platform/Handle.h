#pragma once
// Kernel object handles and CloseHandle, whatever the object (token, device, process,
// snapshot).
#include "platform/WinTypes.h"

namespace platform {

using HANDLE = void*;

bool CloseHandle(HANDLE handle);

}  // namespace platform
