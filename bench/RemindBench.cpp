// Pop-up requests of the fix-remind prompt: built (35 bytes), posted and delivered to the
// host's pop-up client over the bus.
#include <benchmark/benchmark.h>

#include "QuietVirtualLaptop.h"

#include "emu/Bus.h"
#include "emu/Laptop.h"
#include "emu/Scheduler.h"
#include "emu/Transcript.h"
#include "emu/VendorHooks.h"
#include "hostapi/IPCMessageClient.h"
#include "remind/FixpRemindRestartManager.h"

namespace {

class CountingClient : public emu::BusEndpoint {
 public:
  void Deliver(emu::BusMessage message) override { bytes += message.payload.size(); }
  std::size_t bytes = 0;
};

void BM_PopupRequestPosted(benchmark::State& state) {
  QuietVirtualLaptop laptop;
  CountingClient popup;
  emu::Bus::Instance().Join(0x40000, &popup);
  {
    CIPCMessageClient client(0x380000, false, false);
    FixpRemindRestartManager window;
    window.SetIpcClient(&client);
    for (auto _ : state)
      window.PostPoPupMsgToMC();
  }
  emu::Bus::Instance().Leave(&popup);
  if (popup.bytes != static_cast<std::size_t>(state.iterations()) * 35)
    state.SkipWithError("a pop-up request was lost or malformed");
  state.SetItemsProcessed(state.iterations());
}

BENCHMARK(BM_PopupRequestPosted);

}  // namespace
