// The module's threads, waits and locks over Win32: threads from CreateThread, the module's
// stop as a manual-reset event that every wait of the plug-in also waits on (so a stop ends a
// sleep at once, without polling), SRW locks and condition variables, and the clocks.
#include <chrono>
#include <functional>
#include <memory>
#include <stdexcept>
#include <system_error>
#include <vector>

#include "platform/Clock.h"
#include "platform/Mutex.h"
#include "platform/Sleep.h"
#include "platform/Thread.h"

#include "Win32.h"

namespace platform {

namespace {

struct ModuleThreads {
  SRWLOCK lock = SRWLOCK_INIT;
  HANDLE stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);  // manual reset, not signalled
  std::vector<HANDLE> running;                                // handles of threads not yet joined
};

ModuleThreads& Threads() {
  static auto* threads = new ModuleThreads();  // outlives every thread it tracks
  return *threads;
}

DWORD WINAPI ThreadMain(void* parameter) {
  std::unique_ptr<std::function<void()>> body(static_cast<std::function<void()>*>(parameter));
  (*body)();
  return 0;
}

// Closes the handles of threads that have returned, so a long life does not keep them all.
void PruneFinished(ModuleThreads& t) {
  auto& r = t.running;
  for (auto it = r.begin(); it != r.end();) {
    if (WaitForSingleObject(*it, 0) == WAIT_OBJECT_0) {
      CloseHandle(*it);
      it = r.erase(it);
    } else {
      ++it;
    }
  }
}

}  // namespace

bool StartDetachedThread(std::function<void()> body) {
  auto& t = Threads();
  AcquireSRWLockExclusive(&t.lock);
  if (WaitForSingleObject(t.stop, 0) == WAIT_OBJECT_0) {
    ReleaseSRWLockExclusive(&t.lock);
    return false;  // the module is stopping: no new thread
  }
  PruneFinished(t);
  auto* parameter = new std::function<void()>(std::move(body));
  HANDLE thread = CreateThread(nullptr, 0, &ThreadMain, parameter, 0, nullptr);
  if (thread)
    t.running.push_back(thread);
  ReleaseSRWLockExclusive(&t.lock);
  if (!thread) {
    const DWORD error = GetLastError();
    delete parameter;
    throw std::system_error(static_cast<int>(error), std::system_category(), "CreateThread");
  }
  return true;
}

HANDLE ModuleStopEvent() {
  return Threads().stop;
}

void StopModuleThreads() {
  SetEvent(Threads().stop);
}

void JoinModuleThreads() {
  auto& t = Threads();
  for (;;) {
    AcquireSRWLockExclusive(&t.lock);
    std::vector<HANDLE> handles;
    handles.swap(t.running);
    ReleaseSRWLockExclusive(&t.lock);
    if (handles.empty())
      return;
    // Waiting on the handle, not on a count the thread lowers, means the thread has left the
    // module's code entirely when the wait ends: the module may be unloaded next.
    for (HANDLE h : handles) {
      WaitForSingleObject(h, INFINITE);
      CloseHandle(h);
    }
  }
}

void RestartModuleThreads() {
  ResetEvent(Threads().stop);
}

bool Sleep(std::uint32_t milliseconds) {
  return WaitForSingleObject(Threads().stop, milliseconds) == WAIT_TIMEOUT;
}

bool SleepUntilSteadyNs(std::int64_t deadlineNs) {
  const std::int64_t left = deadlineNs - SteadyNowNs();
  if (left <= 0)
    return !IsModuleStopping();
  return Sleep(static_cast<std::uint32_t>((left + 999999) / 1000000));
}

bool IsModuleStopping() {
  return WaitForSingleObject(Threads().stop, 0) == WAIT_OBJECT_0;
}

Mutex::Mutex() : impl_(new SRWLOCK(SRWLOCK_INIT)) {}
Mutex::~Mutex() {
  delete static_cast<SRWLOCK*>(impl_);
}
void Mutex::lock() {
  AcquireSRWLockExclusive(static_cast<SRWLOCK*>(impl_));
}
void Mutex::unlock() {
  ReleaseSRWLockExclusive(static_cast<SRWLOCK*>(impl_));
}
bool Mutex::try_lock() {
  return TryAcquireSRWLockExclusive(static_cast<SRWLOCK*>(impl_)) != 0;
}

ConditionVariable::ConditionVariable() : impl_(new CONDITION_VARIABLE(CONDITION_VARIABLE_INIT)) {}
ConditionVariable::~ConditionVariable() {
  delete static_cast<CONDITION_VARIABLE*>(impl_);
}
void ConditionVariable::Wait(std::unique_lock<Mutex>& lock) {
  SleepConditionVariableSRW(static_cast<CONDITION_VARIABLE*>(impl_),
                            static_cast<SRWLOCK*>(lock.mutex()->impl_), INFINITE, 0);
}
void ConditionVariable::NotifyAll() {
  WakeAllConditionVariable(static_cast<CONDITION_VARIABLE*>(impl_));
}

std::uint64_t GetSystemTimeMs() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  const std::uint64_t ticks = (std::uint64_t{now.dwHighDateTime} << 32) | now.dwLowDateTime;
  constexpr std::uint64_t kUnixEpochIn100ns = 116444736000000000ULL;
  return (ticks - kUnixEpochIn100ns) / 10000;
}

std::int64_t GetSystemTimeSeconds() {
  return static_cast<std::int64_t>(GetSystemTimeMs() / 1000);
}

std::uint64_t GetTickCount64() {
  return ::GetTickCount64();
}

std::int64_t SteadyNowNs() {
  LARGE_INTEGER counter, frequency;
  QueryPerformanceCounter(&counter);
  QueryPerformanceFrequency(&frequency);
  const auto c = static_cast<std::int64_t>(counter.QuadPart);
  const auto f = static_cast<std::int64_t>(frequency.QuadPart);
  return c / f * 1000000000 + c % f * 1000000000 / f;
}

}  // namespace platform
