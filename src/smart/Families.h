#pragma once
// Attribute families: which kind of disk a record describes, the unit of its power-on
// counter, and the vendor values derived from its attributes.
#include <cstdint>
#include <string>

#include "smart/AtaSmartInfo.h"

namespace smart {

// Power-on counter units.
enum TimeUnit : std::uint32_t {
  kUnitNone = 0,
  kUnitHours = 1,
  kUnitMinutes = 2,
  kUnitHalfMinutes = 3,
  kUnitSeconds = 4,
  kUnitTenMinutes = 5,
  kUnitHoursWithOffset = 6,
};

constexpr std::int64_t kIntelPowerOnOffset = 894803;  // 0xDA753

// The unit of the power-on counter from the model, firmware, major version and transfer code.
std::uint32_t PowerOnUnit(const std::string& model, const std::string& firmware,
                          std::uint32_t majorVersion, std::uint32_t transferModeType);
// A raw power-on count in hours.
std::int64_t PowerOnHours(std::uint32_t unit, std::int64_t raw);

// The attribute pass: the vendor value of one attribute (ids 9 to 250) with the record's
// present family.
void InterpretAttribute(ATA_SMART_INFO& asi, const SMART_ATTRIBUTE& attribute);

// Classifies the record by model and attribute ids, then derives the vendor values of
// attributes 100 to 250 again with the family found.
void ClassifyDisk(ATA_SMART_INFO& asi);

}  // namespace smart
