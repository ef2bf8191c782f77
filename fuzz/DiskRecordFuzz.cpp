// Disk blocks into a record: IDENTIFY, S.M.A.R.T. data and thresholds (ATA), or Identify
// Controller and the SMART / Health log (NVMe). The first byte picks the path; the rest fills
// the 512-byte blocks in turn (short inputs leave zeros).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "DiskRecordDecode.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1)
    return 0;
  std::uint8_t blocks[3][512] = {};
  const std::size_t rest = size - 1;
  for (std::size_t i = 0; i < 3; ++i) {
    const std::size_t offset = std::min(rest, i * 512);
    std::memcpy(blocks[i], data + 1 + offset, std::min<std::size_t>(512, rest - offset));
  }
  smart::ATA_SMART_INFO asi;
  if (data[0] & 1)
    diskrecord::DecodeNvme(asi, blocks[0], blocks[1]);
  else
    diskrecord::DecodeAta(asi, blocks[0], blocks[1], blocks[2]);
  return 0;
}
