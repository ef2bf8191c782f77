#pragma once
// Threads of the plug-in and the module's stop. CreateThread + CloseHandle; the stop is a
// manual-reset event that every wait of the plug-in also waits on, and the join waits on the
// handles of the threads still running.
#include <functional>

namespace platform {

// Starts a detached thread running body. The thread counts as one of the module's threads:
// StopModuleThreads ends its waits early and JoinModuleThreads waits for it to return.
// Returns false, without running body, while the module stops. Throws std::system_error
// when the thread cannot be created.
bool StartDetachedThread(std::function<void()> body);

// The first step of the module's stop: every wait of the plug-in, on any thread, ends early
// (Sleep returns false) and new module threads are refused. Returns at once.
void StopModuleThreads();
// Returns once every module thread has returned. Never call it from a module thread.
void JoinModuleThreads();
// Lets threads start and waits run their full length again (a new life of the plug-in).
void RestartModuleThreads();

}  // namespace platform
