#pragma once
// A disk record decoded from its raw blocks in the order the disk reader reads them, without
// a disk: for benchmarks and fuzzing of the interpretation alone.
#include <cstdint>
#include <cstring>

#include "smart/CAtaSmart.h"
#include "smart/Families.h"
#include "smart/IdentifyDecode.h"

namespace diskrecord {

inline void DecodeAta(smart::ATA_SMART_INFO& asi, const std::uint8_t* identify,
                      const std::uint8_t* data, const std::uint8_t* thresholds) {
  std::memcpy(asi.IdentifyDevice, identify, 512);
  smart::DecodeNames(asi);
  smart::DecodeVersions(asi);
  smart::DecodeTransferModes(asi);
  asi.MeasuredTimeUnitType =
      smart::PowerOnUnit(asi.Model, asi.FirmwareRev, asi.MajorVersion, asi.TransferModeType);
  smart::DecodeFeatures(asi);
  smart::DecodeCapacity(asi);
  std::memcpy(asi.SmartReadData, data, 512);
  std::memcpy(asi.SmartReadThreshold, thresholds, 512);
  smart::CAtaSmart::FillSmartData(asi);
  smart::ClassifyDisk(asi);
  smart::CAtaSmart::FillSmartThreshold(asi);
}

inline void DecodeNvme(smart::ATA_SMART_INFO& asi, const std::uint8_t* identify,
                       const std::uint8_t* log) {
  std::memcpy(asi.IdentifyDevice, identify, 512);
  std::memcpy(asi.SmartReadData, log, 512);
  smart::DecodeNvmeIdentify(asi);
  smart::DecodeNvmeLog(asi);
}

}  // namespace diskrecord
