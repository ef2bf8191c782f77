// The four listeners of device-interface changes and the detectors they run.
#include "DeviceMonitor/DeviceChangeLister.h"

#include "DeviceMonitor/AudioDeviceMoudle.h"
#include "DeviceMonitor/DeviceChangeNotifier.h"
#include "DeviceMonitor/DeviceDriverErrorDetectEx.h"
#include "hostapi/HardwareSdk.h"
#include "hostapi/VexSoftShelf.h"
#include "ipc/MsgEvent.h"

namespace {

constexpr platform::Guid kBluetoothRadio = {
    0x0850302A, 0xB344, 0x4FDA, {0x9B, 0xE9, 0x90, 0x57, 0x6B, 0x8D, 0x46, 0xF0}};
constexpr platform::Guid kNetworkInterface = {
    0xCAC88484, 0x7515, 0x4C03, {0x82, 0xE6, 0x71, 0xA8, 0x7A, 0xBA, 0xC3, 0x61}};
constexpr platform::Guid kUsbDevice = {
    0xA5DCBF10, 0x6530, 0x11D2, {0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED}};
constexpr platform::Guid kMonitor = {
    0xE6F07B5F, 0xEE97, 0x4A90, {0xB0, 0x76, 0x33, 0xF5, 0x7B, 0xF4, 0xEA, 0xA7}};

DeviceChangeLister bluetoothListener(DEVICE_DRIVER_BLUETOOTH);
DeviceChangeLister networkListener(DEVICE_DRIVER_WIFI);
DeviceChangeLister usbListener(DEVICE_DRIVER_USB_PORT);
DeviceChangeLister monitorListener(DEVICE_DRIVER_MONITOR);

bool WatchesHardwareReport() {
  return CVexSoftShelf::GetInstance().IsSupportPlugin("orba_plugin_hardware_report");
}

}  // namespace

void DeviceChangeLister::OnDeviceChange(const std::wstring&, const platform::Guid&,
                                        std::uint32_t event) {
  CMsgEvent transient;
  if (event == kArrival && m_deviceType == DEVICE_DRIVER_BLUETOOTH) {
    DeviceDriverErrorDetectEx::RegistRealtekCallBack();
    PostRealtekBtArrivedNotice(&transient);
  } else if (event == kArrival && m_deviceType == DEVICE_DRIVER_USB_PORT) {
    DeviceDriverErrorDetectEx::ReportUsbDeviceType();
  } else if (event == kArrival && m_deviceType == DEVICE_DRIVER_MONITOR) {
    CheckDisplayAudioOnMonitor();
    DeviceDriverErrorDetectEx::ReportMonitorDeviceType();
  } else if (event == kRemoval && m_deviceType == DEVICE_DRIVER_WIFI) {
    DeviceDriverErrorDetectEx::StartWifiCheck();
  } else if (event == kRemoval && m_deviceType == DEVICE_DRIVER_BLUETOOTH) {
    DeviceDriverErrorDetectEx::StartBtCheck();
  }
}

bool RegisterDeviceListeners() {
  auto& notifier = DeviceChangeNotifier::Instance();
  notifier.EnsureNotifyWindow();
  const bool bluetooth = notifier.RegisterListener(kBluetoothRadio, &bluetoothListener);
  const bool network = notifier.RegisterListener(kNetworkInterface, &networkListener);
  const bool monitor = notifier.RegisterListener(kMonitor, &monitorListener);
  if (WatchesHardwareReport())
    notifier.RegisterListener(kUsbDevice, &usbListener);
  return bluetooth && network && monitor;
}

void UnregisterDeviceListeners() {
  auto& notifier = DeviceChangeNotifier::Instance();
  notifier.UnregisterListener(kBluetoothRadio, &bluetoothListener);
  notifier.UnregisterListener(kNetworkInterface, &networkListener);
  if (WatchesHardwareReport()) {
    notifier.UnregisterListener(kUsbDevice, &usbListener);
    notifier.UnregisterListener(kMonitor, &monitorListener);
  }
}
