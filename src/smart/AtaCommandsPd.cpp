// ATA commands on a physical drive: ATA pass-through, else the legacy S.M.A.R.T. controls.
#include <cstring>
#include <vector>

#include "platform/Storage.h"
#include "smart/CAtaSmart.h"
#include "smart/DeviceIo.h"
#include "smart/Layout.h"

namespace smart {

namespace {

using namespace layout;

constexpr std::uint8_t kIdentify = 0xEC;
constexpr std::uint8_t kSmart = 0xB0;
constexpr std::uint8_t kReadData = 0xD0;
constexpr std::uint8_t kReadThresholds = 0xD1;
constexpr std::uint8_t kEnable = 0xD8;

// The legacy controls: SMART_RCV_DRIVE_DATA for a 512-byte answer, SMART_SEND_DRIVE_COMMAND
// for ENABLE.
bool LegacyCommand(std::int32_t drive, std::uint8_t target, std::uint8_t command,
                   std::uint8_t feature, std::uint8_t* data) {
  std::uint8_t in[kSendCmdIn] = {};
  Put32(in, data ? 512 : 0);
  PutIdeRegisters(in + 4, command, feature, target);
  in[12] = 0;  // drive number
  if (!data) {
    std::uint8_t out[kSendCmdOutHeader] = {};
    return DeviceRequest(PhysicalDrivePath(drive), platform::SMART_SEND_DRIVE_COMMAND, in, 32, out,
                         sizeof out);
  }
  std::vector<std::uint8_t> out(kSendCmdOutHeader + 512);
  std::uint32_t returned = 0;
  if (!DeviceRequest(PhysicalDrivePath(drive), platform::SMART_RCV_DRIVE_DATA, in, sizeof in,
                     out.data(), static_cast<std::uint32_t>(out.size()), &returned) ||
      returned != out.size()) {
    return false;
  }
  std::memcpy(data, out.data() + kSendCmdOutHeader, 512);
  return true;
}

}  // namespace

bool CAtaSmart::SendAtaCommandPd(std::int32_t physicalDriveId, std::uint8_t target,
                                 std::uint8_t command, std::uint8_t feature, std::uint8_t* data,
                                 std::uint32_t dataSize) {
  std::vector<std::uint8_t> buffer(kAptDataOffset + 512, 0);
  std::uint8_t* p = buffer.data();
  Put16(p, kAptHeader);
  Put16(p + 2, data ? ATA_FLAGS_DATA_IN : 0);
  Put32(p + 8, data ? dataSize : 0);
  Put32(p + 12, 2);
  Put64(p + 24, kAptDataOffset);
  std::uint8_t* task = p + 40;
  task[0] = feature;
  if (command == kSmart) {
    task[1] = 1;
    task[2] = 1;
    task[3] = 0x4F;
    task[4] = 0xC2;
  }
  task[5] = target;
  task[6] = command;
  const std::uint32_t size = static_cast<std::uint32_t>(kAptDataOffset + (data ? dataSize : 0));
  if (!DeviceRequest(PhysicalDrivePath(physicalDriveId), platform::IOCTL_ATA_PASS_THROUGH, p, size,
                     p, size)) {
    return false;
  }
  if (data)
    std::memcpy(data, p + kAptDataOffset, dataSize);
  return true;
}

bool CAtaSmart::DoIdentifyDevicePd(std::int32_t physicalDriveId, std::uint8_t target,
                                   std::uint8_t* identify) {
  if (FlagAtaPassThrough && FlagAtaPassThroughSmart) {
    DebugPrint("SendAtaCommandPd - IDENTIFY_DEVICE (ATA_PASS_THROUGH)");
    std::uint8_t answer[512] = {};
    // The model text starts at byte 54: an empty one counts as no answer.
    if (SendAtaCommandPd(physicalDriveId, target, kIdentify, 0, answer, 512) && answer[54] != 0 &&
        answer[54] != ' ') {
      std::memcpy(identify, answer, 512);
      return true;
    }
  }
  DebugPrint("SendAtaCommandPd - IDENTIFY_DEVICE");
  return LegacyCommand(physicalDriveId, target, kIdentify, 0, identify);
}

bool CAtaSmart::GetSmartAttributePd(std::int32_t physicalDriveId, std::uint8_t target,
                                    ATA_SMART_INFO& asi) {
  bool ok = false;
  if (FlagAtaPassThrough && FlagAtaPassThroughSmart) {
    DebugPrint("SendAtaCommandPd - SMART_READ_DATA (ATA_PASS_THROUGH)");
    ok = SendAtaCommandPd(physicalDriveId, target, kSmart, kReadData, asi.SmartReadData, 512);
  }
  if (!ok) {
    DebugPrint("SendAtaCommandPd - SMART_READ_DATA");
    ok = LegacyCommand(physicalDriveId, target, kSmart, kReadData, asi.SmartReadData);
  }
  return ok && FillSmartData(asi);
}

bool CAtaSmart::GetSmartThresholdPd(std::int32_t physicalDriveId, std::uint8_t target,
                                    ATA_SMART_INFO& asi) {
  bool ok = false;
  if (FlagAtaPassThrough && FlagAtaPassThroughSmart) {
    DebugPrint("SendAtaCommandPd - SMART_READ_THRESHOLDS (ATA_PASS_THROUGH)");
    ok = SendAtaCommandPd(physicalDriveId, target, kSmart, kReadThresholds, asi.SmartReadThreshold,
                          512);
  }
  if (!ok) {
    DebugPrint("SendAtaCommandPd - SMART_READ_THRESHOLDS");
    ok = LegacyCommand(physicalDriveId, target, kSmart, kReadThresholds, asi.SmartReadThreshold);
  }
  return ok && FillSmartThreshold(asi);
}

bool CAtaSmart::ControlSmartStatusPd(std::int32_t physicalDriveId, std::uint8_t target) {
  if (FlagAtaPassThrough && FlagAtaPassThroughSmart) {
    DebugPrint("SendAtaCommandPd - SMART_CONTROL_STATUS (ATA_PASS_THROUGH)");
    if (SendAtaCommandPd(physicalDriveId, target, kSmart, kEnable, nullptr, 0))
      return true;
  }
  DebugPrint("SendAtaCommandPd - SMART_CONTROL_STATUS");
  return LegacyCommand(physicalDriveId, target, kSmart, kEnable, nullptr);
}

void CAtaSmart::WakeUp(std::int32_t physicalDriveId) {
  using namespace platform;
  HANDLE device = CreateFileW(PhysicalDrivePath(physicalDriveId), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
  if (device == INVALID_HANDLE_VALUE)
    return;
  std::uint8_t sector[512];
  DWORD read = 0;
  ReadFile(device, sector, sizeof sector, &read);
  CloseHandle(device);
}

}  // namespace smart
