// Turning an ATA disk's IDENTIFY answer into a record, reading its S.M.A.R.T. data over the
// same path, and deciding whether to append it.
#include <cstring>

#include "smart/CAtaSmart.h"
#include "smart/Families.h"
#include "smart/IdentifyDecode.h"
#include "smart/TextHelpers.h"

namespace smart {

ATA_SMART_INFO CAtaSmart::NewRecord(std::int32_t drive, std::int32_t port, std::int32_t targetId,
                                    std::int32_t bus, std::uint8_t target,
                                    std::uint32_t commandType, const std::string& pnpDeviceId) {
  ATA_SMART_INFO asi;
  asi.PhysicalDriveId = drive;
  asi.ScsiPort = port;
  asi.ScsiTargetId = targetId;
  asi.ScsiBus = bus;
  asi.Target = target;
  asi.CommandType = commandType;
  asi.CommandTypeString = CommandTypeCode(commandType);
  asi.PnpDeviceId = pnpDeviceId;
  for (auto& c : asi.PnpDeviceId)
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return asi;
}

// Reads data, classifies, reads a check copy and compares; then the thresholds. Returns
// whether the two reads agreed.
bool CAtaSmart::ReadSmartByCommandType(ATA_SMART_INFO& asi) {
  const std::int32_t drive = asi.PhysicalDriveId;
  auto readData = [&](ATA_SMART_INFO& into) {
    switch (asi.CommandType) {
      case CMD_TYPE_PHYSICAL_DRIVE:
        return GetSmartAttributePd(drive, asi.Target, into);
      case CMD_TYPE_SCSI_MINIPORT:
        return GetSmartAttributeScsi(asi.ScsiPort, asi.ScsiTargetId, into);
      case CMD_TYPE_SILICON_IMAGE:
        return GetSmartAttributeSi(drive, into);
      default:
        return GetSmartAttributeSat(drive, asi.Target, into);
    }
  };
  auto readThresholds = [&]() {
    switch (asi.CommandType) {
      case CMD_TYPE_PHYSICAL_DRIVE:
      case CMD_TYPE_SILICON_IMAGE:
        return GetSmartThresholdPd(drive, asi.Target, asi);
      case CMD_TYPE_SCSI_MINIPORT:
        return GetSmartThresholdScsi(asi.ScsiPort, asi.ScsiTargetId, asi);
      default:
        return GetSmartThresholdSat(drive, asi.Target, asi);
    }
  };
  auto enable = [&]() {
    switch (asi.CommandType) {
      case CMD_TYPE_PHYSICAL_DRIVE:
      case CMD_TYPE_SILICON_IMAGE:
        return ControlSmartStatusPd(drive, asi.Target);
      case CMD_TYPE_SCSI_MINIPORT:
        return ControlSmartStatusScsi(asi.ScsiPort, asi.ScsiTargetId);
      default:
        return ControlSmartStatusSat(drive, asi.Target, asi.CommandType);
    }
  };
  const bool pd = asi.CommandType == CMD_TYPE_PHYSICAL_DRIVE;
  const bool si = asi.CommandType == CMD_TYPE_SILICON_IMAGE;
  const bool bridge = asi.CommandType >= CMD_TYPE_SAT && asi.CommandType <= CMD_TYPE_PROLIFIC;
  for (int pass = 1; pass <= 2; ++pass) {
    if (pd)
      DebugPrint(Format("GetSmartAttributePd(%d) - ", drive) + std::to_string(pass));
    if (si)
      DebugPrint("GetSmartAttributeSi(physicalDriveId, &asi)");
    if (bridge) {
      DebugPrint(Format("GetSmartAttributeSat(%d) - ", drive) + std::to_string(pass) + " [" +
                 CommandTypeCode(asi.CommandType) + "]");
    }
    if (readData(asi)) {
      ClassifyDisk(asi);
      if (bridge)
        DebugPrint("GetSmartAttributeSat - " + std::to_string(pass) + "A");
      if (si)
        DebugPrint("GetSmartAttributeSi(physicalDriveId, &asiCheck)");
      ATA_SMART_INFO check = asi;
      if (readData(check) && CheckSmartAttributeCorrect(asi, check)) {
        if (pd)
          DebugPrint(Format("GetSmartAttributePd(%d) - ", drive) + std::to_string(pass) + "A");
        if (si)
          DebugPrint("CheckSmartAttributeCorrect(&asi, &asiCheck) - " + std::to_string(pass));
        asi.IsSmartCorrect = 1;
      }
      if (readThresholds()) {
        asi.IsThresholdCorrect = 1;
        asi.IsSmartEnabled = 1;
      }
    }
    if (asi.IsSmartCorrect || pass == 2 || !enable())
      break;
  }
  return asi.IsSmartCorrect != 0;
}

bool CAtaSmart::AddDisk(std::int32_t physicalDriveId, std::int32_t scsiPort,
                        std::int32_t scsiTargetId, std::int32_t scsiBus, std::uint8_t target,
                        std::uint32_t commandType, const std::uint8_t* identify,
                        std::int32_t siliconImageType, const std::uint8_t* csmiPhyEntity,
                        const std::string& pnpDeviceId) {
  (void)siliconImageType;
  ATA_SMART_INFO asi =
      NewRecord(physicalDriveId, scsiPort, scsiTargetId, scsiBus, target, commandType, pnpDeviceId);
  std::memcpy(asi.IdentifyDevice, identify, 512);
  if (csmiPhyEntity)
    std::memcpy(asi.CsmiPhyEntity, csmiPhyEntity, sizeof asi.CsmiPhyEntity);
  DecodeNames(asi);
  int same = -1;
  for (std::size_t i = 0; i < vars.size(); ++i) {
    if (vars[i].Model == asi.Model && vars[i].SerialNumber == asi.SerialNumber)
      same = static_cast<int>(i);
  }
  DecodeVersions(asi);
  DecodeTransferModes(asi);
  asi.MeasuredTimeUnitType =
      PowerOnUnit(asi.Model, asi.FirmwareRev, asi.MajorVersion, asi.TransferModeType);
  if (asi.MeasuredTimeUnitType == kUnitTenMinutes ||
      asi.MeasuredTimeUnitType == kUnitHoursWithOffset) {
    asi.DetectedTimeUnitType = asi.MeasuredTimeUnitType;
  }
  DecodeFeatures(asi);
  const bool smartWords = DecodeCapacity(asi);

  if (asi.IsSmartSupported || smartWords || FlagFilterNoMediaType) {
    ReadSmartByCommandType(asi);
    if (std::memcmp(asi.SmartReadData, asi.SmartReadThreshold, 512) == 0 && asi.DiskVendorId != 3) {
      DebugPrint("asi.SmartReadData == asi.SmartReadThreshold");
      asi.IsSmartCorrect = asi.IsThresholdCorrect = asi.IsSmartEnabled = 0;
    }
  }
  if (asi.Model.rfind("Intel", 0) == 0 && asi.DetectedPowerOnHours > kIntelPowerOnOffset) {
    asi.PowerOnRawValue -= kIntelPowerOnOffset;
    asi.MeasuredPowerOnHours -= kIntelPowerOnOffset;
    asi.DetectedPowerOnHours -= kIntelPowerOnOffset;
  }

  if (asi.Model.empty() || asi.FirmwareRev.empty()) {
    DebugPrint("asi.Model.IsEmpty() || asi.FirmwareRev.IsEmpty()");
    return false;
  }
  if (asi.IsIdInfoIncorrect && (!FlagFilterNoMediaType || commandType >= CMD_TYPE_SAT))
    return false;
  if (same >= 0) {
    if (!asi.IsSmartCorrect)
      return false;
    vars.erase(vars.begin() + same);
  }
  vars.push_back(asi);
  return true;
}

}  // namespace smart
