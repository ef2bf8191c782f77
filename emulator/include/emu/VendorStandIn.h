#pragma once
// What every vendor library stand-in shares: its vendor lines, the count of threads inside
// its exports (an unload under one of them is a fault), and its timeline hook, set when the
// library is loaded and cleared when it is unloaded. Each stand-in has one constinit instance:
// nothing of it is destroyed when the library is unloaded, so its unload hook may use it.
#include <atomic>
#include <cstdint>
#include <string>

#include "emu/Laptop.h"
#include "emu/Transcript.h"
#include "emu/VendorHooks.h"

namespace emu {

class VendorStandIn {
 public:
  // library: the name in vendor lines and vendor events; file: the DLL's name in faults.
  constexpr VendorStandIn(const char* library, const char* file) : library_(library), file_(file) {}

  // Held by each export for as long as it runs.
  class Inside {
   public:
    explicit Inside(VendorStandIn& library) : library_(library) { ++library_.inside_; }
    ~Inside() { --library_.inside_; }
    Inside(const Inside&) = delete;
    Inside& operator=(const Inside&) = delete;

   private:
    VendorStandIn& library_;
  };

  void Note(const char* op, Line extra) const {
    Line fields = {{"library", library_}, {"op", op}};
    for (auto& [k, v] : extra.items())
      fields[k] = v;
    Transcript::Instance().Write("vendor", fields);
  }

  // A timeline vendor event for this library: the watch calls back with the event's code
  // ("code", default 1), "count" times, "interval_ms" apart; a vendor line says whether
  // anyone was watching.
  void FireFromTimeline(CallbackWatch& watch, const nlohmann::json& event) const {
    const std::int64_t code = event.contains("code") ? ParseNumber(event["code"]) : 1;
    const int count = static_cast<int>(event.contains("count") ? ParseNumber(event["count"]) : 1);
    const std::int64_t interval =
        event.contains("interval_ms") ? ParseNumber(event["interval_ms"]) : 0;
    const bool watched = watch.Fire(code, count, interval);
    Line fields = {{"code", code}};
    if (count != 1)
      fields["count"] = count;
    Note(watched ? "callback" : "error_unwatched", fields);
  }

  // From the library's load and unload.
  void Attach(VendorHooks::Hook hook) { VendorHooks::Instance().Set(library_, std::move(hook)); }
  void Detach() {
    VendorHooks::Instance().Clear(library_);
    if (const int inside = inside_.load()) {
      Transcript::Instance().Write(
          "fault", {{"what", std::string(file_) + " unloaded with threads inside it"},
                    {"details", {std::to_string(inside) + " thread(s)"}}});
    }
  }

 private:
  const char* library_;
  const char* file_;
  std::atomic<int> inside_{0};
};

}  // namespace emu
