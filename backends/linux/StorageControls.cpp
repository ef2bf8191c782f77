#include "StorageControls.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "AtaPassThrough.h"
#include "LinuxMachine.h"
#include "platform/Storage.h"
#include "smart/Layout.h"

namespace linuxdisk {

namespace {

using smart::layout::Get32;
using smart::layout::Put32;

constexpr std::uint8_t kScsiCheckCondition = 2;
constexpr std::uint8_t kSenseIllegalRequest = 5;
constexpr std::uint8_t kAtaStatusError = 0x01;
constexpr std::uint8_t kAtaStatusDeviceFault = 0x20;
constexpr std::uint32_t kSectorBytes = 512;

std::uint16_t Get16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

bool Fail(DWORD* error, DWORD code) {
  *error = code;
  return false;
}

// The sense key of fixed or descriptor sense data.
std::uint8_t SenseKey(const ScsiCommand& c) {
  if (c.senseLength < 3)
    return 0;
  const std::uint8_t format = c.sense[0] & 0x7F;
  return (format == 0x72 || format == 0x73) ? c.sense[1] & 0x0F : c.sense[2] & 0x0F;
}

// The kernel refused the command. Refused for want of rights (the pass-through commands need
// CAP_SYS_RAWIO), it is noted, so that the user is told what to do.
bool TransportFailed(const DiskDevice& device, int os, DWORD* error) {
  if (os == EPERM || os == EACCES) {
    Machine().NoteOpenFailure(device.disk.devicePath, os);
    return Fail(error, ::ERROR_ACCESS_DENIED);
  }
  return Fail(error, kErrorIoDevice);
}

// The registers after a command as Windows hands them back (IDEREGS, CurrentTaskFile): error,
// count, LBA low, mid, high, device, status, reserved.
void PutReturnedRegisters(std::uint8_t* p, const AtaTaskFile& regs) {
  const std::uint8_t registers[8] = {regs.error,   regs.sectorCount, regs.lbaLow, regs.lbaMid,
                                     regs.lbaHigh, regs.device,      regs.status, 0};
  std::memcpy(p, registers, 8);
}

// An ATA command through ATA PASS-THROUGH (16): the drive's registers come back in regs.
// A device that knows no such CDB refuses it as an illegal request.
bool RunAta(DiskDevice& device, AtaTaskFile& regs, std::uint8_t* data, DWORD* error) {
  if (device.disk.nvme)
    return Fail(error, kErrorInvalidFunction);
  ScsiCommand c;
  c.cdb = AtaPassThrough16(regs, data != nullptr);
  c.cdbLength = 16;
  c.dataIn = true;
  c.data = data;
  c.dataLength = data ? kSectorBytes : 0;
  int os = 0;
  if (!device.transport->Scsi(c, &os))
    return TransportFailed(device, os, error);
  AtaTaskFile returned = regs;
  const bool haveRegisters = ReturnedRegisters(c.sense.data(), c.senseLength, returned);
  if (!haveRegisters) {
    if (c.status == kScsiCheckCondition && SenseKey(c) == kSenseIllegalRequest)
      return Fail(error, kErrorInvalidFunction);
    if (c.status != 0)
      return Fail(error, kErrorIoDevice);
    returned.status = 0x50;  // a bridge that ignores CK_COND: ready, no error
  }
  if (returned.status & (kAtaStatusError | kAtaStatusDeviceFault))
    return Fail(error, kErrorIoDevice);
  regs = returned;
  return true;
}

// IOCTL_ATA_PASS_THROUGH: ATA_PASS_THROUGH_EX (48 bytes), filler, data at 52.
bool AtaPassThroughControl(DiskDevice& device, const std::uint8_t* in, DWORD inSize,
                           std::uint8_t* out, DWORD outSize, DWORD* returned, DWORD* error) {
  namespace L = smart::layout;
  if (inSize < L::kAptHeader || Get16(in) != L::kAptHeader)
    return Fail(error, ::ERROR_INVALID_PARAMETER);
  const std::uint32_t length = Get32(in + 8);
  const bool dataIn = (Get16(in + 2) & L::ATA_FLAGS_DATA_IN) != 0 && length > 0;
  if (length > kSectorBytes || (dataIn && outSize < L::kAptDataOffset + length) ||
      outSize < L::kAptHeader)
    return Fail(error, ::ERROR_INVALID_PARAMETER);
  const std::uint8_t* task = in + 40;
  AtaTaskFile regs{task[0], task[1], task[2], task[3], task[4], task[5], task[6]};
  std::uint8_t block[kSectorBytes] = {};
  if (!RunAta(device, regs, dataIn ? block : nullptr, error))
    return false;
  std::memcpy(out, in, std::min<DWORD>(inSize, L::kAptHeader));
  PutReturnedRegisters(out + 40, regs);
  if (dataIn)
    std::memcpy(out + L::kAptDataOffset, block, length);
  *returned = dataIn ? L::kAptDataOffset + length : L::kAptHeader;
  return true;
}

// SMART_RCV_DRIVE_DATA and SMART_SEND_DRIVE_COMMAND: SENDCMDINPARAMS in, SENDCMDOUTPARAMS
// (cBufferSize, DRIVERSTATUS, buffer at 16) out.
bool LegacySmartControl(DiskDevice& device, bool receive, const std::uint8_t* in, DWORD inSize,
                        std::uint8_t* out, DWORD outSize, DWORD* returned, DWORD* error) {
  namespace L = smart::layout;
  if (inSize < L::kSendCmdIn - 1 || outSize < L::kSendCmdOutHeader ||
      (receive && outSize < L::kSendCmdOutHeader + kSectorBytes))
    return Fail(error, ::ERROR_INVALID_PARAMETER);
  const std::uint8_t* ide = in + 4;
  AtaTaskFile regs{ide[0], ide[1], ide[2], ide[3], ide[4], ide[5], ide[6]};
  std::uint8_t block[kSectorBytes] = {};
  if (!RunAta(device, regs, receive ? block : nullptr, error))
    return false;
  std::memset(out, 0, L::kSendCmdOutHeader);
  if (receive) {
    Put32(out, kSectorBytes);
    std::memcpy(out + L::kSendCmdOutHeader, block, kSectorBytes);
    *returned = L::kSendCmdOutHeader + kSectorBytes;
    return true;
  }
  // A command without data hands back the drive's registers (IDEREGS) in the buffer.
  if (outSize >= L::kSendCmdOutHeader + 8) {
    Put32(out, 8);
    PutReturnedRegisters(out + L::kSendCmdOutHeader, regs);
    *returned = L::kSendCmdOutHeader + 8;
  } else {
    *returned = L::kSendCmdOutHeader;
  }
  return true;
}

// IOCTL_SCSI_PASS_THROUGH: SCSI_PASS_THROUGH (56 bytes) with its sense and data offsets; the
// CDB goes to the device as it is.
bool ScsiPassThroughControl(DiskDevice& device, const std::uint8_t* in, DWORD inSize,
                            std::uint8_t* out, DWORD outSize, DWORD* returned, DWORD* error) {
  namespace L = smart::layout;
  if (device.disk.nvme)
    return Fail(error, kErrorInvalidFunction);
  if (inSize < L::kSptHeader || Get16(in) != L::kSptHeader)
    return Fail(error, ::ERROR_INVALID_PARAMETER);
  const std::uint8_t cdbLength = in[6];
  const std::uint8_t senseRoom = in[7];
  const bool dataIn = in[8] == L::SCSI_IOCTL_DATA_IN;
  const std::uint32_t length = Get32(in + 12);
  const std::uint32_t dataOffset = Get32(in + 24);
  const std::uint32_t senseOffset = Get32(in + 32);
  if (cdbLength == 0 || cdbLength > 16 || std::uint64_t{dataOffset} + length > outSize ||
      std::uint64_t{senseOffset} + senseRoom > outSize ||
      (!dataIn && std::uint64_t{dataOffset} + length > inSize))
    return Fail(error, ::ERROR_INVALID_PARAMETER);
  std::vector<std::uint8_t> data(length);
  if (!dataIn && length)
    std::memcpy(data.data(), in + dataOffset, length);
  ScsiCommand c;
  std::memcpy(c.cdb.data(), in + 36, cdbLength);
  c.cdbLength = cdbLength;
  c.dataIn = dataIn;
  c.data = data.data();
  c.dataLength = length;
  int os = 0;
  if (!device.transport->Scsi(c, &os))
    return Fail(error, kErrorIoDevice);
  if (c.status != 0) {
    return Fail(error, c.status == kScsiCheckCondition && SenseKey(c) == kSenseIllegalRequest
                           ? kErrorInvalidFunction
                           : kErrorIoDevice);
  }
  // The caller may pass one buffer as request and answer: the header is taken first.
  std::uint8_t header[L::kSptHeader];
  std::memcpy(header, in, L::kSptHeader);
  std::memcpy(out, header, L::kSptHeader);
  out[2] = c.status;
  const std::uint32_t moved = length - std::min(c.residual, length);
  Put32(out + 12, moved);
  out[7] = std::min<std::uint8_t>(senseRoom, c.senseLength);
  if (out[7])
    std::memcpy(out + senseOffset, c.sense.data(), out[7]);
  if (dataIn && moved)
    std::memcpy(out + dataOffset, data.data(), moved);
  *returned = dataIn ? dataOffset + moved : dataOffset;
  return true;
}

// STORAGE_DEVICE_DESCRIPTOR: version 40, the four texts after the fixed part.
bool DeviceDescriptor(const BlockDisk& disk, std::uint8_t* out, DWORD outSize, DWORD* returned,
                      DWORD* error) {
  constexpr std::uint32_t kFixed = 40;
  if (outSize < 8)
    return Fail(error, ::ERROR_INVALID_PARAMETER);
  std::vector<std::uint8_t> d(kFixed, 0);
  auto addText = [&d](std::uint32_t field, const std::string& text) {
    if (text.empty())
      return;
    Put32(d.data() + field, static_cast<std::uint32_t>(d.size()));
    d.insert(d.end(), text.begin(), text.end());
    d.push_back(0);
  };
  addText(12, disk.vendor);
  addText(16, disk.model);
  addText(20, disk.revision);
  addText(24, disk.serial);
  Put32(d.data(), kFixed);
  Put32(d.data() + 4, static_cast<std::uint32_t>(d.size()));
  d[10] = disk.removable ? 1 : 0;
  d[11] = 1;  // command queueing
  Put32(d.data() + 28, disk.busType);
  const DWORD n = std::min<DWORD>(static_cast<DWORD>(d.size()), outSize);
  std::memcpy(out, d.data(), n);
  *returned = n;
  return true;
}

// STORAGE_PROPERTY_QUERY with STORAGE_PROTOCOL_SPECIFIC_DATA for NVMe (identify, log page):
// the protocol block at 8, the data after it at its own offset.
bool NvmeQuery(DiskDevice& device, const std::uint8_t* in, DWORD inSize, std::uint8_t* out,
               DWORD outSize, DWORD* returned, DWORD* error) {
  constexpr std::uint32_t kProtocolNvme = 3;
  constexpr std::uint32_t kTypeIdentify = 1;
  constexpr std::uint32_t kTypeLogPage = 2;
  if (!device.disk.nvme)
    return Fail(error, kErrorInvalidFunction);
  if (inSize < 8 + 40)
    return Fail(error, ::ERROR_INVALID_PARAMETER);
  const std::uint8_t* proto = in + 8;
  const std::uint32_t type = Get32(proto + 4), value = Get32(proto + 8), sub = Get32(proto + 12);
  const std::uint32_t offset = Get32(proto + 16), length = Get32(proto + 20);
  if (Get32(proto) != kProtocolNvme || offset < 40 || length == 0 || length > 4096 ||
      std::uint64_t{8} + offset + length > outSize)
    return Fail(error, ::ERROR_INVALID_PARAMETER);
  std::vector<std::uint8_t> data(type == kTypeIdentify ? 4096 : length, 0);
  NvmeAdminCommand c;
  c.data = data.data();
  c.dataLength = static_cast<std::uint32_t>(data.size());
  if (type == kTypeIdentify) {
    c.opcode = 0x06;
    c.cdw10 = value;  // CNS: 1 the controller
  } else if (type == kTypeLogPage) {
    c.opcode = 0x02;
    c.nsid = sub ? sub : 0xFFFFFFFF;
    c.cdw10 = ((length / 4 - 1) << 16) | (value & 0xFF);
  } else {
    return Fail(error, ::ERROR_INVALID_PARAMETER);
  }
  int status = 0;
  if (!device.transport->NvmeAdmin(c, &status))
    return TransportFailed(device, status, error);
  std::memcpy(out, in, 8 + 40);
  std::memcpy(out + 8 + offset, data.data(), length);
  *returned = 8 + offset + length;
  return true;
}

bool StorageQuery(DiskDevice& device, const std::uint8_t* in, DWORD inSize, std::uint8_t* out,
                  DWORD outSize, DWORD* returned, DWORD* error) {
  constexpr std::uint32_t kStorageDeviceProperty = 0;
  constexpr std::uint32_t kAdapterProtocolSpecific = 49;
  constexpr std::uint32_t kDeviceProtocolSpecific = 50;
  if (inSize < 8 || Get32(in + 4) != 0)  // PropertyStandardQuery only
    return Fail(error, ::ERROR_INVALID_PARAMETER);
  const std::uint32_t property = Get32(in);
  if (property == kStorageDeviceProperty)
    return DeviceDescriptor(device.disk, out, outSize, returned, error);
  if (property == kAdapterProtocolSpecific || property == kDeviceProtocolSpecific)
    return NvmeQuery(device, in, inSize, out, outSize, returned, error);
  return Fail(error, kErrorInvalidFunction);
}

// DISK_GEOMETRY: cylinders of 255 heads × 63 sectors, media type, bytes per sector.
bool Geometry(const BlockDisk& disk, std::uint8_t* out, DWORD outSize, DWORD* returned,
              DWORD* error) {
  constexpr std::uint32_t kMediaRemovable = 11;
  if (outSize < 24)
    return Fail(error, ::ERROR_INSUFFICIENT_BUFFER);
  std::memset(out, 0, 24);
  const std::uint64_t blocks = disk.sectors * 512 / disk.logicalBlockSize;
  smart::layout::Put64(out, blocks / (255 * 63));
  Put32(out + 8, disk.removable ? kMediaRemovable : platform::MEDIA_FIXED);
  Put32(out + 12, 255);
  Put32(out + 16, 63);
  Put32(out + 20, disk.logicalBlockSize);
  *returned = 24;
  return true;
}

// SCSI_ADDRESS: length, port, path, target, lun.
bool ScsiAddress(const DiskDevice& device, std::uint8_t* out, DWORD outSize, DWORD* returned,
                 DWORD* error) {
  if (outSize < 8)
    return Fail(error, ::ERROR_INVALID_PARAMETER);
  const BlockDisk& disk = device.disk;
  const bool nvme = disk.nvme;
  Put32(out, 8);
  out[4] = static_cast<std::uint8_t>(nvme ? std::max(disk.nvmeController, 0) : disk.host);
  out[5] = static_cast<std::uint8_t>(nvme ? 0 : disk.channel);
  out[6] = static_cast<std::uint8_t>(nvme ? 0 : disk.target);
  out[7] = static_cast<std::uint8_t>(nvme ? 0 : disk.lun);
  *returned = 8;
  return true;
}

}  // namespace

bool StorageControl(DiskDevice& device, DWORD code, const std::uint8_t* in, DWORD inSize,
                    std::uint8_t* out, DWORD outSize, DWORD* returned, DWORD* error) {
  *returned = 0;
  if ((!in && inSize) || (!out && outSize))
    return Fail(error, ::ERROR_INVALID_PARAMETER);
  switch (code) {
    case platform::IOCTL_ATA_PASS_THROUGH:
      return AtaPassThroughControl(device, in, inSize, out, outSize, returned, error);
    case platform::SMART_RCV_DRIVE_DATA:
    case platform::SMART_SEND_DRIVE_COMMAND:
      return LegacySmartControl(device, code == platform::SMART_RCV_DRIVE_DATA, in, inSize, out,
                                outSize, returned, error);
    case platform::IOCTL_SCSI_PASS_THROUGH:
      return ScsiPassThroughControl(device, in, inSize, out, outSize, returned, error);
    case platform::IOCTL_STORAGE_QUERY_PROPERTY:
      return StorageQuery(device, in, inSize, out, outSize, returned, error);
    case platform::IOCTL_DISK_GET_DRIVE_GEOMETRY:
      return Geometry(device.disk, out, outSize, returned, error);
    case platform::IOCTL_SCSI_GET_ADDRESS:
      return ScsiAddress(device, out, outSize, returned, error);
    default:
      // The miniport interface, failure prediction and the rest have no counterpart here.
      return Fail(error, kErrorInvalidFunction);
  }
}

}  // namespace linuxdisk
