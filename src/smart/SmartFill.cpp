// Copying attributes and thresholds out of the READ DATA and READ THRESHOLDS blocks.
#include <cstring>

#include "smart/CAtaSmart.h"
#include "smart/Families.h"

namespace smart {

bool CAtaSmart::FillSmartData(ATA_SMART_INFO& asi) {
  std::memset(asi.Attribute, 0, sizeof asi.Attribute);
  std::uint32_t count = 0;
  for (int i = 0; i < kMaxAttributes; ++i) {
    SMART_ATTRIBUTE entry;
    std::memcpy(&entry, asi.SmartReadData + 2 + 12 * i, sizeof entry);
    if (entry.Id == 0)
      continue;
    asi.Attribute[count++] = entry;
  }
  asi.AttributeCount = count;
  for (std::uint32_t i = 0; i < count; ++i) {
    if (asi.Attribute[i].Id >= 9 && asi.Attribute[i].Id <= 250)
      InterpretAttribute(asi, asi.Attribute[i]);
  }
  return count > 0;
}

bool CAtaSmart::FillSmartThreshold(ATA_SMART_INFO& asi) {
  std::memset(asi.Threshold, 0, sizeof asi.Threshold);
  bool filled = false;
  for (int i = 0; i < kMaxAttributes; ++i) {
    SMART_THRESHOLD entry;
    std::memcpy(&entry, asi.SmartReadThreshold + 2 + 12 * i, sizeof entry);
    if (entry.Id == 0)
      continue;
    for (std::uint32_t j = 0; j < asi.AttributeCount; ++j) {
      if (asi.Attribute[j].Id == entry.Id) {
        asi.Threshold[j] = entry;
        filled = true;
        break;
      }
    }
  }
  if (!filled && asi.DiskVendorId == 8) {
    // Micron disks keep the threshold in the attribute's last byte.
    for (std::uint32_t j = 0; j < asi.AttributeCount; ++j) {
      if (asi.Attribute[j].Reserved == 0)
        continue;
      asi.Threshold[j].Id = asi.Attribute[j].Id;
      asi.Threshold[j].ThresholdValue = asi.Attribute[j].Reserved;
      filled = true;
    }
  }
  return filled;
}

bool CAtaSmart::CheckSmartAttributeCorrect(const ATA_SMART_INFO& asi1, const ATA_SMART_INFO& asi2) {
  if (asi1.AttributeCount != asi2.AttributeCount) {
    DebugPrint("asi1->AttributeCount != asi2->AttributeCount");
    return false;
  }
  for (std::uint32_t i = 0; i < asi1.AttributeCount; ++i) {
    if (asi1.Attribute[i].Id != asi2.Attribute[i].Id) {
      DebugPrint("asi1->Attribute[i].Id != asi2->Attribute[i].Id");
      return false;
    }
  }
  return true;
}

const char* CommandTypeCode(std::uint32_t commandType) {
  static const char* const codes[] = {"un", "pd", "sm", "si", "sa", "sp", "io", "l1", "l2", "jm",
                                      "cy", "pr", "cs", "cp", "wm", "ns", "ni", "sq", "nj", "na"};
  return commandType < sizeof codes / sizeof codes[0] ? codes[commandType] : "un";
}

}  // namespace smart
