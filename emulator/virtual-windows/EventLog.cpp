#include <algorithm>
#include <cstring>
#include <ctime>

#include "emu/EventLogService.h"
#include "emu/Faults.h"
#include "emu/Laptop.h"
#include "emu/Mailbox.h"
#include "emu/Scheduler.h"
#include "emu/Transcript.h"
#include "hostapi/StringConv.h"
#include "platform/LastError.h"
#include "platform/Text.h"

namespace emu {

namespace {
constexpr DWORD ERROR_EVT_INVALID_QUERY = 15001;

std::int64_t NowEpochMs() {
  return Laptop::Instance().StartEpochMs() + Scheduler::Instance().NowNs() / 1000000;
}
}  // namespace

// One subscription: its filter, and its records delivered in order on a callback thread.
class EventLogService::Feed {
 public:
  Feed(Subscription s, EventQuery q)
      : subscription(std::move(s)),
        query(std::move(q)),
        mailbox_(
            [this](EventRecord& record) {
              // Read before the call: the callback may close, and so destroy, this feed.
              const auto callback = subscription.callback;
              callback(platform::EvtSubscribeActionDeliver, subscription.context, &record);
            },
            "event-log callback thread") {}

  void Push(const EventRecord& record) { mailbox_.Push(record); }
  // No callback runs once Close returns (unless Close is called from the callback itself).
  void Close() { mailbox_.Close(); }

  const Subscription subscription;
  const EventQuery query;

 private:
  Mailbox<EventRecord> mailbox_;
};

EventLogService& EventLogService::Instance() {
  static EventLogService* instance = new EventLogService();
  return *instance;
}

void EventLogService::Reset() {
  std::vector<std::shared_ptr<Feed>> feeds;
  {
    std::lock_guard lock(mu_);
    feeds.swap(feeds_);
    records_.clear();
    nextRecordId_ = 1;
  }
  for (auto& f : feeds)
    f->Close();
}

platform::EVT_HANDLE EventLogService::Subscribe(Subscription subscription) {
  std::shared_ptr<Feed> feed;
  try {
    feed = std::make_shared<Feed>(subscription, EventQuery(subscription.query));
  } catch (const QueryError& e) {
    Transcript::Instance().Write(
        "eventlog", {{"op", "subscribe"}, {"query", subscription.query}, {"error", e.what()}});
    platform::SetLastError(ERROR_EVT_INVALID_QUERY);
    return nullptr;
  }
  Transcript::Instance().Write("eventlog", {{"op", "subscribe"},
                                            {"channel", subscription.channel},
                                            {"query", subscription.query},
                                            {"flags", subscription.flags}});
  std::vector<EventRecord> backlog;
  {
    std::lock_guard lock(mu_);
    feeds_.push_back(feed);
    if (subscription.flags == platform::EvtSubscribeStartAtOldestRecord)
      backlog = records_;
  }
  const std::int64_t now = NowEpochMs();
  for (const auto& r : backlog) {
    if (r.channel == feed->subscription.channel && feed->query.Matches(r, now))
      feed->Push(r);
  }
  return feed.get();
}

bool EventLogService::Close(platform::EVT_HANDLE handle) {
  std::shared_ptr<Feed> feed;
  {
    std::lock_guard lock(mu_);
    auto it = std::find_if(feeds_.begin(), feeds_.end(),
                           [handle](const auto& f) { return f.get() == handle; });
    if (it == feeds_.end())
      return false;
    feed = *it;
    feeds_.erase(it);
  }
  // Like EvtClose: returns once no callback of the subscription runs, unless it is called
  // from that callback, whose thread then leaves on its own.
  feed->Close();
  Transcript::Instance().Write("eventlog", {{"op", "close"}, {"query", feed->subscription.query}});
  return true;
}

std::vector<Subscription> EventLogService::Open() const {
  std::lock_guard lock(mu_);
  std::vector<Subscription> out;
  for (const auto& f : feeds_)
    out.push_back(f->subscription);
  return out;
}

void EventLogService::Write(EventRecord record) {
  std::vector<std::shared_ptr<Feed>> feeds;
  {
    std::lock_guard lock(mu_);
    record.recordId = nextRecordId_++;
    records_.push_back(record);
    feeds = feeds_;
  }
  const std::int64_t now = NowEpochMs();
  for (auto& f : feeds) {
    if (record.channel == f->subscription.channel && f->query.Matches(record, now))
      f->Push(record);
  }
}

std::string EventLogService::RenderXml(const EventRecord& r) {
  if (!r.xml.empty())
    return r.xml;
  const std::time_t seconds = static_cast<std::time_t>(r.timeMs / 1000);
  std::tm tm{};
  gmtime_r(&seconds, &tm);
  char stamp[64];
  std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02dT%02d:%02d:%02d.%03d0000Z", tm.tm_year + 1900,
                tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec,
                static_cast<int>(r.timeMs % 1000));
  return "<Event xmlns='http://schemas.microsoft.com/win/2004/08/events/event'><System>"
         "<Provider Name='" +
         r.provider + "'/><EventID Qualifiers='49156'>" + std::to_string(r.eventId) +
         "</EventID><Version>0</Version><Level>3</Level><Task>0</Task><Opcode>0</Opcode>"
         "<Keywords>0x80000000000000</Keywords><TimeCreated SystemTime='" +
         stamp + "'/><EventRecordID>" + std::to_string(r.recordId) +
         "</EventRecordID><Correlation/><Execution ProcessID='4' ThreadID='212'/><Channel>" +
         r.channel +
         "</Channel><Computer>VELMORA-BOOK</Computer><Security/></System><EventData>"
         "<Data>\\Device\\Harddisk0\\DR0</Data></EventData></Event>";
}

}  // namespace emu

namespace platform {

EVT_HANDLE EvtSubscribe(const std::wstring& channel, const std::wstring& query, void* context,
                        EVT_SUBSCRIBE_CALLBACK callback, DWORD flags) {
  constexpr DWORD ERROR_EVT_CHANNEL_NOT_FOUND = 15007;
  if (const auto error = emu::InjectedFault(emu::FaultOf("EvtSubscribe"), [&] {
        return DE::UnicodeToUTF8(channel) + " " + DE::UnicodeToUTF8(query);
      })) {
    SetLastError(static_cast<DWORD>(*error));
    return nullptr;
  }
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
  if (!emu::EventLogService::Instance().Close(handle)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  return true;
}

bool EvtRender(EVT_HANDLE event, DWORD flags, DWORD bufferSize, wchar_t* buffer,
               DWORD* bufferUsed) {
  const auto* record = static_cast<const emu::EventRecord*>(event);
  if (!record || flags != EvtRenderEventXml) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  if (record->renderError) {
    SetLastError(record->renderError);
    return false;
  }
  if (const auto error = emu::InjectedFault(emu::FaultOf("EvtRender"))) {
    SetLastError(static_cast<DWORD>(*error));
    return false;
  }
  if (!record->rendered) {
    record->rendered = std::make_shared<const std::wstring>(
        platform::Utf8ToWide(emu::EventLogService::RenderXml(*record)));
  }
  const std::wstring& xml = *record->rendered;
  const DWORD needed = static_cast<DWORD>((xml.size() + 1) * sizeof(wchar_t));
  if (bufferUsed)
    *bufferUsed = needed;
  if (!buffer || bufferSize < needed) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return false;
  }
  std::memcpy(buffer, xml.c_str(), needed);
  SetLastError(0);
  return true;
}

}  // namespace platform
