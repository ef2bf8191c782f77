// The disk reader's debug log. The first message of the process deletes the log file beside
// the executable; messages are written to it only at debug level 1 or 2. The host's folder is
// not the plug-in's own, so the file is never reached through a link.
#include <atomic>
#include <cstdio>
#include <mutex>

#include "common/LinkSafeFile.h"
#include "platform/Clock.h"
#include "platform/File.h"
#include "platform/Mutex.h"
#include "smart/CAtaSmart.h"

namespace smart {

namespace {
std::atomic<int> debugLevel{0};
platform::Mutex logMutex;
bool started = false;
std::uint64_t startTick = 0;
std::wstring logPath;
}  // namespace

void SetDiskDebugLevel(int level) {
  debugLevel = level;
}

void DebugPrint(const std::string& text) {
  std::lock_guard lock(logMutex);
  if (!started) {
    started = true;
    startTick = platform::GetTickCount64();
    const std::wstring exe = platform::GetProcessExecutablePathW();
    const auto dot = exe.rfind(L'.');
    if (!exe.empty()) {  // no path, no log: never a file relative to the current folder
      logPath = (dot == std::wstring::npos ? exe : exe.substr(0, dot)) + L".log";
      common::DeleteLinkSafe(logPath);
    }
  }
  const int level = debugLevel;
  if (level != 1 && level != 2)
    return;
  char stamp[16];
  std::snprintf(stamp, sizeof stamp, "%08d ",
                static_cast<int>(platform::GetTickCount64() - startTick));
  std::string line = stamp;
  for (char c : text) {
    if (c != '\r')
      line.push_back(c);
  }
  line.push_back('\n');
  if (!logPath.empty())
    common::AppendLinkSafe(logPath, line);
  if (level == 2)
    platform::ShowMessageBox(line);
}

}  // namespace smart
