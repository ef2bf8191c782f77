// The configuration manager over the virtual device tree: only its root can be located here;
// re-enumerating it is a hardware rescan. "config_manager.locate_error" and
// ".reenumerate_error" make the calls fail with that CONFIGRET.
#include "platform/ConfigManager.h"

#include "emu/DeviceTree.h"
#include "emu/Faults.h"
#include "emu/Laptop.h"

namespace platform {

namespace {
constexpr DEVINST kRoot = 1;
constexpr CONFIGRET CR_INVALID_POINTER = 3;
constexpr CONFIGRET CR_INVALID_DEVNODE = 5;
constexpr CONFIGRET CR_NO_SUCH_DEVNODE = 13;

constexpr auto kLocateError = emu::FactOf("config_manager.locate_error", emu::FactType::Integer);
constexpr auto kReenumerateError =
    emu::FactOf("config_manager.reenumerate_error", emu::FactType::Integer);

CONFIGRET Scripted(emu::FactRef fact) {
  return static_cast<CONFIGRET>(emu::Laptop::Instance().Int(fact));
}
}  // namespace

CONFIGRET CM_Locate_DevNodeW(DEVINST* devInst, const wchar_t* deviceId, DWORD) {
  if (!devInst)
    return CR_INVALID_POINTER;
  if (const CONFIGRET error = Scripted(kLocateError))
    return error;
  if (const auto error = emu::InjectedFault(emu::FaultOf("CM_Locate_DevNodeW")))
    return static_cast<CONFIGRET>(*error);
  if (deviceId && *deviceId)
    return CR_NO_SUCH_DEVNODE;  // only the root is known by id here
  *devInst = kRoot;
  return CR_SUCCESS;
}

CONFIGRET CM_Reenumerate_DevNode(DEVINST devInst, DWORD) {
  if (devInst != kRoot)
    return CR_INVALID_DEVNODE;
  if (const CONFIGRET error = Scripted(kReenumerateError))
    return error;
  if (const auto error = emu::InjectedFault(emu::FaultOf("CM_Reenumerate_DevNode")))
    return static_cast<CONFIGRET>(*error);
  emu::RescanDevices();
  return CR_SUCCESS;
}

}  // namespace platform
