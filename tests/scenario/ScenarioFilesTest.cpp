// The example scenarios shipped in scenarios/ run and do what their descriptions say.
#include <gtest/gtest.h>

#include "ScenarioRun.h"

namespace {

fdhost::RunResult RunFile(const std::string& name) {
  return fdhost::RunScenario(emu::LoadScenarioFile(std::string(FD_SCENARIO_DIR) + "/" + name), {});
}

TEST(ScenarioFiles, RequestsTour) {
  const auto run = RunFile("requests-tour.json");
  ASSERT_TRUE(run.ok) << run.error;
  const auto ipc = OfKind(run, "ipc");
  ASSERT_EQ(ipc.size(), 4u);
  EXPECT_EQ(ipc[0]["payload_hex"], "01000000ffffffff0000");
  EXPECT_EQ(ipc[1]["payload_hex"], "01000000010000000100");
  EXPECT_EQ(ipc[2]["payload_hex"], "0100000001000000");
  EXPECT_EQ(ipc[3]["payload_hex"], "0100000002000000");
  EXPECT_EQ(OfKind(run, "device").size(), 1u);
}

TEST(ScenarioFiles, DemoLaptopRunsADay) {
  const auto run = fdhost::RunScenario(fdhost::DemoScenario(), {});
  ASSERT_TRUE(run.ok) << run.error;
  EXPECT_EQ(run.transcript.back()["t_ms"], 90000000);
  EXPECT_EQ(OfKind(run, "ipc").size(), 5u);
}

}  // namespace
