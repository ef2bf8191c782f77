#pragma once
// Starting a module thread from plug-in code. Creating a thread can fail (the system is out
// of resources); the standard library then throws std::system_error. No exception may leave
// the plug-in into the host, so a thread that cannot be created is logged at ERROR in the
// name of the function that wanted it, and its job does not run.
#include <functional>

namespace fdthread {

// platform::StartDetachedThread, with a creation failure logged instead of thrown. Returns
// whether the thread runs.
bool Start(std::function<void()> body, const char* file, int line, const char* prettyFunction);

}  // namespace fdthread

// Variadic so that a lambda with several captures passes as one argument.
#define START_MODULE_THREAD(...) \
  ::fdthread::Start((__VA_ARGS__), __FILE__, __LINE__, __PRETTY_FUNCTION__)
