// A scenario played twice in serial mode prints the same transcript, byte for byte: nothing
// that differs between runs (machine addresses, handle values, real time) reaches it, and
// nothing of one run reaches the next in the same process.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
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

// What `fdhost run FILE` prints in a process of its own.
std::string AloneInItsProcess(const std::filesystem::path& file) {
  const std::string command = std::string(FD_FDHOST) + " run '" + file.string() + "' 2>/dev/null";
  std::string text;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
      text.append(buffer, n);
    pclose(pipe);
  }
  return text;
}

// Every shipped scenario, played in this process after all the others before it, prints what
// it prints alone in a fresh process: no state of one run reaches the next.
TEST(Repeatable, BackToBackAsAlone) {
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(FD_SCENARIO_DIR)) {
    if (entry.path().extension() == ".json")
      files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  for (const auto& file : files)
    EXPECT_EQ(DumpOf(emu::LoadScenarioFile(file.string())), AloneInItsProcess(file))
        << file.filename();
  EXPECT_GT(files.size(), 20u);
}

}  // namespace
