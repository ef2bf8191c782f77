#pragma once
// The virtual laptop: every fact the plug-in can read, as one JSON document. The facts are
// declared in emu/Facts.h; their defaults describe a healthy laptop, a scenario states only
// what differs, and its timeline may change single facts ("set") while the plug-in runs.
#include <cstdint>
#include <initializer_list>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>

#include <nlohmann/json.hpp>

#include "emu/Facts.h"

namespace emu {

class Laptop {
 public:
  static Laptop& Instance();

  // Defaults, with the given state merged over them.
  void Load(const nlohmann::json& overrides);
  nlohmann::json State() const;

  // Typed reads of a declared fact. Keys fill the '*' of its path in order
  // (Int(kServiceStartDelay, {"Spooler"})); a fact that is absent, or null, reads as its
  // declared default. Integers may be JSON integers or "0x" texts.
  using Keys = std::initializer_list<std::string_view>;
  std::int64_t Int(FactRef fact, Keys keys = {}) const;
  bool Bool(FactRef fact, Keys keys = {}) const;
  std::string Text(FactRef fact, Keys keys = {}) const;
  // The fact as it stands, null when absent (no default).
  nlohmann::json Json(FactRef fact, Keys keys = {}) const;
  void Put(FactRef fact, Keys keys, nlohmann::json value);

  // Dotted paths, as a scenario's "set" gives them ("devices.0.present"; a number indexes an
  // existing list element). Missing facts read as null.
  nlohmann::json Get(const std::string& path) const;
  void Set(const std::string& path, nlohmann::json value);

  // Applies the scripted effect of an action ("gpio_repower", "rescan", "enable:ID", ...):
  // the object at effects.NAME maps dotted paths to new values. Returns whether one existed.
  bool ApplyEffect(const std::string& action);

  // Takes the next scripted result of a Results fact (the last one repeats).
  std::int64_t NextResult(FactRef fact);

  // Grows with every change of the facts, so derived views can tell when to rebuild.
  std::uint64_t Revision() const;

  std::int64_t StartEpochMs() const;
  void SetStartEpochMs(std::int64_t ms);

 private:
  Laptop();
  // The node of the fact, or null; under mu_.
  const nlohmann::json* Find(FactRef fact, Keys keys) const;
  nlohmann::json* Find(FactRef fact, Keys keys) {
    return const_cast<nlohmann::json*>(std::as_const(*this).Find(fact, keys));
  }
  mutable std::mutex mu_;
  nlohmann::json state_;
  std::int64_t startEpochMs_ = 0;
  std::uint64_t revision_ = 0;
};

// A JSON integer, or a text in decimal or with a "0x" prefix; throws std::invalid_argument.
std::int64_t ParseNumber(const nlohmann::json& value);

// The declared facts' defaults: the healthy laptop.
nlohmann::json FactDefaults();
// What is wrong with a scenario's laptop facts (every key but the scenario's own), naming the
// key; empty when every fact is declared and of its type.
std::string CheckFacts(const nlohmann::json& laptop);
// The same for one "set" path (dotted, a number picks a list element) and its new value.
std::string CheckFactAt(const std::string& path, const nlohmann::json& value);
// The fact tables of scenarios/README.md: the laptop's facts, or the keys of one disk.
std::string FactTableMarkdown(bool disks);

}  // namespace emu
