// NVMe Identify Controller and the SMART / Health log over the storage query, the Samsung and
// Intel driver paths and the JMicron and ASMedia USB bridges.
#include <cstring>
#include <vector>

#include "platform/Storage.h"
#include "smart/CAtaSmart.h"
#include "smart/DeviceIo.h"
#include "smart/Layout.h"

namespace smart {

bool SendScsiPassThrough(std::int32_t drive, const std::uint8_t* cdb, std::uint8_t cdbLength,
                         bool dataIn, std::uint8_t* data, std::uint32_t dataLength);

namespace {

using namespace layout;

constexpr std::uint32_t kNvmeData = 4096;
constexpr std::uint32_t kStorageAdapterProtocolSpecificProperty = 49;
constexpr std::uint32_t kProtocolTypeNvme = 3;
constexpr std::uint32_t kNvmeDataTypeIdentify = 1;
constexpr std::uint32_t kNvmeDataTypeLogPage = 2;
constexpr std::uint32_t kSmartHealthLog = 2;
constexpr std::size_t kQueryHeader = 48;  // STORAGE_PROPERTY_QUERY + STORAGE_PROTOCOL_SPECIFIC_DATA

bool StorageQuery(std::int32_t drive, std::uint32_t dataType, std::uint32_t requestValue,
                  std::uint32_t subValue, std::uint8_t* out512) {
  std::vector<std::uint8_t> buffer(kQueryHeader + kNvmeData, 0);
  std::uint8_t* p = buffer.data();
  Put32(p, kStorageAdapterProtocolSpecificProperty);
  Put32(p + 4, 0);  // PropertyStandardQuery
  std::uint8_t* protocol = p + 8;
  Put32(protocol, kProtocolTypeNvme);
  Put32(protocol + 4, dataType);
  Put32(protocol + 8, requestValue);
  Put32(protocol + 12, subValue);
  Put32(protocol + 16, 40);  // data offset from the protocol block
  Put32(protocol + 20, kNvmeData);
  const auto size = static_cast<std::uint32_t>(buffer.size());
  if (!DeviceRequest(PhysicalDrivePath(drive), platform::IOCTL_STORAGE_QUERY_PROPERTY, p, size, p,
                     size)) {
    return false;
  }
  std::memcpy(out512, p + kQueryHeader, 512);
  return true;
}

// Samsung's vendor pair: B5 sends the request block, A2 reads the answer.
bool SamsungCommand(std::int32_t drive, std::uint8_t page, std::uint32_t selector,
                    std::uint8_t* out512) {
  std::uint8_t request[512] = {};
  Put32(request, selector);
  const std::uint8_t send[12] = {0xB5, 0xFE, 0x00, page, 0, 0, 0, 0, 0x02, 0x00};
  if (!SendScsiPassThrough(drive, send, 12, false, request, 512))
    return false;
  std::vector<std::uint8_t> answer(kNvmeData);
  const std::uint8_t read[12] = {0xA2, 0xFE, 0x00, page, 0, 0, 0, 0, 0x10, 0x00};
  if (!SendScsiPassThrough(drive, read, 12, true, answer.data(), kNvmeData))
    return false;
  if (AllZero(answer.data(), 512))
    return false;
  std::memcpy(out512, answer.data(), 512);
  return true;
}

// Intel's "NvmeMini" miniport: SRB_IO_CONTROL, 6 vendor dwords, 16 command dwords, 4
// completion dwords, direction, queue, data length, meta length, return length, 4096 data.
bool IntelCommand(std::int32_t drive, std::uint8_t opcode, std::uint32_t nsid, std::uint32_t cdw10,
                  std::uint8_t* out512) {
  std::uint8_t address[8] = {};
  if (!DeviceRequest(PhysicalDrivePath(drive), platform::IOCTL_SCSI_GET_ADDRESS, nullptr, 0,
                     address, sizeof address)) {
    return false;
  }
  constexpr std::size_t kSize = 4248;
  std::vector<std::uint8_t> buffer(kSize, 0);
  std::uint8_t* p = buffer.data();
  PutSrb(p, "NvmeMini", 40, 0xE0002000, kSize - kSrbHeader);
  std::uint8_t* command = p + 52;
  command[0] = opcode;
  Put32(command + 4, nsid);
  Put32(command + 40, cdw10);
  Put32(p + 132, 2);  // device to host
  Put32(p + 140, kNvmeData);
  Put32(p + 148, kSize);
  const std::wstring port = L"\\\\.\\SCSI" + std::to_wstring(address[4]) + L":";
  if (!DeviceRequest(port, platform::IOCTL_SCSI_MINIPORT, p, kSize, p, kSize))
    return false;
  if (AllZero(p + 152, kNvmeData))
    return false;
  std::memcpy(out512, p + 152, 512);
  return true;
}

// JMicron bridge: A1 80 hands over a 512-byte block with the admin command, A1 82 reads.
bool JMicronCommand(std::int32_t drive, std::uint8_t opcode, std::uint32_t nsid,
                    std::uint32_t cdw10, std::uint8_t* out512) {
  std::uint8_t block[512] = {};
  std::memcpy(block, "NVME", 4);
  block[8] = opcode;
  Put32(block + 12, nsid);
  Put32(block + 48, cdw10);
  const std::uint8_t send[12] = {0xA1, 0x80, 0, 0, 0, 0, 0, 0, 0, 0x02, 0, 0};
  if (!SendScsiPassThrough(drive, send, 12, false, block, 512))
    return false;
  std::vector<std::uint8_t> answer(kNvmeData);
  const std::uint8_t read[12] = {0xA1, 0x82, 0, 0, 0, 0, 0, 0, 0, 0x10, 0, 0};
  if (!SendScsiPassThrough(drive, read, 12, true, answer.data(), kNvmeData) ||
      AllZero(answer.data(), 512)) {
    return false;
  }
  std::memcpy(out512, answer.data(), 512);
  return true;
}

bool ASMediaCommand(std::int32_t drive, bool identify, std::uint8_t* out512) {
  std::uint8_t cdb[16] = {0xE6, static_cast<std::uint8_t>(identify ? 0x06 : 0x02), 0x00,
                          static_cast<std::uint8_t>(identify ? 0x01 : 0x02)};
  if (!identify)
    cdb[7] = 127;
  const std::uint32_t length = identify ? kNvmeData : 512;
  std::vector<std::uint8_t> answer(length);
  if (!SendScsiPassThrough(drive, cdb, 16, true, answer.data(), length) ||
      AllZero(answer.data(), 512)) {
    return false;
  }
  std::memcpy(out512, answer.data(), 512);
  return true;
}

}  // namespace

bool CAtaSmart::DoIdentifyDeviceNVMeStorageQuery(std::int32_t drive, std::uint8_t* identify) {
  return StorageQuery(drive, kNvmeDataTypeIdentify, 1, 0, identify);
}

bool CAtaSmart::GetSmartAttributeNVMeStorageQuery(std::int32_t drive, ATA_SMART_INFO& asi) {
  return StorageQuery(drive, kNvmeDataTypeLogPage, kSmartHealthLog, 0, asi.SmartReadData) ||
         StorageQuery(drive, kNvmeDataTypeLogPage, kSmartHealthLog, 0xFFFFFFFF, asi.SmartReadData);
}

bool CAtaSmart::DoIdentifyDeviceNVMeSamsung(std::int32_t drive, std::uint8_t* identify) {
  return SamsungCommand(drive, 0x05, 1, identify);
}

bool CAtaSmart::GetSmartAttributeNVMeSamsung(std::int32_t drive, ATA_SMART_INFO& asi) {
  return SamsungCommand(drive, 0x06, 2, asi.SmartReadData);
}

bool CAtaSmart::DoIdentifyDeviceNVMeIntel(std::int32_t drive, std::uint8_t* identify) {
  return IntelCommand(drive, 0x06, 0, 1, identify);
}

bool CAtaSmart::GetSmartAttributeNVMeIntel(std::int32_t drive, ATA_SMART_INFO& asi) {
  return IntelCommand(drive, 0x02, 0xFFFFFFFF, 0x007F0002, asi.SmartReadData);
}

bool CAtaSmart::DoIdentifyDeviceNVMeJMicron(std::int32_t drive, std::uint8_t* identify) {
  return JMicronCommand(drive, 0x06, 0, 1, identify);
}

bool CAtaSmart::GetSmartAttributeNVMeJMicron(std::int32_t drive, ATA_SMART_INFO& asi) {
  return JMicronCommand(drive, 0x02, 0xFFFFFFFF, 0x007F0002, asi.SmartReadData);
}

bool CAtaSmart::DoIdentifyDeviceNVMeASMedia(std::int32_t drive, std::uint8_t* identify) {
  return ASMediaCommand(drive, true, identify);
}

bool CAtaSmart::GetSmartAttributeNVMeASMedia(std::int32_t drive, ATA_SMART_INFO& asi) {
  return ASMediaCommand(drive, false, asi.SmartReadData);
}

}  // namespace smart
