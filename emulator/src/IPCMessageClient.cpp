// The host's IPC client over the emulator's bus. Each client owns a queue and, from its
// first incoming message on, a receiving thread that calls the handlers.
#include "hostapi/IPCMessageClient.h"

#include "emu/Bus.h"
#include "emu/Mailbox.h"
#include "emu/Scheduler.h"
#include "emu/Transcript.h"

struct IPCClientAccess {
  static void Dispatch(CIPCMessageClient& client, tagIPC_MESSAGE_ITEM& item) {
    client.DispatchIncoming(item);
  }
};

namespace {

class ClientEndpoint : public emu::BusEndpoint {
 public:
  explicit ClientEndpoint(CIPCMessageClient* owner)
      : mailbox_([owner](emu::BusMessage& message) { Dispatch(*owner, message); }) {}

  void Deliver(emu::BusMessage message) override { mailbox_.Push(std::move(message)); }
  // Stops the receiving thread and waits until it has returned.
  void Close() { mailbox_.Close(); }

 private:
  static void Dispatch(CIPCMessageClient& owner, emu::BusMessage& message) {
    tagIPC_MESSAGE_ITEM item;
    item.dwDestClientId = message.dst;
    item.dwSrcClientId = message.src;
    item.dwMsgId = message.msg;
    item.dwReplyMsgId = message.reply;
    item.dwReserved1 = message.reserved1;
    item.dwReserved2 = message.reserved2;
    item.bFlag = message.flag;
    if (message.hasPayload) {
      item.nDataLen = static_cast<std::int32_t>(message.payload.size());
      item.pData = message.payload.data();
    }
    IPCClientAccess::Dispatch(owner, item);
  }

  emu::Mailbox<emu::BusMessage> mailbox_;
};

}  // namespace

CIPCMessageClient::CIPCMessageClient(int clientId, bool, bool) : m_impl(new ClientEndpoint(this)) {
  emu::Bus::Instance().Join(static_cast<std::uint32_t>(clientId),
                            static_cast<ClientEndpoint*>(m_impl));
}

CIPCMessageClient::~CIPCMessageClient() {
  auto* endpoint = static_cast<ClientEndpoint*>(m_impl);
  emu::Bus::Instance().Leave(endpoint);
  endpoint->Close();
  delete endpoint;
}

bool CIPCMessageClient::SubscribeIPCMessage(std::uint32_t group, std::uint32_t) {
  emu::Bus::Instance().Subscribe(static_cast<ClientEndpoint*>(m_impl), group);
  return true;
}

bool CIPCMessageClient::PostIPCMessage(const tagIPC_MESSAGE_ITEM& item) {
  emu::BusMessage message;
  message.dst = item.dwDestClientId;
  message.src = item.dwSrcClientId;
  message.msg = item.dwMsgId;
  message.reply = item.dwReplyMsgId;
  message.reserved1 = item.dwReserved1;
  message.reserved2 = item.dwReserved2;
  message.flag = item.bFlag;
  message.hasPayload = item.pData != nullptr;
  if (item.pData && item.nDataLen > 0) {
    message.payload.assign(item.pData, item.pData + item.nDataLen);
  }
  emu::Transcript::Instance().Write(
      "ipc", {{"dst", message.dst},
              {"src", message.src},
              {"msg", message.msg},
              {"reply", message.reply},
              {"payload_hex", emu::ToHex(message.payload.data(), message.payload.size())}});
  return emu::Bus::Instance().Send(message);
}

void CIPCMessageClient::DispatchIncoming(tagIPC_MESSAGE_ITEM& item) {
  MsgHandler handler;
  {
    std::lock_guard lock(m_mutexHandler);
    auto it = m_mapMsgHandler.find(item.dwMsgId);
    handler = it != m_mapMsgHandler.end() ? it->second : m_defaultMsgHandler;
  }
  if (handler)
    handler(item);
}
