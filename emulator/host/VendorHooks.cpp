// How timeline inputs reach the vendor libraries' stand-ins, and the watches that call back into
// the plug-in on host threads.
#include "emu/VendorHooks.h"

#include "emu/Scheduler.h"

namespace emu {

VendorHooks& VendorHooks::Instance() {
  static VendorHooks* instance = new VendorHooks();
  return *instance;
}

void VendorHooks::Set(const std::string& library, Hook hook) {
  std::lock_guard lock(mu_);
  hooks_[library] = std::move(hook);
}

void VendorHooks::Clear(const std::string& library) {
  std::lock_guard lock(mu_);
  hooks_.erase(library);
}

bool VendorHooks::Fire(const std::string& library, const nlohmann::json& event) {
  Hook hook;
  {
    std::lock_guard lock(mu_);
    auto it = hooks_.find(library);
    if (it == hooks_.end())
      return false;
    hook = it->second;
  }
  hook(event);
  return true;
}

struct CallbackWatch::State {
  std::string threadName;
  // Under the scheduler lock, with inFlight; at most one of them is set.
  void (*intCallback)(int) = nullptr;
  void (*u32Callback)(std::uint32_t) = nullptr;
  int inFlight = 0;
  Condition drained{"a vendor library's callbacks to return"};
  WaitList stopped{"the next code of a series"};  // a series' pause, ended by Stop
};

namespace {
thread_local const void* callbackThreadOf = nullptr;
}

CallbackWatch::CallbackWatch(std::string threadName) : state_(std::make_shared<State>()) {
  state_->threadName = std::move(threadName);
}

void CallbackWatch::Start(void (*callback)(int)) {
  std::unique_lock lock(Scheduler::Instance().Lock());
  state_->intCallback = callback;
  state_->u32Callback = nullptr;
}

void CallbackWatch::Start(void (*callback)(std::uint32_t)) {
  std::unique_lock lock(Scheduler::Instance().Lock());
  state_->u32Callback = callback;
  state_->intCallback = nullptr;
}

bool CallbackWatch::Fire(std::int64_t code, int count, std::int64_t intervalMs) {
  auto& sched = Scheduler::Instance();
  {
    std::unique_lock lock(sched.Lock());
    if (!state_->intCallback && !state_->u32Callback)
      return false;
  }
  sched.StartThread(
      [state = state_, code, count, intervalMs] {
        auto& scheduler = Scheduler::Instance();
        callbackThreadOf = state.get();
        for (int i = 0; i < count; ++i) {
          const std::int64_t next = scheduler.NowNs() + intervalMs * 1000000;
          std::unique_lock lock(scheduler.Lock());
          // A pause between codes ends early when the watch stops.
          if (i > 0 && intervalMs > 0 && (state->intCallback || state->u32Callback))
            scheduler.BlockUntil(lock, state->stopped, next, false);
          auto* intCallback = state->intCallback;
          auto* u32Callback = state->u32Callback;
          if (!intCallback && !u32Callback)
            break;  // the watch stopped
          ++state->inFlight;
          lock.unlock();
          {
            CallbackScope intoTheModule;
            if (intCallback)
              intCallback(static_cast<int>(code));
            else
              u32Callback(static_cast<std::uint32_t>(code));
          }
          lock.lock();
          if (--state->inFlight == 0)
            state->drained.NotifyAll();
        }
        callbackThreadOf = nullptr;
      },
      Scheduler::ThreadKind::Host, state_->threadName);
  return true;
}

void CallbackWatch::Stop() {
  std::unique_lock lock(Scheduler::Instance().Lock());
  state_->intCallback = nullptr;
  state_->u32Callback = nullptr;
  Scheduler::Instance().WakeAll(state_->stopped);
  // No callback runs once the watch has stopped: the caller may unload what it handed over.
  if (callbackThreadOf != state_.get())
    state_->drained.Wait(lock, [this] { return state_->inFlight == 0; });
}

}  // namespace emu
