// The display audio check: its triggers, the check thread and the repair.
#include "DeviceMonitor/AudioDeviceMoudle.h"
#include "common/ModuleThread.h"

#include <cstdlib>
#include <string>
#include <vector>

#include "DeviceMonitor/DetectorState.h"
#include "common/Log.h"
#include "config/FuncSwitchConfig.h"
#include "hostapi/HardwareSdk.h"
#include "hostapi/Registry.h"
#include "platform/Sleep.h"
#include "platform/Thread.h"
#include "report/Report.h"

namespace {

constexpr platform::Guid kMediaClass = {
    0x4D36E96C, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};
constexpr platform::Guid kMonitorClass = {
    0x4D36E96E, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};
constexpr wchar_t kIntelVendor[] = L"VEN_8086";
constexpr wchar_t kConfigFile[] = L"/config/DeviceFuncSwitchConf.xml";

constexpr std::uint32_t kDefaultPointDelayMs = 10000;
constexpr std::uint32_t kDefaultScanDelayMs = 5000;
constexpr std::uint32_t kMinDelayMs = 1000;
constexpr std::uint32_t kMaxDelayMs = 60000;

bool RepairSwitchOn() {
  return config::ReadFuncSwitch("monitor", "DisplayAudioRepair");
}

bool InRange(std::uint32_t delayMs) {
  return delayMs >= kMinDelayMs && delayMs <= kMaxDelayMs;
}

// The first media-class hardware id of the Intel display audio device; empty when none.
std::wstring DisplayAudioHardwareId() {
  for (const auto& id : CDeviceInformention().GetDeviceHardwareID(kMediaClass)) {
    if (id.find(kIntelVendor) != std::wstring::npos)
      return id;
  }
  return L"";
}

void RunCheck() {
  auto& state = detector::DisplayAudio();
  if (state.repaired)
    return;
  std::uint32_t pointDelayMs = 0;
  std::uint32_t scanDelayMs = 0;
  if (!AudioDeviceMoudle::GetDelayTimeByConfig(pointDelayMs, scanDelayMs) ||
      !InRange(pointDelayMs) || !InRange(scanDelayMs)) {
    pointDelayMs = kDefaultPointDelayMs;
    scanDelayMs = kDefaultScanDelayMs;
  }
  if (!platform::Sleep(pointDelayMs))
    return;
  if (IsDisplayAudioSoftComponentMissing() && HasDisplayAudioEndpoint())
    AudioDeviceMoudle::ReairDisplayAudioError(scanDelayMs);
}

}  // namespace

void CheckDisplayAudioOnMonitor() {
  if (RepairSwitchOn())
    StartDisplayAudioCheck();
}

void AudioDeviceMoudle::AutoCheckDisplayAudioError() {
  if (!RepairSwitchOn())
    return;
  const auto monitors = CDeviceInformention().GetDeviceHardwareID(kMonitorClass);
  LOG_ERROR("size" + std::to_string(monitors.size()));
  // The built-in panel is one monitor; a second one is external.
  if (monitors.size() > 1)
    StartDisplayAudioCheck();
  else
    LOG_ERROR("no external monitor");
}

void StartDisplayAudioCheck() {
  auto& state = detector::DisplayAudio();
  if (state.busy.exchange(true))
    return;
  const bool started = START_MODULE_THREAD([] {
    RunCheck();
    detector::DisplayAudio().busy = false;
  });
  if (!started)
    state.busy = false;
}

bool AudioDeviceMoudle::GetDelayTimeByConfig(std::uint32_t& pointDelayMs,
                                             std::uint32_t& scanDelayMs) {
  std::wstring path;
  if (!ORBPROCESS::HELPER::GetSelfFullFilePath(path, kConfigFile) || !DE::FileExists(path)) {
    LOG_ERROR("DeviceMsg: process list for audio process not exist:");
    return false;
  }
  const std::string text = config::ReadEncryptedTextFile(path);
  std::string point;
  std::string scan;
  if (!config::FindConfigValue(text, "monitor", "PointDelay", point) ||
      !config::FindConfigValue(text, "monitor", "ScanDelay", scan)) {
    return false;
  }
  pointDelayMs = static_cast<std::uint32_t>(std::atoi(point.c_str()));
  scanDelayMs = static_cast<std::uint32_t>(std::atoi(scan.c_str()));
  return true;
}

bool IsDisplayAudioSoftComponentMissing() {
  const std::wstring id = DisplayAudioHardwareId();
  return !id.empty() && CDeviceInformention().GetSoftComponentItems(id).empty();
}

void AudioDeviceMoudle::ReairDisplayAudioError(std::uint32_t scanDelayMs) {
  const std::wstring id = DisplayAudioHardwareId();
  if (id.empty()) {
    LOG_ERROR("no display audio hard id");
    return;
  }
  const std::uint32_t result = CDeviceInformention().UnstallDeviceByHardwareIdEx(id, kMediaClass);
  // A stop cuts the wait short but not the rescan: the device must not stay uninstalled.
  if (scanDelayMs != 0)
    platform::Sleep(scanDelayMs);
  CDeviceDriver().ScanForHardwareChange();
  detector::DisplayAudio().repaired = true;
  ReportDisplayAudioResult("result", std::to_string(result));
  LOG_ERROR("repair display audio result: " + std::to_string(result));
}
