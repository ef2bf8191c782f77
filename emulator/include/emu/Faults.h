#pragma once
// Failures injected at the seams, in the manner of an I/O-error test loop: a scenario names a
// call of the operating-system seam or of the host's libraries, optionally narrowed by its
// argument (a registry key, a class GUID, a library or entry name, a control code, a message
// id), and makes the N-th matching call fail, or every matching call from a virtual time on,
// with the error the call's contract gives. Every call is counted, so that a sweep can fail
// each call number in turn. Each injected failure is a "fault_injected" transcript line.
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
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

  // Counts the call and answers the error to fail it with, when a rule says so. argument:
  // the call's matching text (letter case ignored, a rule's argument matches any part).
  std::optional<std::int64_t> Check(std::string_view call, std::string_view argument = {});

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
  mutable std::mutex mu_;
  std::vector<Rule> rules_;
  std::map<std::string, std::int64_t, std::less<>> counts_;
};

// The Windows error a failed call leaves; set by the seam's own SetLastError.
inline std::optional<std::int64_t> InjectedFault(std::string_view call,
                                                 std::string_view argument = {}) {
  return Faults::Instance().Check(call, argument);
}

}  // namespace emu
