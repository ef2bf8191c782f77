// fdhost decode: the first two bits pick the disk request, the rest is the reply payload.
// Any bytes either decode or are refused with a DecodeError.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fdhost/DiskReplyDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1)
    return 0;
  const std::uint32_t requests[] = {0x380001, 0x380002, 0x380003, 0x380004};
  try {
    const auto reply = fdhost::DecodeDiskReply(requests[data[0] & 3],
                                               std::vector<std::uint8_t>(data + 1, data + size));
    fdhost::DiskReplyText(reply);
  } catch (const fdhost::DecodeError&) {
  }
  return 0;
}
