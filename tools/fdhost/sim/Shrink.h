#pragma once
// Shrinking a failing scenario: drop timeline entries, failure rules and laptop facts (back
// to their defaults) while the same checker still fails, so that what is left is the fault
// and little else, ready to keep as a regression scenario.
#include <functional>
#include <string>

#include <nlohmann/json.hpp>

#include "fdhost/sim/Swarm.h"

namespace fdhost::sim {

struct ShrinkResult {
  nlohmann::json scenario;
  int attempts = 0;
};

// `stillFails` plays a candidate and says whether the checker still fails; `maxAttempts`
// bounds the number of plays.
ShrinkResult Shrink(const nlohmann::json& scenario,
                    const std::function<bool(const nlohmann::json&)>& stillFails, int maxAttempts);

// The usual `stillFails`: a play in a child process that fails with the checker.
std::function<bool(const nlohmann::json&)> FailsWith(const std::string& checker,
                                                     const RunLimits& limits);

}  // namespace fdhost::sim
