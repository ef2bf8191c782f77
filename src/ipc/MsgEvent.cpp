#include "ipc/MsgEvent.h"

#include <mutex>

#include "ipc/BackgroundJobs.h"
#include "ipc/DispatcherState.h"
#include "platform/Thread.h"

CMsgEvent::CMsgEvent() : CIPCMessageClient(static_cast<int>(kClientId), true, false) {}

CMsgEvent::~CMsgEvent() = default;

CMsgEvent* CMsgEvent::GetInstance() {
  static CMsgEvent instance;
  return &instance;
}

void CMsgEvent::RegisterMsgHandler(std::uint32_t msgId, Handler handler) {
  std::lock_guard lock(m_mutexHandler);
  m_mapMsgHandler[msgId] = [this, handler](tagIPC_MESSAGE_ITEM& item) { (this->*handler)(item); };
}

void CMsgEvent::SetDefaultMsgHandler(Handler handler) {
  std::lock_guard lock(m_mutexHandler);
  m_defaultMsgHandler = [this, handler](tagIPC_MESSAGE_ITEM& item) { (this->*handler)(item); };
}

bool CMsgEvent::Register() {
  // The Realtek reset library and the touchpad module join here with their detectors.
  dispatcher::GetState().diskMonitoring = false;

  RegisterMsgHandler(0x380001, &CMsgEvent::OnRecvHddInfoQueryMsg);
  RegisterMsgHandler(0x380002, &CMsgEvent::OnRecvSsdInfoQueryMsg);
  RegisterMsgHandler(0x380003, &CMsgEvent::OnRecvDiskSummaryQueryMsg);
  RegisterMsgHandler(0x39000A, &CMsgEvent::OnRecvWifiRepairMsg);
  RegisterMsgHandler(0x390005, &CMsgEvent::OnRecvWmiQueryMsg);
  RegisterMsgHandler(0x390007, &CMsgEvent::OnRecvOsdServiceRecoverMsg);
  RegisterMsgHandler(0x390010, &CMsgEvent::OnRecvSetDeviceEnableQueryMsg);
  RegisterMsgHandler(0x390012, &CMsgEvent::OnRecvSetDeviceDisableQueryMsg);
  RegisterMsgHandler(0x39001A, &CMsgEvent::OnRecvStartServiceMsg);
  RegisterMsgHandler(0x39000E, &CMsgEvent::OnRecvWinsockResetMsg);
  RegisterMsgHandler(0x39000C, &CMsgEvent::OnRecvWifiDriverReinstallMsg);
  RegisterMsgHandler(0x390014, &CMsgEvent::OnRecvResetDeviceDriverMsg);
  RegisterMsgHandler(0x390017, &CMsgEvent::OnRecvScanHardwareChangeMsg);
  RegisterMsgHandler(0x390024, &CMsgEvent::OnRecvGetBiosSwitchMsg);

  SubscribeIPCMessage(kBroadcastGroup, 0);
  SetDefaultMsgHandler(&CMsgEvent::OnRecvBroadcastMsg);

  platform::StartDetachedThread(&jobs::RunStartupJobs);
  platform::StartDetachedThread(&jobs::RunDelayedDiskMonitor);
  platform::StartDetachedThread(&jobs::RunBthUsbSubscription);
  return true;
}

bool CMsgEvent::Uninit() {
  auto& state = dispatcher::GetState();
  state.diskMonitoring = false;
  // The event-log subscriptions, device listeners and the Realtek watch are closed here once
  // their subsystems open them; until then their handles stay null.
  state.diskEventSubscription = nullptr;
  return true;
}

void CMsgEvent::OnRecvBroadcastMsg(tagIPC_MESSAGE_ITEM& item) {
  if (item.dwMsgId != kRecheckBroadcast)
    return;
  // The display audio check and the pending Bluetooth re-check run here once built.
  auto& state = dispatcher::GetState();
  if (state.btRecheckPending) {
    CMsgEvent transient;
    state.btRecheckPending = false;
  }
}
