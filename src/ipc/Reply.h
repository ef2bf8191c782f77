#pragma once
// Answers to requests: posted to the requester's source client id under the request's
// reply message id, with a payload that begins with the u32 value 1.
#include <cstdint>
#include <functional>
#include <map>
#include <string>

#include "hostapi/IPCMessageClient.h"
#include "ipc/IPCDataIO.h"
#include "platform/WideOrder.h"

class CMsgEvent;

namespace reply {

struct Address {
  std::uint32_t client;  // the request's source client id
  std::uint32_t msg;     // the request's reply message id
};
Address AddressOf(const tagIPC_MESSAGE_ITEM& request);

// The device type byte of a request: the first payload byte as a signed value. Empty when
// the request has no payload, and then it is ignored.
bool DeviceTypeOf(const tagIPC_MESSAGE_ITEM& request, int& type);

// Posts through context (the singleton); a null context suppresses the answer.
void Post(CMsgEvent* context, const Address& to, const std::function<void(IIPCDataIO&)>& body);

void PostU32(CMsgEvent* context, const Address& to, std::uint32_t value);
void PostU8(CMsgEvent* context, const Address& to, std::uint8_t value);
void PostMap(CMsgEvent* context, const Address& to,
             const std::map<std::uint32_t, std::uint32_t>& map);
void PostMap(CMsgEvent* context, const Address& to, const platform::WideMap<std::uint32_t>& map);
void PostBiosSwitch(CMsgEvent* context, const Address& to, std::uint32_t deviceType, bool callOk,
                    bool switchState);

}  // namespace reply
