#pragma once
// The plug-in's one connection to the host's message bus (client 0x380000) and the place
// where its background work starts.
#include <cstdint>

#include "hostapi/IPCMessageClient.h"

class CMsgEvent : public CIPCMessageClient {
 public:
  static constexpr std::uint32_t kClientId = 0x380000;
  static constexpr std::uint32_t kBroadcastGroup = 0xA0000;
  static constexpr std::uint32_t kRecheckBroadcast = 0xA0004;

  // A transient instance: same client id, not registered, not subscribed, not used for replies.
  CMsgEvent();
  ~CMsgEvent() override;

  // The singleton, created on first use and destroyed at module exit.
  static CMsgEvent* GetInstance();

  // Loads the vendor libraries, binds the 14 request handlers, subscribes to the broadcast
  // group, installs the default handler and starts the background threads. Always true.
  bool Register();
  // Stops the plug-in: ends its waits, keeps host threads out of its code and waits for every
  // thread inside it, then stops the watchers, closes the subscriptions, enables again the
  // devices a repair left disabled and unloads the Realtek library. The handler table is
  // emptied: no request reaches the plug-in until the next Register. Always true.
  bool Uninit();

  // One "615001001" report per disk with the event counts; nothing when report is false.
  void ReportSmartInfoDetail(bool report);

  // Disk information requests (receiving thread).
  void OnRecvHddInfoQueryMsg(tagIPC_MESSAGE_ITEM& item);
  void OnRecvSsdInfoQueryMsg(tagIPC_MESSAGE_ITEM& item);
  void OnRecvDiskSummaryQueryMsg(tagIPC_MESSAGE_ITEM& item);
  // Device control requests.
  void OnRecvWifiRepairMsg(tagIPC_MESSAGE_ITEM& item);
  void OnRecvWmiQueryMsg(tagIPC_MESSAGE_ITEM& item);
  void OnRecvOsdServiceRecoverMsg(tagIPC_MESSAGE_ITEM& item);
  void OnRecvSetDeviceEnableQueryMsg(tagIPC_MESSAGE_ITEM& item);
  void OnRecvSetDeviceDisableQueryMsg(tagIPC_MESSAGE_ITEM& item);
  void OnRecvStartServiceMsg(tagIPC_MESSAGE_ITEM& item);
  void OnRecvWinsockResetMsg(tagIPC_MESSAGE_ITEM& item);
  void OnRecvWifiDriverReinstallMsg(tagIPC_MESSAGE_ITEM& item);
  void OnRecvResetDeviceDriverMsg(tagIPC_MESSAGE_ITEM& item);
  void OnRecvScanHardwareChangeMsg(tagIPC_MESSAGE_ITEM& item);
  void OnRecvGetBiosSwitchMsg(tagIPC_MESSAGE_ITEM& item);
  // Default handler: any other message that reaches the client.
  void OnRecvBroadcastMsg(tagIPC_MESSAGE_ITEM& item);

 private:
  using Handler = void (CMsgEvent::*)(tagIPC_MESSAGE_ITEM&);
  MsgHandler Bind(Handler handler);
  void RegisterMsgHandler(std::uint32_t msgId, Handler handler);
  void SetDefaultMsgHandler(Handler handler);
};
