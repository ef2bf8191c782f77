#pragma once
// The declared facts as the laptop reads them: each path split at its dots, each default
// parsed, both once for the life of the process.
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "emu/Facts.h"

namespace emu {

const std::vector<std::string_view>& FactPathParts(FactRef fact);
// The declared default; null when the fact has none.
const nlohmann::json& FactDefault(FactRef fact);

}  // namespace emu
