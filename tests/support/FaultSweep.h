#pragma once
// The fault sweep over scenario files: each is run once to count the seam calls it makes,
// then again for each call that can fail and each number the caller picks, failing that
// call. The test checks every run; the benchmark times them.
#include <algorithm>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "emu/Faults.h"
#include "fdhost/HostRunner.h"

// The shipped scenarios, in name order.
inline std::vector<std::filesystem::path> ShippedScenarios() {
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(FD_SCENARIO_DIR)) {
    if (entry.path().extension() == ".json")
      files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

// Returns how many runs failed a call; check sees each with a text naming the scenario, the
// call and its number.
inline int SweepFaults(
    const std::vector<std::filesystem::path>& files,
    const std::function<std::vector<std::int64_t>(std::int64_t)>& numbers,
    const std::function<void(const std::string&, const fdhost::RunResult&)>& check) {
  std::set<std::string> failable;
  for (const auto& point : emu::kFaultPoints)
    failable.emplace(point.call);
  int runs = 0;
  for (const auto& file : files) {
    auto scenario = emu::LoadScenarioFile(file.string());
    const auto counted = fdhost::RunScenario(scenario, {});
    for (const auto& [call, count] : counted.seamCalls) {
      if (!failable.count(call))
        continue;
      for (const std::int64_t n : numbers(count)) {
        scenario.faults = nlohmann::json::array({{{"call", call}, {"nth", n}}});
        const auto run = fdhost::RunScenario(scenario, {});
        ++runs;
        check(file.filename().string() + " failing " + call + " #" + std::to_string(n), run);
      }
    }
  }
  return runs;
}
