#include <algorithm>

#include "emu/EventLogService.h"
#include "emu/Transcript.h"
#include "hostapi/StringConv.h"
#include "platform/LastError.h"

namespace emu {

EventLogService& EventLogService::Instance() {
  static EventLogService* instance = new EventLogService();
  return *instance;
}

void EventLogService::Reset() {
  std::lock_guard lock(mu_);
  for (auto& [s, open] : subscriptions_)
    delete s;
  subscriptions_.clear();
}

platform::EVT_HANDLE EventLogService::Subscribe(Subscription subscription) {
  auto* s = new Subscription(std::move(subscription));
  Transcript::Instance().Write(
      "eventlog",
      {{"op", "subscribe"}, {"channel", s->channel}, {"query", s->query}, {"flags", s->flags}});
  std::lock_guard lock(mu_);
  subscriptions_.push_back({s, true});
  return s;
}

bool EventLogService::Close(platform::EVT_HANDLE handle) {
  std::string query;
  {
    std::lock_guard lock(mu_);
    auto it = std::find_if(subscriptions_.begin(), subscriptions_.end(),
                           [handle](const auto& e) { return e.first == handle && e.second; });
    if (it == subscriptions_.end())
      return false;
    it->second = false;  // handles stay valid memory until the next run
    query = it->first->query;
  }
  Transcript::Instance().Write("eventlog", {{"op", "close"}, {"query", query}});
  return true;
}

std::vector<Subscription> EventLogService::Open() const {
  std::lock_guard lock(mu_);
  std::vector<Subscription> out;
  for (const auto& [s, open] : subscriptions_) {
    if (open)
      out.push_back(*s);
  }
  return out;
}

}  // namespace emu

namespace platform {

EVT_HANDLE EvtSubscribe(const std::wstring& channel, const std::wstring& query, void* context,
                        EVT_SUBSCRIBE_CALLBACK callback, DWORD flags) {
  constexpr DWORD ERROR_EVT_CHANNEL_NOT_FOUND = 15007;
  constexpr DWORD ERROR_INVALID_PARAMETER = 87;
  if (DE::UnicodeToUTF8(channel) != "System") {
    SetLastError(ERROR_EVT_CHANNEL_NOT_FOUND);
    return nullptr;
  }
  if (!callback ||
      (flags != EvtSubscribeToFutureEvents && flags != EvtSubscribeStartAtOldestRecord)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return emu::EventLogService::Instance().Subscribe(
      {DE::UnicodeToUTF8(channel), DE::UnicodeToUTF8(query), context, callback, flags});
}

bool EvtClose(EVT_HANDLE handle) {
  constexpr DWORD ERROR_INVALID_HANDLE = 6;
  if (!emu::EventLogService::Instance().Close(handle)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  return true;
}

}  // namespace platform
