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
// ready threads, so a scenario plays the same way every time. A seeded schedule picks the
// next among the ready threads with a generator started from the seed instead, and may make
// a running thread give way at the plug-in's mutexes: every seed is another interleaving, and
// the same seed is the same one again. Parallel mode runs every ready thread at once (for
// ThreadSanitizer). Real mode uses the machine's clock.
//
// Nothing escapes the clock silently: a thread the scheduler does not know is adopted the
// moment it waits, sleeps or starts a thread; and when every tracked thread waits and none
// sleeps, the deadlock handler gets a report of who waits on what.
#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "emu/Random.h"

namespace emu {

enum class ClockMode { Virtual, Real };
enum class RunMode { Deterministic, Parallel };
enum class WakeReason { Normal, Stopping, Timeout };

// How a deterministic run picks its next thread: FIFO without a seed; with one, at random
// among the ready threads, and at each plug-in mutex operation the running thread gives way
// with the given chance.
struct Schedule {
  std::optional<std::uint64_t> seed;
  unsigned preemptPercent = 0;

  // The options a seed stands for (the chance of giving way is drawn from it too).
  static Schedule FromSeed(std::uint64_t seed);
};

struct TrackedThread;

// Threads blocked on one condition; used only under Scheduler::Lock(). The description
// names the condition in deadlock reports. An idle list is where a queue's thread waits for
// its next item: waiting there holds nobody up.
class WaitList {
 public:
  explicit WaitList(std::string what = "a condition", bool idle = false)
      : what_(std::move(what)), idle_(idle) {}
  bool Empty() const { return waiters_.empty(); }
  void Describe(std::string what) { what_ = std::move(what); }

 private:
  friend class Scheduler;
  std::string what_;
  bool idle_;
  std::deque<TrackedThread*> waiters_;
};

class Scheduler {
 public:
  static Scheduler& Instance();

  // Starts a new run at time 0. Only the calling thread may be tracked; otherwise it throws
  // std::logic_error naming the threads still alive.
  void Reset(ClockMode clock, RunMode mode, Schedule schedule = {});
  bool IsVirtual();
  RunMode Mode();

  // Nanoseconds since Reset.
  std::int64_t NowNs();

  // The lock that guards every wait list and waiter.
  std::mutex& Lock() { return mu_; }

  // With Lock() held: waits until another thread wakes this one through the list. A thread
  // that is not tracked yet is adopted as a waiter, without letting go of the lock first.
  WakeReason Block(std::unique_lock<std::mutex>& lock, WaitList& list);
  // With Lock() held: as Block, but also wakes at the deadline (ns since Reset) with Timeout,
  // and, when interruptible, at the module's stop with Stopping (at once if it stops).
  WakeReason BlockUntil(std::unique_lock<std::mutex>& lock, WaitList& list, std::int64_t deadlineNs,
                        bool interruptible);
  // With Lock() held: wakes the longest waiter, or all of them. Returns whether one woke.
  bool WakeOne(WaitList& list);
  void WakeAll(WaitList& list);

  // A point where a seeded schedule may let another ready thread run first (the plug-in's
  // mutex operations call it). Without a seed, or outside the deterministic virtual mode, it
  // does nothing.
  void MayGiveWay();

  // Sleeps until the deadline (ns since Reset). An interruptible sleep (the plug-in's own
  // waits, on any thread) ends early with Stopping once the module stops, and returns at
  // once while it is stopping.
  WakeReason SleepUntilNs(std::int64_t deadlineNs, bool interruptible = false);

  enum class ThreadKind { Module, Host };
  // Starts a tracked, detached thread. Returns false, without running the body, for a module
  // thread asked for while the module stops. Throws std::system_error when the operating
  // system cannot start it.
  bool StartThread(std::function<void()> body, ThreadKind kind, std::string name = "");

  // Tracks the calling thread (a driver such as fdhost's timeline) until Release.
  void AdoptCurrentThread(const std::string& name = "");
  void ReleaseCurrentThread();
  bool IsCurrentThreadTracked();

  // The module's stop: ends the interruptible sleeps and refuses new module threads.
  // JoinModuleThreads then returns once every module thread has returned.
  void StopModuleThreads();
  void JoinModuleThreads();
  void AllowModuleThreads();
  bool ModuleStopping();
  std::size_t ModuleThreadCount();

