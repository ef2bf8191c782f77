#pragma once
// The swarm's generator: from one seed, a random laptop (facts drawn around their declared
// defaults: cards present or missing with problem codes, Realtek or not, disks of every kind
// and broken ones, monitors, hubs, the fix check's registry states, configuration files good
// and bad), failures at single calls, and a timeline of inputs over hours or days ending in
// an unload at a random moment. The result is an ordinary scenario document that carries
// its seed as the schedule seed, so it replays as it is.
#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "emu/Random.h"

namespace fdhost::sim {

struct Generated {
  nlohmann::json scenario;
  std::vector<std::string> choices;  // what the seed chose, one short phrase each
};

Generated Generate(std::uint64_t seed);

// Random bytes as hex text; each byte is 0 with the given chance (garbage that still looks
// like a mostly empty block), otherwise any value.
std::string RandomHex(emu::Random& random, std::size_t bytes, unsigned zeroPercent = 0);

// The parts, each drawing from the same generator (a laptop first, then what happens to it).
void GenerateLaptop(emu::Random& random, Generated& out);
void GenerateTimeline(emu::Random& random, Generated& out);

}  // namespace fdhost::sim
