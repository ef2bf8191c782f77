#pragma once
// Runs generated scenarios, each in a child process of its own, so that a crash, a hang or a
// deadlock is a verdict on that run and not the end of the swarm; the children run at the
// same time on the machine's cores. A child is fdhost started afresh ("fdhost sim-child"), not
// a copy of the parent: a fork alone would inherit the parent's state, and the sanitizers do
// not follow a process that forks once threads exist.
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "fdhost/sim/Checkers.h"

namespace fdhost::sim {

struct RunLimits {
  int wallSeconds = 120;        // longer is a hang
  long memoryKb = 1024 * 1024;  // more resident memory than this fails the memory checker
  std::string fdhost;           // the program that plays a scenario (fdhost sim-child)
  bool parallel = false;        // ready threads run at once instead of in the seed's order
};

struct RunOutcome {
  std::vector<Verdict> failures;
  std::set<std::string> judged;
  std::uint64_t transcriptHash = 0;  // to compare two plays of one scenario
  std::int64_t virtualMs = 0;        // how long the laptop ran
  long maxRssKb = 0;
};

// One scenario document, played in a child process and judged there.
RunOutcome RunIsolated(const nlohmann::json& scenario, const RunLimits& limits);

// Plays the scenarios at once, up to `jobs` children at a time; `done` gets each outcome
// (in the order the children finish) with the index of its scenario.
void RunMany(const std::vector<nlohmann::json>& scenarios, int jobs, const RunLimits& limits,
             const std::function<void(std::size_t, const RunOutcome&)>& done);

// fdhost sim-child SCENARIO FD serial|parallel: plays the scenario file, judges it and writes
// the verdict as JSON to the descriptor. Returns the exit status.
int PlayScenarioChild(const std::string& path, int fd, bool parallel);

// What a child does: writes its verdict as JSON to the descriptor and returns (the child
// then leaves). The parent judges what the child cannot: a signal, a hang, its memory.
using ChildBody = std::function<void(int fd)>;
RunOutcome RunChild(const ChildBody& body, const RunLimits& limits);

// In a child: a deadlock of the virtual clock becomes the child's verdict.
void ReportDeadlocksTo(int fd);

// Two plays of one seed must give one transcript; a difference fails the first.
void CompareReplay(RunOutcome& first, const RunOutcome& second);

// The first failing checker of an outcome, or "" when it passed.
std::string FirstFailure(const RunOutcome& outcome);

}  // namespace fdhost::sim