  // Host threads mark the calls they make into a loaded module's callbacks, so that an
  // unload can tell whether a thread is still inside the module.
  void EnterCallback();
  void LeaveCallback();
  // Waits until no thread inside a callback is ready, running or waiting for a lock
  // (callbacks that are about to return get to return), then names the threads still inside
  // one (asleep there).
  std::vector<std::string> ThreadsInsideCallbacks();

  // At the end of a run: waits until the calling thread is the only tracked one, as long as
  // others can still run without the clock moving; returns the names and waits of those
  // that remain (sleeping or blocked for good).
  std::vector<std::string> WaitForOthersToFinish();

  // Called, with the scheduler lock held, when every tracked thread waits and none sleeps.
  // It must not call into the scheduler; the default prints the report and aborts.
  using DeadlockHandler = std::function<void(const std::string& report, std::int64_t nowMs)>;
  void SetDeadlockHandler(DeadlockHandler handler);

  // Number of tracked threads (for tests and diagnostics).
  std::size_t TrackedCount();

 private:
  Scheduler() = default;
  TrackedThread* CurrentLocked(std::unique_lock<std::mutex>& lock);
  TrackedThread* NewThreadLocked(bool module, std::string name, const char* kindName);
  void MakeReadyLocked(TrackedThread* t, WakeReason reason);
  // Ends a timed wait's other half: its place in the sleepers, or in its wait list.
  void LeaveSleepersLocked(TrackedThread* t);
  static void LeaveWaitListLocked(TrackedThread* t);
  void DispatchLocked();
  TrackedThread* TakeNextReadyLocked();
  void ReportDeadlockLocked();
  void WaitUntilRunning(std::unique_lock<std::mutex>& lock, TrackedThread* t);
  void GiveUpCpuLocked(TrackedThread* t);
  void FinishLocked(TrackedThread* t);
  std::string DescribeLocked(const TrackedThread* t) const;
  std::vector<const TrackedThread*> InStartOrderLocked() const;
  // Waits on the list while another thread that matches can run (or, out of callbacks,
  // waits for a lock), then describes the other matching threads that are left.
  enum class Settle { OutOfCallbacks, Finished };
  std::vector<std::string> SettleLocked(std::unique_lock<std::mutex>& lock, WaitList& list,
                                        bool (*matches)(const TrackedThread*), Settle until);

  std::mutex mu_;
  ClockMode clock_ = ClockMode::Virtual;
  RunMode mode_ = RunMode::Deterministic;
  std::int64_t virtualNow_ = 0;
  std::int64_t realOrigin_ = 0;
  Schedule schedule_;
  // Set at Reset when a seeded serial run may give way: otherwise MayGiveWay takes no lock.
  std::atomic<bool> mayGiveWay_{false};
  Random random_{0};
  std::deque<TrackedThread*> ready_;
  std::map<std::pair<std::int64_t, std::uint64_t>, TrackedThread*> sleepers_;
  std::set<TrackedThread*> all_;
  std::size_t running_ = 0;
  std::size_t starting_ = 0;  // created, not yet queued: busy for the clock
  std::uint64_t nextSleepOrder_ = 0;
  std::uint64_t nextThreadNumber_ = 1;
  std::size_t moduleThreads_ = 0;
  bool moduleStopping_ = false;
  WaitList moduleJoin_{"the module's threads to return"};
  WaitList callbackSettled_{"callbacks to return or wait"};
  WaitList othersFinished_{"the other threads to finish"};
  DeadlockHandler deadlockHandler_;
};

// A condition variable on the scheduler lock.
class Condition {
 public:
  explicit Condition(std::string what = "a condition", bool idle = false)
      : list_(std::move(what), idle) {}
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
  void Describe(std::string what) { list_.Describe(std::move(what)); }

 private:
  WaitList list_;
};

// Marks a host thread's call into a module's callback for the length of a scope.
class CallbackScope {
 public:
  CallbackScope() { Scheduler::Instance().EnterCallback(); }
  ~CallbackScope() { Scheduler::Instance().LeaveCallback(); }
  CallbackScope(const CallbackScope&) = delete;
  CallbackScope& operator=(const CallbackScope&) = delete;
};

}  // namespace emu
