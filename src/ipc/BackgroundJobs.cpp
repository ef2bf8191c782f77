#include "ipc/BackgroundJobs.h"

#include "DeviceMonitor/AudioDeviceMoudle.h"
#include "DeviceMonitor/DeviceChangeLister.h"
#include "DeviceMonitor/DeviceDriverErrorDetectEx.h"
#include "hostapi/HardwareSdk.h"
#include "ipc/DiskEventMonitor.h"
#include "ipc/DispatcherState.h"
#include "ipc/MsgEvent.h"
#include "platform/Clock.h"
#include "platform/Sleep.h"

namespace jobs {

namespace {
constexpr std::int64_t kDiskMonitorDelayNs = 600'000'000'000;
}

void RunStartupJobs() {
  dispatcher::SetDriverVersions(GetDeviceDriverVersion(DEVICE_DRIVER_WIFI),
                                GetDeviceDriverVersion(DEVICE_DRIVER_BLUETOOTH));
  DeviceDriverErrorDetectEx::StartBtCheck();
  if (platform::IsModuleStopping())
    return;
  DeviceDriverErrorDetectEx::CheckWifiCard(true);
  if (platform::IsModuleStopping())
    return;
  AudioDeviceMoudle::AutoCheckDisplayAudioError();
  CMsgEvent transient;
  DeviceDriverErrorDetectEx::ReportMonitorDeviceType();
  DeviceDriverErrorDetectEx::ReportUsbDeviceType();
  dispatcher::GetState().realtekCallbackSupported = IsSupportRealtekCallback();
  if (CBluetooth().GetDeviceErrorState() == 0)
    DeviceDriverErrorDetectEx::RegistRealtekCallBack();
  RegisterDeviceListeners();
}

void RunDelayedDiskMonitor() {
  if (!platform::SleepUntilSteadyNs(platform::SteadyNowNs() + kDiskMonitorDelayNs))
    return;
  CMsgEvent transient;
  diskmonitor::Start();
}

void RunBthUsbSubscription() {
  DeviceDriverErrorDetectEx::SubscribeBthUsbEvents();
}

}  // namespace jobs
