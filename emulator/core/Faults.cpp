// The fault injector: rules from the scenario, a count of every seam call, and a transcript
// line for each failure it causes.
#include "emu/Faults.h"

#include <algorithm>
#include <stdexcept>

#include "emu/Laptop.h"
#include "emu/Scheduler.h"
#include "emu/Transcript.h"

namespace emu {

namespace {

std::string Lower(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return out;
}

}  // namespace

std::string FaultTableMarkdown() {
  std::string out = "| call | argument | default error | how it fails |\n|---|---|---|---|\n";
  for (const auto& point : kFaultPoints) {
    out += "| `" + std::string(point.call) + "` | " + std::string(point.argument) + " | " +
           (point.defaultError == 0 ? std::string() : std::to_string(point.defaultError)) + " | " +
           std::string(point.failure) + " |\n";
  }
  return out;
}

Faults& Faults::Instance() {
  static Faults* faults = new Faults();
  return *faults;
}

void Faults::Load(const nlohmann::json& rules) {
  std::vector<Rule> loaded = Parse(rules);
  std::lock_guard lock(mu_);
  rules_ = std::move(loaded);
  armed_ = !rules_.empty();
  for (auto& count : counts_)
    count = 0;
}

void Faults::Validate(const nlohmann::json& rules) {
  Parse(rules);
}

std::vector<Faults::Rule> Faults::Parse(const nlohmann::json& rules) {
  std::vector<Rule> loaded;
  if (!rules.is_null() && !rules.is_array())
    throw std::invalid_argument("\"faults\" is a list of rules");
  for (std::size_t i = 0; rules.is_array() && i < rules.size(); ++i) {
    const auto& r = rules[i];
    const std::string where = "faults[" + std::to_string(i) + "]";
    if (!r.is_object() || !r.contains("call") || !r["call"].is_string())
      throw std::invalid_argument(where + ": \"call\" (a seam call's name) is missing");
    for (const auto& [key, value] : r.items()) {
      if (key != "call" && key != "argument" && key != "nth" && key != "from_ms" && key != "error")
        throw std::invalid_argument(where + ": \"" + key + "\" is not a key of a fault rule");
    }
    Rule rule;
    const std::string call = r["call"].get<std::string>();
    const auto point = std::find_if(std::begin(kFaultPoints), std::end(kFaultPoints),
                                    [&call](const FaultPoint& p) { return p.call == call; });
    if (point == std::end(kFaultPoints))
      throw std::invalid_argument(where + ": \"" + call + "\" is not a call that can fail");
    rule.point = static_cast<std::size_t>(point - std::begin(kFaultPoints));
    if (r.contains("argument")) {
      if (!r["argument"].is_string())
        throw std::invalid_argument(where + ": \"argument\" is a text");
      rule.argument = Lower(r["argument"].get<std::string>());
    }
    try {
      rule.nth = r.contains("nth") ? ParseNumber(r["nth"]) : 0;
      rule.fromMs = r.contains("from_ms") ? ParseNumber(r["from_ms"]) : 0;
      rule.error = r.contains("error") ? ParseNumber(r["error"]) : point->defaultError;
    } catch (const std::invalid_argument& e) {
      throw std::invalid_argument(where + ": " + e.what());
    }
    if (r.contains("nth") == r.contains("from_ms"))
      throw std::invalid_argument(where + ": give \"nth\" or \"from_ms\", one of them");
    if (rule.nth < 0 || (r.contains("nth") && rule.nth == 0) || rule.fromMs < 0)
      throw std::invalid_argument(where + ": \"nth\" counts from 1, \"from_ms\" from 0");
    loaded.push_back(std::move(rule));
  }
  return loaded;
}

void Faults::Reset() {
  std::lock_guard lock(mu_);
  rules_.clear();
  armed_ = false;
  for (auto& count : counts_)
    count = 0;
}

bool Faults::Count(FaultRef point) {
  counts_[point.index].fetch_add(1, std::memory_order_relaxed);
  return armed_.load(std::memory_order_acquire);
}

std::optional<std::int64_t> Faults::Match(FaultRef point, std::string_view argument) {
  std::optional<std::int64_t> error;
  {
    std::lock_guard lock(mu_);
    const std::string lower = Lower(argument);
    const std::int64_t nowMs = Scheduler::Instance().NowNs() / 1000000;
    for (auto& rule : rules_) {
      if (rule.point != point.index || lower.find(rule.argument) == std::string::npos)
        continue;
      ++rule.matches;
      if (rule.nth ? rule.matches == rule.nth : nowMs >= rule.fromMs) {
        error = rule.error;
        break;
      }
    }
  }
  if (error) {
    Transcript::Instance().Write("fault_injected", {{"call", std::string(point.Decl().call)},
                                                    {"argument", std::string(argument)},
                                                    {"error", *error}});
  }
  return error;
}

std::map<std::string, std::int64_t> Faults::Counts() const {
  std::map<std::string, std::int64_t> out;
  for (std::size_t i = 0; i < std::size(kFaultPoints); ++i) {
    if (const std::int64_t count = counts_[i].load(std::memory_order_relaxed))
      out.emplace(kFaultPoints[i].call, count);
  }
  return out;
}

}  // namespace emu
