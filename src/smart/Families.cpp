#include "smart/Families.h"

#include <algorithm>
#include <cstdlib>
#include <initializer_list>

#include "smart/TextHelpers.h"

namespace smart {

namespace {

// The leading attribute ids of the record equal the list.
bool IdsBegin(const ATA_SMART_INFO& asi, std::initializer_list<int> ids) {
  if (ids.size() > asi.AttributeCount)
    return false;
  std::size_t i = 0;
  for (int id : ids) {
    if (asi.Attribute[i++].Id != id)
      return false;
  }
  return true;
}

bool HasAttribute(const ATA_SMART_INFO& asi, int id) {
  for (std::uint32_t i = 0; i < asi.AttributeCount; ++i) {
    if (asi.Attribute[i].Id == id)
      return true;
  }
  return false;
}

std::uint64_t Raw(const SMART_ATTRIBUTE& a, int bytes) {
  std::uint64_t value = 0;
  for (int i = bytes - 1; i >= 0; --i)
    value = value << 8 | a.RawValue[i];
  return value;
}
std::int32_t Raw24(const SMART_ATTRIBUTE& a) {
  return static_cast<std::int32_t>(Raw(a, 3));
}
std::int32_t Raw32(const SMART_ATTRIBUTE& a) {
  return static_cast<std::int32_t>(Raw(a, 4));
}
std::int32_t Raw48Gib512(const SMART_ATTRIBUTE& a) {  // sectors of 512 bytes in GiB
  return static_cast<std::int32_t>(Raw(a, 6) * 512 / (1ULL << 30));
}

void SetLife(ATA_SMART_INFO& asi, const SMART_ATTRIBUTE& a) {
  if (a.CurrentValue < 101)
    asi.Life = a.CurrentValue;
}

bool IsOneOf(std::uint32_t family, std::initializer_list<std::uint32_t> families) {
  return std::find(families.begin(), families.end(), family) != families.end();
}

// Host reads (242) or writes (241) in the family's unit.
void SetHostCounter(ATA_SMART_INFO& asi, const SMART_ATTRIBUTE& a, std::int32_t& target) {
  const std::uint32_t f = asi.DiskVendorId;
  const bool gigabytes = asi.HostReadsWritesUnit == 3;
  if ((f == 15 && gigabytes) || IsOneOf(f, {7, 14, 16, 17, 20}) ||
      (IsOneOf(f, {6, 13}) && gigabytes)) {
    target = Raw32(a);
  } else if (IsOneOf(f, {5, 15})) {
    target = static_cast<std::int32_t>(Raw32(a) * 0.03125);
  } else if (IsOneOf(f, {6, 13, 11})) {
    target = Raw48Gib512(a);
  } else if (IsOneOf(f, {12, 18})) {
    target = static_cast<std::int32_t>(static_cast<std::int64_t>(Raw32(a)) * 32 / 1024);
  }
}

// The vendor values of ids 100 to 250. attributePass: the 247 rule applies too.
void VendorValue(ATA_SMART_INFO& asi, const SMART_ATTRIBUTE& a, bool attributePass) {
  const std::uint32_t f = asi.DiskVendorId;
  switch (a.Id) {
    case 100:
      if (f == 7)
        asi.GBytesErased = Raw32(a);
      break;
    case 169:
      if (IsOneOf(f, {18, 20}))
        SetLife(asi, a);
      break;
    case 170:
      if (f == 4 && !asi.RawValueQuirk)
        SetLife(asi, a);
      break;
    case 173:
      if (f == 8)
        asi.WearLevelingCount = Raw32(a);
      break;
    case 177:
      if (f == 6)
        asi.WearLevelingCount = Raw32(a);
      break;
    case 179:
    case 180:
      if (f == 6)
        SetLife(asi, a);
      break;
    case 187:
      if (f == 2)
        SetLife(asi, a);
      break;
    case 198:
      if (f == 14)
        asi.HostReads = Raw32(a);
      break;
    case 199:
      if (f == 14)
        asi.HostWrites = Raw32(a);
      break;
    case 202:
      if (f == 8)
        SetLife(asi, a);
      break;
    case 209:
      if (f == 3)
        SetLife(asi, a);
      break;
    case 225:
      if (f == 5)
        asi.HostWrites = static_cast<std::int32_t>(Raw32(a) * 0.03125);
      break;
    case 231:
      if (IsOneOf(f, {7, 16, 17}))
        SetLife(asi, a);
      break;
    case 232:
      if (IsOneOf(f, {5, 12, 13}))
        SetLife(asi, a);
      if (f == 9)
        asi.HostWrites = Raw48Gib512(a);
      break;
    case 233:
      if (IsOneOf(f, {9, 14}))
        SetLife(asi, a);
      if (IsOneOf(f, {12, 17}) || (f == 13 && asi.HostReadsWritesUnit == 3)) {
        asi.NandWrites = Raw32(a);
      }
      break;
    case 241:
      SetHostCounter(asi, a, asi.HostWrites);
      break;
    case 242:
      SetHostCounter(asi, a, asi.HostReads);
      if (f == 8)
        SetLife(asi, a);
      break;
    case 245:
      if (f == 8)
        asi.NandWrites = static_cast<std::int32_t>(Raw(a, 6) * 8 / (1ULL << 20));
      if (f == 18)
        asi.NandWrites = static_cast<std::int32_t>(static_cast<std::int64_t>(Raw32(a)) * 32 / 1024);
      break;
    case 246:
      if (f == 8)
        asi.HostWrites = Raw48Gib512(a);
      break;
    case 247:
      if (attributePass && f == 17)
        SetLife(asi, a);
      break;
    case 249:
      if (IsOneOf(f, {5, 20}))
        asi.NandWrites = Raw32(a);
      if (f == 14)
        asi.NandWrites = static_cast<std::int32_t>(Raw(a, 6) * 16 / (1ULL << 20));
      break;
    case 250:
      if (f == 20)
        asi.NandWrites += Raw32(a);
      break;
    default:
      break;
  }
}

void SetFamily(ATA_SMART_INFO& asi, std::uint32_t id, const char* key, const char* code) {
  asi.DiskVendorId = id;
  asi.SmartKeyName = key;
  asi.SsdVendorString = code;
}

const char* PlainKey(const ATA_SMART_INFO& asi) {
  return asi.IsSsd ? "SmartSsd" : "Smart";
}

// Rules 2 to 21; returns false when none matched.
bool ChooseFamily(ATA_SMART_INFO& asi) {
  const std::string& m = asi.Model;
  const std::string upper = Upper(m);
  if (!StartsWith(m, "STT") && StartsWith(m, "ST")) {
    SetFamily(asi, 10, PlainKey(asi), "st");
    return true;
  }
  if (StartsWith(m, "WDC ") && !asi.IsSsd) {
    SetFamily(asi, 11, "Smart", "wd");
    return true;
  }
  if ((IdsBegin(asi, {187}) && asi.AttributeCount == 1) || StartsWith(m, "MTRON")) {
    SetFamily(asi, 2, "SmartMtron", "mt");
    asi.IsSsd = 1;
    return true;
  }
  if (IdsBegin(asi, {12, 9, 194, 229, 232, 233})) {
    SetFamily(asi, 4, "SmartJMicron60x", "jm");
    asi.IsSsd = 1;
    asi.RawValueQuirk = 1;
    return true;
  }
  if (IdsBegin(asi, {1, 2, 3, 5, 7, 8, 9, 10, 12, 168, 175, 192, 194})) {
    SetFamily(asi, 4, "SmartJMicron61x", "jm");
    asi.IsSsd = 1;
    return true;
  }
  if (IdsBegin(asi, {1, 9, 12, 184, 195, 196})) {
    SetFamily(asi, 3, "SmartIndlinx", "ix");
    asi.IsSsd = 1;
    asi.RawValueQuirk = 1;
    return true;
  }
  // Rules 8 to 16 also make the disk an SSD.
  auto ssdFamily = [&](std::uint32_t id, const char* key, const char* code) {
    SetFamily(asi, id, key, code);
    asi.IsSsd = 1;
    return true;
  };
  const bool intelIds = IdsBegin(asi, {3, 4, 5, 9, 12}) && asi.AttributeCount > 5 &&
                        ((asi.Attribute[5].Id == 192 && asi.AttributeCount > 6 &&
                          IsOneOf(asi.Attribute[6].Id, {232, 233, 225})) ||
                         IdsBegin(asi, {3, 4, 5, 9, 12, 170, 171, 172}));
  if (intelIds || Contains(m, "INTEL"))
    return ssdFamily(5, "SmartIntel", "il");
  if (IdsBegin(asi, {5, 9, 12, 170, 171, 172, 173, 174, 178, 180})) {
    asi.HostReadsWritesUnit = 3;
    return ssdFamily(6, "SmartSamsung", "sg");
  }
  if (IdsBegin(asi, {9, 12, 178, 179, 180}) || IdsBegin(asi, {9, 12, 177, 178, 179, 180, 183}) ||
      IdsBegin(asi, {9, 12, 175, 176, 177, 178, 179, 180}) ||
      IdsBegin(asi, {5, 9, 12, 177, 179, 181, 182}) ||
      ((Contains(m, "SAMSUNG") || Contains(m, "MZ-")) && asi.IsSsd)) {
    return ssdFamily(6, "SmartSamsung", "sg");
  }
  if (IdsBegin(asi, {1, 5, 9, 12, 160, 161, 163, 164, 165, 166, 167}) ||
      IdsBegin(asi, {1, 5, 9, 12, 160, 161, 163, 148, 149, 150, 151})) {
    return ssdFamily(18, "SmartMicronMU02", "m2");
  }
  static const char* const micronPrefixes[] = {"P600", "C600", "M6-",  "M600", "P500", "C500",
                                               "M5-",  "M500", "P400", "C400", "M4-",  "M400",
                                               "P300", "C300", "M3-",  "M300"};
  const bool micronModel =
      std::any_of(std::begin(micronPrefixes), std::end(micronPrefixes),
                  [&](const char* p) { return StartsWith(upper, p); }) ||
      (StartsWith(upper, "CT") && upper.size() >= 4 && upper.substr(upper.size() - 4) == "SSD1") ||
      StartsWith(upper, "CRUCIAL") || StartsWith(upper, "MICRON");
  if (micronModel || IdsBegin(asi, {1, 5, 9, 12, 170, 171, 172, 173, 174, 181, 183})) {
    return ssdFamily(8, "SmartMicron", "mi");
  }
  if (IdsBegin(asi, {1, 5, 9, 12, 13, 100, 170}) || IdsBegin(asi, {1, 5, 9, 12, 171, 172}) ||
      IdsBegin(asi, {1, 2, 3, 5, 7, 8, 9, 10, 12, 167, 168, 169, 170, 173, 175, 177}) ||
      Contains(m, "SandForce")) {
    return ssdFamily(7, "SmartSandForce", "sf");
  }
  if (StartsWith(upper, "OCZ") &&
      (StartsWith(upper, "OCZ-TRION") || IdsBegin(asi, {1, 3, 4, 5, 9, 12, 232, 233}))) {
    return ssdFamily(9, "SmartOcz", "oz");
  }
  if (StartsWith(upper, "OCZ") || StartsWith(upper, "PANASONIC RP-SSB") ||
      IdsBegin(asi, {5, 9, 12, 171, 174, 195, 196, 197, 198})) {
    return ssdFamily(14, "SmartOczVector", "oz");
  }
  for (const char* prefix :
       {"PLEXTOR", "LITEON", "CV6-CQ", "CSSD-S6T128NM3PQ", "CSSD-S6T256NM3PQ"}) {
    if (StartsWith(m, prefix))
      return ssdFamily(12, "SmartPlextor", "px");
  }
  if (IdsBegin(asi, {1, 5, 9, 12, 177, 178, 181, 182}))
    return ssdFamily(12, "SmartPlextor", "px");
  if (Contains(m, "SanDisk")) {
    const bool gigabytes = HasAttribute(asi, 233);
    if (gigabytes)
      asi.HostReadsWritesUnit = 3;
    return ssdFamily(13, gigabytes ? "SmartSanDiskGb" : "SmartSanDisk", "sd");
  }
  if (IdsBegin(asi, {1, 2, 3, 5, 7, 8, 9, 10, 12, 168})) {
    SetFamily(asi, 17, "SmartKingston", "ki");
    asi.HostReadsWritesUnit = 3;
    return true;
  }
  if (StartsWith(m, "TOSHIBA") && asi.IsSsd) {
    SetFamily(asi, 15, "SmartToshiba", "to");
    return true;
  }
  if (StartsWith(m, "Corsair")) {
    SetFamily(asi, 16, "SmartCorsair", "co");
    return true;
  }
  if (IdsBegin(asi, {1, 5, 9, 12, 161, 162, 163, 164, 166, 167})) {
    SetFamily(asi, 20, "SmartRealtek", "");
    asi.HostReadsWritesUnit = 3;
    return true;
  }
  return false;
}

}  // namespace

std::uint32_t PowerOnUnit(const std::string& model, const std::string& firmware,
                          std::uint32_t majorVersion, std::uint32_t transferModeType) {
  const std::string m = Upper(model);
  if (StartsWith(m, "FUJITSU"))
    return majorVersion < 8 ? kUnitSeconds : kUnitHours;
  if (StartsWith(m, "HITACHI_DK"))
    return kUnitMinutes;
  if (StartsWith(m, "MAXTOR")) {
    const bool newer = StartsWith(m, "MAXTOR 6H") || StartsWith(m, "MAXTOR 7H500") ||
                       StartsWith(m, "MAXTOR 6L0") || StartsWith(m, "MAXTOR 4K");
    return transferModeType < 11 && !newer ? kUnitMinutes : kUnitHours;
  }
  if (StartsWith(m, "SAMSUNG")) {
    bool oldFirmware = false;
    if (firmware.size() >= 3) {
      const std::string tail = firmware.substr(firmware.size() - 3);
      char* end = nullptr;
      const long n = std::strtol(tail.c_str(), &end, 10);
      oldFirmware = end != tail.c_str() && *end == '\0' && n >= -39 && n <= -23;
    }
    const bool oldModel = StartsWith(m, "SAMSUNG SV") || StartsWith(m, "SAMSUNG SP") ||
                          StartsWith(m, "SAMSUNG HM") || StartsWith(m, "SAMSUNG MP");
    return transferModeType < 11 && (oldFirmware || oldModel) ? kUnitHalfMinutes : kUnitHours;
  }
  const double firmwareNumber = std::atof(firmware.c_str());
  if (((StartsWith(model, "CFD_CSSD-S6TM128NMPQ") || StartsWith(model, "CFD_CSSD-S6TM256NMPQ")) &&
       (StartsWith(firmware, "VM21") || StartsWith(firmware, "VN21"))) ||
      ((Contains(model, "PX-128M2P") || Contains(model, "PX-256M2P")) && firmwareNumber < 1.059) ||
      (StartsWith(model, "Corsair Performance Pro") && firmwareNumber < 1.059)) {
    return kUnitTenMinutes;
  }
  if ((StartsWith(model, "INTEL SSDSC2CW") || StartsWith(model, "INTEL SSDSC2BW") ||
       StartsWith(model, "INTEL SSDSC2CT")) &&
      model.find("A3", 1) != std::string::npos) {
    return kUnitHoursWithOffset;
  }
  return kUnitHours;
}

std::int64_t PowerOnHours(std::uint32_t unit, std::int64_t raw) {
  switch (unit) {
    case kUnitNone:
      return 0;
    case kUnitMinutes:
      return raw / 60;
    case kUnitHalfMinutes:
      return raw / 120;
    case kUnitSeconds:
      return raw / 3600;
    case kUnitTenMinutes:
      return raw / 6;
    default:
      return raw;
  }
}

void InterpretAttribute(ATA_SMART_INFO& asi, const SMART_ATTRIBUTE& a) {
  switch (a.Id) {
    case 9: {
      std::int64_t raw = asi.DiskVendorId == 3 ? a.CurrentValue + 256 * a.WorstValue : Raw32(a);
      if (asi.MeasuredTimeUnitType == kUnitHoursWithOffset ||
          (asi.MeasuredTimeUnitType == kUnitHours && raw >= 0xDA000) ||
          (StartsWith(asi.Model, "Intel") && raw >= 0xDA000)) {
        asi.DetectedTimeUnitType = kUnitHoursWithOffset;
        raw = std::max<std::int64_t>(0, Raw24(a) - kIntelPowerOnOffset);
      }
      asi.PowerOnRawValue = static_cast<std::int32_t>(raw);
      asi.MeasuredPowerOnHours =
          static_cast<std::int32_t>(PowerOnHours(asi.MeasuredTimeUnitType, raw));
      asi.DetectedPowerOnHours =
          static_cast<std::int32_t>(PowerOnHours(asi.DetectedTimeUnitType, raw));
      break;
    }
    case 12:
      asi.PowerOnCount = asi.DiskVendorId == 3 ? a.CurrentValue + 256 * a.WorstValue : Raw32(a);
      break;
    case 190:
      if (a.RawValue[0] >= 1 && a.RawValue[0] <= 99)
        asi.Temperature = a.RawValue[0];
      break;
    case 194: {
      std::int32_t t = asi.Temperature;
      if (StartsWith(asi.Model, "SAMSUNG SV") && (a.RawValue[1] != 0 || a.RawValue[0] >= 71)) {
        t = (a.RawValue[0] | a.RawValue[1] << 8) / 10;
      } else if (a.RawValue[0] != 0) {
        t = a.RawValue[0];
        if (asi.TemperatureMultiplier < 1.0) {
          t = static_cast<std::int32_t>(t * asi.TemperatureMultiplier);
        }
      }
      asi.Temperature = t >= 100 ? -1000 : t;
      break;
    }
    default:
      if (a.Id >= 100 && a.Id <= 250)
        VendorValue(asi, a, true);
      break;
  }
}

void ClassifyDisk(ATA_SMART_INFO& asi) {
  const std::string& m = asi.Model;
  for (const char* prefix : {"OCZ", "SPCC", "PATRIOT", "PHOTOFAST", "STT_FTM", "Super Talent"}) {
    if (StartsWith(m, prefix))
      asi.IsSsd = 1;
  }
  for (const char* part : {"Solid", "SSD", "SiliconHardDisk"}) {
    if (Contains(m, part))
      asi.IsSsd = 1;
  }
  if (!ChooseFamily(asi)) {
    asi.SmartKeyName = PlainKey(asi);
    return;
  }
  for (std::uint32_t i = 0; i < asi.AttributeCount; ++i) {
    const auto& a = asi.Attribute[i];
    if (a.Id >= 100 && a.Id <= 250)
      VendorValue(asi, a, false);
  }
}

}  // namespace smart
