// The host's IPC client over the emulator's bus. Each client owns a queue and, from its
// first incoming message on, a receiving thread that calls the handlers.
#include "hostapi/IPCMessageClient.h"

#include <deque>

#include "emu/Bus.h"
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
  explicit ClientEndpoint(CIPCMessageClient* owner) : owner_(owner) {}

  void Deliver(emu::BusMessage message) override {
    auto& sched = emu::Scheduler::Instance();
    bool start = false;
    {
      std::unique_lock lock(sched.Lock());
      if (closed_)
        return;
      queue_.push_back(std::move(message));
      start = !threadStarted_;
      threadStarted_ = true;
      arrived_.NotifyOne();
    }
    if (start) {
      sched.StartThread([this] { ReceiveLoop(); }, emu::Scheduler::ThreadKind::Host);
    }
  }

  // Stops the receiving thread and waits until it has returned.
  void Close() {
    auto& sched = emu::Scheduler::Instance();
    std::unique_lock lock(sched.Lock());
    closed_ = true;
    arrived_.NotifyAll();
    if (threadStarted_ && !onReceivingThread)
      stopped_.Wait(lock, [this] { return finished_; });
  }

 private:
  void ReceiveLoop() {
    onReceivingThread = true;
    auto& sched = emu::Scheduler::Instance();
    for (;;) {
      emu::BusMessage message;
      {
        std::unique_lock lock(sched.Lock());
        arrived_.Wait(lock, [this] { return closed_ || !queue_.empty(); });
        if (closed_)
          break;
        message = std::move(queue_.front());
        queue_.pop_front();
      }
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
      IPCClientAccess::Dispatch(*owner_, item);
    }
    std::unique_lock lock(sched.Lock());
    finished_ = true;
    stopped_.NotifyAll();
  }

  static thread_local bool onReceivingThread;
  CIPCMessageClient* owner_;
  std::deque<emu::BusMessage> queue_;
  emu::Condition arrived_;
  emu::Condition stopped_;
  bool closed_ = false;
  bool threadStarted_ = false;
  bool finished_ = false;
};

thread_local bool ClientEndpoint::onReceivingThread = false;

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
