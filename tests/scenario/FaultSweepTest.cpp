// The fault sweep: every shipped scenario is run once to count the seam calls it makes, then
// again failing call number N of each call that can fail. Whatever fails, the run ends with
// the host's unload and no fault line (nothing left open, disabled or running), and nothing
// crashes, hangs or throws into the host. In CI each call's first and last number are
// failed; FD_FAULT_SWEEP=all fails every number up to 25 (./run.sh faults).
#include <gtest/gtest.h>

#include <cstdlib>

#include "FaultSweep.h"
#include "ScenarioRun.h"

namespace {

std::vector<std::int64_t> NumbersToFail(std::int64_t count) {
  const char* sweep = std::getenv("FD_FAULT_SWEEP");
  std::vector<std::int64_t> out;
  if (sweep && std::string(sweep) == "all") {
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
  const int runs = SweepFaults(
      ShippedScenarios(), NumbersToFail, [](const std::string& what, const fdhost::RunResult& run) {
        EXPECT_EQ(OfKind(run, "fault_injected").size(), 1u) << what;
        for (const auto& fault : OfKind(run, "fault"))
          ADD_FAILURE() << what << ": " << fault.dump();
        // The module itself may be what failed to load; otherwise the host unloads it.
        if (run.ok) {
          EXPECT_EQ(run.transcript.back().value("op", ""), "unload") << what;
        }
      });
  RecordProperty("runs", runs);
  EXPECT_GT(runs, 100);
}

}  // namespace
