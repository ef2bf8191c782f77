#pragma once
// The host's side of a run: loads the plug-in manager and the plug-in as real shared
// libraries, creates the plug-in object by class id, calls Init, plays the scenario's
// timeline on the clock, calls Uninit, unloads, and returns the transcript. At each of the
// scenario's restarts the plug-in is unloaded and loaded again at once, the laptop as it is.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "emu/Scenario.h"
#include "emu/Scheduler.h"
#include "emu/Transcript.h"

namespace fdhost {

struct RunOptions {
  std::optional<std::int64_t> forMs;  // overrides the scenario's run_for_ms
  emu::ClockMode clock = emu::ClockMode::Virtual;
  emu::RunMode mode = emu::RunMode::Deterministic;
  std::optional<std::uint64_t> seed;  // a seeded schedule; overrides the scenario's own
};

struct RunResult {
  bool ok = false;    // the plug-in was loaded, created and initialised
  std::string error;  // why not
  std::vector<emu::Line> transcript;
  std::map<std::string, std::int64_t> seamCalls;  // how often each call that can fail was made
};

RunResult RunScenario(const emu::Scenario& scenario, const RunOptions& options);

// The built-in demo laptop.
emu::Scenario DemoScenario();

}  // namespace fdhost
