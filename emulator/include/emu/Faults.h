#pragma once
// Failures injected at the seams, in the manner of an I/O-error test loop: a scenario names a
// call of the operating-system seam or of the host's libraries, optionally narrowed by its
// argument (a registry key, a class GUID, a library or entry name, a control code, a message
// id), and makes the N-th matching call fail, or every matching call from a virtual time on,
// with the error the call's contract gives. Every call is counted, so that a sweep can fail
// each call number in turn. Each injected failure is a "fault_injected" transcript line.
#include <array>
#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include <nlohmann/json.hpp>

namespace emu {

// A call that can be made to fail, with what its failure looks like.
struct FaultPoint {
  std::string_view call;      // the Windows or host-library name
  std::string_view argument;  // what the argument names, for matching
  std::int64_t defaultError;  // used when a rule gives none
  std::string_view failure;   // how the call fails: its return value and error
};

// The calls that can fail, in the order the documentation lists them.
const std::vector<FaultPoint>& FaultPoints();
// Their table in scenarios/README.md ("fdhost facts" prints it).
std::string FaultTableMarkdown();

class Faults {
 public:
  static Faults& Instance();

  // Rules: [{ "call": NAME, "argument": TEXT, "nth": N | "from_ms": T, "error": E }]. Throws
  // std::invalid_argument naming the rule and key when one is malformed.
  void Load(const nlohmann::json& rules);
  // Only the checks of Load.
  static void Validate(const nlohmann::json& rules);
  // Forgets the rules and the counts (a new run).
  void Reset();

  // Counts the call; true when rules are loaded (then Match decides). No lock: the seams
  // call it on every call, rules or not.
  bool Count(std::string_view call);
  // The error to fail the call with, when a rule says so. argument: the call's matching text
  // (letter case ignored, a rule's argument matches any part).
  std::optional<std::int64_t> Match(std::string_view call, std::string_view argument);

  // How often each call was made since the last Reset.
  std::map<std::string, std::int64_t> Counts() const;

 private:
  struct Rule;
  static std::vector<Rule> Parse(const nlohmann::json& rules);
  struct Rule {
    std::string call;
    std::string argument;
    std::int64_t nth = 0;  // 0: every match from fromMs
    std::int64_t fromMs = 0;
    std::int64_t error = 0;
    std::int64_t matches = 0;
  };
  Faults() = default;
  static constexpr std::size_t kMaxPoints = 64;
  mutable std::mutex mu_;  // guards rules_
  std::vector<Rule> rules_;
  std::atomic<bool> armed_{false};
  std::array<std::atomic<std::int64_t>, kMaxPoints> counts_{};  // by the point's place
};

// Called by a seam at the start of a call that can fail: counts it and answers the error to
// fail it with, if any. The argument is a text, or a function giving it: that is called only
// while rules are loaded, so a run without faults pays for no conversions.
template <class Argument = std::string_view>
std::optional<std::int64_t> InjectedFault(std::string_view call, Argument&& argument = {}) {
  auto& faults = Faults::Instance();
  if (!faults.Count(call))
    return std::nullopt;
  if constexpr (std::is_invocable_v<Argument>)
    return faults.Match(call, std::string_view(argument()));
  else
    return faults.Match(call, std::string_view(argument));
}

}  // namespace emu
