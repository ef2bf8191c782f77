#pragma once
// How timeline inputs reach the stand-ins of the vendor libraries: a loaded stand-in
// registers a hook under its library name; a "vendor_event" input fires it.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include <nlohmann/json.hpp>

namespace emu {

class VendorHooks {
 public:
  using Hook = std::function<void(const nlohmann::json& event)>;
  static VendorHooks& Instance();
  void Set(const std::string& library, Hook hook);
  void Clear(const std::string& library);
  // False when no stand-in of that name is loaded.
  bool Fire(const std::string& library, const nlohmann::json& event);

 private:
  VendorHooks() = default;
  std::mutex mu_;
  std::map<std::string, Hook> hooks_;
};

// A vendor library's watch: the callback it was handed, called on a host thread of its own
// per event. The threads' code lives in the emulator, not in the library, so the library
// may be unloaded the moment Stop returns.
class CallbackWatch {
 public:
  explicit CallbackWatch(std::string threadName);
  void Start(void (*callback)(int));
  void Start(void (*callback)(std::uint32_t));
  // Calls the callback with the code, count times, intervalMs of virtual time apart, on one
  // thread, while the watch runs; false when it does not run now.
  bool Fire(std::int64_t code, int count = 1, std::int64_t intervalMs = 0);
  // Ends the watch and returns once no call is in flight (at once when called from such a
  // call's own thread).
  void Stop();

 private:
  struct State;
  std::shared_ptr<State> state_;
};

// Resets the laptop, then merges the scenario's facts over the defaults and lays out what
// follows from them: the registry, the C: drive (vendor library files, "files") and the
// event log's subscriptions.
void LoadLaptop(const nlohmann::json& overrides);

}  // namespace emu
