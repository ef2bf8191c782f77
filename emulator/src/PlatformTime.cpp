// Clocks, sleeps, threads and the mutex of the platform seam, on the emulator's scheduler.
#include <chrono>

#include "emu/Laptop.h"
#include "emu/Scheduler.h"
#include "platform/Clock.h"
#include "platform/Mutex.h"
#include "platform/Sleep.h"
#include "platform/Thread.h"

namespace platform {

namespace {
std::int64_t NowMs() {
  return emu::Scheduler::Instance().NowNs() / 1000000;
}
}  // namespace

std::uint64_t GetSystemTimeMs() {
  return static_cast<std::uint64_t>(emu::Laptop::Instance().StartEpochMs() + NowMs());
}

std::int64_t GetSystemTimeSeconds() {
  return static_cast<std::int64_t>(GetSystemTimeMs() / 1000);
}

std::uint64_t GetTickCount64() {
  return static_cast<std::uint64_t>(emu::Laptop::Instance().GetInt("boot_tick_ms", 0) + NowMs());
}

std::int64_t SteadyNowNs() {
  return emu::Scheduler::Instance().NowNs();
}

bool Sleep(std::uint32_t milliseconds) {
  auto& sched = emu::Scheduler::Instance();
  return sched.SleepUntilNs(sched.NowNs() + std::int64_t{milliseconds} * 1000000) ==
         emu::WakeReason::Normal;
}

bool SleepUntilSteadyNs(std::int64_t deadlineNs) {
  return emu::Scheduler::Instance().SleepUntilNs(deadlineNs) == emu::WakeReason::Normal;
}

bool IsModuleStopping() {
  return emu::Scheduler::Instance().ModuleStopping();
}

void StartDetachedThread(std::function<void()> body) {
  emu::Scheduler::Instance().StartThread(std::move(body), emu::Scheduler::ThreadKind::Module);
}

void ShutdownModuleThreads() {
  emu::Scheduler::Instance().StopModuleThreads();
}

namespace {
struct MutexState {
  bool locked = false;
  emu::WaitList waiters;
};
}  // namespace

Mutex::Mutex() : impl_(new MutexState()) {}

Mutex::~Mutex() {
  delete static_cast<MutexState*>(impl_);
}

void Mutex::lock() {
  auto& sched = emu::Scheduler::Instance();
  auto* state = static_cast<MutexState*>(impl_);
  std::unique_lock guard(sched.Lock());
  if (!state->locked) {
    state->locked = true;
    return;
  }
  // unlock() hands the mutex straight to the longest waiter.
  sched.Block(guard, state->waiters);
}

void Mutex::unlock() {
  auto& sched = emu::Scheduler::Instance();
  auto* state = static_cast<MutexState*>(impl_);
  std::unique_lock guard(sched.Lock());
  if (!sched.WakeOne(state->waiters))
    state->locked = false;
}

bool Mutex::try_lock() {
  auto& sched = emu::Scheduler::Instance();
  auto* state = static_cast<MutexState*>(impl_);
  std::unique_lock guard(sched.Lock());
  if (state->locked)
    return false;
  state->locked = true;
  return true;
}

}  // namespace platform
