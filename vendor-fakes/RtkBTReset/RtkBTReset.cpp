// Stand-in for the vendor library "RtkBTReset.dll": a watch of the Bluetooth USB link that
// calls back with error codes, and a device reset. Results come from the laptop's
// realtek.start_results, realtek.stop_results and realtek.reset_results lists (0 success;
// the last entry repeats); a timeline {"vendor_event": {"library": "realtek", "code": 1}}
// makes the watch call back, on a thread of its own, while it runs.
#include <mutex>
#include <string>

#include "emu/Laptop.h"
#include "emu/Transcript.h"
#include "emu/VendorHooks.h"
#include "emu/VendorStandIn.h"

namespace {
constexpr auto kStartResults = emu::FactOf("realtek.start_results", emu::FactType::Results);
constexpr auto kStopResults = emu::FactOf("realtek.stop_results", emu::FactType::Results);
constexpr auto kResetResults = emu::FactOf("realtek.reset_results", emu::FactType::Results);

using Callback = void (*)(int);

// Its callback threads run emulator code and share the watch's state, so they may finish
// after this library is gone.
emu::CallbackWatch& Watch() {
  static emu::CallbackWatch watch("Realtek watch callback thread");
  return watch;
}
constinit emu::VendorStandIn library("realtek", "RtkBTReset.dll");
void OnTimelineEvent(const nlohmann::json& event) {
  library.FireFromTimeline(Watch(), event);
}

__attribute__((constructor)) void Attach() {
  library.Attach(OnTimelineEvent);
}
__attribute__((destructor)) void Detach() {
  library.Detach();
}

}  // namespace

extern "C" {

int RTKStartWatchUsbErr(Callback callback) {
  emu::VendorStandIn::Inside inside(library);
  const int result = static_cast<int>(emu::Laptop::Instance().NextResult(kStartResults));
  library.Note("start_watch", {{"result", result}});
  if (result == 0)
    Watch().Start(callback);
  return result;
}

int RTKStopWatchUsbErr() {
  emu::VendorStandIn::Inside inside(library);
  const int result = static_cast<int>(emu::Laptop::Instance().NextResult(kStopResults));
  library.Note("stop_watch", {{"result", result}});
  Watch().Stop();
  return result;
}

int RTKBTReset() {
  emu::VendorStandIn::Inside inside(library);
  const int result = static_cast<int>(emu::Laptop::Instance().NextResult(kResetResults));
  library.Note("reset", {{"result", result}});
  if (result == 0)
    emu::Laptop::Instance().ApplyEffect("realtek_reset");
  return result;
}

}  // extern "C"
