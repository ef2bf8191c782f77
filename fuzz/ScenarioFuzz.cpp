// Scenario files as people write them: any text either loads or is refused with a
// ScenarioError that says what is wrong.
#include <cstddef>
#include <cstdint>
#include <string>

#include "emu/Scenario.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    emu::ParseScenario(std::string(reinterpret_cast<const char*>(data), size), "fuzz input");
  } catch (const emu::ScenarioError&) {
  }
  return 0;
}
