// Stand-in for the touchpad vendor library "TactraHidAPI.dll": it reports touchpad error
// codes through the callback registered with it, and the touchpad firmware version. Results
// come from the laptop's touchpad facts (init_result, register_result, unregister_result:
// 0 success; firmware: "1.2.3.4", or null for a version read that fails); a timeline
// {"vendor_event": {"library": "touchpad", "code": 7, "count": 100, "interval_ms": 1000}}
// makes it call back, on a thread of its own, while a callback is registered.
#include <cstdint>
#include <cstdio>
#include <string>

#include "emu/Laptop.h"
#include "emu/Transcript.h"
#include "emu/VendorHooks.h"
#include "emu/VendorStandIn.h"

namespace {

using Callback = void (*)(std::uint32_t);

emu::CallbackWatch& Watch() {
  static emu::CallbackWatch watch("touchpad library callback thread");
  return watch;
}
constinit emu::VendorStandIn library("touchpad", "TactraHidAPI.dll");
using emu::FactOf;
using emu::FactType;
constexpr auto kInitResult = FactOf("touchpad.init_result", FactType::Integer);
constexpr auto kRegisterResult = FactOf("touchpad.register_result", FactType::Integer);
constexpr auto kUnregisterResult = FactOf("touchpad.unregister_result", FactType::Integer);
constexpr auto kFirmware = FactOf("touchpad.firmware", FactType::Text);

int Result(emu::FactRef fact) {
  return static_cast<int>(emu::Laptop::Instance().Int(fact));
}

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

int InitInterface() {
  emu::VendorStandIn::Inside inside(library);
  const int result = Result(kInitResult);
  library.Note("init", {{"result", result}});
  return result;
}

int UnInitInterface() {
  emu::VendorStandIn::Inside inside(library);
  library.Note("uninit", {{"result", 0}});
  return 0;
}

int RegistCallBackWindowsLog(Callback callback) {
  emu::VendorStandIn::Inside inside(library);
  const int result = Result(kRegisterResult);
  library.Note("register_callback", {{"result", result}});
  if (result == 0)
    Watch().Start(callback);
  return result;
}

int UnRegistCallBackWindowsLog() {
  emu::VendorStandIn::Inside inside(library);
  const int result = Result(kUnregisterResult);
  library.Note("unregister_callback", {{"result", result}});
  Watch().Stop();
  return result;
}

int RegistCallBackTABigData(void*) {
  return 0;
}

int UnRegistCallBackTABigData() {
  return 0;
}

int GetNowFirmwareVersion(std::uint8_t* buffer) {
  emu::VendorStandIn::Inside inside(library);
  const auto firmware = emu::Laptop::Instance().Json(kFirmware);
  unsigned parts[4] = {};
  if (!buffer || !firmware.is_string() ||
      std::sscanf(firmware.get<std::string>().c_str(), "%u.%u.%u.%u", &parts[0], &parts[1],
                  &parts[2], &parts[3]) != 4) {
    return 1;
  }
  buffer[0] = 0x5A;  // not part of the version
  for (int i = 0; i < 4; ++i)
    buffer[i + 1] = static_cast<std::uint8_t>(parts[i]);
  return 0;
}

}  // extern "C"
