#include "common/ModuleThread.h"

#include <string>
#include <system_error>

#include "common/Log.h"
#include "platform/Thread.h"

namespace fdthread {

bool Start(std::function<void()> body, const CallSite& caller) {
  try {
    return platform::StartDetachedThread(std::move(body));
  } catch (const std::system_error& e) {
    fdlog::Write(log4cplus::ERROR_LOG_LEVEL,
                 "thread creation failed: " + std::to_string(e.code().value()), caller.file,
                 caller.line, caller.prettyFunction);
    return false;
  }
}

}  // namespace fdthread
