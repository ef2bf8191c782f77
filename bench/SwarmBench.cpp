// The swarm's pace on one core, in this process: each iteration generates the next seed's
// laptop and timeline, plays it with the seed's schedule and judges it. (fdhost sim spreads
// the same work over child processes, one per core, and prints its own seeds per second.)
#include <benchmark/benchmark.h>

#include <map>

#include "emu/Transcript.h"
#include "fdhost/HostRunner.h"
#include "fdhost/sim/Checkers.h"
#include "fdhost/sim/Generator.h"

namespace {

void BM_SwarmSeed(benchmark::State& state) {
  std::uint64_t seed = 1;
  double laptopDays = 0;
  std::uint64_t failures = 0;
  std::map<std::string, double> judged;
  for (auto _ : state) {
    const auto doc = fdhost::sim::Generate(seed++).scenario;
    const auto scenario = emu::ParseScenario(doc.dump(), "swarm seed");
    const auto run = fdhost::RunScenario(scenario, {});
    const auto judgement = fdhost::sim::JudgeTranscript(scenario, run.transcript);
    failures += judgement.failures.size();
    for (const auto& name : judgement.judged)
      judged[name] += 1;
    if (!run.transcript.empty())
      laptopDays += run.transcript.back().value("t_ms", 0.0) / 86400000.0;
  }
  if (failures > 0)
    state.SkipWithError("a seed failed its checkers: run fdhost sim on the same seeds");
  state.counters["laptop_days_per_s"] = benchmark::Counter(laptopDays, benchmark::Counter::kIsRate);
  state.counters["seeds_per_s"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  for (const auto& [name, count] : judged)
    state.counters["judged_" + name] = count / static_cast<double>(state.iterations());
}

BENCHMARK(BM_SwarmSeed)->Unit(benchmark::kMillisecond)->Iterations(300)->UseRealTime();

}  // namespace
