#include "ipc/DiskEventMonitor.h"
#include "common/ModuleThread.h"

#include <cstdlib>
#include <mutex>
#include <string>

#include "ipc/DispatcherState.h"
#include "ipc/EventLogCallback.h"
#include "ipc/MsgEvent.h"
#include "platform/Clock.h"
#include "platform/EventLog.h"
#include "platform/Mutex.h"
#include "platform/Sleep.h"
#include "platform/Thread.h"

namespace diskmonitor {

const wchar_t kDiskEventQuery[] =
    L"(((Event/System[EventID = 7] or Event/System[EventID = 11] or Event/System[EventID = 51])and "
    L"Event/System/Provider[@Name='Disk'])             or ((Event/System[EventID = 161] or "
    L"Event/System[EventID = 49]) and Event/System/Provider[@Name='volmgr']))          and  "
    L"Event/System/TimeCreated[timediff(@SystemTime) <= 660000] ";

namespace {

constexpr std::uint32_t kWatchedIds[] = {7, 51, 161, 11, 49};
constexpr std::uint32_t kFinalCount = 100;
constexpr std::uint32_t kReportIntervalMs = 86400u * 1000u;

// Shared by the event-log callback thread, the report thread and shutdown.
platform::Mutex mutex;
std::map<std::uint32_t, std::uint32_t> counts;
std::map<std::uint32_t, std::uint64_t> lastSeen;

void CloseSubscription() {
  if (void* handle = dispatcher::GetState().diskEventSubscription.exchange(nullptr)) {
    platform::EvtClose(handle);
  }
}

}  // namespace

void Start() {
  platform::EVT_HANDLE handle =
      platform::EvtSubscribe(L"System", kDiskEventQuery, nullptr, &ipc::EventLogCallback,
                             platform::EvtSubscribeStartAtOldestRecord);
  if (!handle)
    return;
  {
    std::lock_guard lock(mutex);
    dispatcher::GetState().diskMonitoring = true;
    for (std::uint32_t id : kWatchedIds)
      counts[id] = 0;
  }
  // The subscription may already deliver: publish the handle after the counts exist.
  dispatcher::GetState().diskEventSubscription = handle;
  START_MODULE_THREAD([] {
    while (dispatcher::GetState().diskMonitoring) {
      CMsgEvent::GetInstance()->ReportSmartInfoDetail(true);
      if (!platform::Sleep(kReportIntervalMs))
        return;
    }
  });
}

void CountEvent(const rapidxml::xml_node<>* system) {
  const auto* idNode = system ? system->first_node("EventID") : nullptr;
  if (!idNode)
    return;
  const auto id = static_cast<std::uint32_t>(
      std::strtoul(std::string(idNode->value(), idNode->value_size()).c_str(), nullptr, 10));
  bool final = false;
  bool first = false;
  {
    std::lock_guard lock(mutex);
    auto count = counts.find(id);
    if (count != counts.end() && ++count->second == kFinalCount)
      final = true;
  }
  if (final) {
    CMsgEvent::GetInstance()->ReportSmartInfoDetail(true);
    dispatcher::GetState().diskMonitoring = false;
    CloseSubscription();
  }
  {
    std::lock_guard lock(mutex);
    first = lastSeen.find(id) == lastSeen.end();
    lastSeen[id] = static_cast<std::uint64_t>(platform::GetSystemTimeSeconds());
  }
  if (first)
    CMsgEvent::GetInstance()->ReportSmartInfoDetail(true);
}

bool TakeCount(std::uint32_t eventId, std::uint32_t& count, std::uint64_t& seen) {
  std::lock_guard lock(mutex);
  auto c = counts.find(eventId);
  count = c == counts.end() ? 0 : c->second;
  if (c != counts.end())
    c->second = 0;
  auto s = lastSeen.find(eventId);
  if (s == lastSeen.end())
    return false;
  seen = s->second;
  return true;
}

std::map<std::uint32_t, std::uint32_t> Counts() {
  std::lock_guard lock(mutex);
  return counts;
}

void ResetForTests() {
  std::lock_guard lock(mutex);
  counts.clear();
  lastSeen.clear();
}

}  // namespace diskmonitor
