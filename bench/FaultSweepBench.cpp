// The fault sweep's pace: every shipped scenario counted, then run again failing the first
// and last number of each call that can fail (the CI sample), as one iteration.
#include <benchmark/benchmark.h>

#include "FaultSweep.h"

namespace {

void BM_FaultSweepOfShippedScenarios(benchmark::State& state) {
  const auto files = ShippedScenarios();
  const auto firstAndLast = [](std::int64_t count) {
    return count > 1 ? std::vector<std::int64_t>{1, count} : std::vector<std::int64_t>{1};
  };
  std::int64_t runs = 0;
  for (auto _ : state)
    runs += SweepFaults(files, firstAndLast, [](const std::string&, const fdhost::RunResult&) {});
  state.counters["runs"] = static_cast<double>(runs / state.iterations());
  state.counters["runs_per_second"] =
      benchmark::Counter(static_cast<double>(runs), benchmark::Counter::kIsRate);
}

}  // namespace

BENCHMARK(BM_FaultSweepOfShippedScenarios)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();
