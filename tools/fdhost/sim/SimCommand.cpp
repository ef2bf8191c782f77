// fdhost sim: generates a laptop and a timeline from each seed, plays each in a child process
// with the seed's thread schedule, judges every run and prints what failed with the command
// that plays it again; can shrink a failing seed into a scenario file.
#include "fdhost/sim/SimCommand.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include "fdhost/sim/Generator.h"
#include "fdhost/sim/Shrink.h"
#include "fdhost/sim/Swarm.h"

namespace fdhost::sim {

namespace {

constexpr char kHelp[] =
    "fdhost sim [options]\n"
    "\n"
    "Generates a random laptop, failures at single calls and a timeline of inputs from each\n"
    "seed, plays each in a child process with the seed's thread schedule (fdhost run --seed),\n"
    "and judges the run: no crash, hang or deadlock; no fault line of the unload checks;\n"
    "nothing after the unload; every request answered as specified, at most once; only the\n"
    "plug-in's report ids, each in its specified form; the report limits; bounded memory; and,\n"
    "for a share of the seeds, the same transcript again from a second play.\n"
    "\n"
    "options:\n"
    "  --seed N          the first seed (default 1); seeds N, N+1, ... follow\n"
    "  --count K         play K seeds (default 1)\n"
    "  --seconds S       play seeds until S seconds of wall time have passed (instead of --count)\n"
    "  --jobs J          children at a time (default 2)\n"
    "  --replay-every K  play every K-th seed twice and compare the transcripts (default 5;\n"
    "                    0: never)\n"
    "  --reschedule K    play each seed's laptop and timeline under the schedule of seed + K\n"
    "                    instead of its own (another interleaving of the same run)\n"
    "  --parallel        let ready threads run at once, for races under ThreadSanitizer (the\n"
    "                    runs are not replayable then, so nothing is played twice)\n"
    "  --show            print the scenario of --seed and what it chose, and play nothing\n"
    "  --shrink FILE     where the first failing seed goes, shrunk, as a scenario file\n"
    "                    (default: sim-seed-N-CHECKER.json in the current folder)\n"
    "  --no-shrink       leave failing seeds as they are\n"
    "  --timeout S       wall seconds after which a run counts as hung (default 120)\n"
    "  --verbose         a line for every seed, not only the failing ones\n"
    "\n"
    "exit status: 0 every run passed; 1 a run failed; 2 bad arguments\n";

struct Options {
  std::uint64_t seed = 1;
  std::uint64_t count = 1;
  double seconds = 0;
  int jobs = 2;
  std::uint64_t replayEvery = 5;
  std::uint64_t reschedule = 0;
  bool show = false;
  bool verbose = false;
  std::string shrinkTo;
  bool shrink = true;
  RunLimits limits;
};

int Bad(const std::string& why) {
  std::cerr << "fdhost sim: " << why << " (fdhost sim --help lists the options)\n";
  return 2;
}

bool ParseOptions(int argc, char** argv, Options& o, int& exitCode) {
  for (int i = 2; i < argc; ++i) {
    const std::string arg = argv[i];
    auto number = [&](auto& out) {
      if (i + 1 >= argc)
        return false;
      try {
        std::size_t used = 0;
        const std::string text = argv[++i];
        const auto value = std::stod(text, &used);
        using Number = std::remove_reference_t<decltype(out)>;
        // Whole or not, within the option's type (a cast out of range is undefined).
        const double limit = static_cast<double>(std::numeric_limits<Number>::max()) + 1.0;
        if (used != text.size() || !(value >= 0) || !(value < limit))
          return false;
        out = static_cast<Number>(value);
        return true;
      } catch (const std::exception&) {
        return false;
      }
    };
    bool ok = true;
    if (arg == "--help" || arg == "-h") {
      std::cout << kHelp;
      exitCode = 0;
      return false;
    } else if (arg == "--seed") {
      ok = i + 1 < argc;
      if (ok) {
        try {
          o.seed = std::stoull(argv[++i], nullptr, 0);
        } catch (const std::exception&) {
          ok = false;
        }
      }
    } else if (arg == "--count") {
      ok = number(o.count);
    } else if (arg == "--seconds") {
      ok = number(o.seconds);
    } else if (arg == "--jobs") {
      ok = number(o.jobs) && o.jobs > 0;
    } else if (arg == "--replay-every") {
      ok = number(o.replayEvery);
    } else if (arg == "--reschedule") {
      ok = number(o.reschedule);
    } else if (arg == "--timeout") {
      ok = number(o.limits.wallSeconds) && o.limits.wallSeconds > 0;
    } else if (arg == "--show") {
      o.show = true;
    } else if (arg == "--parallel") {
      o.limits.parallel = true;
    } else if (arg == "--verbose") {
      o.verbose = true;
    } else if (arg == "--no-shrink") {
      o.shrink = false;
    } else if (arg == "--shrink") {
      ok = i + 1 < argc;
      if (ok)
        o.shrinkTo = argv[++i];
    } else {
      exitCode = Bad("unknown option \"" + arg + "\"");
      return false;
    }
    if (!ok) {
      exitCode = Bad(arg + " needs a valid value");
      return false;
    }
  }
  return true;
}

// The seed's scenario, under another seed's schedule when asked.
Generated GenerateFor(const Options& o, std::uint64_t seed) {
  Generated generated = Generate(seed);
  if (o.reschedule != 0) {
    generated.scenario["schedule_seed"] = seed + o.reschedule;
    generated.choices.push_back("schedule of seed " + std::to_string(seed + o.reschedule));
  }
  return generated;
}

// The command that plays the seed again.
std::string ReplayCommand(const Options& o, std::uint64_t seed) {
  std::string command = "fdhost sim --seed " + std::to_string(seed);
  if (o.limits.parallel)
    command += " --parallel";
  if (o.reschedule != 0)
    command += " --reschedule " + std::to_string(o.reschedule);
  return command;
}

std::string Joined(const std::vector<std::string>& items) {
  std::string text;
  for (const auto& item : items)
    text += (text.empty() ? "" : "; ") + item;
  return text;
}

struct Tally {
  std::uint64_t runs = 0;
  double laptopDays = 0;
  std::map<std::string, std::uint64_t> verdicts;  // "ok" or the first failing checker
  std::map<std::string, std::uint64_t> judged;
  std::vector<std::pair<std::uint64_t, std::string>> failing;  // seed, checker
};

void Report(const Options& o, std::uint64_t seed, const Generated& generated,
            const RunOutcome& outcome, Tally& tally) {
  ++tally.runs;
  tally.laptopDays += static_cast<double>(outcome.virtualMs) / 86400000.0;
  for (const auto& name : outcome.judged)
    ++tally.judged[name];
  const std::string first = FirstFailure(outcome);
  ++tally.verdicts[first.empty() ? "ok" : first];
  if (first.empty()) {
    if (o.verbose)
      std::cout << "seed " << seed << " ok: " << Joined(generated.choices) << std::endl;
    return;
  }
  tally.failing.emplace_back(seed, first);
  std::cout << "seed " << seed << " FAILED: " << Joined(generated.choices) << "\n";
  for (const auto& v : outcome.failures)
    std::cout << "  " << v.checker << ": " << v.detail << "\n";
  std::cout << "  replay: " << ReplayCommand(o, seed) << "   or   " << ReplayCommand(o, seed)
            << " --show > seed-" << seed << ".json && fdhost run seed-" << seed << ".json"
            << std::endl;
}

void PrintSummary(const Options& o, const Tally& tally, double wallSeconds) {
  std::printf("fdhost sim: %llu runs in %.1f s: %.1f seeds/s, %.1f laptop-days/s\n",
              static_cast<unsigned long long>(tally.runs), wallSeconds,
              static_cast<double>(tally.runs) / wallSeconds, tally.laptopDays / wallSeconds);
  std::printf("verdicts:");
  for (const auto& [name, count] : tally.verdicts)
    std::printf(" %s %llu", name.c_str(), static_cast<unsigned long long>(count));
  std::printf("\nruns in which each checker had something to judge:");
  for (const auto& name : CheckerNames()) {
    const auto it = tally.judged.find(name);
    const double share = it == tally.judged.end() ? 0
                                                  : 100.0 * static_cast<double>(it->second) /
                                                        static_cast<double>(tally.runs);
    std::printf(" %s %.0f%%", name.c_str(), share);
  }
  std::printf("\n");
  for (const auto& [seed, checker] : tally.failing)
    std::printf("failing seed %llu (%s): %s\n", static_cast<unsigned long long>(seed),
                checker.c_str(), ReplayCommand(o, seed).c_str());
  std::fflush(stdout);
}

int ShrinkFirst(const Options& o, const Tally& tally) {
  const auto [seed, checker] = tally.failing.front();
  const std::string file = !o.shrinkTo.empty()
                               ? o.shrinkTo
                               : "sim-seed-" + std::to_string(seed) + "-" + checker + ".json";
  std::cout << "shrinking seed " << seed << " (" << checker << ") ..." << std::endl;
  const Generated generated = GenerateFor(o, seed);
  const ShrinkResult shrunk = Shrink(generated.scenario, FailsWith(checker, o.limits), 400);
  nlohmann::json doc = shrunk.scenario;
  doc["description"] = "Found by fdhost sim from seed " + std::to_string(seed) + " (" + checker +
                       "), shrunk in " + std::to_string(shrunk.attempts) + " plays.";
  std::ofstream out(file);
  out << doc.dump(2) << "\n";
  if (!out.flush()) {
    std::cerr << "fdhost sim: cannot write " << file << "\n";
    return 2;
  }
  std::cout << "wrote " << file << " (" << doc["timeline"].size()
            << " timeline entries): fdhost run " << file << std::endl;
  return 1;
}

}  // namespace

int SimCommand(int argc, char** argv) {
  Options o;
  int exitCode = 0;
  if (!ParseOptions(argc, argv, o, exitCode))
    return exitCode;
  if (o.limits.parallel)
    o.replayEvery = 0;  // a parallel run has no one transcript to play again
  // Children are this same program, started afresh.
  std::error_code error;
  o.limits.fdhost = std::filesystem::read_symlink("/proc/self/exe", error).string();
  if (error)
    return Bad("cannot find its own program: " + error.message());
  if (o.show) {
    const Generated generated = GenerateFor(o, o.seed);
    std::cerr << "seed " << o.seed << ": " << Joined(generated.choices) << "\n";
    std::cout << generated.scenario.dump(2) << "\n";
    return 0;
  }
  const auto start = std::chrono::steady_clock::now();
  auto elapsed = [&start] {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  };
  Tally tally;
  std::uint64_t seed = o.seed;
  const std::uint64_t end = o.seconds > 0 ? UINT64_MAX : o.seed + o.count;
  while (seed < end && (o.seconds <= 0 || elapsed() < o.seconds)) {
    // A batch of seeds; seeds picked for replay are played twice in the same batch.
    std::vector<std::uint64_t> seeds;
    std::vector<Generated> generated;
    std::vector<nlohmann::json> docs;
    for (int i = 0; i < 4 * o.jobs && seed < end; ++i, ++seed) {
      seeds.push_back(seed);
      generated.push_back(GenerateFor(o, seed));
      docs.push_back(generated.back().scenario);
    }
    const std::size_t firstReplay = docs.size();
    std::vector<std::size_t> replayOf;
    for (std::size_t i = 0; i < seeds.size(); ++i) {
      if (o.replayEvery > 0 && seeds[i] % o.replayEvery == 0) {
        docs.push_back(docs[i]);
        replayOf.push_back(i);
      }
    }
    std::vector<RunOutcome> outcomes(docs.size());
    RunMany(docs, o.jobs, o.limits, [&outcomes](std::size_t index, const RunOutcome& outcome) {
      outcomes[index] = outcome;
    });
    for (std::size_t r = 0; r < replayOf.size(); ++r)
      CompareReplay(outcomes[replayOf[r]], outcomes[firstReplay + r]);
    for (std::size_t i = 0; i < seeds.size(); ++i)
      Report(o, seeds[i], generated[i], outcomes[i], tally);
  }
  PrintSummary(o, tally, elapsed());
  if (tally.failing.empty())
    return 0;
  return o.shrink ? ShrinkFirst(o, tally) : 1;
}

}  // namespace fdhost::sim
