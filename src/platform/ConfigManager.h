#pragma once
// The configuration manager's device tree calls (cfgmgr32).
#include "platform/WinTypes.h"

namespace platform {

using DEVINST = DWORD;
using CONFIGRET = DWORD;

constexpr CONFIGRET CR_SUCCESS = 0;
constexpr DWORD CM_LOCATE_DEVNODE_NORMAL = 0;
constexpr DWORD CM_REENUMERATE_ASYNCHRONOUS = 4;

// CM_Locate_DevNodeW(&devInst, deviceId, flags); a null id locates the root of the tree.
CONFIGRET CM_Locate_DevNodeW(DEVINST* devInst, const wchar_t* deviceId, DWORD flags);
// CM_Reenumerate_DevNode(devInst, flags): Windows looks for new hardware below the node.
CONFIGRET CM_Reenumerate_DevNode(DEVINST devInst, DWORD flags);

}  // namespace platform
