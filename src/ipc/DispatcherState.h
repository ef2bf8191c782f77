#pragma once
// Process-wide state that registration, the background jobs and shutdown share. Each item
// is written by single steps of its owner; the flags are atomic so readers on other
// threads see whole values.
#include <atomic>
#include <string>

namespace dispatcher {

struct State {
  std::atomic<bool> diskMonitoring{false};
  std::atomic<void*> diskEventSubscription{nullptr};
  std::atomic<void*> bthUsbEventSubscription{nullptr};
  std::atomic<bool> btRecheckPending{false};
  std::atomic<bool> realtekCallbackSupported{false};
};

State& GetState();

// Driver versions read once by the start-up jobs; empty until then.
std::wstring WifiDriverVersion();
std::wstring BtDriverVersion();
void SetDriverVersions(const std::wstring& wifi, const std::wstring& bluetooth);

}  // namespace dispatcher
