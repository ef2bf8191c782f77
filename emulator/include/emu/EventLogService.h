#pragma once
// The System event log's subscriptions. A subscription keeps its channel, query, callback
// and flags until it is closed.
#include <mutex>
#include <string>
#include <vector>

#include "platform/EventLog.h"

namespace emu {

struct Subscription {
  std::string channel;
  std::string query;
  void* context = nullptr;
  platform::EVT_SUBSCRIBE_CALLBACK callback = nullptr;
  DWORD flags = 0;
};

class EventLogService {
 public:
  static EventLogService& Instance();
  void Reset();
  platform::EVT_HANDLE Subscribe(Subscription subscription);
  bool Close(platform::EVT_HANDLE handle);
  std::vector<Subscription> Open() const;

 private:
  EventLogService() = default;
  mutable std::mutex mu_;
  std::vector<std::pair<Subscription*, bool>> subscriptions_;  // owned; second: open
};

}  // namespace emu
