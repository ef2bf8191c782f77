#include "emu/Scheduler.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <limits>
#include <stdexcept>
#include <system_error>
#include <thread>

namespace emu {

struct TrackedThread {
  enum class State { Ready, Running, Sleeping, Blocked };
  State state = State::Ready;
  bool module = false;
  bool interruptible = false;  // the current sleep ends at a module stop
  WakeReason reason = WakeReason::Normal;
  std::string name;
  std::uint64_t number = 0;
  WaitList* waitingOn = nullptr;
  std::int64_t sleepUntil = 0;
  bool timed = false;  // blocked with a deadline: also among the sleepers
  std::pair<std::int64_t, std::uint64_t> sleepKey{0, 0};
  int callbackDepth = 0;
  std::condition_variable cv;
};

namespace {

thread_local TrackedThread* tlsSelf = nullptr;

std::int64_t RealNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// Releases an adopted thread that exits without saying so.
struct AdoptionGuard {
  bool armed = false;
  ~AdoptionGuard() {
    if (armed && tlsSelf)
      Scheduler::Instance().ReleaseCurrentThread();
  }
};
thread_local AdoptionGuard tlsAdoption;

}  // namespace

Scheduler& Scheduler::Instance() {
  // Never destroyed: threads and static destructors of unloading modules may still use it.
  static Scheduler* instance = new Scheduler();
  return *instance;
}

Schedule Schedule::FromSeed(std::uint64_t seed) {
  // The chance of giving way is the seed's own option: from none (only the pick among ready
  // threads varies) to often.
  static constexpr unsigned kPreemptPercents[] = {0, 2, 10, 30};
  Schedule s;
  s.seed = seed;
  s.preemptPercent = kPreemptPercents[Random(~seed).Below(std::size(kPreemptPercents))];
  return s;
}

void Scheduler::Reset(ClockMode clock, RunMode mode, Schedule schedule) {
  AdoptCurrentThread();
  std::string stuck;
  for (const auto& leftover : WaitForOthersToFinish()) {
    if (leftover.find("(idle)") == std::string::npos)
      stuck += "\n  " + leftover;
  }
  if (!stuck.empty())
    throw std::logic_error("Scheduler::Reset while other threads still wait:" + stuck);
  std::lock_guard lock(mu_);
  clock_ = clock;
  mode_ = mode;
  schedule_ = schedule;
  mayGiveWay_ = schedule.seed && schedule.preemptPercent > 0 && clock == ClockMode::Virtual &&
                mode == RunMode::Deterministic;
  random_ = Random(schedule.seed.value_or(0));
  virtualNow_ = 0;
  realOrigin_ = RealNs();
  moduleStopping_ = false;
}

bool Scheduler::IsVirtual() {
  std::lock_guard lock(mu_);
  return clock_ == ClockMode::Virtual;
}

RunMode Scheduler::Mode() {
  std::lock_guard lock(mu_);
  return mode_;
}

std::int64_t Scheduler::NowNs() {
  std::lock_guard lock(mu_);
  return clock_ == ClockMode::Virtual ? virtualNow_ : RealNs() - realOrigin_;
}

TrackedThread* Scheduler::NewThreadLocked(bool module, std::string name, const char* kindName) {
  auto* t = new TrackedThread();
  t->module = module;
  const std::uint64_t number = nextThreadNumber_++;
  t->number = number;
  t->name = (name.empty() ? std::string(kindName) : name) + " #" + std::to_string(number);
  all_.insert(t);
  return t;
}

TrackedThread* Scheduler::CurrentLocked(std::unique_lock<std::mutex>& lock) {
  if (tlsSelf)
    return tlsSelf;
  tlsSelf = NewThreadLocked(false, "", "adopted thread");
  tlsAdoption.armed = true;
  MakeReadyLocked(tlsSelf, WakeReason::Normal);
  WaitUntilRunning(lock, tlsSelf);
  return tlsSelf;
}

void Scheduler::MakeReadyLocked(TrackedThread* t, WakeReason reason) {
  t->reason = reason;
  t->waitingOn = nullptr;
  if (clock_ == ClockMode::Real) {
    t->state = TrackedThread::State::Running;
    t->cv.notify_one();
    return;
  }
  t->state = TrackedThread::State::Ready;
  ready_.push_back(t);
  DispatchLocked();
}

void Scheduler::DispatchLocked() {
  if (clock_ == ClockMode::Real)
    return;
  const std::size_t limit =
      mode_ == RunMode::Deterministic ? 1 : std::numeric_limits<std::size_t>::max();
  for (;;) {
    while (running_ < limit && !ready_.empty()) {
      TrackedThread* t = TakeNextReadyLocked();
      t->state = TrackedThread::State::Running;
      ++running_;
      t->cv.notify_one();
    }
    if (running_ > 0 || !ready_.empty() || starting_ > 0)
      return;
    if (sleepers_.empty()) {
      ReportDeadlockLocked();
      return;
    }
    // Nobody is busy: jump to the earliest deadline and wake exactly the sleepers due then.
    virtualNow_ = std::max(virtualNow_, sleepers_.begin()->first.first);
    while (!sleepers_.empty() && sleepers_.begin()->first.first <= virtualNow_) {
      TrackedThread* t = sleepers_.begin()->second;
      sleepers_.erase(sleepers_.begin());
      t->reason = t->timed ? WakeReason::Timeout : WakeReason::Normal;
      LeaveWaitListLocked(t);
      t->state = TrackedThread::State::Ready;
      ready_.push_back(t);
    }
  }
}

TrackedThread* Scheduler::TakeNextReadyLocked() {
  std::size_t index = 0;
  if (schedule_.seed && mode_ == RunMode::Deterministic && ready_.size() > 1)
    index = static_cast<std::size_t>(random_.Next() % ready_.size());
  TrackedThread* t = ready_[index];
  ready_.erase(ready_.begin() + static_cast<std::ptrdiff_t>(index));
  return t;
}

void Scheduler::MayGiveWay() {
  // The plug-in's every mutex operation comes here: unseeded runs leave at once.
  if (!mayGiveWay_.load(std::memory_order_relaxed))
    return;
  std::unique_lock lock(mu_);
  TrackedThread* t = tlsSelf;
  if (!t || t->state != TrackedThread::State::Running || ready_.empty())
    return;
  if (random_.Next() % 100 >= schedule_.preemptPercent)
    return;
  t->state = TrackedThread::State::Ready;
  ready_.push_back(t);
  GiveUpCpuLocked(t);
  WaitUntilRunning(lock, t);
}

std::vector<const TrackedThread*> Scheduler::InStartOrderLocked() const {
  std::vector<const TrackedThread*> threads(all_.begin(), all_.end());
  std::sort(threads.begin(), threads.end(),
            [](const TrackedThread* a, const TrackedThread* b) { return a->number < b->number; });
  return threads;
}

std::string Scheduler::DescribeLocked(const TrackedThread* t) const {
  switch (t->state) {
    case TrackedThread::State::Ready:
      return t->name + ": ready";
    case TrackedThread::State::Running:
      return t->name + ": running";
    case TrackedThread::State::Sleeping:
      return t->name + ": sleeping until " + std::to_string(t->sleepUntil / 1000000) + " ms";
    case TrackedThread::State::Blocked:
      break;
  }
  const WaitList* on = t->waitingOn;
  std::string text = t->name + ": waits for " + (on ? on->what_ : std::string("?"));
  if (t->timed)
    text += " until " + std::to_string(t->sleepUntil / 1000000) + " ms";
  if (on && on->idle_)
    text += " (idle)";
  return text;
}

void Scheduler::ReportDeadlockLocked() {
  // Threads that only wait for their next piece of work hold nobody up.
  bool stuck = false;
  for (const TrackedThread* t : all_) {
    if (t->state == TrackedThread::State::Blocked && !(t->waitingOn && t->waitingOn->idle_))
      stuck = true;
  }
  if (!stuck)
    return;
  std::string report = "deadlock: no thread can run and none sleeps";
  for (const TrackedThread* t : InStartOrderLocked())
    report += "\n  " + DescribeLocked(t);
  const std::int64_t nowMs = virtualNow_ / 1000000;
  if (deadlockHandler_) {
    deadlockHandler_(report, nowMs);
    return;
  }
  std::fprintf(stderr, "%s\n", report.c_str());
  std::abort();
}

void Scheduler::SetDeadlockHandler(DeadlockHandler handler) {
  std::lock_guard lock(mu_);
  deadlockHandler_ = std::move(handler);
}

void Scheduler::WaitUntilRunning(std::unique_lock<std::mutex>& lock, TrackedThread* t) {
  t->cv.wait(lock, [t] { return t->state == TrackedThread::State::Running; });
}

void Scheduler::GiveUpCpuLocked(TrackedThread* t) {
  // Whoever waits for callbacks or threads to settle looks again.
  if (t->callbackDepth > 0)
    WakeAll(callbackSettled_);
  WakeAll(othersFinished_);
  if (clock_ == ClockMode::Virtual) {
    --running_;
    DispatchLocked();
  }
}

WakeReason Scheduler::Block(std::unique_lock<std::mutex>& lock, WaitList& list) {
  TrackedThread* t = tlsSelf;
  const bool adopted = t == nullptr;
  if (adopted) {
    // Adopted straight into the wait: letting go of the lock to queue for a turn first could
    // lose a wake-up that arrives meanwhile.
    t = tlsSelf = NewThreadLocked(false, "", "adopted thread");
    tlsAdoption.armed = true;
  }
  t->state = TrackedThread::State::Blocked;
  t->waitingOn = &list;
  // Giving up the CPU first: it wakes those who wait for threads to settle, and this thread
  // is not to wake itself.
  if (!adopted)
    GiveUpCpuLocked(t);
  list.waiters_.push_back(t);
  if (adopted && clock_ == ClockMode::Virtual)
    DispatchLocked();
  WaitUntilRunning(lock, t);
  return t->reason;
}

bool Scheduler::WakeOne(WaitList& list) {
  if (list.waiters_.empty())
    return false;
  TrackedThread* t = list.waiters_.front();
  list.waiters_.pop_front();
  LeaveSleepersLocked(t);
  MakeReadyLocked(t, WakeReason::Normal);
  return true;
}

void Scheduler::LeaveSleepersLocked(TrackedThread* t) {
  if (!t->timed)
    return;
  t->timed = false;
  sleepers_.erase(t->sleepKey);
}

void Scheduler::LeaveWaitListLocked(TrackedThread* t) {
  if (!t->timed)
    return;
  t->timed = false;
  if (t->waitingOn) {
    auto& waiters = t->waitingOn->waiters_;
    waiters.erase(std::remove(waiters.begin(), waiters.end(), t), waiters.end());
    t->waitingOn = nullptr;
  }
}

WakeReason Scheduler::BlockUntil(std::unique_lock<std::mutex>& lock, WaitList& list,
                                 std::int64_t deadlineNs, bool interruptible) {
  if (interruptible && moduleStopping_)
    return WakeReason::Stopping;
  TrackedThread* t = CurrentLocked(lock);
  if (clock_ == ClockMode::Real) {
    // The real clock: wait on the thread's own condition until woken through the list, the
    // stop, or the deadline.
    const auto deadline =
        std::chrono::steady_clock::time_point(std::chrono::nanoseconds(realOrigin_ + deadlineNs));
    t->state = TrackedThread::State::Blocked;
    t->waitingOn = &list;
    t->interruptible = interruptible;
    t->timed = true;
    list.waiters_.push_back(t);
    t->reason = WakeReason::Normal;
    const bool woken =
        t->cv.wait_until(lock, deadline, [t] { return t->state == TrackedThread::State::Running; });
    if (!woken) {
      LeaveWaitListLocked(t);
      t->reason = WakeReason::Timeout;
    }
    t->timed = false;
    t->state = TrackedThread::State::Running;
    t->interruptible = false;
    t->waitingOn = nullptr;
    return t->reason;
  }
  if (deadlineNs <= virtualNow_) {
    // Already due: a zero-length wait yields to the other ready threads.
    t->state = TrackedThread::State::Ready;
    ready_.push_back(t);
    GiveUpCpuLocked(t);
    WaitUntilRunning(lock, t);
    return WakeReason::Timeout;
  }
  t->state = TrackedThread::State::Blocked;
  t->waitingOn = &list;
  t->interruptible = interruptible;
  t->sleepUntil = deadlineNs;
  t->timed = true;
  t->sleepKey = {deadlineNs, nextSleepOrder_++};
  sleepers_.emplace(t->sleepKey, t);
  list.waiters_.push_back(t);
  GiveUpCpuLocked(t);
  WaitUntilRunning(lock, t);
  t->interruptible = false;
  return t->reason;
}

void Scheduler::WakeAll(WaitList& list) {
  while (WakeOne(list)) {
  }
}

WakeReason Scheduler::SleepUntilNs(std::int64_t deadlineNs, bool interruptible) {
  std::unique_lock lock(mu_);
  if (interruptible && moduleStopping_)
    return WakeReason::Stopping;
  TrackedThread* t = tlsSelf;
  const bool adopted = t == nullptr;
  if (adopted) {
    t = tlsSelf = NewThreadLocked(false, "", "adopted thread");
    tlsAdoption.armed = true;
  }
  t->interruptible = interruptible;
  t->sleepUntil = deadlineNs;
  if (clock_ == ClockMode::Real) {
    const auto deadline =
        std::chrono::steady_clock::time_point(std::chrono::nanoseconds(realOrigin_ + deadlineNs));
    t->state = TrackedThread::State::Sleeping;
    t->reason = WakeReason::Normal;
    t->cv.wait_until(lock, deadline, [t] { return t->state == TrackedThread::State::Running; });
    t->state = TrackedThread::State::Running;
    t->interruptible = false;
    return t->reason;
  }
  if (deadlineNs <= virtualNow_) {
    // A zero-length sleep yields to the other ready threads.
    t->state = TrackedThread::State::Ready;
    ready_.push_back(t);
  } else {
    t->state = TrackedThread::State::Sleeping;
    sleepers_.emplace(std::make_pair(deadlineNs, nextSleepOrder_++), t);
  }
  if (!adopted)
    GiveUpCpuLocked(t);
  else
    DispatchLocked();
  WaitUntilRunning(lock, t);
  t->interruptible = false;
  return t->reason;
}

bool Scheduler::StartThread(std::function<void()> body, ThreadKind kind, std::string name) {
  const bool module = kind == ThreadKind::Module;
  TrackedThread* t = nullptr;
  {
    std::unique_lock lock(mu_);
    if (clock_ == ClockMode::Virtual)
      CurrentLocked(lock);  // the starter is busy until it waits again
    if (module && moduleStopping_)
      return false;
    t = NewThreadLocked(module, std::move(name), module ? "module thread" : "host thread");
    if (module)
      ++moduleThreads_;
    if (clock_ == ClockMode::Real)
      t->state = TrackedThread::State::Running;
    else
      ++starting_;
  }
  try {
    std::thread([this, t, body = std::move(body)]() mutable {
      tlsSelf = t;
      {
        std::unique_lock lock(mu_);
        WaitUntilRunning(lock, t);
      }
      body();
      body = nullptr;  // the closure's code may live in a module: destroy it while tracked
      std::unique_lock lock(mu_);
      FinishLocked(t);
      tlsSelf = nullptr;
    }).detach();
  } catch (...) {
    std::unique_lock lock(mu_);
    all_.erase(t);
    if (module)
      --moduleThreads_;
    if (clock_ == ClockMode::Virtual)
      --starting_;
    delete t;
    throw;
  }
  std::unique_lock lock(mu_);
  if (clock_ == ClockMode::Virtual) {
    --starting_;
    t->state = TrackedThread::State::Ready;
    ready_.push_back(t);
    DispatchLocked();
  }
  return true;
}

void Scheduler::FinishLocked(TrackedThread* t) {
  all_.erase(t);
  if (t->module && --moduleThreads_ == 0)
    WakeAll(moduleJoin_);
  GiveUpCpuLocked(t);
  delete t;
}

void Scheduler::AdoptCurrentThread(const std::string& name) {
  std::unique_lock lock(mu_);
  if (tlsSelf)
    return;
  tlsSelf = NewThreadLocked(false, name, "adopted thread");
  tlsAdoption.armed = true;
  MakeReadyLocked(tlsSelf, WakeReason::Normal);
  WaitUntilRunning(lock, tlsSelf);
}

void Scheduler::ReleaseCurrentThread() {
  std::unique_lock lock(mu_);
  if (!tlsSelf)
    return;
  FinishLocked(tlsSelf);
  tlsSelf = nullptr;
  tlsAdoption.armed = false;
}

bool Scheduler::IsCurrentThreadTracked() {
  return tlsSelf != nullptr;
}

void Scheduler::StopModuleThreads() {
  std::unique_lock lock(mu_);
  moduleStopping_ = true;
  if (clock_ == ClockMode::Virtual) {
    for (auto it = sleepers_.begin(); it != sleepers_.end();) {
      if (it->second->interruptible) {
        TrackedThread* t = it->second;
        it = sleepers_.erase(it);
        LeaveWaitListLocked(t);
        MakeReadyLocked(t, WakeReason::Stopping);
      } else {
        ++it;
      }
    }
    return;
  }
  for (TrackedThread* t : all_) {
    const bool timedWait = t->timed && t->state == TrackedThread::State::Blocked;
    if (t->interruptible && (t->state == TrackedThread::State::Sleeping || timedWait)) {
      LeaveWaitListLocked(t);
      MakeReadyLocked(t, WakeReason::Stopping);
    }
  }
}

void Scheduler::JoinModuleThreads() {
  std::unique_lock lock(mu_);
  while (moduleThreads_ > 0)
    Block(lock, moduleJoin_);
}

void Scheduler::AllowModuleThreads() {
  std::lock_guard lock(mu_);
  moduleStopping_ = false;
}

bool Scheduler::ModuleStopping() {
  std::lock_guard lock(mu_);
  return moduleStopping_;
}

std::size_t Scheduler::ModuleThreadCount() {
  std::lock_guard lock(mu_);
  return moduleThreads_;
}

void Scheduler::EnterCallback() {
  std::unique_lock lock(mu_);
  ++CurrentLocked(lock)->callbackDepth;
}

void Scheduler::LeaveCallback() {
  std::unique_lock lock(mu_);
  if (tlsSelf && --tlsSelf->callbackDepth == 0)
    WakeAll(callbackSettled_);
}

std::vector<std::string> Scheduler::SettleLocked(std::unique_lock<std::mutex>& lock, WaitList& list,
                                                 bool (*matches)(const TrackedThread*),
                                                 Settle until) {
  TrackedThread* self = CurrentLocked(lock);
  auto unsettled = [&] {
    if (until == Settle::Finished && starting_ > 0)
      return true;
    for (const TrackedThread* t : all_) {
      if (t == self || !matches(t))
        continue;
      const bool runs =
          t->state == TrackedThread::State::Ready || t->state == TrackedThread::State::Running;
      // A thread inside a callback that waits for a lock has not left yet either; only a
      // sleep (the stop ends the plug-in's sleeps) would keep it inside.
      if (runs || (until == Settle::OutOfCallbacks && t->state == TrackedThread::State::Blocked))
        return true;
    }
    return false;
  };
  // Waiting only while those threads can run keeps the clock where it is.
  while (unsettled())
    Block(lock, list);
  std::vector<std::string> left;
  for (const TrackedThread* t : InStartOrderLocked()) {
    if (t != self && matches(t))
      left.push_back(DescribeLocked(t));
  }
  return left;
}

std::vector<std::string> Scheduler::ThreadsInsideCallbacks() {
  std::unique_lock lock(mu_);
  return SettleLocked(
      lock, callbackSettled_, [](const TrackedThread* t) { return t->callbackDepth > 0; },
      Settle::OutOfCallbacks);
}

std::vector<std::string> Scheduler::WaitForOthersToFinish() {
  std::unique_lock lock(mu_);
  return SettleLocked(
      lock, othersFinished_, [](const TrackedThread*) { return true; }, Settle::Finished);
}

std::size_t Scheduler::TrackedCount() {
  std::lock_guard lock(mu_);
  return all_.size();
}

}  // namespace emu
