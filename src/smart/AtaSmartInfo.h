#pragma once
// The per-disk record of the disk reader.
#include <cstddef>
#include <cstdint>
#include <string>

namespace smart {

#pragma pack(push, 1)
// One entry of the S.M.A.R.T. READ DATA block: 12 bytes.
struct SMART_ATTRIBUTE {
  std::uint8_t Id;
  std::uint16_t StatusFlags;
  std::uint8_t CurrentValue;
  std::uint8_t WorstValue;
  std::uint8_t RawValue[6];
  std::uint8_t Reserved;
};
// One entry of the READ THRESHOLDS block: 12 bytes.
struct SMART_THRESHOLD {
  std::uint8_t Id;
  std::uint8_t ThresholdValue;
  std::uint8_t Reserved[10];
};
#pragma pack(pop)
static_assert(sizeof(SMART_ATTRIBUTE) == 12);
static_assert(offsetof(SMART_ATTRIBUTE, CurrentValue) == 3);
static_assert(offsetof(SMART_ATTRIBUTE, RawValue) == 5);
static_assert(offsetof(SMART_ATTRIBUTE, Reserved) == 11);
static_assert(sizeof(SMART_THRESHOLD) == 12);

constexpr int kMaxAttributes = 30;

enum CommandType : std::uint32_t {
  CMD_TYPE_UNKNOWN = 0,
  CMD_TYPE_PHYSICAL_DRIVE,
  CMD_TYPE_SCSI_MINIPORT,
  CMD_TYPE_SILICON_IMAGE,
  CMD_TYPE_SAT,
  CMD_TYPE_SUNPLUS,
  CMD_TYPE_IO_DATA,
  CMD_TYPE_LOGITEC1,
  CMD_TYPE_LOGITEC2,
  CMD_TYPE_JMICRON,
  CMD_TYPE_CYPRESS,
  CMD_TYPE_PROLIFIC,
  CMD_TYPE_CSMI,
  CMD_TYPE_CSMI_PHYSICAL_DRIVE,
  CMD_TYPE_WMI,
  CMD_TYPE_NVME_SAMSUNG,
  CMD_TYPE_NVME_INTEL,
  CMD_TYPE_NVME_STORAGE_QUERY,
  CMD_TYPE_NVME_JMICRON,
  CMD_TYPE_NVME_ASMEDIA,
};

// The short code of a command type ("pd", "sq", ...).
const char* CommandTypeCode(std::uint32_t commandType);

struct ATA_SMART_INFO {
  std::uint8_t IdentifyDevice[512] = {};
  std::uint8_t SmartReadData[512] = {};
  std::uint8_t SmartReadThreshold[512] = {};
  SMART_ATTRIBUTE Attribute[kMaxAttributes] = {};
  SMART_THRESHOLD Threshold[kMaxAttributes] = {};

  std::uint32_t IsSmartEnabled = 0;
  std::uint32_t IsIdInfoIncorrect = 0;
  std::uint32_t IsSmartCorrect = 0;
  std::uint32_t IsThresholdCorrect = 0;
  std::uint32_t RawValueQuirk = 0;
  std::uint32_t IsSmartSupported = 0;
  std::uint32_t IsLba48Supported = 0;
  std::uint32_t IsAamSupported = 0;
  std::uint32_t IsApmSupported = 0;
  std::uint32_t IsAamEnabled = 0;
  std::uint32_t IsApmEnabled = 0;
  std::uint32_t IsNcqSupported = 0;
  std::uint32_t IsNvCacheSupported = 0;
  std::uint32_t IsDeviceSleepSupported = 0;
  std::uint32_t IsMaxtorMinute = 0;
  std::uint32_t IsSsd = 0;
  std::uint32_t IsTrimSupported = 0;

  std::int32_t PhysicalDriveId = -1;
  std::int32_t ScsiPort = -1;
  std::int32_t ScsiTargetId = -1;
  std::int32_t ScsiBus = -1;

  std::uint32_t TotalDiskSize = 0;
  std::uint32_t Cylinder = 0;
  std::uint32_t Head = 0;
  std::uint32_t Sector = 0;
  std::uint32_t Sector28 = 0;
  std::uint64_t Sector48 = 0;
  std::uint64_t NumberOfSectors = 0;
  std::uint32_t DiskSizeChs = 0;
  std::uint32_t DiskSizeLba28 = 0;
  std::uint32_t DiskSizeLba48 = 0;
  std::uint32_t DiskSizeWmi = 0;
  std::uint64_t BufferSize = 0;
  std::uint32_t TransferModeType = 0;
  std::uint32_t MeasuredTimeUnitType = 0;
  std::uint32_t DetectedTimeUnitType = 0;
  std::uint32_t AttributeCount = 0;
  std::int32_t MeasuredPowerOnHours = -1;
  std::int32_t DetectedPowerOnHours = -1;
  std::int32_t PowerOnRawValue = -1;
  std::int32_t PowerOnCount = -1;
  std::int32_t Temperature = -1000;
  double TemperatureMultiplier = 1.0;
  std::uint32_t NominalMediaRotationRate = 0;
  std::int32_t HostWrites = -1;
  std::int32_t HostReads = -1;
  std::int32_t GBytesErased = -1;
  std::int32_t NandWrites = -1;
  std::int32_t WearLevelingCount = -1;
  std::int32_t Life = -1;
  std::uint32_t MajorVersion = 0;
  std::uint32_t DriveLetterMap = 0;
  std::uint32_t InterfaceType = 0;
  std::uint32_t CommandType = 0;
  std::uint32_t HostReadsWritesUnit = 0;
  std::uint32_t DiskVendorId = 0;
  std::uint32_t UsbVendorId = 0;
  std::uint32_t UsbProductId = 0;
  std::uint8_t Target = 0;
  std::uint8_t CsmiPhyEntity[64] = {};

  std::string SerialNumber, SerialNumberReverse, FirmwareRev, FirmwareRevReverse, Model,
      ModelReverse, ModelWmi, ModelSerial, DriveMap, MaxTransferMode, CurrentTransferMode,
      MajorVersionText, MinorVersionText, Interface, Enclosure, CommandTypeString, SsdVendorString,
      PnpDeviceId, SmartKeyName;
  // The form factor text of IDENTIFY word 168 ("2.5 inch", ...), empty when not given.
  std::string FormFactor;
};

}  // namespace smart
