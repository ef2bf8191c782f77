// Payloads of requests: the serializer's reads over arbitrary bytes, and every request
// handler of the dispatcher with an arbitrary payload (or none).
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "FuzzEmulator.h"
#include "ipc/IPCDataIO.h"
#include "ipc/MsgEvent.h"

namespace {

using Handler = void (CMsgEvent::*)(tagIPC_MESSAGE_ITEM&);
constexpr Handler kHandlers[] = {
    &CMsgEvent::OnRecvHddInfoQueryMsg,
    &CMsgEvent::OnRecvSsdInfoQueryMsg,
    &CMsgEvent::OnRecvDiskSummaryQueryMsg,
    &CMsgEvent::OnRecvWifiRepairMsg,
    &CMsgEvent::OnRecvWmiQueryMsg,
    &CMsgEvent::OnRecvOsdServiceRecoverMsg,
    &CMsgEvent::OnRecvSetDeviceEnableQueryMsg,
    &CMsgEvent::OnRecvSetDeviceDisableQueryMsg,
    &CMsgEvent::OnRecvStartServiceMsg,
    &CMsgEvent::OnRecvWinsockResetMsg,
    &CMsgEvent::OnRecvWifiDriverReinstallMsg,
    &CMsgEvent::OnRecvResetDeviceDriverMsg,
    &CMsgEvent::OnRecvScanHardwareChangeMsg,
    &CMsgEvent::OnRecvGetBiosSwitchMsg,
    &CMsgEvent::OnRecvBroadcastMsg,
};
constexpr std::size_t kHandlerCount = sizeof kHandlers / sizeof kHandlers[0];

// Reads driven by the bytes themselves: each step's kind and size come from the input.
void ReadAll(const std::uint8_t* data, std::size_t size) {
  std::vector<std::uint8_t> bytes(data, data + size);
  tagIPC_MESSAGE_ITEM item;
  item.pData = bytes.empty() ? nullptr : bytes.data();
  item.nDataLen = static_cast<std::int32_t>(bytes.size());
  CIPCDataIO io(64, CIPCDataIO::kUnserialize, false, &item);
  std::vector<std::uint8_t> sink(64);
  for (std::size_t step = 0; step < size; ++step) {
    try {
      std::uint32_t u32 = 0;
      std::uint8_t u8 = 0;
      switch (data[step] % 3) {
        case 0:
          io.ReadUInt32(&u32);
          break;
        case 1:
          io.ReadUInt8(&u8);
          break;
        default:
          io.ReadBytes(sink.data(), data[step] % 64);
      }
    } catch (const std::runtime_error&) {
      // "Data for unserialize too small": the position must not have moved past the end.
      if (io.Position() > size)
        __builtin_trap();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzzsupport::StartEmulator();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ReadAll(data, size);
  if (size < 1)
    return 0;
  // First byte: the handler, and whether the payload pointer is null.
  const Handler handler = kHandlers[(data[0] >> 1) % kHandlerCount];
  std::vector<std::uint8_t> payload(data + 1, data + size);
  tagIPC_MESSAGE_ITEM item;
  item.dwSrcClientId = 0x10000;
  item.dwReplyMsgId = 0x10001;
  item.dwMsgId = 0xA0004;
  if (!(data[0] & 1)) {
    item.pData = payload.data();
    item.nDataLen = static_cast<std::int32_t>(payload.size());
  }
  (CMsgEvent::GetInstance()->*handler)(item);
  fuzzsupport::FinishThreads();
  return 0;
}
