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

WifiState& Wifi();
BluetoothState& Bluetooth();
RealtekState& Realtek();

// Back to the state of a freshly loaded module (the tests run many lives in one process).
void ResetDetectorState();

}  // namespace detector

// Number of Realtek reset passes since start-up.
extern std::atomic<int> g_resetRealtekBtTime;
