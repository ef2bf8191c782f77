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

WifiState& Wifi();
TypeReportState& TypeReports();
BluetoothState& Bluetooth();
RealtekState& Realtek();

// Back to the state of a freshly loaded module (the tests run many lives in one process).
void ResetDetectorState();

}  // namespace detector

// Number of Realtek reset passes since start-up.
extern std::atomic<int> g_resetRealtekBtTime;
