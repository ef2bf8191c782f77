// Touchpad error codes turned into sent events: the callback, the firmware version read from
// the library, the report and the hourly count. Before each hundredth code of a window the
// virtual clock moves on an hour, so the limit never stops the listening.
#include <benchmark/benchmark.h>

#include "QuietVirtualLaptop.h"

#include "DeviceMonitor/TactraMoudle.h"
#include "common/CallbackGate.h"
#include "emu/Laptop.h"
#include "emu/Scheduler.h"
#include "emu/Transcript.h"
#include "emu/VendorHooks.h"
#include "platform/Sleep.h"

namespace {

void BM_TouchpadCodeToEvent(benchmark::State& state) {
  QuietVirtualLaptop laptop;
  gate::Open();
  if (!TactraMoudle::Start()) {
    state.SkipWithError("the touchpad library did not start");
    return;
  }
  constexpr int kWindow = 100;
  int inWindow = 0;
  for (auto _ : state) {
    if (++inWindow == kWindow) {
      state.PauseTiming();
      platform::Sleep(3600 * 1000 + 1);
      inWindow = 1;
      state.ResumeTiming();
    }
    OnTactraReport(3);
  }
  state.SetItemsProcessed(state.iterations());
  TactraMoudle::Stop();
}

BENCHMARK(BM_TouchpadCodeToEvent);

}  // namespace
