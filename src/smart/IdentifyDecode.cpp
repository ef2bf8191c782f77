#include "smart/IdentifyDecode.h"

#include <cstdio>
#include <cstdlib>

namespace smart {

namespace {

bool Bit(std::uint16_t word, int bit) {
  return (word >> bit) & 1;
}

std::string TrimRight(std::string text) {
  while (!text.empty() && (text.back() == ' ' || text.back() == '\0'))
    text.pop_back();
  return text;
}

const char* const kUdmaModes[] = {"UDMA/16", "UDMA/25",  "UDMA/33", "UDMA/44",
                                  "UDMA/66", "UDMA/100", "UDMA/133"};

}  // namespace

std::uint16_t IdentifyWord(const std::uint8_t* identify, int word) {
  return static_cast<std::uint16_t>(identify[2 * word] | identify[2 * word + 1] << 8);
}

std::string AtaString(const std::uint8_t* identify, int firstWord, int wordCount, bool reverse) {
  std::string text;
  for (int w = firstWord; w < firstWord + wordCount; ++w) {
    const char low = static_cast<char>(identify[2 * w]);
    const char high = static_cast<char>(identify[2 * w + 1]);
    text.push_back(reverse ? low : high);
    text.push_back(reverse ? high : low);
  }
  return TrimRight(text);
}

std::string ModelSerialOf(const std::string& model, const std::string& serial) {
  std::string out;
  for (char c : model + serial) {
    if (std::string("\\/:*?\"<>|").find(c) == std::string::npos)
      out.push_back(c);
  }
  return out;
}

void DecodeNames(ATA_SMART_INFO& asi) {
  const std::uint8_t* id = asi.IdentifyDevice;
  asi.SerialNumber = AtaString(id, 10, 10, false);
  asi.SerialNumberReverse = AtaString(id, 10, 10, true);
  asi.FirmwareRev = AtaString(id, 23, 4, false);
  asi.FirmwareRevReverse = AtaString(id, 23, 4, true);
  asi.Model = AtaString(id, 27, 20, false);
  asi.ModelReverse = AtaString(id, 27, 20, true);
  asi.ModelSerial = ModelSerialOf(asi.Model, asi.SerialNumber);
  if (asi.Model.rfind("ADATA SSD", 0) == 0) {
    std::string digits;
    for (char c : asi.FirmwareRev) {
      if (c != '.')
        digits.push_back(c);
    }
    char* end = nullptr;
    if (std::strtol(digits.c_str(), &end, 10) == 346 && end && *end == '\0') {
      asi.TemperatureMultiplier = 0.5;
    }
  }
}

void DecodeVersions(ATA_SMART_INFO& asi) {
  const std::uint16_t w80 = IdentifyWord(asi.IdentifyDevice, 80);
  asi.MajorVersion = 0;
  asi.MajorVersionText.clear();
  if (w80 != 0 && w80 != 0xFFFF) {
    for (int bit = 14; bit >= 1; --bit) {
      if (Bit(w80, bit)) {
        asi.MajorVersion = static_cast<std::uint32_t>(bit);
        break;
      }
    }
    const std::uint32_t v = asi.MajorVersion;
    char text[32] = "----";
    if (v > 10)
      text[0] = '\0';
    else if (v == 10)
      std::snprintf(text, sizeof text, "ACS-3");
    else if (v == 9)
      std::snprintf(text, sizeof text, "ACS-2");
    else if (v == 8)
      std::snprintf(text, sizeof text, "ATA8-ACS");
    else if (v >= 4)
      std::snprintf(text, sizeof text, "ATA/ATAPI-%u", v);
    else if (v >= 1)
      std::snprintf(text, sizeof text, "ATA-%u", v);
    asi.MajorVersionText = text;
  }
  asi.MinorVersionText = MinorVersionText(IdentifyWord(asi.IdentifyDevice, 81));
}

void DecodeTransferModes(ATA_SMART_INFO& asi) {
  const std::uint8_t* id = asi.IdentifyDevice;
  const std::uint16_t w63 = IdentifyWord(id, 63);
  const std::uint16_t w76 = IdentifyWord(id, 76);
  const std::uint16_t w77 = IdentifyWord(id, 77);
  const std::uint16_t w88 = IdentifyWord(id, 88);
  asi.Interface = "Parallel ATA";
  asi.InterfaceType = 1;
  asi.MaxTransferMode.clear();
  asi.CurrentTransferMode.clear();
  std::uint32_t code = 1;
  if (w63 & 0x0700) {
    code = 2;
    asi.MaxTransferMode = asi.CurrentTransferMode = "PIO/DMA";
  }
  for (int bit = 6; bit >= 0; --bit) {
    if (Bit(w88, bit)) {
      asi.MaxTransferMode = kUdmaModes[bit];
      code = 3 + static_cast<std::uint32_t>(bit);
      break;
    }
  }
  for (int bit = 14; bit >= 8; --bit) {
    if (Bit(w88, bit)) {
      asi.CurrentTransferMode = kUdmaModes[bit - 8];
      break;
    }
  }
  if (w76 != 0 && w76 != 0xFFFF) {
    asi.MaxTransferMode = asi.CurrentTransferMode = "SATA/150";
    asi.Interface = "Serial ATA";
    asi.InterfaceType = 2;
    if (Bit(w76, 4)) {
      code = 0;
      asi.MaxTransferMode = asi.CurrentTransferMode = "----";
    } else if (Bit(w76, 3) || Bit(w76, 2) || Bit(w76, 1)) {
      code = Bit(w76, 3) ? 12 : Bit(w76, 2) ? 11 : 10;
      asi.MaxTransferMode = Bit(w76, 3) ? "SATA/600" : Bit(w76, 2) ? "SATA/300" : "SATA/150";
      asi.CurrentTransferMode = "----";
    }
    switch ((w77 >> 1) & 0x7) {
      case 3:
        asi.CurrentTransferMode = "SATA/600";
        break;
      case 2:
        asi.CurrentTransferMode = "SATA/300";
        break;
      case 1:
        asi.CurrentTransferMode = "SATA/150";
        break;
      default:
        break;
    }
  }
  asi.TransferModeType = code;
}

void DecodeFeatures(ATA_SMART_INFO& asi) {
  const std::uint8_t* id = asi.IdentifyDevice;
  const std::uint32_t v = asi.MajorVersion;
  if (v >= 3) {
    asi.IsSmartSupported = Bit(IdentifyWord(id, 82), 0);
    asi.IsApmSupported = Bit(IdentifyWord(id, 83), 3);
    if (asi.IsApmSupported)
      asi.IsApmEnabled = Bit(IdentifyWord(id, 86), 3);
  }
  if (v >= 5) {
    asi.IsAamSupported = Bit(IdentifyWord(id, 83), 9);
    if (asi.IsAamSupported)
      asi.IsAamEnabled = Bit(IdentifyWord(id, 86), 9);
    asi.IsLba48Supported = Bit(IdentifyWord(id, 83), 10);
  }
  if (v >= 6)
    asi.IsNcqSupported = Bit(IdentifyWord(id, 76), 8);
  if (v >= 7) {
    asi.IsNvCacheSupported = Bit(IdentifyWord(id, 214), 0);
    asi.IsTrimSupported = Bit(IdentifyWord(id, 169), 0);
    const std::uint16_t rotation = IdentifyWord(id, 217);
    if (rotation == 1) {
      asi.IsSsd = 1;
      asi.NominalMediaRotationRate = 1;
    } else if (rotation >= 1025 && rotation <= 65534) {
      asi.NominalMediaRotationRate = rotation;
    }
    static const char* const formFactors[] = {"5.25 inch", "3.5 inch", "2.5 inch", "1.8 inch",
                                              "< 1.8 inch"};
    const int form = IdentifyWord(id, 168) & 0x0F;
    if (form >= 1 && form <= 5)
      asi.FormFactor = formFactors[form - 1];
    asi.IsDeviceSleepSupported = Bit(IdentifyWord(id, 78), 8);
  }
  std::string upper = asi.Model;
  for (auto& c : upper)
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (upper.rfind("MAXTOR", 0) == 0 && asi.MeasuredTimeUnitType == 2)
    asi.IsMaxtorMinute = 1;
}

bool DecodeCapacity(ATA_SMART_INFO& asi) {
  const std::uint8_t* id = asi.IdentifyDevice;
  auto clamp = [&](int word, std::uint32_t limit) {
    std::uint32_t value = IdentifyWord(id, word);
    if (value > limit) {
      value = limit;
      asi.IsIdInfoIncorrect = 1;
    }
    return value;
  };
  asi.Cylinder = clamp(1, 16383);
  asi.Head = clamp(3, 16);
  asi.Sector = clamp(6, 63);
  const std::uint32_t words6061 = static_cast<std::uint32_t>(IdentifyWord(id, 60)) |
                                  static_cast<std::uint32_t>(IdentifyWord(id, 61)) << 16;
  asi.Sector28 = words6061 & 0x0FFFFFFF;
  std::uint64_t lba48 = 0;
  for (int w = 103; w >= 100; --w)
    lba48 = lba48 << 16 | IdentifyWord(id, w);
  asi.Sector48 = lba48 & 0xFFFFFFFFFFFFULL;

  auto megabytes = [](std::uint64_t sectors) { return sectors * 512 / 1000 / 1000; };
  const std::uint64_t chs = std::uint64_t{asi.Cylinder} * asi.Head * asi.Sector;
  asi.DiskSizeChs = 0;
  if (chs > 0) {
    const std::uint64_t bytes = chs * 512;
    asi.DiskSizeChs =
        static_cast<std::uint32_t>(bytes < 1001000000 ? megabytes(chs) : megabytes(chs) - 49);
    asi.NumberOfSectors = chs;
  }
  asi.DiskSizeLba28 = 0;
  if (std::uint64_t{asi.Sector28} * 512 >= 50000000) {
    asi.DiskSizeLba28 = static_cast<std::uint32_t>(megabytes(asi.Sector28) - 49);
    asi.NumberOfSectors = asi.Sector28;
  }
  asi.DiskSizeLba48 = 0;
  if (asi.IsLba48Supported && asi.Sector48 * 512 >= 50000000) {
    asi.DiskSizeLba48 = static_cast<std::uint32_t>(megabytes(asi.Sector48) - 49);
    asi.NumberOfSectors = asi.Sector48;
  }
  if (asi.DiskSizeChs == 0) {
    asi.TotalDiskSize = 0;
  } else if (asi.DiskSizeLba48 > asi.DiskSizeLba28) {
    asi.TotalDiskSize = asi.DiskSizeLba48;
  } else {
    asi.TotalDiskSize = std::max(asi.DiskSizeLba28, asi.DiskSizeChs);
  }
  if (asi.IsLba48Supported && asi.Sector28 < 0x0FFFFFFF && asi.DiskSizeLba28 != asi.DiskSizeLba48) {
    asi.DiskSizeLba48 = 0;
  }
  asi.BufferSize = std::uint64_t{IdentifyWord(id, 21)} * 512;
  return words6061 == 0x01100003;
}

}  // namespace smart
