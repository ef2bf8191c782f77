// ATA commands through a SCSI miniport, through USB bridges (SCSI pass-through with the
// bridge's CDB), and the Silicon Image path.
#include <cstring>
#include <vector>

#include "platform/Storage.h"
#include "smart/CAtaSmart.h"
#include "smart/DeviceIo.h"
#include "smart/Layout.h"

namespace smart {

namespace {

using namespace layout;

constexpr std::uint32_t IOCTL_SCSI_MINIPORT_IDENTIFY = 0x1B0501;
constexpr std::uint32_t IOCTL_SCSI_MINIPORT_READ_SMART_ATTRIBS = 0x1B0502;
constexpr std::uint32_t IOCTL_SCSI_MINIPORT_READ_SMART_THRESHOLDS = 0x1B0503;
constexpr std::uint32_t IOCTL_SCSI_MINIPORT_ENABLE_SMART = 0x1B0504;

// SRB_IO_CONTROL + SENDCMDINPARAMS: 60 bytes in; SRB + SENDCMDOUTPARAMS + 512: 557 out.
bool MiniportCommand(std::int32_t port, std::int32_t targetId, std::uint32_t controlCode,
                     std::uint8_t feature, std::uint8_t command, std::uint8_t* data) {
  constexpr std::size_t kIn = kSrbHeader + 32;
  constexpr std::size_t kOut = kSrbHeader + kSendCmdOutHeader + 1 + 512;
  std::vector<std::uint8_t> buffer(kOut, 0);
  std::uint8_t* p = buffer.data();
  PutSrb(p, "SCSIDISK", 2, controlCode, 17 + 512);
  std::uint8_t* params = p + kSrbHeader;
  Put32(params, 512);
  PutIdeRegisters(params + 4, command, feature,
                  static_cast<std::uint8_t>(0xA0 | ((targetId & 1) << 4)));
  params[12] = static_cast<std::uint8_t>(targetId);
  if (!DeviceRequest(ScsiPortPath(port), platform::IOCTL_SCSI_MINIPORT, p, kIn, p, kOut))
    return false;
  if (data)
    std::memcpy(data, p + kSrbHeader + kSendCmdOutHeader, 512);
  return true;
}

// The bridge CDB of a command type: IDENTIFY (EC) or S.M.A.R.T. (B0 with its feature).
struct Cdb {
  std::uint8_t length;
  std::uint8_t bytes[16];
};

Cdb BridgeCdb(std::uint32_t commandType, std::uint8_t target, std::uint8_t command,
              std::uint8_t feature) {
  const bool smart = command == 0xB0;
  const std::uint8_t mid = smart ? 0x4F : 0;
  const std::uint8_t high = smart ? 0xC2 : 0;
  switch (commandType) {
    case CMD_TYPE_SAT:
    case CMD_TYPE_PROLIFIC:
      return {12,
              {0xA1, static_cast<std::uint8_t>(commandType == CMD_TYPE_SAT ? 0x08 : 0x1C), 0x0E,
               feature, 1, 0, mid, high, target, command}};
    case CMD_TYPE_SUNPLUS:
      return {12, {0xF8, 0x00, 0x22, 0x10, 1, feature, 1, 0, mid, high, target, command}};
    case CMD_TYPE_IO_DATA:
      return {12, {0xE3, 0x00, feature, 1, 1, mid, high, target, command}};
    case CMD_TYPE_LOGITEC1:
      return {10, {0xE0, 0x00, feature, 0, 0, mid, high, target, command, 0x4C}};
    case CMD_TYPE_LOGITEC2:
      return {
          16,
          {0xD8, 0x15, 0x00, feature, 0x06, 0x7B, 0, 0, 0x02, 0, 1, 0, mid, high, target, command}};
    case CMD_TYPE_JMICRON:
      return {12, {0xDF, 0x10, 0x00, 0x02, 0x00, feature, 1, 0, mid, high, target, command}};
    case CMD_TYPE_CYPRESS:
      return {16, {0x24, 0x24, 0x00, 0xBE, 1, 0, feature, 1, 0, mid, high, target, command}};
    default:
      return {0, {}};
  }
}

// SCSI_PASS_THROUGH header, filler, 32 sense bytes and the data: 604 bytes for 512 of data.
std::vector<std::uint8_t> PassThrough(const std::uint8_t* cdb, std::uint8_t cdbLength, bool dataIn,
                                      std::uint32_t dataLength) {
  std::vector<std::uint8_t> buffer(kSptDataOffset + dataLength, 0);
  std::uint8_t* p = buffer.data();
  Put16(p, kSptHeader);
  p[6] = cdbLength;
  p[7] = 24;
  p[8] = dataIn ? SCSI_IOCTL_DATA_IN : SCSI_IOCTL_DATA_OUT;
  Put32(p + 12, dataLength);
  Put32(p + 16, 2);
  Put64(p + 24, kSptDataOffset);
  Put32(p + 32, kSptSenseOffset);
  std::memcpy(p + 36, cdb, cdbLength);
  return buffer;
}

}  // namespace

bool SendScsiPassThrough(std::int32_t drive, const std::uint8_t* cdb, std::uint8_t cdbLength,
                         bool dataIn, std::uint8_t* data, std::uint32_t dataLength) {
  auto buffer = PassThrough(cdb, cdbLength, dataIn, dataLength);
  if (!dataIn && data)
    std::memcpy(buffer.data() + kSptDataOffset, data, dataLength);
  const auto size = static_cast<std::uint32_t>(buffer.size());
  std::uint32_t returned = 0;
  if (!DeviceRequest(PhysicalDrivePath(drive), platform::IOCTL_SCSI_PASS_THROUGH, buffer.data(),
                     dataIn ? static_cast<std::uint32_t>(kSptHeader) : size, buffer.data(), size,
                     &returned) ||
      returned != size) {
    return false;
  }
  if (dataIn && data)
    std::memcpy(data, buffer.data() + kSptDataOffset, dataLength);
  return true;
}

bool CAtaSmart::DoIdentifyDeviceScsi(std::int32_t scsiPort, std::int32_t scsiTargetId,
                                     std::uint8_t* identify) {
  std::uint8_t answer[512] = {};
  if (!MiniportCommand(scsiPort, scsiTargetId, IOCTL_SCSI_MINIPORT_IDENTIFY, 0, 0xEC, answer) ||
      answer[0] == 0) {
    return false;
  }
  std::memcpy(identify, answer, 512);
  return true;
}

bool CAtaSmart::GetSmartAttributeScsi(std::int32_t scsiPort, std::int32_t scsiTargetId,
                                      ATA_SMART_INFO& asi) {
  return MiniportCommand(scsiPort, scsiTargetId, IOCTL_SCSI_MINIPORT_READ_SMART_ATTRIBS, 0xD0, 0xB0,
                         asi.SmartReadData) &&
         FillSmartData(asi);
}

bool CAtaSmart::GetSmartThresholdScsi(std::int32_t scsiPort, std::int32_t scsiTargetId,
                                      ATA_SMART_INFO& asi) {
  return MiniportCommand(scsiPort, scsiTargetId, IOCTL_SCSI_MINIPORT_READ_SMART_THRESHOLDS, 0xD1,
                         0xB0, asi.SmartReadThreshold) &&
         FillSmartThreshold(asi);
}

bool CAtaSmart::ControlSmartStatusScsi(std::int32_t scsiPort, std::int32_t scsiTargetId) {
  return MiniportCommand(scsiPort, scsiTargetId, IOCTL_SCSI_MINIPORT_ENABLE_SMART, 0xD8, 0xB0,
                         nullptr);
}

bool CAtaSmart::SatCommand(std::int32_t physicalDriveId, std::uint8_t target, std::uint8_t feature,
                           std::uint8_t command, std::uint32_t commandType, std::uint8_t* data) {
  const Cdb cdb = BridgeCdb(commandType, target, command, feature);
  if (cdb.length == 0)
    return false;
  std::uint8_t answer[512] = {};
  const bool withData = data != nullptr;
  if (!SendScsiPassThrough(physicalDriveId, cdb.bytes, cdb.length, true, answer, 512))
    return false;
  if (withData && AllZero(answer, 512))
    return false;
  if (withData)
    std::memcpy(data, answer, 512);
  return true;
}

bool CAtaSmart::DoIdentifyDeviceSat(std::int32_t physicalDriveId, std::uint8_t target,
                                    std::uint8_t* identify, std::uint32_t commandType) {
  return SatCommand(physicalDriveId, target, 0, 0xEC, commandType, identify);
}

bool CAtaSmart::GetSmartAttributeSat(std::int32_t physicalDriveId, std::uint8_t target,
                                     ATA_SMART_INFO& asi) {
  return SatCommand(physicalDriveId, target, 0xD0, 0xB0, asi.CommandType, asi.SmartReadData) &&
         FillSmartData(asi);
}

bool CAtaSmart::GetSmartThresholdSat(std::int32_t physicalDriveId, std::uint8_t target,
                                     ATA_SMART_INFO& asi) {
  return SatCommand(physicalDriveId, target, 0xD1, 0xB0, asi.CommandType, asi.SmartReadThreshold) &&
         FillSmartThreshold(asi);
}

bool CAtaSmart::ControlSmartStatusSat(std::int32_t physicalDriveId, std::uint8_t target,
                                      std::uint32_t commandType) {
  return SatCommand(physicalDriveId, target, 0xD8, 0xB0, commandType, nullptr);
}

bool CAtaSmart::DoIdentifyDeviceSi(std::int32_t physicalDriveId, std::int32_t scsiPort,
                                   std::int32_t scsiBus, std::int32_t siliconImageType,
                                   std::uint8_t* identify) {
  (void)physicalDriveId;
  // SRB_IO_CONTROL, IDEREGS, 16 reserved bytes, 512 data bytes: 564 in all.
  constexpr std::size_t kSize = 564;
  std::vector<std::uint8_t> buffer(kSize, 0);
  std::uint8_t* p = buffer.data();
  PutSrb(p, "SCSIDISK", 2, IOCTL_SCSI_MINIPORT_IDENTIFY, kSize - kSrbHeader);
  std::uint8_t* regs = p + kSrbHeader;
  regs[1] = 1;
  regs[2] = 1;
  regs[5] = static_cast<std::uint8_t>(0xA0 | ((scsiBus & 1) << 4));
  regs[6] = 0xEC;
  std::wstring path = ScsiPortPath(scsiPort);
  bool ok = DeviceRequest(path, platform::IOCTL_SCSI_MINIPORT, p, kSize, p, kSize);
  if (!ok) {
    const int chip = siliconImageType == 3512 ? 3112 : siliconImageType;
    const std::wstring name = L"tempBusSil" + std::to_wstring(chip);
    platform::DefineDosDeviceW(name, L"\\Device\\Scsi\\SI" + std::to_wstring(chip) + L"1");
    ok = DeviceRequest(L"\\\\.\\" + name, platform::IOCTL_SCSI_MINIPORT, p, kSize, p, kSize);
  }
  if (!ok || AllZero(p + kSize - 512, 512))
    return false;
  std::memcpy(identify, p + kSize - 512, 512);
  return true;
}

bool CAtaSmart::GetSmartAttributeSi(std::int32_t physicalDriveId, ATA_SMART_INFO& asi) {
  std::uint8_t buffer[516] = {};  // failure flag and 512 vendor bytes
  if (!DeviceRequest(PhysicalDrivePath(physicalDriveId), platform::IOCTL_STORAGE_PREDICT_FAILURE,
                     nullptr, 0, buffer, sizeof buffer)) {
    return false;
  }
  std::memcpy(asi.SmartReadData, buffer + 4, 512);
  return FillSmartData(asi);
}

}  // namespace smart
