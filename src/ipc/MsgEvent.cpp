#include "ipc/MsgEvent.h"
#include "common/ModuleThread.h"

#include <map>
#include <mutex>

#include "DeviceMonitor/AudioDeviceMoudle.h"
#include "DeviceMonitor/DeviceChangeLister.h"
#include "DeviceMonitor/DeviceChangeNotifier.h"
#include "DeviceMonitor/DeviceDriverErrorDetectEx.h"
#include "DeviceMonitor/DynamicDll.h"
#include "DeviceMonitor/TactraMoudle.h"
#include "common/CallbackGate.h"
#include "ipc/BackgroundJobs.h"
#include "ipc/DispatcherState.h"
#include "platform/EventLog.h"
#include "platform/Thread.h"

CMsgEvent::CMsgEvent() : CIPCMessageClient(static_cast<int>(kClientId), true, false) {}

CMsgEvent::~CMsgEvent() = default;

CMsgEvent* CMsgEvent::GetInstance() {
  static CMsgEvent instance;
  return &instance;
}

CIPCMessageClient::MsgHandler CMsgEvent::Bind(Handler handler) {
  // The receiving thread is a host thread: it comes in through the gate.
  return [this, handler](tagIPC_MESSAGE_ITEM& item) {
    if (gate::Entry entry{})
      (this->*handler)(item);
  };
}

void CMsgEvent::RegisterMsgHandler(std::uint32_t msgId, Handler handler) {
  std::lock_guard lock(m_mutexHandler);
  m_mapMsgHandler[msgId] = Bind(handler);
}

void CMsgEvent::SetDefaultMsgHandler(Handler handler) {
  std::lock_guard lock(m_mutexHandler);
  m_defaultMsgHandler = Bind(handler);
}

bool CMsgEvent::Register() {
  // A new life of the plug-in after an earlier Uninit.
  platform::RestartModuleThreads();
  gate::Open();
  LoadRealtekLibrary();
  TactraMoudle::Start();
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

  START_MODULE_THREAD(&jobs::RunStartupJobs);
  START_MODULE_THREAD(&jobs::RunDelayedDiskMonitor);
  START_MODULE_THREAD(&jobs::RunBthUsbSubscription);
  return true;
}

bool CMsgEvent::Uninit() {
  // First everything stops: every wait of the plug-in ends, no thread starts, no host thread
  // comes in, and every thread in plug-in code returns. Whatever they opened on the way out
  // is closed below.
  platform::StopModuleThreads();
  // The receiving thread finds no handler of the plug-in any more: the table is emptied (and
  // destroyed on this thread, at the end), so no message reaches plug-in code after Uninit.
  std::map<std::uint32_t, MsgHandler> handlers;
  MsgHandler fallback;
  {
    std::lock_guard lock(m_mutexHandler);
    handlers.swap(m_mapMsgHandler);
    fallback.swap(m_defaultMsgHandler);
  }
  gate::CloseAndDrain();
  platform::JoinModuleThreads();

  auto& state = dispatcher::GetState();
  state.diskMonitoring = false;
  if (void* disk = state.diskEventSubscription.exchange(nullptr))
    platform::EvtClose(disk);
  UnregisterDeviceListeners();
  if (void* bthUsb = state.bthUsbEventSubscription.exchange(nullptr))
    platform::EvtClose(bthUsb);
  {
    CMsgEvent transient;
    DeviceDriverErrorDetectEx::UnRegistRealtekCallBack();
  }
  // The hidden window goes now rather than at module exit (where no waiting is allowed), so
  // nothing of the plug-in stays reachable from the user-interface thread.
  DeviceChangeNotifier::Instance().CloseWindow();
  // No device stays disabled by a repair that the stop cut short.
  RestoreDisabledDevices();
  DynamicDll::Instance().Unload();
  // The touchpad library would call back into a plug-in that is gone: the callback is
  // unregistered and the library unloaded with it.
  TactraMoudle::Stop();
  return true;
}

void CMsgEvent::OnRecvBroadcastMsg(tagIPC_MESSAGE_ITEM& item) {
  if (item.dwMsgId != kRecheckBroadcast)
    return;
  AudioDeviceMoudle::AutoCheckDisplayAudioError();
  auto& state = dispatcher::GetState();
  if (state.btRecheckPending) {
    CMsgEvent transient;
    DeviceDriverErrorDetectEx::CheckBluetooth();
    state.btRecheckPending = false;
  }
}
