#pragma once
// Process-wide state of the Wi-Fi, Bluetooth and Realtek detectors. Each item has one
// writer as the detectors describe; atomics make the values whole for their readers.
#include <atomic>
#include <cstdint>

#include "platform/Mutex.h"

namespace detector {

struct WifiState {
  std::atomic<std::uint64_t> lastCheckMs{0};
  std::atomic<bool> checkRunning{false};
  platform::Mutex checkMutex;
};

struct BluetoothState {
  std::atomic<std::uint64_t> lastCheckMs{0};
  std::atomic<bool> checkRunning{false};
  platform::Mutex checkMutex;
  std::atomic<int> bthUsbEventCount{0};  // touched only by the event-log callback thread
};

struct RealtekState {
  std::atomic<bool> callbackRegistered{false};
  std::atomic<bool> repairRunning{false};
  std::atomic<std::uint64_t> resetTimeS{0};
  std::atomic<std::uint64_t> lastRepairTimeS{0};
  platform::Mutex repairMutex;
};

// The USB-port and monitor type reports: how many went out, each count under its mutex.
struct TypeReportState {
  platform::Mutex usbMutex;
  std::uint64_t usbReports = 0;
  platform::Mutex monitorMutex;
  std::uint64_t monitorReports = 0;
};

// The display audio repair: done at most once per process; one check at a time (the busy
// flag is taken by the trigger and given back by the check's thread).
struct DisplayAudioState {
  std::atomic<bool> repaired{false};
  std::atomic<bool> busy{false};
};

// The touchpad module: listening, and the count of reports in the current window.
struct TouchpadState {
  std::atomic<bool> started{false};
  std::atomic<std::int64_t> windowStartS{0};
  std::atomic<int> reportCount{0};
};

WifiState& Wifi();
TouchpadState& Touchpad();
DisplayAudioState& DisplayAudio();
TypeReportState& TypeReports();
BluetoothState& Bluetooth();
RealtekState& Realtek();

// Back to the state of a freshly loaded module (the tests run many lives in one process).
void ResetDetectorState();

}  // namespace detector

// Number of Realtek reset passes since start-up.
extern std::atomic<int> g_resetRealtekBtTime;
