// The host's IPC client over the emulator's bus. Each client owns a queue and, from its
// first incoming message on, a receiving thread that calls the handlers.
#include "hostapi/IPCMessageClient.h"

#include <cstdio>
#include <map>
#include <mutex>
#include <string>

#include "emu/Bus.h"
#include "emu/Faults.h"
#include "emu/Mailbox.h"
#include "emu/Scheduler.h"
#include "emu/Toolkit.h"
#include "emu/Transcript.h"

namespace {

// Reads the handler table that the derived client fills. Pointers to the protected members,
// taken in a derived class, may be applied to any client.
struct HandlerTable : CIPCMessageClient {
  static MsgHandler Find(CIPCMessageClient& client, std::uint32_t msgId) {
    auto& table = client.*(&HandlerTable::m_mapMsgHandler);
    std::lock_guard lock(client.*(&HandlerTable::m_mutexHandler));
    auto it = table.find(msgId);
    return it != table.end() ? it->second : client.*(&HandlerTable::m_defaultMsgHandler);
  }
};

class ClientEndpoint : public emu::BusEndpoint {
 public:
  ClientEndpoint(CIPCMessageClient* owner, std::uint32_t clientId)
      : mailbox_([owner](emu::BusMessage& message) { Dispatch(*owner, message); },
                 "ipc receiving thread of client " + Hex(clientId)) {}

  void Deliver(emu::BusMessage message) override { mailbox_.Push(std::move(message)); }
  // No handler runs once Close returns (unless Close runs inside one).
  void Close() { mailbox_.Close(); }

 private:
  static std::string Hex(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", value);
    return text;
  }

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
    if (auto handler = HandlerTable::Find(owner, item.dwMsgId))
      handler(item);
  }

  emu::Mailbox<emu::BusMessage> mailbox_;
};

// The library's side of each client object, kept outside the object so that the client's
// layout is the host's.
std::mutex endpointsMutex;
std::map<const CIPCMessageClient*, ClientEndpoint*>& Endpoints() {
  static auto* endpoints = new std::map<const CIPCMessageClient*, ClientEndpoint*>();
  return *endpoints;
}

ClientEndpoint* EndpointOf(const CIPCMessageClient* client) {
  std::lock_guard lock(endpointsMutex);
  auto it = Endpoints().find(client);
  return it == Endpoints().end() ? nullptr : it->second;
}

}  // namespace

CIPCMessageClient::CIPCMessageClient(int clientId, bool, bool) {
  const auto id = static_cast<std::uint32_t>(clientId);
  auto* endpoint = new ClientEndpoint(this, id);
  {
    std::lock_guard lock(endpointsMutex);
    Endpoints()[this] = endpoint;
  }
  emu::Bus::Instance().Join(id, endpoint);
}

CIPCMessageClient::~CIPCMessageClient() {
  ClientEndpoint* endpoint = nullptr;
  {
    std::lock_guard lock(endpointsMutex);
    auto it = Endpoints().find(this);
    if (it == Endpoints().end())
      return;
    endpoint = it->second;
    Endpoints().erase(it);
  }
  emu::Bus::Instance().Leave(endpoint);
  endpoint->Close();
  delete endpoint;
}

bool CIPCMessageClient::SubscribeIPCMessage(std::uint32_t group, std::uint32_t) {
  if (emu::InjectedFault(emu::FaultOf("SubscribeIPCMessage")))
    return false;
  ClientEndpoint* endpoint = EndpointOf(this);
  if (endpoint)
    emu::Bus::Instance().Subscribe(endpoint, group);
  return endpoint != nullptr;
}

bool CIPCMessageClient::PostIPCMessage(const tagIPC_MESSAGE_ITEM& item) {
  if (emu::InjectedFault(emu::FaultOf("PostIPCMessage"), [&item] {
        char text[16];
        std::snprintf(text, sizeof text, "0x%X", item.dwMsgId);
        return std::string(text);
      }))
    return false;
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
  emu::BusMessage shown = message;
  emu::Line line = {
      {"dst", message.dst}, {"src", message.src}, {"msg", message.msg}, {"reply", message.reply}};
  if (emu::Toolkit::StabilizePopupRequest(shown))
    line["addresses"] = "window object addresses shown as the run's object numbers";
  line["payload_hex"] = emu::ToHex(shown.payload.data(), shown.payload.size());
  emu::Transcript::Instance().Write("ipc", std::move(line));
  return emu::Bus::Instance().Send(message);
}
