#pragma once
// Registry keys the plug-in holds open, by path (a run checks that none is left at unload).
#include <string>
#include <vector>

namespace emu {

std::vector<std::string> OpenRegistryKeys();

}  // namespace emu
