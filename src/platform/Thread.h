#pragma once
// Threads of the plug-in. CreateThread + CloseHandle (std::thread + detach).
#include <functional>

namespace platform {

// Starts a detached thread running body. The thread counts as one of the module's
// threads: unloading the module ends its waits early and waits for it to return.
// Throws std::system_error when the thread cannot be created.
void StartDetachedThread(std::function<void()> body);

// Called by the module's detach hook before its code goes away: ends the pending waits of
// the module's threads, refuses new ones and returns once every module thread has returned.
void ShutdownModuleThreads();

}  // namespace platform
