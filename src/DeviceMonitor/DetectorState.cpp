#include "DeviceMonitor/DetectorState.h"

#include <mutex>

std::atomic<int> g_resetRealtekBtTime{0};

namespace detector {

WifiState& Wifi() {
  static WifiState state;
  return state;
}

BluetoothState& Bluetooth() {
  static BluetoothState state;
  return state;
}

RealtekState& Realtek() {
  static RealtekState state;
  return state;
}

TouchpadState& Touchpad() {
  static TouchpadState state;
  return state;
}

DisplayAudioState& DisplayAudio() {
  static DisplayAudioState state;
  return state;
}

TypeReportState& TypeReports() {
  static TypeReportState state;
  return state;
}

void ResetDetectorState() {
  Wifi().lastCheckMs = 0;
  Wifi().checkRunning = false;
  Bluetooth().lastCheckMs = 0;
  Bluetooth().checkRunning = false;
  Bluetooth().bthUsbEventCount = 0;
  Realtek().callbackRegistered = false;
  Realtek().repairRunning = false;
  Realtek().resetTimeS = 0;
  Realtek().lastRepairTimeS = 0;
  g_resetRealtekBtTime = 0;
  DisplayAudio().repaired = false;
  Touchpad().started = false;
  Touchpad().windowStartS = 0;
  Touchpad().reportCount = 0;
  DisplayAudio().busy = false;
  {
    std::lock_guard lock(TypeReports().usbMutex);
    TypeReports().usbReports = 0;
  }
  std::lock_guard lock(TypeReports().monitorMutex);
  TypeReports().monitorReports = 0;
}

}  // namespace detector
