#pragma once
// The virtual laptop: every fact the plug-in can read, as one JSON document. Defaults
// describe a healthy laptop; a scenario states only what differs, and its timeline may
// change single facts ("set") while the plug-in runs.
#include <cstdint>
#include <mutex>
#include <string>

#include <nlohmann/json.hpp>

namespace emu {

class Laptop {
 public:
  static Laptop& Instance();
  static nlohmann::json Defaults();

  // Defaults, with the given state merged over them.
  void Load(const nlohmann::json& overrides);
  nlohmann::json State() const;

  // Dotted paths: "wifi.problem_code"; a number indexes an existing list element
  // ("devices.0.present"). Missing facts read as null.
  nlohmann::json Get(const std::string& path) const;
  void Set(const std::string& path, nlohmann::json value);

  // Typed reads; numbers may be JSON integers or "0x" strings.
  std::int64_t GetInt(const std::string& path, std::int64_t fallback) const;
  bool GetBool(const std::string& path, bool fallback) const;
  std::string GetString(const std::string& path, const std::string& fallback) const;

  // Applies the scripted effect of an action ("gpio_repower", "rescan", "enable:ID", ...):
  // the object at effects.NAME maps dotted paths to new values. Returns whether one existed.
  bool ApplyEffect(const std::string& action);

  // Takes the next scripted result from the list at path (the last one repeats); fallback
  // when there is none.
  std::int64_t NextResult(const std::string& path, std::int64_t fallback);

  // Grows with every change of the facts, so derived views can tell when to rebuild.
  std::uint64_t Revision() const;

  std::int64_t StartEpochMs() const;
  void SetStartEpochMs(std::int64_t ms);

 private:
  Laptop();
  mutable std::mutex mu_;
  nlohmann::json state_;
  std::int64_t startEpochMs_ = 0;
  std::uint64_t revision_ = 0;
};

// A JSON integer, or a text in decimal or with a "0x" prefix; throws std::invalid_argument.
std::int64_t ParseNumber(const nlohmann::json& value);

}  // namespace emu
