#include "ipc/Reply.h"

#include "ipc/MsgEvent.h"
#include "ipc/PayloadEncoding.h"

namespace reply {

Address AddressOf(const tagIPC_MESSAGE_ITEM& request) {
  return {request.dwSrcClientId, request.dwReplyMsgId};
}

bool DeviceTypeOf(const tagIPC_MESSAGE_ITEM& request, int& type) {
  // A zero length with a pointer is treated like no payload: there is no first byte to read.
  if (!request.pData || request.nDataLen < 1)
    return false;
  type = static_cast<signed char>(request.pData[0]);
  return true;
}

void Post(CMsgEvent* context, const Address& to, const std::function<void(IIPCDataIO&)>& body) {
  tagIPC_MESSAGE_ITEM holder;
  CIPCDataIO io(64, CIPCDataIO::kSerialize, false, &holder);
  io.WriteUInt32(1);
  body(io);

  tagIPC_MESSAGE_ITEM message;
  message.dwDestClientId = to.client;
  message.dwSrcClientId = 0xFFFFFFFF;
  message.dwMsgId = to.msg;
  message.dwReplyMsgId = 0xFFFFFFFF;
  message.dwReserved1 = 0xFFFFFFFF;
  message.dwReserved2 = 0;
  message.nDataLen = static_cast<std::int32_t>(io.Position());
  message.pData = io.Buffer();
  message.bFlag = 0;
  if (context)
    context->PostIPCMessage(message);
}  // the serializer frees the buffer here

void PostU32(CMsgEvent* context, const Address& to, std::uint32_t value) {
  Post(context, to, [value](IIPCDataIO& io) { io.WriteUInt32(value); });
}

void PostU8(CMsgEvent* context, const Address& to, std::uint8_t value) {
  Post(context, to, [value](IIPCDataIO& io) { io.WriteBytes(&value, 1); });
}

void PostMap(CMsgEvent* context, const Address& to,
             const std::map<std::uint32_t, std::uint32_t>& map) {
  Post(context, to, [&map](IIPCDataIO& io) { payload::WriteMap(io, map); });
}

void PostMap(CMsgEvent* context, const Address& to, const platform::WideMap<std::uint32_t>& map) {
  Post(context, to, [&map](IIPCDataIO& io) { payload::WriteMap(io, map); });
}

void PostBiosSwitch(CMsgEvent* context, const Address& to, std::uint32_t deviceType, bool callOk,
                    bool switchState) {
  Post(context, to, [&](IIPCDataIO& io) {
    io.WriteUInt32(deviceType);
    payload::WriteBool(io, callOk);
    payload::WriteBool(io, switchState);
  });
}

}  // namespace reply
