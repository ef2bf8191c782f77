// Clocks, sleeps, threads and the mutex of the platform seam, on the emulator's scheduler.
#include <chrono>

#include <system_error>

#include "emu/Faults.h"
#include "emu/Laptop.h"
#include "emu/Scheduler.h"
#include "platform/Clock.h"
#include "platform/Mutex.h"
#include "platform/Sleep.h"
#include "platform/Thread.h"

namespace platform {

namespace {
constexpr auto kBootTick = emu::FactOf("boot_tick_ms", emu::FactType::Integer);
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
  return static_cast<std::uint64_t>(emu::Laptop::Instance().Int(kBootTick) + NowMs());
}

std::int64_t SteadyNowNs() {
  return emu::Scheduler::Instance().NowNs();
}

bool Sleep(std::uint32_t milliseconds) {
  auto& sched = emu::Scheduler::Instance();
  return sched.SleepUntilNs(sched.NowNs() + std::int64_t{milliseconds} * 1000000, true) ==
         emu::WakeReason::Normal;
}

bool SleepUntilSteadyNs(std::int64_t deadlineNs) {
  return emu::Scheduler::Instance().SleepUntilNs(deadlineNs, true) == emu::WakeReason::Normal;
}

bool IsModuleStopping() {
  return emu::Scheduler::Instance().ModuleStopping();
}

bool StartDetachedThread(std::function<void()> body) {
  // CreateThread failing is the standard library's std::system_error to the caller.
  if (const auto error = emu::InjectedFault(emu::FaultOf("CreateThread")))
    throw std::system_error(static_cast<int>(*error), std::system_category(), "CreateThread");
  return emu::Scheduler::Instance().StartThread(std::move(body),
                                                emu::Scheduler::ThreadKind::Module);
}

void StopModuleThreads() {
  emu::Scheduler::Instance().StopModuleThreads();
}

void JoinModuleThreads() {
  emu::Scheduler::Instance().JoinModuleThreads();
}

void RestartModuleThreads() {
  emu::Scheduler::Instance().AllowModuleThreads();
}

namespace {
struct MutexState {
  bool locked = false;
  emu::WaitList waiters{"a plug-in mutex"};
};

void UnlockLocked(emu::Scheduler& sched, MutexState& state) {
  // The longest waiter gets the mutex straight away.
  if (!sched.WakeOne(state.waiters))
    state.locked = false;
}

void LockLocked(emu::Scheduler& sched, std::unique_lock<std::mutex>& guard, MutexState& state) {
  if (!state.locked) {
    state.locked = true;
    return;
  }
  sched.Block(guard, state.waiters);
}
}  // namespace

Mutex::Mutex() : impl_(new MutexState()) {}

Mutex::~Mutex() {
  delete static_cast<MutexState*>(impl_);
}

void Mutex::lock() {
  auto& sched = emu::Scheduler::Instance();
  sched.MayGiveWay();
  std::unique_lock guard(sched.Lock());
  LockLocked(sched, guard, *static_cast<MutexState*>(impl_));
}

void Mutex::unlock() {
  auto& sched = emu::Scheduler::Instance();
  {
    std::unique_lock guard(sched.Lock());
    UnlockLocked(sched, *static_cast<MutexState*>(impl_));
  }
  sched.MayGiveWay();
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

namespace platform {

ConditionVariable::ConditionVariable() : impl_(new emu::WaitList("a plug-in condition")) {}

ConditionVariable::~ConditionVariable() {
  delete static_cast<emu::WaitList*>(impl_);
}

void ConditionVariable::Wait(std::unique_lock<Mutex>& lock) {
  auto& sched = emu::Scheduler::Instance();
  auto& mutex = *static_cast<MutexState*>(lock.mutex()->impl_);
  std::unique_lock guard(sched.Lock());
  // Releasing the mutex and joining the waiters is one step under the scheduler lock, so no
  // wake-up is lost in between.
  UnlockLocked(sched, mutex);
  sched.Block(guard, *static_cast<emu::WaitList*>(impl_));
  LockLocked(sched, guard, mutex);
}

void ConditionVariable::NotifyAll() {
  auto& sched = emu::Scheduler::Instance();
  std::unique_lock guard(sched.Lock());
  sched.WakeAll(*static_cast<emu::WaitList*>(impl_));
}

}  // namespace platform
