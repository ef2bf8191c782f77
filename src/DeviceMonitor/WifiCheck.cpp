// The Wi-Fi card check: finds a missing card or one stopped with a problem code, reports it,
// and for problem code 10 runs the repair chain.
#include <mutex>

#include "DeviceMonitor/DetectorState.h"
#include "DeviceMonitor/DeviceDriverErrorDetectEx.h"
#include "DeviceMonitor/ReportValues.h"
#include "DeviceMonitor/SystemEnvironment.h"
#include "common/ModuleThread.h"
#include "hostapi/HardwareSdk.h"
#include "hostapi/StringConv.h"
#include "ipc/DispatcherState.h"
#include "ipc/MsgEvent.h"
#include "platform/Clock.h"
#include "platform/Sleep.h"
#include "platform/Thread.h"
#include "report/Report.h"

namespace {

constexpr std::uint32_t kCannotStart = 10;
constexpr std::uint32_t kUnknownCode = 0xFFFFFFFF;
constexpr int kWirelessCard = 0;
constexpr std::uint32_t kCheckDelayMs = 10000;
// The card takes this long to settle after it is disabled, enabled or re-powered.
constexpr std::uint32_t kStateChangePauseMs = 1000;

std::uint32_t ProblemCode() {
  return CNetworkCard().GetProblemCode(kWirelessCard);
}

// Disable, pause, enable, pause. False when the module is stopping; the card is enabled
// again all the same.
bool Reenable(const std::wstring& hardwareId) {
  DeviceDriverErrorDetectEx::ChangeDeviceState(false, hardwareId);
  const bool paused = platform::Sleep(kStateChangePauseMs);
  DeviceDriverErrorDetectEx::ChangeDeviceState(true, hardwareId);
  return paused && platform::Sleep(kStateChangePauseMs);
}

}  // namespace

void DeviceDriverErrorDetectEx::StartWifiCheck() {
  auto& state = detector::Wifi();
  if (state.checkRunning.exchange(true))
    return;
  const bool launched = START_MODULE_THREAD([] {
    CMsgEvent transient;
    auto& state = detector::Wifi();
    const std::uint64_t started = platform::GetSystemTimeMs();
    std::unique_lock lock(state.checkMutex);
    if (platform::Sleep(kCheckDelayMs) && state.lastCheckMs.load() < started) {
      if (CheckWifiCardSteps(false))
        state.lastCheckMs = platform::GetSystemTimeMs();
    }
    state.checkRunning = false;
  });
  if (!launched)
    state.checkRunning = false;
}

void DeviceDriverErrorDetectEx::CheckWifiCard(bool firstStart) {
  CheckWifiCardSteps(firstStart);
}

bool DeviceDriverErrorDetectEx::CheckWifiCardSteps(bool firstStart) {
  const std::wstring hardwareId = CNetworkCard().GetWireLessCardHardID();
  ReportPairList pairs = {{"firstStart", detector::Flag(firstStart)},
                          {"WifiDriverVersion", detector::WifiVersionText()}};
  if (hardwareId.empty()) {
    ReportWifiEvent("608001010", pairs);
    return true;
  }
  const std::uint32_t code = ProblemCode();
  if (code == 0 || code == kUnknownCode) {
    ClearRepairFailFlag(firstStart);
    return false;
  }
  pairs.emplace_back("WifiErrCode", std::to_string(code));
  ReportWifiEvent("608001011", pairs);
  RepairWifiCard(code, firstStart);
  return true;
}

void DeviceDriverErrorDetectEx::RepairWifiCard(std::uint32_t problemCode, bool firstStart) {
  const std::wstring hardwareId = CNetworkCard().GetWireLessCardHardID();
  if (hardwareId.empty() || problemCode != kCannotStart)
    return;
  if (firstStart && RepairWifiByReenable(hardwareId))
    return;
  if (platform::IsModuleStopping() || CheckRepairFailFlag(firstStart))
    return;
  bool gpioTried = false;
  if (CanRepairWifiByGpio()) {
    if (RepairWifiByGpio(firstStart, hardwareId))
      return;
    gpioTried = true;
  }
  if (platform::IsModuleStopping())
    return;
  const bool written = SystemEnvironment::IsSupportWifiBiosRepair() && SetFlagToBios(firstStart);
  if (written || gpioTried)
    SetRepairFailFlag();
}

bool DeviceDriverErrorDetectEx::RepairWifiByReenable(const std::wstring& hardwareId) {
  if (!Reenable(hardwareId))
    return false;
  const std::uint32_t code = ProblemCode();
  ReportWifiEvent("608001013", {{"errorCode", std::to_string(code)},
                                {"WifiDriverVersion", detector::WifiVersionText()}});
  if (code == 0)
    ClearRepairFailFlag(true);
  return code == 0;
}

bool DeviceDriverErrorDetectEx::CanRepairWifiByGpio() {
  if (!CBluetooth().GetExternalDeviceHardID().empty())
    return false;
  return SystemEnvironment::IsSupportWifiGpio();
}

bool DeviceDriverErrorDetectEx::RepairWifiByGpio(bool firstStart, const std::wstring& hardwareId) {
  ReHardByGpio();
  if (!platform::Sleep(kStateChangePauseMs))  // the re-power's settling
    return false;
  std::uint32_t code = ProblemCode();
  std::string gpio = "1";
  if (code != 0) {
    if (!Reenable(hardwareId))
      return false;
    code = ProblemCode();
    gpio = "0";
  }
  ReportWifiEvent("608001014", {{"firstStart", detector::Flag(firstStart)},
                                {"gpio", gpio},
                                {"errorCode", std::to_string(code)},
                                {"WifiDriverVersion", detector::WifiVersionText()}});
  return code == 0;
}

void DeviceDriverErrorDetectEx::ReHardByGpio() {
  const std::string gpioCode = SystemEnvironment::IsSupportBtGpio() ? "2050009" : "";
  std::uint32_t status = 0;
  CBluetooth().RepairBtByReHard(gpioCode, status);
}
