#pragma once
// Starting a module thread from plug-in code. Creating a thread can fail (the system is out
// of resources); the standard library then throws std::system_error. No exception may leave
// the plug-in into the host, so a thread that cannot be created is logged at ERROR in the
// name of the function that wanted it, and its job does not run.
#include <functional>

namespace fdthread {

// Where a thread was asked for, as a log line names it. (std::source_location would do, but
// the clang the fuzz targets build with has no support for it.)
struct CallSite {
  const char* file;
  int line;
  const char* prettyFunction;
};

// platform::StartDetachedThread, with a creation failure logged instead of thrown. Returns
// whether the thread runs.
bool Start(std::function<void()> body, const CallSite& caller);

}  // namespace fdthread

#define FD_CALL_SITE (::fdthread::CallSite{__FILE__, __LINE__, __PRETTY_FUNCTION__})
// Variadic so that a lambda with several captures passes as one argument.
#define START_MODULE_THREAD(...) ::fdthread::Start((__VA_ARGS__), FD_CALL_SITE)
