// The Realtek Bluetooth USB error watch: the vendor library calls back with an error, the
// Bluetooth device is reset (at most once per 60 s, up to three attempts), the outcome is
// reported and the host's client 0x490000 is told as the reset goes on.
#include <mutex>

#include "DeviceMonitor/DetectorState.h"
#include "DeviceMonitor/DeviceDriverErrorDetectEx.h"
#include "DeviceMonitor/DynamicDll.h"
#include "common/CallbackGate.h"
#include "common/Log.h"
#include "common/ModuleThread.h"
#include "config/FuncSwitchConfig.h"
#include "hostapi/HardwareSdk.h"
#include "ipc/DispatcherState.h"
#include "ipc/MsgEvent.h"
#include "platform/Clock.h"
#include "platform/Sleep.h"
#include "platform/Thread.h"
#include "report/Report.h"

namespace {

constexpr std::uint32_t kNoticeClient = 0x490000;
constexpr std::uint32_t kBtArrivedNotice = 0x380007;
constexpr std::uint32_t kBtRemovedNotice = 0x380008;
constexpr std::uint32_t kResetStartedNotice = 0x380009;
constexpr std::uint64_t kNoticeWindowS = 60;
constexpr std::uint64_t kMinRepairIntervalS = 60;
constexpr int kRegisterAttempts = 3;
// Between two attempts at the watch's registration or at a reset.
constexpr std::uint32_t kRetryPauseMs = 2000;
// A reset waits this long after the USB error before it starts, letting the device settle.
constexpr std::uint32_t kResetDelayMs = 10000;
constexpr int kResetAttempts = 3;
constexpr int kRealtekManufacturer = 1;
constexpr int kUsbLinkError = 1;

std::uint64_t NowS() {
  return static_cast<std::uint64_t>(platform::GetSystemTimeSeconds());
}

void PostNotice(CMsgEvent* client, std::uint32_t msgId) {
  // A notice is zeroed whole, then given its destination and message id.
  tagIPC_MESSAGE_ITEM item;
  item.dwSrcClientId = 0;
  item.dwReplyMsgId = 0;
  item.dwReserved1 = 0;
  item.dwDestClientId = kNoticeClient;
  item.dwMsgId = msgId;
  if (client)
    client->PostIPCMessage(item);
}

// The reset time lies at most 60 s back.
bool WithinNoticeWindow() {
  const std::uint64_t resetTime = detector::Realtek().resetTimeS;
  return resetTime != 0 && NowS() <= resetTime + kNoticeWindowS;
}

}  // namespace

bool IsSupportRealtekCallback() {
  return config::ReadFuncSwitch("realtek", "IsSupportRealtekCallback") &&
         CNetworkAdapter().GetWifiManuType() == kRealtekManufacturer;
}

void DeviceDriverErrorDetectEx::RegistRealtekCallBack() {
  if (!dispatcher::GetState().realtekCallbackSupported)
    return;
  auto& state = detector::Realtek();
  if (state.callbackRegistered)
    UnRegistRealtekCallBack();
  for (int attempt = 0; attempt < kRegisterAttempts; ++attempt) {
    if (DynamicDll::Instance().RtkBtStartWatchUsbErrFunc(&OnRealtekUsbError) == 0) {
      state.callbackRegistered = true;
      return;
    }
    if (!platform::Sleep(kRetryPauseMs))
      return;
  }
  LOG_ERROR("regist fail");
}

void DeviceDriverErrorDetectEx::UnRegistRealtekCallBack() {
  if (!dispatcher::GetState().realtekCallbackSupported)
    return;
  const int result = DynamicDll::Instance().RtkBtStopWatchUsbErrFunc();
  if (result != 0)
    LOG_ERROR("unRegistResult: " + std::to_string(result));
  detector::Realtek().callbackRegistered = false;
}

void OnRealtekUsbError(int code) {
  gate::Entry entry;  // called on a thread of the vendor library
  if (!entry || code != kUsbLinkError)
    return;
  if (detector::Realtek().repairRunning.exchange(true))
    return;
  const bool started = START_MODULE_THREAD([] {
    {
      CMsgEvent transient;
      DeviceDriverErrorDetectEx::DealRealtekUsbError(&transient);
    }
    detector::Realtek().repairRunning = false;
  });
  if (!started)
    detector::Realtek().repairRunning = false;
}

void DeviceDriverErrorDetectEx::DealRealtekUsbError(CMsgEvent* transient) {
  auto& state = detector::Realtek();
  UnRegistRealtekCallBack();
  PostNotice(transient, kResetStartedNotice);
  state.resetTimeS = NowS();

  std::unique_lock lock(state.repairMutex);
  if (!platform::Sleep(kResetDelayMs))
    return;
  const std::uint64_t now = NowS();
  const std::uint64_t last = state.lastRepairTimeS;
  if (now > last && now - last <= kMinRepairIntervalS) {
    LOG_ERROR("too short between two repair time");
    ReportBluetoothEvent("609001045", {{"times", std::to_string(g_resetRealtekBtTime.load())}});
    return;
  }
  state.lastRepairTimeS = now;

  ReportPairList pairs;
  int failed = 0;
  int result = 0;
  for (int attempt = 0; attempt < kResetAttempts; ++attempt) {
    result = DynamicDll::Instance().RtkBtResetDeviceFunc();
    if (result == 0)
      break;
    ++failed;
    pairs.emplace_back("try" + std::to_string(failed), std::to_string(result));
    if (!platform::Sleep(kRetryPauseMs))
      return;
  }
  const int passes = ++g_resetRealtekBtTime;
  pairs.emplace_back("trytime", std::to_string(failed));
  pairs.emplace_back("result", std::to_string(result));
  pairs.emplace_back("times", std::to_string(passes));
  ReportBluetoothEvent("609001044", pairs);
  LOG_ERROR("g_resetRealtekBtTime: " + std::to_string(passes));
}

void PostRealtekBtArrivedNotice(CMsgEvent* transient) {
  if (!WithinNoticeWindow())
    return;
  PostNotice(transient, kBtArrivedNotice);
  detector::Realtek().resetTimeS = 0;
}

void PostRealtekBtRemovedNotice(CMsgEvent* transient) {
  if (!WithinNoticeWindow())
    return;
  PostNotice(transient, kBtRemovedNotice);
}
