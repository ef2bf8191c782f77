#pragma once
// The Windows SDK headers for the backend's files. Include them after the platform headers:
// the seam declares Windows's names (WAIT_TIMEOUT, KEY_READ, ...) as constants of its own, and
// the SDK's macros of the same names would rewrite those declarations. Inside the backend the
// SDK's macros then stand for the same numbers.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace platform {
// The module's stop (a manual-reset event): every wait of the plug-in also waits on it.
HANDLE ModuleStopEvent();
}  // namespace platform
