#include "ipc/DispatcherState.h"

#include <mutex>

#include "platform/Mutex.h"

namespace dispatcher {

namespace {
platform::Mutex versionMutex;
std::wstring wifiVersion;
std::wstring btVersion;
}  // namespace

State& GetState() {
  static State state;
  return state;
}

std::wstring WifiDriverVersion() {
  std::lock_guard lock(versionMutex);
  return wifiVersion;
}

std::wstring BtDriverVersion() {
  std::lock_guard lock(versionMutex);
  return btVersion;
}

void SetDriverVersions(const std::wstring& wifi, const std::wstring& bluetooth) {
  std::lock_guard lock(versionMutex);
  wifiVersion = wifi;
  btVersion = bluetooth;
}

}  // namespace dispatcher
