#pragma once
// ATA commands through the SCSI layer (SAT): the ATA PASS-THROUGH (16) CDB for a 28-bit
// command and the registers the drive returns in the sense data.
#include <array>
#include <cstddef>
#include <cstdint>

namespace linuxdisk {

// The registers of a 28-bit command as IDEREGS and ATA_PASS_THROUGH_EX carry them; after the
// command, error and status hold what the drive returned.
struct AtaTaskFile {
  std::uint8_t features = 0;
  std::uint8_t sectorCount = 0;
  std::uint8_t lbaLow = 0;
  std::uint8_t lbaMid = 0;
  std::uint8_t lbaHigh = 0;
  std::uint8_t device = 0;
  std::uint8_t command = 0;
  std::uint8_t error = 0;
  std::uint8_t status = 0;
};

// PIO data-in of 512-byte blocks (the count in the sector count register), or no data with
// CK_COND set, so that the drive's registers come back in the sense data.
std::array<std::uint8_t, 16> AtaPassThrough16(const AtaTaskFile& regs, bool dataIn);

// The registers from the sense data of such a command: the ATA Status Return descriptor
// (0x09) of descriptor-format sense (0x72, 0x73), or the ATA fields of fixed-format sense
// (0x70, 0x71) that says "ATA pass through information available". False otherwise.
bool ReturnedRegisters(const std::uint8_t* sense, std::size_t length, AtaTaskFile& regs);

}  // namespace linuxdisk
