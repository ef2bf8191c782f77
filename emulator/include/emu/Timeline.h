#pragma once
// Plays timeline entries into the virtual laptop: requests and broadcasts onto the bus,
// fact changes into the laptop. Each input is written to the transcript as an input line.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "emu/Bus.h"
#include "emu/Scenario.h"

namespace emu {

// An event-log record from a timeline entry written at timeMs ("minutes_ago" dates it back).
struct EventRecord;
EventRecord RecordOf(const nlohmann::json& body, std::int64_t timeMs);

class Timeline {
 public:
  Timeline();
  ~Timeline();  // leaves the bus with every requester it joined
  Timeline(const Timeline&) = delete;
  Timeline& operator=(const Timeline&) = delete;

  void Apply(const TimelineEntry& entry);

  // Called after a "set" input that changed a fact whose path starts with the prefix (the
  // host's runner lays the configuration file anew when "config" facts change).
  void OnFactsChanged(std::string prefix, std::function<void()> hook);

  // Replies that reached a requester (client id) so far.
  std::size_t RepliesTo(std::uint32_t clientId) const;

 private:
  Requester& RequesterFor(std::uint32_t clientId);
  std::map<std::uint32_t, std::unique_ptr<Requester>> requesters_;
  std::unique_ptr<BusEndpoint> popupClient_;  // the host's pop-up client 0x40000
  std::vector<std::pair<std::string, std::function<void()>>> factHooks_;
};

}  // namespace emu
