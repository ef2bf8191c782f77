#pragma once
// The module's exported entry points of the x3 plug-in protocol (C linkage) and the
// process-wide module state they keep.
#include <cstdint>

#include "hostapi/X3Object.h"
#include "platform/WinTypes.h"

extern "C" {
bool x3InitPlugin(HMODULE module, HMODULE manager);
bool x3FreePlugin();
bool x3InternalCreate(const char* classId, std::uint32_t interfaceId, x3::IObject** out);
bool x3CreateObject(const char* classId, std::uint32_t interfaceId, x3::IObject** out);
bool x3InitializePlugin();
void x3UninitializePlugin();
}

namespace x3plugin {

// The module handle while the plug-in is initialised, else null. The device change
// listener uses it as the instance of its hidden window.
HMODULE PublishedInstanceHandle();

// For tests: the init count and whether this module loaded the manager itself.
int InitCount();
bool ManagerLoadedByModule();

}  // namespace x3plugin
