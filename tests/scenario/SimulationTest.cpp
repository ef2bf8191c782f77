// The simulator: seeded schedules replay and vary, the generator reaches every request and
// every call that can fail, the child runner turns crashes, hangs, deadlocks and memory into
// verdicts, a failing scenario shrinks, and the swarm's findings stay fixed.
#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <set>

#include "ScenarioRun.h"
#include "emu/Faults.h"
#include "emu/Scheduler.h"
#include "fdhost/sim/Checkers.h"
#include "fdhost/sim/Generator.h"
#include "fdhost/sim/Shrink.h"
#include "fdhost/sim/Swarm.h"

namespace {

using namespace fdhost::sim;

std::string Dump(const fdhost::RunResult& run) {
  std::string text;
  for (const auto& line : run.transcript)
    text += line.dump() + "\n";
  return text;
}

std::string DemoWithSeed(std::optional<std::uint64_t> seed) {
  fdhost::RunOptions options;
  options.seed = seed;
  return Dump(fdhost::RunScenario(fdhost::DemoScenario(), options));
}

TEST(SeededSchedule, SameSeedSameRunOtherSeedsOtherInterleavings) {
  const std::string seven = DemoWithSeed(7);
  EXPECT_EQ(seven, DemoWithSeed(7));
  EXPECT_EQ(seven.substr(0, seven.find('\n')),
            R"({"t_ms":0,"kind":"host","op":"schedule","seed":7,"preempt_percent":)" +
                std::to_string(emu::Schedule::FromSeed(7).preemptPercent) + "}");
  std::set<std::string> runs = {seven};
  for (std::uint64_t seed = 1; seed <= 4; ++seed)
    runs.insert(DemoWithSeed(seed));
  EXPECT_GE(runs.size(), 4u);
  // Without a seed, the fixed order and no schedule line.
  EXPECT_EQ(DemoWithSeed(std::nullopt).find("\"schedule\""), std::string::npos);
}

// The hand-written scenarios pass the swarm's checkers in the fixed order and under other
// interleavings (which also keeps the checkers honest: a false alarm would show here).
TEST(SeededSchedule, ShippedScenariosPassTheCheckersUnderSeveralSeeds) {
  int played = 0;
  for (const auto& entry : std::filesystem::directory_iterator(FD_SCENARIO_DIR)) {
    if (entry.path().extension() != ".json")
      continue;
    const auto scenario = emu::LoadScenarioFile(entry.path().string());
    for (const std::optional<std::uint64_t> seed : {std::optional<std::uint64_t>{}, {1}, {2}}) {
      fdhost::RunOptions options;
      options.seed = seed;
      const auto run = fdhost::RunScenario(scenario, options);
      for (const auto& v : JudgeTranscript(scenario, run.transcript).failures) {
        ADD_FAILURE() << entry.path().filename() << " seed " << seed.value_or(0) << ": "
                      << v.checker << ": " << v.detail;
      }
    }
    ++played;
  }
  EXPECT_GT(played, 20);
}

TEST(SeededSchedule, ScenarioCarriesItsSeed) {
  auto doc = Generate(3).scenario;
  const auto scenario = emu::ParseScenario(doc.dump(), "seeded");
  ASSERT_TRUE(scenario.scheduleSeed.has_value());
  EXPECT_EQ(*scenario.scheduleSeed, 3u);
  doc["schedule_seed"] = -1;
  EXPECT_THROW(emu::ParseScenario(doc.dump(), "negative"), emu::ScenarioError);
}

TEST(Generator, ReachesEveryRequestKindAndCallWithinFiveHundredSeeds) {
  std::set<std::string> requests, kinds, faults;
  for (std::uint64_t seed = 1; seed <= 500; ++seed) {
    const auto doc = Generate(seed).scenario;
    EXPECT_NO_THROW(emu::ParseScenario(doc.dump(), "seed " + std::to_string(seed))) << seed;
    EXPECT_EQ(Generate(seed).scenario, doc) << "seed " << seed << " is not a function";
    for (const auto& entry : doc["timeline"]) {
      for (const auto& [kind, body] : entry.items()) {
        kinds.insert(kind);
        if (kind == "ipc_request")
          requests.insert(body["msg"].get<std::string>());
      }
    }
    for (const auto& rule : doc["faults"])
      faults.insert(rule["call"].get<std::string>());
  }
  for (const char* id :
       {"0x380001", "0x380002", "0x380003", "0x39000A", "0x390005", "0x390007", "0x390010",
        "0x390012", "0x39001A", "0x39000E", "0x39000C", "0x390014", "0x390017", "0x390024"})
    EXPECT_TRUE(requests.count(id)) << id;
  for (const char* kind : {"ipc_request", "broadcast", "set", "device_event", "event_log",
                           "vendor_event", "file", "ui", "window_message", "at_ms"})
    EXPECT_TRUE(kinds.count(kind)) << kind;
  for (const auto& point : emu::kFaultPoints)
    EXPECT_TRUE(faults.count(std::string(point.call))) << point.call;
}

TEST(Generator, PlayedSeedsCallEverySeamWithinAFewDozen) {
  std::map<std::string, std::int64_t> calls;
  const auto allCalled = [&calls] {
    return std::all_of(
        std::begin(emu::kFaultPoints), std::end(emu::kFaultPoints),
        [&calls](const emu::FaultPoint& p) { return calls[std::string(p.call)] > 0; });
  };
  // Files are written only at a debug level of the disk reader that nothing but a test sets
  // (LinkSafeFileTest fails that call).
  calls["WriteFile"] = 1;
  std::uint64_t seed = 1;
  for (; seed <= 150 && !allCalled(); ++seed) {
    auto doc = Generate(seed).scenario;
    doc["faults"] = nlohmann::json::array();  // every call made, none refused
    const auto run = fdhost::RunScenario(emu::ParseScenario(doc.dump(), "seed"), {});
    for (const auto& [call, count] : run.seamCalls)
      calls[call] += count;
  }
  for (const auto& point : emu::kFaultPoints)
    EXPECT_GT(calls[std::string(point.call)], 0) << point.call << " after " << seed - 1 << " seeds";
}

TEST(ChildRunner, CrashesHangsDeadlocksAndMemoryBecomeVerdicts) {
  RunLimits limits;
  limits.wallSeconds = 2;
  EXPECT_EQ(FirstFailure(RunChild([](int) { std::raise(SIGSEGV); }, limits)), "crash");
  EXPECT_EQ(FirstFailure(RunChild([](int) { ::write(1, "", 0); }, limits)), "crash");
  EXPECT_EQ(FirstFailure(RunChild([](int) { ::sleep(10); }, limits)), "hang");
  // A verdict followed by a failing exit (a sanitizer's report at exit) is a crash too.
  EXPECT_EQ(FirstFailure(RunChild(
                [](int fd) {
                  ::write(fd, "{}", 2);
                  ::close(fd);
                  std::_Exit(23);
                },
                limits)),
            "crash");
  EXPECT_EQ(FirstFailure(RunChild(
                [](int fd) {
                  ReportDeadlocksTo(fd);
                  auto& sched = emu::Scheduler::Instance();
                  sched.ReleaseCurrentThread();
                  sched.Reset(emu::ClockMode::Virtual, emu::RunMode::Deterministic);
                  emu::WaitList never("a wake-up nobody sends");
                  std::unique_lock lock(sched.Lock());
                  sched.Block(lock, never);
                },
                limits)),
            "deadlock");
  limits.memoryKb = 64 * 1024;
  EXPECT_EQ(FirstFailure(RunChild(
                [](int fd) {
                  std::vector<char> big(256 << 20);
                  std::memset(big.data(), 1, big.size());
                  ::write(fd, "{}", 2);
                },
                limits)),
            "memory");
}

TEST(ChildRunner, AReplayThatDiffersFails) {
  RunOutcome first, second;
  first.transcriptHash = 1;
  second.transcriptHash = 1;
  CompareReplay(first, second);
  EXPECT_EQ(FirstFailure(first), "");
  second.transcriptHash = 2;
  CompareReplay(first, second);
  EXPECT_EQ(FirstFailure(first), "replay");
  EXPECT_TRUE(first.judged.count("replay"));
}

TEST(Shrinker, KeepsOnlyWhatTheFailureNeeds) {
  const auto doc = Generate(11).scenario;
  ASSERT_GE(doc["timeline"].size(), 3u);
  const auto culprit = doc["timeline"][doc["timeline"].size() / 2];
  // Fails while the culprit entry and the Wi-Fi facts are there.
  const auto fails = [&culprit](const nlohmann::json& candidate) {
    const auto& timeline = candidate["timeline"];
    return candidate.contains("wifi") &&
           std::find(timeline.begin(), timeline.end(), culprit) != timeline.end();
  };
  const auto shrunk = Shrink(doc, fails, 500);
  EXPECT_EQ(shrunk.scenario["timeline"], nlohmann::json::array({culprit}));
  EXPECT_TRUE(shrunk.scenario["faults"].empty());
  EXPECT_TRUE(shrunk.scenario.contains("wifi"));
  EXPECT_FALSE(shrunk.scenario.contains("disks"));
  EXPECT_TRUE(shrunk.scenario["wifi"].empty()) << shrunk.scenario["wifi"];
  EXPECT_EQ(shrunk.scenario["schedule_seed"], doc["schedule_seed"]);
  EXPECT_LE(shrunk.attempts, 500);
}

// Every scenario the swarm found a fault with, shrunk and kept, passes the checkers now.
// (Played in this process: a child forked from a process whose emulator threads live would
// wait for threads it does not have; fdhost sim forks from a clean parent.)
TEST(SwarmFindings, StayFixed) {
  int played = 0;
  for (const auto& entry : std::filesystem::directory_iterator(FD_SIM_FINDINGS_DIR)) {
    const auto scenario = emu::LoadScenarioFile(entry.path().string());
    const auto run = fdhost::RunScenario(scenario, {});
    for (const auto& v : JudgeTranscript(scenario, run.transcript).failures)
      ADD_FAILURE() << entry.path().filename() << ": " << v.checker << ": " << v.detail;
    ++played;
  }
  EXPECT_GE(played, 1);
}

}  // namespace
