// Device notifications through the hidden window to a listener: the broadcast, the window's
// message on the user-interface thread, the map look-up and the listener call.
#include <benchmark/benchmark.h>

#include "QuietVirtualLaptop.h"

#include "DeviceMonitor/DeviceChangeLister.h"
#include "DeviceMonitor/DeviceChangeNotifier.h"
#include "common/CallbackGate.h"
#include "emu/DeviceTree.h"
#include "emu/Laptop.h"
#include "emu/Scheduler.h"
#include "emu/Transcript.h"
#include "emu/UserInterface.h"
#include "emu/VendorHooks.h"

namespace {

void BM_DeviceNotificationToListener(benchmark::State& state) {
  QuietVirtualLaptop laptop;
  auto& sched = emu::Scheduler::Instance();
  gate::Open();
  RegisterDeviceListeners();
  // A network arrival: delivered to the network listener, which has nothing to start.
  const auto network = emu::ParseGuid("{CAC88484-7515-4C03-82E6-71A87ABAC361}");
  const std::u16string path =
      u"\\\\?\\PCI#VEN_8086&DEV_2725#{cac88484-7515-4c03-82e6-71a87abac361}";
  // Notifications come in bursts (a dock with its devices); the UI thread works through them.
  constexpr int kBurst = 64;
  for (auto _ : state) {
    for (int i = 0; i < kBurst; ++i)
      emu::UserInterface::BroadcastDeviceChange(true, network, path);
    sched.WaitForOthersToFinish();  // until the UI thread has handled them all
  }
  state.SetItemsProcessed(state.iterations() * kBurst);
  UnregisterDeviceListeners();
  DeviceChangeNotifier::Instance().CloseWindow();
}

BENCHMARK(BM_DeviceNotificationToListener)->UseRealTime();

}  // namespace
