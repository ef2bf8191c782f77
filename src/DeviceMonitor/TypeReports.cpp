// The USB-port and monitor device type reports: what is plugged into the laptop, at start-up
// and on every USB device or monitor arrival, at most 100 times each per process.
#include <mutex>

#include "DeviceMonitor/DetectorState.h"
#include "DeviceMonitor/DeviceDriverErrorDetectEx.h"
#include "common/Log.h"
#include "config/FuncSwitchConfig.h"
#include "hostapi/HardwareSdk.h"
#include "hostapi/StringConv.h"
#include "hostapi/VexSoftShelf.h"
#include "report/Report.h"

namespace {

constexpr std::uint64_t kMaxReports = 100;

bool HardwareReportSupported() {
  return CVexSoftShelf::GetInstance().IsSupportPlugin("orba_plugin_hardware_report");
}

}  // namespace

void DeviceDriverErrorDetectEx::ReportUsbDeviceType() {
  auto& state = detector::TypeReports();
  std::lock_guard lock(state.usbMutex);
  if (!HardwareReportSupported())
    return;
  if (state.usbReports >= kMaxReports) {
    LOG_ERROR("happen too many times");
    return;
  }
  if (!config::ReadFuncSwitch("usb", "ReportUsbDeviceType"))
    return;
  const auto hubs = UsbDeviceInterface().GetAllUsbPortDeviceTypeMp();
  if (hubs.empty())
    return;
  for (const auto& [hubId, ports] : hubs) {
    ReportPairList pairs = {{"hubId", StringProc::WStringToString(hubId)}};
    for (const auto& port : ports) {
      pairs.emplace_back(StringProc::WStringToString(port.strKey),
                         StringProc::WStringToString(port.strValue));
    }
    ReportEventWithDriverVersion(DEVICE_DRIVER_USB_PORT, "627001001", pairs);
  }
  ++state.usbReports;  // once per call, however many hubs
}

void DeviceDriverErrorDetectEx::ReportMonitorDeviceType() {
  auto& state = detector::TypeReports();
  std::lock_guard lock(state.monitorMutex);
  if (!HardwareReportSupported())
    return;
  // Note the test: more than 99, where the USB report tests 100 or more; the same limit.
  if (state.monitorReports > kMaxReports - 1) {
    LOG_ERROR("happen too many times");
    return;
  }
  if (!config::ReadFuncSwitch("monitor", "ReportMonitorDeviceType"))
    return;
  const auto addresses = MonitorDeviceInterface().GetMonitorAddressList();
  if (addresses.size() < 2)
    return;  // the built-in panel alone
  ReportPairList pairs = {{"Numbers", std::to_string(addresses.size())}};
  for (std::size_t i = 0; i < addresses.size(); ++i)
    pairs.emplace_back("Address" + std::to_string(i), std::to_string(addresses[i]));
  ReportEventWithDriverVersion(DEVICE_DRIVER_MONITOR, "627002001", pairs);
  ++state.monitorReports;
}
