#pragma once
// The host's IPC message library as the plug-in sees it: one message record and the
// client class that joins the host's message bus.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>

#pragma pack(push, 8)
// One message on the bus: 48 bytes, little-endian.
struct tagIPC_MESSAGE_ITEM {
  std::uint32_t dwDestClientId = 0xFFFFFFFF;
  std::uint32_t dwSrcClientId = 0xFFFFFFFF;
  std::uint32_t dwMsgId = 0xFFFFFFFF;
  std::uint32_t dwReplyMsgId = 0xFFFFFFFF;  // the id under which the receiver answers
  std::uint32_t dwReserved1 = 0xFFFFFFFF;
  std::uint32_t dwReserved2 = 0;
  std::int32_t nDataLen = 0;
  std::uint32_t dwPadding = 0;
  std::uint8_t* pData = nullptr;
  std::uint8_t bFlag = 0;
  std::uint8_t reserved[7] = {};
};
#pragma pack(pop)

static_assert(sizeof(void*) == 8, "the message layout is that of a 64-bit process");
static_assert(sizeof(tagIPC_MESSAGE_ITEM) == 48);
static_assert(offsetof(tagIPC_MESSAGE_ITEM, dwSrcClientId) == 4);
static_assert(offsetof(tagIPC_MESSAGE_ITEM, dwMsgId) == 8);
static_assert(offsetof(tagIPC_MESSAGE_ITEM, dwReplyMsgId) == 12);
static_assert(offsetof(tagIPC_MESSAGE_ITEM, dwReserved1) == 16);
static_assert(offsetof(tagIPC_MESSAGE_ITEM, dwReserved2) == 20);
static_assert(offsetof(tagIPC_MESSAGE_ITEM, nDataLen) == 24);
static_assert(offsetof(tagIPC_MESSAGE_ITEM, pData) == 32);
static_assert(offsetof(tagIPC_MESSAGE_ITEM, bFlag) == 40);

// A client on the host's message bus. Incoming messages are handed, on the library's
// receiving thread, to the handler registered for their message id, or to the default
// handler; the item and its payload are valid only during that call.
class CIPCMessageClient {
 public:
  using MsgHandler = std::function<void(tagIPC_MESSAGE_ITEM&)>;

  CIPCMessageClient(int clientId, bool connect, bool exclusive);
  virtual ~CIPCMessageClient();
  CIPCMessageClient(const CIPCMessageClient&) = delete;
  CIPCMessageClient& operator=(const CIPCMessageClient&) = delete;

  // Joins a broadcast group.
  bool SubscribeIPCMessage(std::uint32_t group, std::uint32_t reserved);

  // Sends the item; the payload is copied before the call returns.
  bool PostIPCMessage(const tagIPC_MESSAGE_ITEM& item);

 protected:
  // Filled by the derived client; read by the library's receiving thread. The mutex is the
  // library's own (a standard mutex, held only for a look-up or a store).
  std::map<std::uint32_t, MsgHandler> m_mapMsgHandler;
  MsgHandler m_defaultMsgHandler;
  std::mutex m_mutexHandler;  // guards the table and the default handler
};
