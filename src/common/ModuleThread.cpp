#include "common/ModuleThread.h"

#include <string>
#include <system_error>

#include "common/Log.h"
#include "platform/Thread.h"

bool StartModuleThread(std::function<void()> body, std::source_location caller) {
  try {
    return platform::StartDetachedThread(std::move(body));
  } catch (const std::system_error& e) {
    fdlog::Write(log4cplus::ERROR_LOG_LEVEL,
                 "thread creation failed: " + std::to_string(e.code().value()), caller.file_name(),
                 static_cast<int>(caller.line()), caller.function_name());
    return false;
  }
}
