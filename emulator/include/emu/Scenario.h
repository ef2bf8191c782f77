#pragma once
// Scenario files: a virtual laptop (what differs from the healthy defaults) and a timeline
// of inputs. t = 0 is the moment the plug-in's Init is called.
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "emu/Bus.h"

namespace emu {

struct ScenarioError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct TimelineEntry {
  std::int64_t atMs = 0;
  std::string kind;  // ipc_request, broadcast, set, device_event, event_log
  nlohmann::json body;
};

struct Scenario {
  std::string name;
  std::int64_t startEpochMs = 0;
  std::int64_t runForMs = 0;
  std::optional<std::uint64_t> scheduleSeed;  // plays the threads in that seed's order
  std::vector<std::int64_t> restartsAtMs;     // the host restarts the plug-in then (sorted)
  nlohmann::json laptop;  // every key but the core ones, merged over the laptop defaults
  nlohmann::json faults;  // the failures to inject at the seams (emu/Faults.h)
  std::vector<TimelineEntry> timeline;  // sorted by time, stable
};

// Throws ScenarioError naming what is wrong and where.
Scenario ParseScenario(const std::string& jsonText, const std::string& name);
Scenario LoadScenarioFile(const std::string& path);

// The bus message of an ipc_request or broadcast input: msg, src, reply, dst (default the
// plug-in, 0x380000) and payload_hex (empty: a null payload).
BusMessage RequestMessageOf(const nlohmann::json& body);

// "2026-03-01T08:00:00Z" as milliseconds since 1970 UTC; throws ScenarioError.
std::int64_t ParseUtcTime(const std::string& text);

}  // namespace emu
