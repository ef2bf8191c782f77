#include "report/SmartDetailPairs.h"

DetailPairs DiskIdentityPairs(const smart::ATA_SMART_INFO& asi, std::uint32_t sizeMb) {
  return {{"Interface", asi.Interface},
          {"Firmware", asi.FirmwareRev},
          {"Model", asi.Model},
          {"IsSSD", std::to_string(asi.IsSsd)},
          {"DiskSize", std::to_string(sizeMb)}};
}

DetailPairs DiskAttributePairs(const smart::ATA_SMART_INFO& asi) {
  DetailPairs pairs;
  for (std::uint32_t i = 0; i < asi.AttributeCount; ++i) {
    const auto& a = asi.Attribute[i];
    std::uint64_t raw = 0;
    for (int b = 5; b >= 0; --b)
      raw = raw << 8 | a.RawValue[b];
    pairs.emplace_back(std::to_string(a.Id), std::to_string(a.CurrentValue) + "," +
                                                 std::to_string(a.WorstValue) + "," +
                                                 std::to_string(asi.Threshold[i].ThresholdValue) +
                                                 "," + std::to_string(raw));
  }
  return pairs;
}
