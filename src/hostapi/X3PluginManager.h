#pragma once
// The plug-in manager library's functions and the module exports they work with.
#include <cstdint>

#include "hostapi/X3Object.h"
#include "platform/WinTypes.h"

// x3InternalCreate: creates an object of a class of the module.
using PFNX3INTERNALCREATE = bool (*)(const char* classId, std::uint32_t interfaceId,
                                     x3::IObject** out);
// x3RegisterPlugin(creator, module, null-terminated class id list).
using PFNX3REGISTERPLUGIN = bool (*)(PFNX3INTERNALCREATE creator, HMODULE module,
                                     const char** classIds);
// x3UnregisterPlugin(creator).
using PFNX3UNREGISTERPLUGIN = bool (*)(PFNX3INTERNALCREATE creator);
// The host's side: creates an object by class id through the registered creator.
using PFNX3CREATEOBJECTBYCLASSID = bool (*)(const char* classId, std::uint32_t interfaceId,
                                            x3::IObject** out);

// The plug-in protocol's exports of a module.
using PFNX3INITPLUGIN = bool (*)(HMODULE module, HMODULE manager);
using PFNX3FREEPLUGIN = bool (*)();
