#pragma once
// Handles the plug-in holds open (a run checks that none is left at unload).
#include <string>
#include <vector>

namespace emu {

// Registry keys, by path.
std::vector<std::string> OpenRegistryKeys();
// Process, thread and snapshot handles, as "process NAME (pid N)", "snapshot".
std::vector<std::string> OpenProcessHandles();
// Files of the C: drive, by path.
std::vector<std::string> OpenDriveFiles();

}  // namespace emu
