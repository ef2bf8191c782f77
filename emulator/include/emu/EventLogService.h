#pragma once
// The System event log: records written by the timeline (or given by the scenario), and
// subscriptions that filter them with their query and deliver them, in order, on a callback
// thread of their own.
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "emu/EventQuery.h"
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
  // Closes every subscription and forgets the records.
  void Reset();

  // Null with the error in GetLastError when the query cannot be read.
  platform::EVT_HANDLE Subscribe(Subscription subscription);
  bool Close(platform::EVT_HANDLE handle);
  std::vector<Subscription> Open() const;

  // Appends a record (its id is given here) and delivers it to the matching subscriptions.
  void Write(EventRecord record);

  // The event XML of a delivered record.
  static std::string RenderXml(const EventRecord& record);

  class Feed;

 private:
  EventLogService() = default;
  mutable std::mutex mu_;
  std::vector<EventRecord> records_;
  std::vector<std::shared_ptr<Feed>> feeds_;
  std::uint64_t nextRecordId_ = 1;
};

}  // namespace emu
