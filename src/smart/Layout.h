#pragma once
// Little-endian byte writing and reading for the storage request buffers.
#include <cstdint>
#include <cstring>
#include <vector>

namespace smart::layout {

inline void Put16(std::uint8_t* p, std::uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void Put32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i)
    p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
inline void Put64(std::uint8_t* p, std::uint64_t v) {
  for (int i = 0; i < 8; ++i)
    p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
inline std::uint32_t Get32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
inline bool AllZero(const std::uint8_t* p, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) {
    if (p[i])
      return false;
  }
  return true;
}

// ATA_PASS_THROUGH_EX (64-bit): Length 0, AtaFlags 2, DataTransferLength 8, TimeOutValue 12,
// DataBufferOffset 24 (8 bytes), PreviousTaskFile 32, CurrentTaskFile 40; 48 bytes.
constexpr std::size_t kAptHeader = 48;
constexpr std::size_t kAptDataOffset = 52;  // after a 4-byte filler
constexpr std::uint16_t ATA_FLAGS_DATA_IN = 0x02;

// SENDCMDINPARAMS: cBufferSize 0, IDEREGS 4..11, bDriveNumber 12, reserved to 32, buffer 32.
constexpr std::size_t kSendCmdIn = 33;
// SENDCMDOUTPARAMS: cBufferSize 0, DRIVERSTATUS 4..15, buffer 16.
constexpr std::size_t kSendCmdOutHeader = 16;

// IDEREGS: features, sector count 1, sector number 1, LBA mid and high (4F C2 for the
// S.M.A.R.T. command B0, else 0), device, command, reserved.
inline void PutIdeRegisters(std::uint8_t* regs, std::uint8_t command, std::uint8_t feature,
                            std::uint8_t device) {
  const bool smart = command == 0xB0;
  regs[0] = feature;
  regs[1] = 1;
  regs[2] = 1;
  regs[3] = smart ? 0x4F : 0;
  regs[4] = smart ? 0xC2 : 0;
  regs[5] = device;
  regs[6] = command;
  regs[7] = 0;
}

// SRB_IO_CONTROL: HeaderLength 0, Signature 4..11, Timeout 12, ControlCode 16, ReturnCode 20,
// Length 24; 28 bytes.
constexpr std::size_t kSrbHeader = 28;
inline void PutSrb(std::uint8_t* p, const char* signature, std::uint32_t timeout,
                   std::uint32_t controlCode, std::uint32_t length) {
  Put32(p, kSrbHeader);
  std::memcpy(p + 4, signature, 8);
  Put32(p + 12, timeout);
  Put32(p + 16, controlCode);
  Put32(p + 24, length);
}

// SCSI_PASS_THROUGH (64-bit): Length 0 (56), CdbLength 6, SenseInfoLength 7, DataIn 8,
// DataTransferLength 12, TimeOutValue 16, DataBufferOffset 24, SenseInfoOffset 32, Cdb 36.
constexpr std::size_t kSptHeader = 56;
constexpr std::size_t kSptSenseOffset = 60;
constexpr std::size_t kSptDataOffset = 92;
constexpr std::uint8_t SCSI_IOCTL_DATA_OUT = 0;
constexpr std::uint8_t SCSI_IOCTL_DATA_IN = 1;

}  // namespace smart::layout
