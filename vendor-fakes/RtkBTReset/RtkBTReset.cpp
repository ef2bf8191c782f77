// Stand-in for the vendor library "RtkBTReset.dll": a watch of the Bluetooth USB link that
// calls back with error codes, and a device reset. Results come from the laptop's
// realtek.start_results, realtek.stop_results and realtek.reset_results lists (0 success;
// the last entry repeats); a timeline {"vendor_event": {"library": "realtek", "code": 1}}
// makes the watch call back, on a thread of its own, while it runs.
#include <atomic>
#include <mutex>
#include <string>

#include "emu/Laptop.h"
#include "emu/Transcript.h"
#include "emu/VendorHooks.h"

namespace {

using Callback = void (*)(int);

// Its callback threads run emulator code and share the watch's state, so they may finish
// after this library is gone.
emu::CallbackWatch& Watch() {
  static emu::CallbackWatch watch("Realtek watch callback thread");
  return watch;
}
std::atomic<int> callsInside{0};  // threads inside an export of this library

// Counts a thread inside one of the exports, so that an unload under it is caught.
struct Inside {
  Inside() { ++callsInside; }
  ~Inside() { --callsInside; }
};

void Note(const char* op, emu::Line extra) {
  emu::Line fields = {{"library", "realtek"}, {"op", op}};
  for (auto& [k, v] : extra.items())
    fields[k] = v;
  emu::Transcript::Instance().Write("vendor", fields);
}

void OnTimelineEvent(const nlohmann::json& event) {
  const int code = static_cast<int>(event.contains("code") ? emu::ParseNumber(event["code"]) : 1);
  const bool watched = Watch().Fire(code);
  Note(watched ? "callback" : "error_unwatched", {{"code", code}});
}

__attribute__((constructor)) void Attach() {
  emu::VendorHooks::Instance().Set("realtek", OnTimelineEvent);
}
__attribute__((destructor)) void Detach() {
  emu::VendorHooks::Instance().Clear("realtek");
  if (const int inside = callsInside.load()) {
    emu::Transcript::Instance().Write("fault",
                                      {{"what", "RtkBTReset.dll unloaded with threads inside it"},
                                       {"details", {std::to_string(inside) + " thread(s)"}}});
  }
}

}  // namespace

extern "C" {

int RTKStartWatchUsbErr(Callback callback) {
  Inside inside;
  const int result =
      static_cast<int>(emu::Laptop::Instance().NextResult("realtek.start_results", 0));
  Note("start_watch", {{"result", result}});
  if (result == 0)
    Watch().Start(callback);
  return result;
}

int RTKStopWatchUsbErr() {
  Inside inside;
  const int result =
      static_cast<int>(emu::Laptop::Instance().NextResult("realtek.stop_results", 0));
  Note("stop_watch", {{"result", result}});
  Watch().Stop();
  return result;
}

int RTKBTReset() {
  Inside inside;
  const int result =
      static_cast<int>(emu::Laptop::Instance().NextResult("realtek.reset_results", 0));
  Note("reset", {{"result", result}});
  if (result == 0)
    emu::Laptop::Instance().ApplyEffect("realtek_reset");
  return result;
}

}  // extern "C"
