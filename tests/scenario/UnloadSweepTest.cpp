// Unloading at awkward moments: every shipped scenario (the demo laptop among them) is cut short at
// each of its timeline times plus a few offsets and at fixed points, serial and parallel.
// Every run must end cleanly: no fault line (threads inside the plug-in, threads alive,
// subscriptions open, devices left disabled, threads left behind), nothing after "unload",
// and no library left loaded; also when some of the calls the plug-in makes fail. The suite runs a
// sample; FD_UNLOAD_SWEEP=all runs every point.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <set>

#include "ScenarioRun.h"
#include "platform/Module.h"

namespace {

struct Case {
  std::string name;
  emu::Scenario scenario;
};

std::vector<Case> AllScenarios() {
  std::vector<Case> cases;
  for (const auto& entry : std::filesystem::directory_iterator(FD_SCENARIO_DIR)) {
    if (entry.path().extension() == ".json")
      cases.push_back({entry.path().filename().string(), emu::LoadScenarioFile(entry.path())});
  }
  std::sort(cases.begin(), cases.end(),
            [](const Case& a, const Case& b) { return a.name < b.name; });
  return cases;
}

bool FullSweep() {
  const char* value = std::getenv("FD_UNLOAD_SWEEP");
  return value && std::string(value) == "all";
}

// Each timeline time plus 0, 1, 1000, 2000, 5000 and 10000 ms, and the fixed points. The
// sample keeps the first two offsets, at most 24 timeline times a scenario (evenly spread),
// and the fixed points.
std::set<std::int64_t> StopPoints(const emu::Scenario& scenario) {
  std::set<std::int64_t> points = {0, 1, 200, 201, 1000, 5200, 10000, 10200, 600000};
  const std::vector<std::int64_t> offsets =
      FullSweep() ? std::vector<std::int64_t>{0, 1, 1000, 2000, 5000, 10000}
                  : std::vector<std::int64_t>{0, 1};
  const std::size_t count = scenario.timeline.size();
  const std::size_t step = FullSweep() || count <= 24 ? 1 : (count + 23) / 24;
  for (std::size_t i = 0; i < count; i += step) {
    for (std::int64_t offset : offsets)
      points.insert(scenario.timeline[i].atMs + offset);
  }
  return points;
}

std::string CheckRun(const fdhost::RunResult& run) {
  if (!run.ok)
    return "not initialised: " + run.error;
  for (const auto& line : run.transcript) {
    if (line.value("kind", "") == "fault")
      return "fault: " + line.dump();
  }
  if (run.transcript.empty())
    return "no transcript";
  if (run.transcript.back().value("op", "") != "unload")
    return "output after unload: " + run.transcript.back().dump();
  if (platform::GetModuleHandleA("DeviceFaultDetectPlugin.dll"))
    return "the plug-in is still loaded";
  if (platform::GetModuleHandleA("RtkBTReset.dll"))
    return "the Realtek library is still loaded";
  return "";
}

// faults: when given, the rules every scenario runs with instead of its own.
void Sweep(emu::RunMode mode, const nlohmann::json& faults = nullptr) {
  int runs = 0;
  for (auto& [name, scenario] : AllScenarios()) {
    if (!faults.is_null())
      scenario.faults = faults;
    for (std::int64_t stopAt : StopPoints(scenario)) {
      fdhost::RunOptions options;
      options.forMs = stopAt;
      options.mode = mode;
      const std::string problem = CheckRun(fdhost::RunScenario(scenario, options));
      EXPECT_EQ(problem, "") << name << " stopped at " << stopAt << " ms";
      ++runs;
    }
  }
  EXPECT_GT(runs, 100);
}

TEST(UnloadSweep, Serial) {
  Sweep(emu::RunMode::Deterministic);
}

TEST(UnloadSweep, Parallel) {
  Sweep(emu::RunMode::Parallel);
}

// The same stops on paths that only failures take: workers that cannot start, a device class
// without its notification, a refused post, an unheard event log and a dropped UI job.
TEST(UnloadSweep, SerialWithFailedCalls) {
  Sweep(emu::RunMode::Deterministic, nlohmann::json::parse(R"([
      {"call": "CreateThread", "from_ms": 1},
      {"call": "RegisterDeviceNotificationW", "nth": 2},
      {"call": "PostIPCMessage", "nth": 2},
      {"call": "EvtSubscribe", "nth": 1},
      {"call": "UIMainQueue::dispatch", "nth": 3}])"));
}

}  // namespace
