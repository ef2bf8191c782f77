#pragma once
// Logging through the host's logger. Each macro takes the message text and logs
// "text(Qualified::Function)" with the file, line and full signature of the call site.
#include <string>

#include <log4cplus/loglevel.h>

namespace fdlog {

// "bool CMsgEvent::Register()" -> "CMsgEvent::Register".
std::string QualifiedName(const char* prettyFunction);

// The file name of a source path, without its folders (log lines do not depend on where
// the sources were built).
const char* FileName(const char* path);

void Write(log4cplus::LogLevel level, const std::string& text, const char* file, int line,
           const char* prettyFunction);

}  // namespace fdlog

#define FD_LOG_AT(level, text) \
  ::fdlog::Write((level), (text), __FILE__, __LINE__, __PRETTY_FUNCTION__)
#define LOG_DEBUG(text) FD_LOG_AT(log4cplus::DEBUG_LOG_LEVEL, text)
#define LOG_INFO(text) FD_LOG_AT(log4cplus::INFO_LOG_LEVEL, text)
#define LOG_WARN(text) FD_LOG_AT(log4cplus::WARN_LOG_LEVEL, text)
#define LOG_ERROR(text) FD_LOG_AT(log4cplus::ERROR_LOG_LEVEL, text)
