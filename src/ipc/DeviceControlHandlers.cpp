// Device control requests of the host. Worker-type handlers copy the reply address (and
// what else they need) and do their work on a detached thread holding a transient instance.
#include <cstring>

#include "hostapi/HardwareSdk.h"
#include "ipc/MsgEvent.h"
#include "ipc/Reply.h"
#include "platform/Thread.h"

namespace {
constexpr std::uint64_t kWmiMethodId = 0x604;
}

void CMsgEvent::OnRecvWmiQueryMsg(tagIPC_MESSAGE_ITEM& item) {
  const reply::Address to = reply::AddressOf(item);
  platform::StartDetachedThread([to] {
    CMsgEvent transient;
    CMsgEvent* singleton = GetInstance();
    CWMI wmi(L"ROOT\\WMI");
    std::uint8_t buffer[256];
    std::memset(buffer, 0, sizeof buffer);
    std::uint32_t value = 0;
    if (wmi.GetOutPutUInt(kWmiMethodId, buffer, sizeof buffer) && buffer[0] == 0)
      value = buffer[1];
    reply::PostU32(singleton, to, value);
  });
}

void CMsgEvent::OnRecvScanHardwareChangeMsg(tagIPC_MESSAGE_ITEM&) {
  CDeviceDriver driver;
  driver.ScanForHardwareChange();
}

void CMsgEvent::OnRecvGetBiosSwitchMsg(tagIPC_MESSAGE_ITEM& item) {
  int type = 0;
  if (!reply::DeviceTypeOf(item, type))
    return;
  CBiosFun bios;
  bool state = false;
  const bool ok = bios.GetBiosSwitch(state, type);
  reply::PostBiosSwitch(GetInstance(), reply::AddressOf(item), static_cast<std::uint32_t>(type), ok,
                        state);
}

// Registered so the table is whole; they answer once the repairs they drive exist.
void CMsgEvent::OnRecvWifiRepairMsg(tagIPC_MESSAGE_ITEM&) {}
void CMsgEvent::OnRecvOsdServiceRecoverMsg(tagIPC_MESSAGE_ITEM&) {}
void CMsgEvent::OnRecvSetDeviceEnableQueryMsg(tagIPC_MESSAGE_ITEM&) {}
void CMsgEvent::OnRecvSetDeviceDisableQueryMsg(tagIPC_MESSAGE_ITEM&) {}
void CMsgEvent::OnRecvStartServiceMsg(tagIPC_MESSAGE_ITEM&) {}
void CMsgEvent::OnRecvWinsockResetMsg(tagIPC_MESSAGE_ITEM&) {}
void CMsgEvent::OnRecvWifiDriverReinstallMsg(tagIPC_MESSAGE_ITEM&) {}
void CMsgEvent::OnRecvResetDeviceDriverMsg(tagIPC_MESSAGE_ITEM&) {}
