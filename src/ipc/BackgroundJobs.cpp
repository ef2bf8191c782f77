#include "ipc/BackgroundJobs.h"

#include "hostapi/HardwareSdk.h"
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
  // The Bluetooth, Wi-Fi, display audio, device type and Realtek start-up steps and the
  // device change listeners follow here as their detectors are built.
}

void RunDelayedDiskMonitor() {
  if (!platform::SleepUntilSteadyNs(platform::SteadyNowNs() + kDiskMonitorDelayNs))
    return;
  CMsgEvent transient;
  // The disk error event-log monitor starts here once it is built.
}

void RunBthUsbSubscription() {
  // The Bluetooth USB event-log subscription opens here once the Bluetooth check is built.
}

}  // namespace jobs
