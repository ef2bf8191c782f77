// The Bluetooth check: reports a missing or failing adapter and repairs a missing one by
// re-powering the module; and the handler of BTHUSB event 7 records of the System log.
#include <cstdlib>
#include <mutex>

#include "DeviceMonitor/DetectorState.h"
#include "DeviceMonitor/DeviceDriverErrorDetectEx.h"
#include "DeviceMonitor/ReportValues.h"
#include "common/ModuleThread.h"
#include "hostapi/HardwareSdk.h"
#include "hostapi/ProductAdapt.h"
#include "hostapi/StringConv.h"
#include "ipc/DispatcherState.h"
#include "ipc/EventLogCallback.h"
#include "ipc/MsgEvent.h"
#include "platform/Clock.h"
#include "platform/EventLog.h"
#include "platform/Sleep.h"
#include "platform/Thread.h"
#include "report/Report.h"

namespace {

constexpr std::uint32_t kNoError = 0;
// After a re-power the module takes this long to come back on the bus, and after the rescan
// its devices this long to settle before the adapter is looked for.
constexpr std::uint32_t kRepowerComeBackMs = 3000;
constexpr std::uint32_t kRescanSettleMs = 2000;
// A check starts this long after its trigger, so that a burst of device changes runs one.
constexpr std::uint32_t kCheckDelayMs = 5000;
// A removal waits this long before it stops the Realtek watch and starts the check.
constexpr std::uint32_t kStartPauseMs = 200;
constexpr std::uint32_t kUnknownState = 0xFFFFFFFF;
constexpr int kRepairProduct = 8;
constexpr int kBthUsbEventId = 7;
constexpr int kBthUsbEventLimit = 10;

// Re-power, let the module come back, rescan, let the devices settle. False when stopping.
bool RepowerAndRescan() {
  DeviceDriverErrorDetectEx::ReHardByGpio();
  if (!platform::Sleep(kRepowerComeBackMs))
    return false;
  CDeviceDriver().ScanForHardwareChange();
  return platform::Sleep(kRescanSettleMs);
}

}  // namespace

void DeviceDriverErrorDetectEx::StartBtCheck() {
  CMsgEvent transient;
  if (!platform::Sleep(kStartPauseMs))
    return;
  UnRegistRealtekCallBack();
  if (detector::Bluetooth().checkRunning.exchange(true))
    return;
  PostRealtekBtRemovedNotice(&transient);
  const bool started = START_MODULE_THREAD([] {
    CMsgEvent checkTransient;
    CheckBluetooth();
  });
  if (!started)
    detector::Bluetooth().checkRunning = false;
}

void DeviceDriverErrorDetectEx::CheckBluetooth() {
  auto& state = detector::Bluetooth();
  const std::uint64_t started = platform::GetSystemTimeMs();
  std::unique_lock lock(state.checkMutex);
  if (!platform::Sleep(kCheckDelayMs) || state.lastCheckMs.load() >= started) {
    state.checkRunning = false;
    return;
  }
  ReportPairList pairs = {{"BtDriverVersion", detector::BtVersionText()}};
  std::string eventId;
  CBluetooth bluetooth;
  if (!bluetooth.GetDeviceName().empty()) {
    const std::uint32_t errorState = bluetooth.GetDeviceErrorState();
    if (errorState != kNoError && errorState != kUnknownState) {
      eventId = "609001035";
      pairs.emplace_back("BtErrCode", std::to_string(errorState));
    }
  } else {
    std::uint32_t usbCode = 0;
    if (bluetooth.IsInUSBClassEx(usbCode) != 0) {
      eventId = "609001034";
      pairs.emplace_back("UsbErrCode", std::to_string(usbCode));
      RepairBtReHardInit();
    } else {
      eventId = "609001033";
      if (bluetooth.IsInUnKownClass() == 0)
        RepairBtReHard();
    }
  }
  if (!eventId.empty()) {
    ReportBluetoothEvent(eventId, pairs);
    state.lastCheckMs = platform::GetSystemTimeMs();
  }
  state.checkRunning = false;
}

void DeviceDriverErrorDetectEx::RepairBtReHard() {
  if (ProductAdapt::MachineType::GetInstance().GetProductIndex() != kRepairProduct)
    return;
  ReportPairList pairs = {{"BtDriverVersion", detector::BtVersionText()}};
  if (!RepowerAndRescan())
    return;
  const bool back = !CBluetooth().GetHardwareID().empty();
  pairs.emplace_back("BtReHard", back ? "Success" : "Fail");
  ReportBluetoothEvent("609001036", pairs);
}

void DeviceDriverErrorDetectEx::RepairBtReHardInit() {
  ReportPairList pairs = {{"BtDriverVersion", detector::BtVersionText()}};
  if (!RepowerAndRescan())
    return;
  CBluetooth bluetooth;
  if (!bluetooth.GetHardwareID().empty()) {
    pairs.emplace_back("BtReHardInit", "Success");
  } else {
    pairs.emplace_back("BtReHardInit", "Fail");
    const std::uint32_t result = bluetooth.RepairInUSBDriver();
    pairs.emplace_back("RepairBtInUsb", std::to_string(result));
    if (result != 0)
      dispatcher::GetState().btRecheckPending = true;
  }
  ReportBluetoothEvent("609001036", pairs);
}

void DeviceDriverErrorDetectEx::SubscribeBthUsbEvents() {
  platform::EVT_HANDLE handle = platform::EvtSubscribe(
      L"System", L"((Event/System[EventID = 7])and (Event/System/Provider[@Name='BTHUSB']))",
      nullptr, &ipc::EventLogCallback, platform::EvtSubscribeToFutureEvents);
  dispatcher::GetState().bthUsbEventSubscription = handle;
}

void DeviceDriverErrorDetectEx::OnBthUsbEvent(const rapidxml::xml_node<>* event) {
  const auto* system = event ? event->first_node("System") : nullptr;
  const auto* eventId = system ? system->first_node("EventID") : nullptr;
  if (!eventId)
    return;
  const long id = std::atol(std::string(eventId->value(), eventId->value_size()).c_str());
  const int product = ProductAdapt::MachineType::GetInstance().GetProductIndex();
  if (id != kBthUsbEventId)
    return;
  auto& state = detector::Bluetooth();
  const int count = ++state.bthUsbEventCount;
  ReportBtDriverVersionEvent("609001042");
  if (product == kRepairProduct && count == 1) {
    ReHardByGpio();  // no wait: the re-power's own report follows, nothing looks at the module
    ReportBtDriverVersionEvent("609001043");
  } else if (count >= kBthUsbEventLimit) {
    if (void* handle = dispatcher::GetState().bthUsbEventSubscription.exchange(nullptr)) {
      platform::EvtClose(handle);
    }
  }
}
