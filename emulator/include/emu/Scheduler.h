#pragma once
// The emulator's scheduler: tracked threads and the clock they wait on.
//
// Virtual clock: time moves only when no tracked thread is busy. A thread is busy unless it
// sleeps, or waits in Block() on a WaitList (mutexes, queues, joins). Then the clock jumps to
// the earliest deadline and exactly the sleepers due then wake. Whoever wakes a thread marks
// it ready under the scheduler lock before letting go, so the clock never jumps while work
// is in flight.
//
// Deterministic mode runs one tracked thread at a time, picking the next from a FIFO of
// ready threads, so a scenario plays the same way every time. Parallel mode runs every ready
// thread at once (for ThreadSanitizer). Real mode uses the machine's clock.
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <utility>

namespace emu {

enum class ClockMode { Virtual, Real };
enum class RunMode { Deterministic, Parallel };
enum class WakeReason { Normal, Stopping };

struct TrackedThread;

// Threads blocked on one condition; used only under Scheduler::Lock().
class WaitList {
 public:
  bool Empty() const { return waiters_.empty(); }

 private:
  friend class Scheduler;
  std::deque<TrackedThread*> waiters_;
};

class Scheduler {
 public:
  static Scheduler& Instance();

  // Starts a new run at time 0. Only while no other tracked thread exists.
  void Reset(ClockMode clock, RunMode mode);
  bool IsVirtual();

  // Nanoseconds since Reset.
  std::int64_t NowNs();

  // The lock that guards every wait list and waiter.
  std::mutex& Lock() { return mu_; }

  // With Lock() held: waits until another thread wakes this one through the list. A thread
  // that is not tracked yet is adopted first.
  WakeReason Block(std::unique_lock<std::mutex>& lock, WaitList& list);
  // With Lock() held: wakes the longest waiter, or all of them. Returns whether one woke.
  bool WakeOne(WaitList& list);
  void WakeAll(WaitList& list);

  // Sleeps until the deadline (ns since Reset). Module threads wake early with Stopping
  // while the module is being unloaded.
  WakeReason SleepUntilNs(std::int64_t deadlineNs);

  enum class ThreadKind { Module, Host };
  // Starts a tracked, detached thread. Throws std::system_error when it cannot start.
  // A module thread asked for while the module is stopping is not started.
  void StartThread(std::function<void()> body, ThreadKind kind);

  // Tracks the calling thread (a driver such as fdhost's timeline) until Release.
  void AdoptCurrentThread();
  void ReleaseCurrentThread();
  bool IsCurrentThreadTracked();

  // Ends pending sleeps of module threads and returns once all have returned. New module
  // threads are refused until AllowModuleThreads().
  void StopModuleThreads();
  void AllowModuleThreads();
  bool ModuleStopping();

  // Number of tracked threads (for tests and diagnostics).
  std::size_t TrackedCount();

 private:
  Scheduler() = default;
  TrackedThread* CurrentLocked(std::unique_lock<std::mutex>& lock);
  TrackedThread* AdoptLocked(std::unique_lock<std::mutex>& lock);
  void MakeReadyLocked(TrackedThread* t, WakeReason reason);
  void DispatchLocked();
  void WaitUntilRunning(std::unique_lock<std::mutex>& lock, TrackedThread* t);
  void GiveUpCpuLocked(TrackedThread* t);
  void FinishLocked(TrackedThread* t);

  std::mutex mu_;
  ClockMode clock_ = ClockMode::Virtual;
  RunMode mode_ = RunMode::Deterministic;
  std::int64_t virtualNow_ = 0;
  std::int64_t realOrigin_ = 0;
  std::deque<TrackedThread*> ready_;
  std::map<std::pair<std::int64_t, std::uint64_t>, TrackedThread*> sleepers_;
  std::set<TrackedThread*> all_;
  std::size_t running_ = 0;
  std::uint64_t nextSleepOrder_ = 0;
  std::size_t moduleThreads_ = 0;
  bool moduleStopping_ = false;
  WaitList moduleJoin_;
};

// A condition variable on the scheduler lock.
class Condition {
 public:
  WakeReason Wait(std::unique_lock<std::mutex>& lock) {
    return Scheduler::Instance().Block(lock, list_);
  }
  template <class Pred>
  void Wait(std::unique_lock<std::mutex>& lock, Pred pred) {
    while (!pred())
      Wait(lock);
  }
  void NotifyOne() { Scheduler::Instance().WakeOne(list_); }
  void NotifyAll() { Scheduler::Instance().WakeAll(list_); }

 private:
  WaitList list_;
};

}  // namespace emu
