// Turning an NVMe disk's Identify Controller answer and SMART / Health log into a record.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "smart/CAtaSmart.h"
#include "smart/IdentifyDecode.h"

namespace smart {

namespace {

std::string Field(const std::uint8_t* bytes, int offset, int length) {
  std::string text(reinterpret_cast<const char*>(bytes + offset), static_cast<std::size_t>(length));
  while (!text.empty() && (text.back() == ' ' || text.back() == '\0'))
    text.pop_back();
  const auto first = text.find_first_not_of(' ');
  return first == std::string::npos ? "" : text.substr(first);
}

std::uint64_t Little(const std::uint8_t* p, int bytes) {
  std::uint64_t value = 0;
  for (int i = bytes - 1; i >= 0; --i)
    value = value << 8 | p[i];
  return value;
}

// The SMART / Health log fields in published order: offset and width.
struct LogField {
  int offset;
  int width;
};
constexpr LogField kLogFields[15] = {{0, 1},    {1, 2},    {3, 1},    {4, 1},    {5, 1},
                                     {32, 16},  {48, 16},  {64, 16},  {80, 16},  {96, 16},
                                     {112, 16}, {128, 16}, {144, 16}, {160, 16}, {176, 16}};

}  // namespace

void DecodeNvmeIdentify(ATA_SMART_INFO& asi) {
  const std::uint8_t* identify = asi.IdentifyDevice;
  asi.Model = Field(identify, 24, 40);
  asi.SerialNumber = Field(identify, 4, 20);
  asi.FirmwareRev = Field(identify, 64, 8);
  asi.ModelSerial = ModelSerialOf(asi.Model, asi.SerialNumber);
  const unsigned major = static_cast<unsigned>(identify[82] | identify[83] << 8);
  const unsigned minor = identify[81];
  char version[32];
  if (major == 0 && minor == 0 && identify[80] == 0) {
    std::snprintf(version, sizeof version, "NVM Express 1.0/1.1");
  } else {
    std::snprintf(version, sizeof version, "NVM Express %u.%u", major, minor);
  }
  asi.MajorVersionText = version;
}

void DecodeNvmeLog(ATA_SMART_INFO& asi) {
  const std::uint8_t* log = asi.SmartReadData;
  asi.IsSmartSupported = 1;
  const auto kelvin = static_cast<std::int32_t>(Little(log + 1, 2));
  asi.Temperature = kelvin == 0 ? -1000 : kelvin - 273;
  asi.Life = log[3];
  // Data units of 1000 sectors, 56 bits wide: in units of 512 bytes, then in MiB.
  asi.HostReads = static_cast<std::int32_t>((Little(log + 32, 7) << 9) >> 20);
  asi.HostWrites = static_cast<std::int32_t>((Little(log + 48, 7) << 9) >> 20);
  asi.PowerOnCount = static_cast<std::int32_t>(Little(log + 112, 4));
  asi.MeasuredPowerOnHours = asi.DetectedPowerOnHours =
      static_cast<std::int32_t>(Little(log + 128, 4));
  for (int i = 0; i < 15; ++i) {
    SMART_ATTRIBUTE& a = asi.Attribute[i];
    a.Id = static_cast<std::uint8_t>(i + 1);
    const std::uint64_t raw = Little(log + kLogFields[i].offset, std::min(kLogFields[i].width, 6));
    for (int b = 0; b < 6; ++b)
      a.RawValue[b] = static_cast<std::uint8_t>(raw >> (8 * b));
  }
  asi.AttributeCount = 15;
}

bool CAtaSmart::ReadNVMeLog(ATA_SMART_INFO& asi) {
  switch (asi.CommandType) {
    case CMD_TYPE_NVME_STORAGE_QUERY:
      return FlagNVMeStorageQuery && GetSmartAttributeNVMeStorageQuery(asi.PhysicalDriveId, asi);
    case CMD_TYPE_NVME_INTEL:
      return GetSmartAttributeNVMeIntel(asi.PhysicalDriveId, asi);
    case CMD_TYPE_NVME_SAMSUNG:
      return GetSmartAttributeNVMeSamsung(asi.PhysicalDriveId, asi) ||
             GetSmartAttributeNVMeIntel(asi.PhysicalDriveId, asi);
    case CMD_TYPE_NVME_JMICRON:
      return GetSmartAttributeNVMeJMicron(asi.PhysicalDriveId, asi);
    case CMD_TYPE_NVME_ASMEDIA:
      return GetSmartAttributeNVMeASMedia(asi.PhysicalDriveId, asi);
    default:
      return false;
  }
}

bool CAtaSmart::AddDiskNVMe(std::int32_t physicalDriveId, std::int32_t scsiPort,
                            std::int32_t scsiTargetId, std::int32_t scsiBus, std::uint8_t target,
                            std::uint32_t commandType, const std::uint8_t* identify,
                            const std::string& pnpDeviceId) {
  if (vars.size() >= kMaxDisks)
    return false;
  ATA_SMART_INFO asi =
      NewRecord(physicalDriveId, scsiPort, scsiTargetId, scsiBus, target, commandType, pnpDeviceId);
  asi.NominalMediaRotationRate = 1;
  asi.IsSsd = 1;
  asi.InterfaceType =
      commandType == CMD_TYPE_NVME_JMICRON || commandType == CMD_TYPE_NVME_ASMEDIA ? 3 : 6;
  std::memcpy(asi.IdentifyDevice, identify, 512);
  DecodeNvmeIdentify(asi);
  if (ReadNVMeLog(asi))
    DecodeNvmeLog(asi);
  FindPciExpressLink(asi);
  asi.SmartKeyName = "SmartNVMe";
  asi.SsdVendorString = "nv";
  asi.DiskVendorId = 19;
  asi.Interface = "NVM Express";
  vars.push_back(asi);
  return true;
}

}  // namespace smart
