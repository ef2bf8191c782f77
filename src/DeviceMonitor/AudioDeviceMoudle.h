#pragma once
// The Intel display audio repair: when an external monitor is attached and the display audio
// device has lost its software component while Windows still lists its output endpoint, the
// device is uninstalled and the hardware rescanned so that Windows installs it again. At most
// once per process; gated by the monitor/DisplayAudioRepair switch.
#include <cstdint>

class AudioDeviceMoudle {
 public:
  // The start-up and host-notification trigger: checks only when an external monitor is
  // attached (more than one monitor-class device).
  static void AutoCheckDisplayAudioError();
  // The monitor/PointDelay and monitor/ScanDelay values of the configuration file; false
  // when the file or either value is missing.
  static bool GetDelayTimeByConfig(std::uint32_t& pointDelayMs, std::uint32_t& scanDelayMs);
  // Uninstalls the device, waits the scan delay, rescans and reports the result.
  static void ReairDisplayAudioError(std::uint32_t scanDelayMs);
};

// The monitor-arrival trigger.
void CheckDisplayAudioOnMonitor();
// Starts the check thread unless one is pending.
void StartDisplayAudioCheck();
// The Intel display audio device is in the media class without a software component.
bool IsDisplayAudioSoftComponentMissing();
// A render endpoint of the local computer carries the display audio's friendly name.
bool HasDisplayAudioEndpoint();
