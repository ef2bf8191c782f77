#include "emu/Scheduler.h"

#include <chrono>
#include <condition_variable>
#include <limits>
#include <system_error>
#include <thread>

namespace emu {

struct TrackedThread {
  enum class State { Ready, Running, Sleeping, Blocked };
  State state = State::Ready;
  bool module = false;
  WakeReason reason = WakeReason::Normal;
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

void Scheduler::Reset(ClockMode clock, RunMode mode) {
  std::lock_guard lock(mu_);
  clock_ = clock;
  mode_ = mode;
  virtualNow_ = 0;
  realOrigin_ = RealNs();
  nextSleepOrder_ = 0;
  moduleStopping_ = false;
}

bool Scheduler::IsVirtual() {
  std::lock_guard lock(mu_);
  return clock_ == ClockMode::Virtual;
}

std::int64_t Scheduler::NowNs() {
  std::lock_guard lock(mu_);
  return clock_ == ClockMode::Virtual ? virtualNow_ : RealNs() - realOrigin_;
}

TrackedThread* Scheduler::CurrentLocked(std::unique_lock<std::mutex>& lock) {
  return tlsSelf ? tlsSelf : AdoptLocked(lock);
}

TrackedThread* Scheduler::AdoptLocked(std::unique_lock<std::mutex>& lock) {
  auto* t = new TrackedThread();
  tlsSelf = t;
  tlsAdoption.armed = true;
  all_.insert(t);
  MakeReadyLocked(t, WakeReason::Normal);
  WaitUntilRunning(lock, t);
  return t;
}

void Scheduler::MakeReadyLocked(TrackedThread* t, WakeReason reason) {
  t->reason = reason;
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
      TrackedThread* t = ready_.front();
      ready_.pop_front();
      t->state = TrackedThread::State::Running;
      ++running_;
      t->cv.notify_one();
    }
    if (running_ > 0 || !ready_.empty() || sleepers_.empty())
      return;
    // Nobody is busy: jump to the earliest deadline and wake exactly the sleepers due then.
    virtualNow_ = std::max(virtualNow_, sleepers_.begin()->first.first);
    while (!sleepers_.empty() && sleepers_.begin()->first.first <= virtualNow_) {
      TrackedThread* t = sleepers_.begin()->second;
      sleepers_.erase(sleepers_.begin());
      t->reason = WakeReason::Normal;
      t->state = TrackedThread::State::Ready;
      ready_.push_back(t);
    }
  }
}

void Scheduler::WaitUntilRunning(std::unique_lock<std::mutex>& lock, TrackedThread* t) {
  t->cv.wait(lock, [t] { return t->state == TrackedThread::State::Running; });
}

void Scheduler::GiveUpCpuLocked(TrackedThread* t) {
  (void)t;
  if (clock_ == ClockMode::Virtual) {
    --running_;
    DispatchLocked();
  }
}

WakeReason Scheduler::Block(std::unique_lock<std::mutex>& lock, WaitList& list) {
  TrackedThread* t = CurrentLocked(lock);
  t->state = TrackedThread::State::Blocked;
  list.waiters_.push_back(t);
  GiveUpCpuLocked(t);
  WaitUntilRunning(lock, t);
  return t->reason;
}

bool Scheduler::WakeOne(WaitList& list) {
  if (list.waiters_.empty())
    return false;
  TrackedThread* t = list.waiters_.front();
  list.waiters_.pop_front();
  MakeReadyLocked(t, WakeReason::Normal);
  return true;
}

void Scheduler::WakeAll(WaitList& list) {
  while (WakeOne(list)) {
  }
}

WakeReason Scheduler::SleepUntilNs(std::int64_t deadlineNs) {
  std::unique_lock lock(mu_);
  TrackedThread* t = CurrentLocked(lock);
  if (t->module && moduleStopping_)
    return WakeReason::Stopping;
  if (clock_ == ClockMode::Real) {
    const auto deadline =
        std::chrono::steady_clock::time_point(std::chrono::nanoseconds(realOrigin_ + deadlineNs));
    t->state = TrackedThread::State::Sleeping;
    t->reason = WakeReason::Normal;
    t->cv.wait_until(lock, deadline, [t] { return t->state == TrackedThread::State::Running; });
    t->state = TrackedThread::State::Running;
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
  GiveUpCpuLocked(t);
  WaitUntilRunning(lock, t);
  return t->reason;
}

void Scheduler::StartThread(std::function<void()> body, ThreadKind kind) {
  auto* t = new TrackedThread();
  t->module = kind == ThreadKind::Module;
  {
    std::unique_lock lock(mu_);
    if (t->module && moduleStopping_) {
      delete t;
      return;
    }
    all_.insert(t);
    if (t->module)
      ++moduleThreads_;
    if (clock_ == ClockMode::Real)
      t->state = TrackedThread::State::Running;
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
    if (t->module)
      --moduleThreads_;
    delete t;
    throw;
  }
  std::unique_lock lock(mu_);
  if (clock_ == ClockMode::Virtual) {
    t->state = TrackedThread::State::Ready;
    ready_.push_back(t);
    DispatchLocked();
  }
}

void Scheduler::FinishLocked(TrackedThread* t) {
  all_.erase(t);
  if (t->module && --moduleThreads_ == 0)
    WakeAll(moduleJoin_);
  GiveUpCpuLocked(t);
  delete t;
}

void Scheduler::AdoptCurrentThread() {
  std::unique_lock lock(mu_);
  if (!tlsSelf)
    AdoptLocked(lock);
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
      if (it->second->module) {
        TrackedThread* t = it->second;
        it = sleepers_.erase(it);
        MakeReadyLocked(t, WakeReason::Stopping);
      } else {
        ++it;
      }
    }
  } else {
    for (TrackedThread* t : all_) {
      if (t->module && t->state == TrackedThread::State::Sleeping) {
        MakeReadyLocked(t, WakeReason::Stopping);
      }
    }
  }
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

std::size_t Scheduler::TrackedCount() {
  std::lock_guard lock(mu_);
  return all_.size();
}

}  // namespace emu
