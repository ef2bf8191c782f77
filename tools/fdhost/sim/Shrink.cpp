// Greedy shrinking in the manner of delta debugging: halves of the timeline first, then
// smaller pieces down to single entries, then each failure rule, then each laptop fact.
#include "fdhost/sim/Shrink.h"

#include <algorithm>

namespace fdhost::sim {

namespace {

constexpr const char* kCoreKeys[] = {"description", "schedule_seed", "run_for_ms",
                                     "start_time",  "timeline",      "faults"};

bool IsCore(const std::string& key) {
  return std::find(std::begin(kCoreKeys), std::end(kCoreKeys), key) != std::end(kCoreKeys);
}

struct Shrinker {
  const std::function<bool(const nlohmann::json&)>& stillFails;
  int maxAttempts;
  int attempts = 0;

  bool Try(nlohmann::json& current, const nlohmann::json& candidate) {
    if (attempts >= maxAttempts)
      return false;
    ++attempts;
    if (!stillFails(candidate))
      return false;
    current = candidate;
    return true;
  }

  // Removes runs of a list's elements, the longest first.
  void ShrinkList(nlohmann::json& current, const char* key) {
    if (!current.contains(key) || !current[key].is_array())
      return;
    for (std::size_t chunk = std::max<std::size_t>(current[key].size() / 2, 1); chunk >= 1;
         chunk /= 2) {
      for (std::size_t start = 0; start < current[key].size();) {
        nlohmann::json candidate = current;
        auto& list = candidate[key];
        const std::size_t end = std::min(start + chunk, list.size());
        list.erase(list.begin() + static_cast<std::ptrdiff_t>(start),
                   list.begin() + static_cast<std::ptrdiff_t>(end));
        if (!Try(current, candidate))
          start += chunk;
      }
      if (chunk == 1)
        break;
    }
  }

  // Removes each laptop fact, then each key inside the facts that remain.
  void ShrinkFacts(nlohmann::json& current) {
    std::vector<std::string> keys;
    for (const auto& [key, value] : current.items()) {
      if (!IsCore(key))
        keys.push_back(key);
    }
    for (const auto& key : keys) {
      nlohmann::json candidate = current;
      candidate.erase(key);
      Try(current, candidate);
    }
    for (const auto& key : keys) {
      if (!current.contains(key) || !current[key].is_object())
        continue;
      std::vector<std::string> inner;
      for (const auto& [name, value] : current[key].items())
        inner.push_back(name);
      for (const auto& name : inner) {
        nlohmann::json candidate = current;
        candidate[key].erase(name);
        Try(current, candidate);
      }
    }
  }
};

}  // namespace

ShrinkResult Shrink(const nlohmann::json& scenario,
                    const std::function<bool(const nlohmann::json&)>& stillFails, int maxAttempts) {
  Shrinker shrinker{stillFails, maxAttempts};
  nlohmann::json current = scenario;
  shrinker.ShrinkList(current, "timeline");
  shrinker.ShrinkList(current, "faults");
  shrinker.ShrinkFacts(current);
  return {current, shrinker.attempts};
}

std::function<bool(const nlohmann::json&)> FailsWith(const std::string& checker,
                                                     const RunLimits& limits) {
  return [checker, limits](const nlohmann::json& candidate) {
    const RunOutcome outcome = RunIsolated(candidate, limits);
    return std::any_of(outcome.failures.begin(), outcome.failures.end(),
                       [&checker](const Verdict& v) { return v.checker == checker; });
  };
}

}  // namespace fdhost::sim
