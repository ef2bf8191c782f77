#include "DeviceMonitor/TactraMoudle.h"

#include "DeviceMonitor/DetectorState.h"
#include "DeviceMonitor/DynamicTactraDll.h"
#include "common/CallbackGate.h"
#include "common/Log.h"
#include "platform/Clock.h"
#include "report/Report.h"

namespace {
constexpr int kReportLimit = 100;
constexpr std::int64_t kWindowSeconds = 3600;
}  // namespace

bool TactraMoudle::Start() {
  auto& library = DynamicTactraDll::Instance();
  library.InitRtkFun();
  if (library.TactraInitFunc() != 0) {
    LOG_ERROR("Init Fail");
    return false;
  }
  auto& state = detector::Touchpad();
  state.windowStartS = platform::GetSystemTimeSeconds();
  state.started = library.RegistTactraErrorCodeReportFunc(&OnTactraReport) == 0;
  return state.started;
}

void OnTactraReport(std::uint32_t code) {
  gate::Entry entry;  // called on a thread of the vendor library
  if (!entry || !detector::Touchpad().started)
    return;
  const std::string version = DynamicTactraDll::Instance().TactraVersionFunc();
  ++detector::Touchpad().reportCount;
  ReportEventPairs(kTouchpadErrorEventId,
                   {{"reportId", std::to_string(code)}, {"version", version}});
  TactraMoudle::CheckReportFrequecy(version);
}

void TactraMoudle::CheckReportFrequecy(const std::string& version) {
  auto& state = detector::Touchpad();
  if (state.reportCount != kReportLimit)
    return;
  state.reportCount = 0;
  const std::int64_t now = platform::GetSystemTimeSeconds();
  if (now - state.windowStartS < kWindowSeconds) {
    DynamicTactraDll::Instance().UnRegistTactraErrorCodeReportFunc();
    ReportEventPairs(kTouchpadRateLimitEventId, {{"version", version}});
    LOG_ERROR("too much times");
    state.started = false;
  }
  state.windowStartS = now;
}

void TactraMoudle::Stop() {
  auto& library = DynamicTactraDll::Instance();
  if (detector::Touchpad().started.exchange(false))
    library.UnRegistTactraErrorCodeReportFunc();
  library.Unload();
}
