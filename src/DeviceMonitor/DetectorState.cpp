#include "DeviceMonitor/DetectorState.h"

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

}  // namespace detector
