#include "emu/VendorHooks.h"

#include "emu/EventLogService.h"
#include "emu/Laptop.h"
#include "emu/Processes.h"
#include "emu/Scheduler.h"
#include "emu/StorageTrace.h"
#include "emu/UserInterface.h"
#include "emu/VirtualDrive.h"
#include "emu/VirtualRegistry.h"

namespace emu {

void ResetSecurityState();  // PlatformFile.cpp

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
  void (*callback)(int) = nullptr;  // under the scheduler lock, with inFlight
  int inFlight = 0;
  Condition drained{"a vendor library's callbacks to return"};
};

namespace {
thread_local const void* callbackThreadOf = nullptr;
}

CallbackWatch::CallbackWatch(std::string threadName) : state_(std::make_shared<State>()) {
  state_->threadName = std::move(threadName);
}

void CallbackWatch::Start(void (*callback)(int)) {
  std::unique_lock lock(Scheduler::Instance().Lock());
  state_->callback = callback;
}

bool CallbackWatch::Fire(int code) {
  auto& sched = Scheduler::Instance();
  void (*callback)(int) = nullptr;
  {
    std::unique_lock lock(sched.Lock());
    callback = state_->callback;
    if (!callback)
      return false;
    ++state_->inFlight;
  }
  sched.StartThread(
      [state = state_, callback, code] {
        callbackThreadOf = state.get();
        {
          CallbackScope intoTheModule;
          callback(code);
        }
        callbackThreadOf = nullptr;
        std::unique_lock lock(Scheduler::Instance().Lock());
        if (--state->inFlight == 0)
          state->drained.NotifyAll();
      },
      Scheduler::ThreadKind::Host, state_->threadName);
  return true;
}

void CallbackWatch::Stop() {
  std::unique_lock lock(Scheduler::Instance().Lock());
  state_->callback = nullptr;
  // No callback runs once the watch has stopped: the caller may unload what it handed over.
  if (callbackThreadOf != state_.get())
    state_->drained.Wait(lock, [this] { return state_->inFlight == 0; });
}

void LoadLaptop(const nlohmann::json& overrides) {
  auto& laptop = Laptop::Instance();
  laptop.Load(overrides);
  VirtualRegistry::Instance().Load(laptop.Get("registry"));
  EventLogService::Instance().Reset();
  UserInterface::Reset();
  StorageTrace::Instance().Clear();
  ProcessTable::Instance().Reset();
  ResetSecurityState();

  auto& drive = VirtualDrive::Instance();
  drive.Reset();
  const std::vector<std::uint8_t> placeholder = {'M', 'Z'};
  const std::string realtek = laptop.GetString("realtek.installed", "none");
  if (realtek == "windows")
    drive.WriteFile("C:\\Windows\\RtkBTReset.dll", placeholder);
  if (realtek == "plugin_dir") {
    drive.WriteFile(laptop.GetString("host.plugin_dir", "") + "\\RtkBTReset.dll", placeholder);
  }
  const auto files = laptop.Get("files");
  if (files.is_object()) {
    for (auto& [path, text] : files.items()) {
      const std::string content = text.is_string() ? text.get<std::string>() : text.dump();
      drive.WriteFile(path, std::vector<std::uint8_t>(content.begin(), content.end()));
    }
  }
}

}  // namespace emu
