// Attribute families and vendor values, with models and attribute id lists of real drives.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "smart/CAtaSmart.h"
#include "smart/Families.h"

namespace {

using smart::ATA_SMART_INFO;

struct Attr {
  int id;
  std::uint64_t raw = 0;
  int current = 100;
  int worst = 100;
};

ATA_SMART_INFO Record(const std::string& model, const std::vector<Attr>& attrs,
                      std::uint32_t unit = smart::kUnitHours) {
  ATA_SMART_INFO asi;
  asi.Model = model;
  asi.MeasuredTimeUnitType = unit;
  int i = 0;
  for (const auto& a : attrs) {
    std::uint8_t* e = asi.SmartReadData + 2 + 12 * i++;
    e[0] = static_cast<std::uint8_t>(a.id);
    e[3] = static_cast<std::uint8_t>(a.current);
    e[4] = static_cast<std::uint8_t>(a.worst);
    for (int k = 0; k < 6; ++k)
      e[5 + k] = static_cast<std::uint8_t>(a.raw >> (8 * k));
  }
  smart::CAtaSmart::FillSmartData(asi);
  smart::ClassifyDisk(asi);
  return asi;
}

std::vector<Attr> Ids(std::initializer_list<int> ids) {
  std::vector<Attr> out;
  for (int id : ids)
    out.push_back({id});
  return out;
}

struct FamilyCase {
  const char* model;
  std::vector<Attr> attrs;
  std::uint32_t family;
  const char* key;
  const char* code;
  std::uint32_t ssd;
};

TEST(Families, ClassifiesRealDrives) {
  const FamilyCase cases[] = {
      {"ST1000LM035-1RK172", Ids({1,   3,   4,   5,   7,   9,   10,  12,  183, 184, 187,
                                  188, 189, 190, 191, 192, 193, 194, 197, 198, 199}),
       10, "Smart", "st", 0},
      {"WDC WD10SPZX-08Z10",
       Ids({1, 3, 4, 5, 7, 9, 10, 11, 12, 191, 192, 193, 194, 196, 197, 198, 199, 200}), 11,
       "Smart", "wd", 0},
      {"INTEL SSDSC2KW256G8", Ids({3, 4, 5, 9, 12, 192, 225, 226, 227, 228, 232, 233, 241, 242}), 5,
       "SmartIntel", "il", 1},
      {"Samsung SSD 860 EVO 500GB",
       Ids({5, 9, 12, 177, 179, 181, 182, 183, 187, 190, 195, 199, 235, 241}), 6, "SmartSamsung",
       "sg", 1},
      {"Crucial_CT500MX200SSD1", Ids({1, 5, 9, 12, 171, 172, 173, 174, 180, 183, 184, 187, 194}), 8,
       "SmartMicron", "mi", 1},
      {"Micron_1100_MTFDDAK256TBN", Ids({1, 5, 9, 12, 160, 161, 163, 164, 165, 166, 167, 168}), 18,
       "SmartMicronMU02", "m2", 1},
      {"KINGSTON SV300S37A120G", Ids({1, 5, 9, 12, 13, 100, 170, 171, 172}), 7, "SmartSandForce",
       "sf", 1},
      {"OCZ-VERTEX4", Ids({1, 3, 4, 5, 9, 12, 232, 233}), 9, "SmartOcz", "oz", 1},
      {"OCZ-VECTOR150", Ids({5, 9, 12, 171, 174, 195, 196, 197, 198}), 14, "SmartOczVector", "oz",
       1},
      {"JMicron SSD", Ids({12, 9, 194, 229, 232, 233}), 4, "SmartJMicron60x", "jm", 1},
      {"PLEXTOR PX-256M6S", Ids({1, 5, 9, 12, 177, 178, 181, 182}), 12, "SmartPlextor", "px", 1},
      {"SanDisk SDSSDA240G", Ids({5,   9,   12,  165, 166, 167, 168, 169, 171, 172, 173, 174,
                                  184, 187, 188, 194, 199, 230, 232, 233, 234, 241, 242, 244}),
       13, "SmartSanDiskGb", "sd", 1},
      {"KINGSTON SA400S37240G", Ids({1, 2, 3, 5, 7, 8, 9, 10, 12, 168, 170}), 17, "SmartKingston",
       "ki", 0},
      {"Realtek SSD", Ids({1, 5, 9, 12, 161, 162, 163, 164, 166, 167}), 20, "SmartRealtek", "", 1},
      {"MTRON MSD-SATA3025", Ids({187}), 2, "SmartMtron", "mt", 1},
      {"Hitachi HTS545050A7E380", Ids({1, 2, 3, 4, 5, 7, 8, 9, 10, 12, 191, 192, 193, 194}), 0,
       "Smart", "", 0},
      {"Unknown SSD 128GB", Ids({1, 9, 12}), 0, "SmartSsd", "", 1},
  };
  for (const auto& c : cases) {
    const auto asi = Record(c.model, c.attrs);
    EXPECT_EQ(asi.DiskVendorId, c.family) << c.model;
    EXPECT_EQ(asi.SmartKeyName, c.key) << c.model;
    EXPECT_EQ(asi.SsdVendorString, c.code) << c.model;
    EXPECT_EQ(asi.IsSsd, c.ssd) << c.model;
  }
}

TEST(Families, IntelPowerOnOffsetAndHostWrites) {
  const auto asi = Record("INTEL SSDSC2CW120A3",
                          {{3}, {4}, {5}, {9, 0xDA753 + 100}, {12, 42}, {192}, {225, 3200}},
                          smart::PowerOnUnit("INTEL SSDSC2CW120A3", "400i", 8, 12));
  EXPECT_EQ(asi.DiskVendorId, 5u);
  EXPECT_EQ(asi.DetectedTimeUnitType, smart::kUnitHoursWithOffset);
  EXPECT_EQ(asi.DetectedPowerOnHours, 100);
  EXPECT_EQ(asi.PowerOnCount, 42);
  EXPECT_EQ(asi.HostWrites, 100);  // 3200 x 0.03125
}

TEST(Families, TemperatureRules) {
  ATA_SMART_INFO asi;
  asi.TemperatureMultiplier = 0.5;
  smart::SMART_ATTRIBUTE a{};
  a.Id = 194;
  a.RawValue[0] = 0x2D;
  smart::InterpretAttribute(asi, a);
  EXPECT_EQ(asi.Temperature, 22);
  asi.TemperatureMultiplier = 1.0;
  a.RawValue[0] = 120;
  smart::InterpretAttribute(asi, a);
  EXPECT_EQ(asi.Temperature, -1000);
  asi.Model = "SAMSUNG SV0802N";
  a.RawValue[0] = 0x90;
  a.RawValue[1] = 0x01;  // 400 tenths
  smart::InterpretAttribute(asi, a);
  EXPECT_EQ(asi.Temperature, 40);
}

TEST(Families, PowerOnUnits) {
  using smart::PowerOnUnit;
  EXPECT_EQ(PowerOnUnit("SAMSUNG SP2504C", "VT100-33", 7, 9), smart::kUnitHalfMinutes);
  EXPECT_EQ(PowerOnUnit("SAMSUNG HD502IJ", "1AA01-25", 8, 9), smart::kUnitHalfMinutes);
  EXPECT_EQ(PowerOnUnit("SAMSUNG HD502IJ", "1AA01-25", 8, 11), smart::kUnitHours);
  EXPECT_EQ(PowerOnUnit("FUJITSU MHV2080AH", "00840028", 7, 8), smart::kUnitSeconds);
  EXPECT_EQ(PowerOnUnit("FUJITSU MHZ2250BH", "0084000D", 8, 11), smart::kUnitHours);
  EXPECT_EQ(PowerOnUnit("Maxtor 6Y080L0", "YAR41BW0", 7, 9), smart::kUnitMinutes);
  EXPECT_EQ(PowerOnUnit("MAXTOR 6L080L4", "A93.0500", 7, 9), smart::kUnitHours);
  EXPECT_EQ(PowerOnUnit("HITACHI_DK23EA-40", "00K0A0B0", 5, 5), smart::kUnitMinutes);
  EXPECT_EQ(PowerOnUnit("PLEXTOR PX-128M2P", "1.05", 8, 11), smart::kUnitTenMinutes);
  EXPECT_EQ(PowerOnUnit("PLEXTOR PX-128M2P", "1.06", 8, 11), smart::kUnitHours);
  EXPECT_EQ(smart::PowerOnHours(smart::kUnitHalfMinutes, 1200), 10);
  EXPECT_EQ(smart::PowerOnHours(smart::kUnitTenMinutes, 60), 10);
}

TEST(Families, SmartFillCompactsAndMatchesThresholds) {
  ATA_SMART_INFO asi;
  asi.SmartReadData[2] = 1;
  asi.SmartReadData[2 + 24] = 9;  // entry 1 empty: 9 moves to index 1
  asi.SmartReadThreshold[2] = 9;
  asi.SmartReadThreshold[3] = 30;
  ASSERT_TRUE(smart::CAtaSmart::FillSmartData(asi));
  EXPECT_EQ(asi.AttributeCount, 2u);
  EXPECT_EQ(asi.Attribute[1].Id, 9);
  ASSERT_TRUE(smart::CAtaSmart::FillSmartThreshold(asi));
  EXPECT_EQ(asi.Threshold[1].Id, 9);
  EXPECT_EQ(asi.Threshold[1].ThresholdValue, 30);
  ATA_SMART_INFO other = asi;
  EXPECT_TRUE(smart::CAtaSmart::CheckSmartAttributeCorrect(asi, other));
  other.Attribute[1].Id = 12;
  EXPECT_FALSE(smart::CAtaSmart::CheckSmartAttributeCorrect(asi, other));
  other.AttributeCount = 1;
  EXPECT_FALSE(smart::CAtaSmart::CheckSmartAttributeCorrect(asi, other));
}

}  // namespace
