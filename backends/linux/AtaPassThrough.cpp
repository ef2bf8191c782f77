#include "AtaPassThrough.h"

#include <algorithm>

namespace linuxdisk {

namespace {

constexpr std::uint8_t kOpcode = 0x85;
constexpr std::uint8_t kProtocolNonData = 3;
constexpr std::uint8_t kProtocolPioDataIn = 4;
constexpr std::uint8_t kCheckCondition = 0x20;
constexpr std::uint8_t kFromDevice = 0x08;
constexpr std::uint8_t kByteBlocks = 0x04;
constexpr std::uint8_t kLengthInSectorCount = 0x02;
constexpr std::uint8_t kStatusReturnDescriptor = 0x09;

}  // namespace

std::array<std::uint8_t, 16> AtaPassThrough16(const AtaTaskFile& regs, bool dataIn) {
  std::array<std::uint8_t, 16> cdb{};
  cdb[0] = kOpcode;
  cdb[1] = static_cast<std::uint8_t>((dataIn ? kProtocolPioDataIn : kProtocolNonData) << 1);
  // CK_COND only without data: the registers after a PIO data-in command are not handed back
  // (libata aborts such a command on AHCI); a data-in command reports GOOD, or CHECK
  // CONDITION with the registers when the drive fails it. The transfer is sized by the
  // sector count, so a data-in command carries the one 512-byte block it reads there, what
  // the register held (IDENTIFY leaves it 0 on Windows, where the buffer size counts).
  cdb[2] = dataIn ? kFromDevice | kByteBlocks | kLengthInSectorCount : kCheckCondition;
  cdb[4] = regs.features;
  cdb[6] = dataIn ? 1 : regs.sectorCount;
  cdb[8] = regs.lbaLow;
  cdb[10] = regs.lbaMid;
  cdb[12] = regs.lbaHigh;
  cdb[13] = regs.device;
  cdb[14] = regs.command;
  return cdb;
}

bool ReturnedRegisters(const std::uint8_t* sense, std::size_t length, AtaTaskFile& regs) {
  if (!sense || length < 8)
    return false;
  const std::uint8_t format = sense[0] & 0x7F;
  if (format == 0x72 || format == 0x73) {
    const std::size_t end = std::min<std::size_t>(length, 8u + sense[7]);
    for (std::size_t at = 8; at + 2 <= end; at += 2u + sense[at + 1]) {
      if (sense[at] != kStatusReturnDescriptor || at + 14 > end)
        continue;
      const std::uint8_t* d = sense + at;
      regs.error = d[3];
      regs.sectorCount = d[5];
      regs.lbaLow = d[7];
      regs.lbaMid = d[9];
      regs.lbaHigh = d[11];
      regs.device = d[12];
      regs.status = d[13];
      return true;
    }
    return false;
  }
  // Fixed format carries registers only as "ATA pass through information available"
  // (RECOVERED ERROR, 00h/1Dh).
  if ((format == 0x70 || format == 0x71) && length >= 14 && (sense[2] & 0x0F) == 1 &&
      sense[12] == 0x00 && sense[13] == 0x1D) {
    regs.error = sense[3];
    regs.status = sense[4];
    regs.device = sense[5];
    regs.sectorCount = sense[6];
    regs.lbaLow = sense[9];
    regs.lbaMid = sense[10];
    regs.lbaHigh = sense[11];
    return true;
  }
  return false;
}

}  // namespace linuxdisk
