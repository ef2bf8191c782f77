#pragma once
// Starting a module thread from plug-in code. Creating a thread can fail (the system is out
// of resources); the standard library then throws std::system_error. No exception may leave
// the plug-in into the host, so a thread that cannot be created is logged at ERROR in the
// name of the function that wanted it (the caller's place, taken by default), and its job
// does not run.
#include <functional>
#include <source_location>

// platform::StartDetachedThread, with a creation failure logged instead of thrown. Returns
// whether the thread runs.
bool StartModuleThread(std::function<void()> body,
                       std::source_location caller = std::source_location::current());
