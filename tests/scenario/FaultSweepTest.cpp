// The fault sweep: every shipped scenario is run once to count the seam calls it makes, then
// again failing call number N of each call that can fail. Whatever fails, the run ends with
// the host's unload and no fault line (nothing left open, disabled or running), and nothing
// crashes, hangs or throws into the host. In CI each call's first and last number are
// failed; FD_FAULT_SWEEP=all fails every number up to 25 (./run.sh faults).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <set>

#include "ScenarioRun.h"
#include "emu/Faults.h"

namespace {

std::vector<std::int64_t> NumbersToFail(std::int64_t count) {
  const bool all =
      std::getenv("FD_FAULT_SWEEP") && std::string(std::getenv("FD_FAULT_SWEEP")) == "all";
  std::vector<std::int64_t> out;
  if (all) {
    for (std::int64_t n = 1; n <= std::min<std::int64_t>(count, 25); ++n)
      out.push_back(n);
  } else {
    out.push_back(1);
    if (count > 1)
      out.push_back(count);
  }
  return out;
}

TEST(FaultSweep, EveryShippedScenarioSurvivesEachFailedCall) {
  std::set<std::string> failable;
  for (const auto& point : emu::FaultPoints())
    failable.emplace(point.call);
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(FD_SCENARIO_DIR)) {
    if (entry.path().extension() == ".json")
      files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  int runs = 0;
  for (const auto& file : files) {
    auto scenario = emu::LoadScenarioFile(file.string());
    const auto counted = fdhost::RunScenario(scenario, {});
    ASSERT_TRUE(counted.ok) << file;
    for (const auto& [call, count] : counted.seamCalls) {
      if (!failable.count(call))
        continue;
      for (const std::int64_t n : NumbersToFail(count)) {
        scenario.faults = nlohmann::json::array({{{"call", call}, {"nth", n}}});
        const auto run = fdhost::RunScenario(scenario, {});
        ++runs;
        const std::string what =
            file.filename().string() + " failing " + call + " #" + std::to_string(n);
        EXPECT_EQ(OfKind(run, "fault_injected").size(), 1u) << what;
        for (const auto& fault : OfKind(run, "fault"))
          ADD_FAILURE() << what << ": " << fault.dump();
        // The module itself may be what failed to load; otherwise the host unloads it.
        if (run.ok) {
          EXPECT_EQ(run.transcript.back().value("op", ""), "unload") << what;
        }
      }
    }
  }
  RecordProperty("runs", runs);
  EXPECT_GT(runs, 100);
}

}  // namespace
