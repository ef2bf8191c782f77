#include "common/Log.h"

#include <cstring>

#include <log4cplus/tstring.h>

#include "hostapi/HostLogger.h"

namespace fdlog {

std::string QualifiedName(const char* prettyFunction) {
  const std::string sig = prettyFunction ? prettyFunction : "";
  // The parameter list opens at the first '(' outside template brackets, except for
  // operator() whose own name holds one.
  int depth = 0;
  std::size_t open = std::string::npos;
  for (std::size_t i = 0; i < sig.size(); ++i) {
    const char c = sig[i];
    if (c == '<')
      ++depth;
    if (c == '>' && depth > 0)
      --depth;
    if (c == '(' && depth == 0) {
      if (i >= 8 && sig.compare(i - 8, 8, "operator") == 0)
        continue;
      open = i;
      break;
    }
  }
  if (open == std::string::npos)
    return sig;
  // The name begins after the last blank outside template brackets before it.
  depth = 0;
  std::size_t begin = 0;
  for (std::size_t i = open; i-- > 0;) {
    const char c = sig[i];
    if (c == '>')
      ++depth;
    if (c == '<' && depth > 0)
      --depth;
    if (c == ' ' && depth == 0) {
      begin = i + 1;
      break;
    }
  }
  std::string name = sig.substr(begin, open - begin);
  while (!name.empty() && (name.front() == '*' || name.front() == '&'))
    name.erase(0, 1);
  return name;
}

const char* FileName(const char* path) {
  if (!path)
    return "";
  const char* name = path;
  for (const char* p = path; *p; ++p) {
    if (*p == '/' || *p == '\\')
      name = p + 1;
  }
  return name;
}

void Write(log4cplus::LogLevel level, const std::string& text, const char* file, int line,
           const char* prettyFunction) {
  log4cplus::Logger logger = GetLogger();
  if (!logger.isEnabledFor(level))
    return;
  // The logger's own text type: narrow here, wide in a Unicode build (as on Windows).
  logger.forcedLog(level,
                   LOG4CPLUS_STRING_TO_TSTRING(text + "(" + QualifiedName(prettyFunction) + ")"),
                   FileName(file), line, prettyFunction);
}

}  // namespace fdlog
