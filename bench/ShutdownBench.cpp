// The stop and the long run: Uninit with 50 workers in flight (wall and virtual time), and a
// busy month of a laptop in virtual time (wall time and peak memory).
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include "BusyLaptop.h"
#include "emu/Laptop.h"
#include "emu/Scheduler.h"
#include "emu/Transcript.h"
#include "emu/VendorHooks.h"
#include "fdhost/HostRunner.h"
#include "ipc/MsgEvent.h"
#include "platform/Sleep.h"
#include "platform/Thread.h"

namespace {

// 50 workers in a long wait (as a repair or a reinstall waits), then Uninit. The stop ends
// their waits, so no virtual time passes and the wall time is the threads' own unwinding.
void BM_UninitWithFiftyWorkersInFlight(benchmark::State& state) {
  auto& sched = emu::Scheduler::Instance();
  sched.AdoptCurrentThread("benchmark");
  double virtualMs = 0;
  for (auto _ : state) {
    state.PauseTiming();
    sched.Reset(emu::ClockMode::Virtual, emu::RunMode::Deterministic);
    emu::Transcript::Instance().SetSink(nullptr, false);
    emu::LoadLaptop(nullptr);
    CMsgEvent::GetInstance()->Register();
    for (int i = 0; i < 50; ++i) {
      platform::StartDetachedThread([] {
        CMsgEvent transient;
        platform::Sleep(600000);
      });
    }
    sched.SleepUntilNs(sched.NowNs() + 1'000'000);  // every worker is in its wait now
    const std::int64_t before = sched.NowNs();
    state.ResumeTiming();
    CMsgEvent::GetInstance()->Uninit();
    state.PauseTiming();
    virtualMs += static_cast<double>(sched.NowNs() - before) / 1e6;
    sched.WaitForOthersToFinish();
    state.ResumeTiming();
  }
  state.counters["virtual_ms_per_uninit"] =
      benchmark::Counter(virtualMs / static_cast<double>(state.iterations()));
  emu::Transcript::Instance().SetSink(nullptr, true);
}

long PeakRssKiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// 30 days of the busy laptop through fdhost's runner, the transcript counted, not kept.
void BM_BusyMonth(benchmark::State& state) {
  const auto scenario = emu::ParseScenario(busylaptop::Scenario(30), "busy month");
  std::size_t lines = 0;
  const long rssBefore = PeakRssKiB();
  for (auto _ : state) {
    emu::Transcript::Instance().SetSink([&lines](const emu::Line&) { ++lines; }, false);
    const auto run = fdhost::RunScenario(scenario, {});
    benchmark::DoNotOptimize(run.ok);
  }
  emu::Transcript::Instance().SetSink(nullptr, true);
  state.counters["transcript_lines"] = static_cast<double>(lines / state.iterations());
  state.counters["peak_rss_growth_KiB"] = static_cast<double>(PeakRssKiB() - rssBefore);
}

BENCHMARK(BM_UninitWithFiftyWorkersInFlight)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BusyMonth)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

}  // namespace
