#pragma once
// What the Linux kernel carries out for the storage controls: SCSI commands through SG_IO
// (ATA commands ride in ATA PASS-THROUGH CDBs) and NVMe admin commands through the NVMe
// driver's ioctl. An interface, so that the translation can be checked on recorded answers.
#include <array>
#include <cstdint>

namespace linuxdisk {

struct ScsiCommand {
  std::array<std::uint8_t, 16> cdb{};
  std::uint8_t cdbLength = 0;
  bool dataIn = true;
  std::uint8_t* data = nullptr;  // dataLength bytes to fill (in) or to send (out)
  std::uint32_t dataLength = 0;
  std::uint32_t timeoutMs = 20000;
  // Filled by the transport.
  std::array<std::uint8_t, 32> sense{};
  std::uint8_t senseLength = 0;
  std::uint8_t status = 0;     // SCSI status (2: check condition)
  std::uint32_t residual = 0;  // bytes not transferred
};

struct NvmeAdminCommand {
  std::uint8_t opcode = 0;  // 0x06 identify, 0x02 get log page
  std::uint32_t nsid = 0;
  std::uint32_t cdw10 = 0;
  std::uint32_t cdw11 = 0;
  std::uint8_t* data = nullptr;  // dataLength bytes from the controller
  std::uint32_t dataLength = 0;
  std::uint32_t result = 0;  // filled by the transport
};

class Transport {
 public:
  virtual ~Transport() = default;
  // False when the command could not be carried out at all (the kernel refused it: errno in
  // *error); a command the device failed returns true with its status and sense.
  virtual bool Scsi(ScsiCommand& command, int* error) = 0;
  // False when the controller or the kernel refused the command (errno in *error, or the
  // NVMe status as a positive number).
  virtual bool NvmeAdmin(NvmeAdminCommand& command, int* error) = 0;
};

}  // namespace linuxdisk
