// A scenario played twice in serial mode prints the same transcript, byte for byte: nothing
// that differs between runs (machine addresses, handle values, real time) reaches it.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "ScenarioRun.h"

namespace {

std::string Dump(const fdhost::RunResult& run) {
  std::string text;
  for (const auto& line : run.transcript)
    text += line.dump() + "\n";
  return text;
}

std::string DumpOf(const emu::Scenario& scenario) {
  const auto run = fdhost::RunScenario(scenario, {});
  EXPECT_TRUE(run.ok) << scenario.name << ": " << run.error;
  return Dump(run);
}

TEST(Repeatable, DemoTwice) {
  const std::string first = DumpOf(fdhost::DemoScenario());
  EXPECT_EQ(first, DumpOf(fdhost::DemoScenario()));
  // The pop-up requests name the prompt's window object, shown as the run's object 1.
  EXPECT_NE(first.find("\"payload_hex\":\"fc01040000000100000000000000"), std::string::npos);
}

TEST(Repeatable, EveryShippedScenarioTwice) {
  int played = 0;
  for (const auto& entry : std::filesystem::directory_iterator(FD_SCENARIO_DIR)) {
    if (entry.path().extension() != ".json")
      continue;
    const auto scenario = emu::LoadScenarioFile(entry.path().string());
    EXPECT_EQ(DumpOf(scenario), DumpOf(scenario)) << entry.path().filename();
    ++played;
  }
  EXPECT_GT(played, 20);
}

}  // namespace
