#include "emu/DiskImages.h"

#include <cstdio>
#include <string>

#include "emu/Laptop.h"
#include "emu/Transcript.h"

namespace emu {

namespace {

using nlohmann::json;

std::int64_t Num(const json& disk, const char* key, std::int64_t fallback) {
  return disk.contains(key) ? ParseNumber(disk[key]) : fallback;
}
bool Flag(const json& disk, const char* key, bool fallback) {
  return disk.contains(key) ? disk[key].get<bool>() : fallback;
}

void PutWord(Block& b, int word, std::uint32_t value) {
  b[2 * word] = static_cast<std::uint8_t>(value);
  b[2 * word + 1] = static_cast<std::uint8_t>(value >> 8);
}

// An ATA string: two characters per word, the first in the high byte, blank padded.
void PutAtaString(Block& b, int firstWord, int words, const std::string& text) {
  for (int i = 0; i < words * 2; ++i) {
    const char c = i < static_cast<int>(text.size()) ? text[i] : ' ';
    b[2 * firstWord + (i ^ 1)] = static_cast<std::uint8_t>(c);
  }
}

void PutAscii(Block& b, int offset, int length, const std::string& text) {
  for (int i = 0; i < length; ++i) {
    b[offset + i] = static_cast<std::uint8_t>(i < static_cast<int>(text.size()) ? text[i] : ' ');
  }
}

void PutLittle(Block& b, int offset, int width, std::uint64_t value) {
  for (int i = 0; i < width && i < 8; ++i)
    b[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// A raw override: the hex text padded with zeros (or cut) to size.
bool Raw(const json& disk, const char* key, std::size_t size, Block& out) {
  if (!disk.contains(key))
    return false;
  out = FromHex(disk[key].get<std::string>());
  out.resize(size, 0);
  return true;
}

void SetChecksumByte(Block& b) {
  std::uint8_t sum = 0;
  for (int i = 0; i < 511; ++i)
    sum = static_cast<std::uint8_t>(sum + b[i]);
  b[511] = static_cast<std::uint8_t>(-sum);
}

}  // namespace

Block BuildIdentify(const json& disk) {
  Block b(512, 0);
  if (Raw(disk, "identify_hex", 512, b))
    return b;
  const std::uint64_t sectors = static_cast<std::uint64_t>(Num(disk, "sectors", 976773168));
  const std::uint64_t lba28 = static_cast<std::uint64_t>(
      Num(disk, "lba28", static_cast<std::int64_t>(std::min<std::uint64_t>(sectors, 0x0FFFFFFF))));
  std::vector<std::int64_t> chs = {16383, 16, 63};
  if (disk.contains("chs"))
    chs = {ParseNumber(disk["chs"][0]), ParseNumber(disk["chs"][1]), ParseNumber(disk["chs"][2])};
  const bool lba48 = Flag(disk, "lba48", true);
  const bool smart = Flag(disk, "smart", true);
  const bool apm = Flag(disk, "apm", false);
  const bool aam = Flag(disk, "aam", false);

  PutWord(b, 0, 0x0040);
  PutWord(b, 1, static_cast<std::uint32_t>(chs[0]));
  PutWord(b, 3, static_cast<std::uint32_t>(chs[1]));
  PutWord(b, 6, static_cast<std::uint32_t>(chs[2]));
  PutAtaString(b, 10, 10, disk.value("serial", "S0000000000000000001"));
  PutWord(b, 21, static_cast<std::uint32_t>(Num(disk, "buffer_sectors", 0)));
  PutAtaString(b, 23, 4, disk.value("firmware", "1.0"));
  PutAtaString(b, 27, 20, disk.value("model", "Velmora Disk"));
  PutWord(b, 47, 0x8010);
  PutWord(b, 49, 0x0300);
  PutWord(b, 53, 0x0007);
  PutWord(b, 60, static_cast<std::uint32_t>(lba28 & 0xFFFF));
  PutWord(b, 61, static_cast<std::uint32_t>(lba28 >> 16));
  PutWord(b, 63, 0x0407);
  PutWord(b, 64, 0x0003);
  const int sata = static_cast<int>(Num(disk, "sata", 3));
  std::uint32_t w76 = 0;
  for (int gen = 1; gen <= sata && gen <= 3; ++gen)
    w76 |= 1u << gen;
  if (Flag(disk, "ncq", true) && sata > 0)
    w76 |= 1u << 8;
  PutWord(b, 76, static_cast<std::uint32_t>(Num(disk, "word76", w76)));
  PutWord(b, 77,
          static_cast<std::uint32_t>(
              Num(disk, "word77", sata > 0 ? Num(disk, "negotiated", sata) << 1 : 0)));
  PutWord(b, 78, Flag(disk, "devsleep", false) ? 0x0100 : 0);
  PutWord(b, 80, static_cast<std::uint32_t>(Num(disk, "word80", 0x07F0)));
  PutWord(b, 81, static_cast<std::uint32_t>(Num(disk, "word81", 0x011B)));
  PutWord(b, 82, 0x4008 | (smart ? 1 : 0));
  PutWord(b, 83, 0x4000 | (apm ? 0x0008 : 0) | (aam ? 0x0200 : 0) | (lba48 ? 0x0400 : 0));
  PutWord(b, 84, 0x4000);
  PutWord(b, 85, 0x4008 | (smart ? 1 : 0));
  PutWord(b, 86,
          (apm && Flag(disk, "apm_enabled", true) ? 0x0008 : 0) |
              (aam && Flag(disk, "aam_enabled", true) ? 0x0200 : 0) | (lba48 ? 0x0400 : 0));
  PutWord(b, 87, 0x4000);
  PutWord(b, 88, static_cast<std::uint32_t>(Num(disk, "word88", 0x407F)));
  if (lba48) {
    for (int w = 0; w < 4; ++w)
      PutWord(b, 100 + w, static_cast<std::uint32_t>((sectors >> (16 * w)) & 0xFFFF));
  }
  PutWord(b, 168, static_cast<std::uint32_t>(Num(disk, "form_factor", 3)));
  PutWord(b, 169, Flag(disk, "trim", false) ? 1 : 0);
  PutWord(b, 214, Flag(disk, "nv_cache", false) ? 1 : 0);
  PutWord(b, 217, static_cast<std::uint32_t>(Num(disk, "rotation", 7200)));
  b[510] = 0xA5;
  SetChecksumByte(b);
  return b;
}

// A READ DATA or READ THRESHOLDS block: revision 0x0010, one 12-byte entry per attribute
// (at most 30), the checksum byte; or the raw block from rawKey.
template <class FillEntry>
Block SmartBlock(const json& disk, const char* rawKey, FillEntry fill) {
  Block b(512, 0);
  if (Raw(disk, rawKey, 512, b))
    return b;
  PutWord(b, 0, 0x0010);
  int i = 0;
  for (const auto& a : disk.value("attributes", json::array())) {
    if (i == 30)
      break;
    std::uint8_t* e = b.data() + 2 + 12 * i++;
    e[0] = static_cast<std::uint8_t>(Num(a, "id", 0));
    fill(a, e);
  }
  SetChecksumByte(b);
  return b;
}

Block BuildSmartData(const json& disk) {
  return SmartBlock(disk, "smart_data_hex", [](const json& a, std::uint8_t* e) {
    const auto flags = static_cast<std::uint16_t>(Num(a, "flags", 0x0032));
    e[1] = static_cast<std::uint8_t>(flags);
    e[2] = static_cast<std::uint8_t>(flags >> 8);
    e[3] = static_cast<std::uint8_t>(Num(a, "current", 100));
    e[4] = static_cast<std::uint8_t>(Num(a, "worst", 100));
    const std::uint64_t raw = static_cast<std::uint64_t>(Num(a, "raw", 0));
    for (int k = 0; k < 6; ++k)
      e[5 + k] = static_cast<std::uint8_t>(raw >> (8 * k));
    e[11] = static_cast<std::uint8_t>(Num(a, "reserved", 0));
  });
}

Block BuildSmartThresholds(const json& disk) {
  return SmartBlock(disk, "smart_thresholds_hex", [](const json& a, std::uint8_t* e) {
    e[1] = static_cast<std::uint8_t>(Num(a, "threshold", 0));
  });
}

Block BuildNvmeIdentify(const json& disk) {
  Block b(4096, 0);
  if (Raw(disk, "nvme_identify_hex", 4096, b))
    return b;
  PutLittle(b, 0, 2, static_cast<std::uint64_t>(Num(disk, "pci_vendor", 0x144D)));
  PutLittle(b, 2, 2, static_cast<std::uint64_t>(Num(disk, "pci_vendor", 0x144D)));
  PutAscii(b, 4, 20, disk.value("serial", "S4EWNX0R000001"));
  PutAscii(b, 24, 40, disk.value("model", "Velmora NVMe SSD"));
  PutAscii(b, 64, 8, disk.value("firmware", "1B2QEXM7"));
  PutLittle(b, 80, 4, static_cast<std::uint64_t>(Num(disk, "version", 0x00010400)));
  return b;
}

Block BuildNvmeLog(const json& disk) {
  Block b(512, 0);
  if (Raw(disk, "nvme_log_hex", 512, b))
    return b;
  const json log = disk.value("log", json::object());
  PutLittle(b, 0, 1, static_cast<std::uint64_t>(Num(log, "critical_warning", 0)));
  PutLittle(b, 1, 2, static_cast<std::uint64_t>(Num(log, "temperature_k", 311)));
  PutLittle(b, 3, 1, static_cast<std::uint64_t>(Num(log, "available_spare", 100)));
  PutLittle(b, 4, 1, static_cast<std::uint64_t>(Num(log, "spare_threshold", 10)));
  PutLittle(b, 5, 1, static_cast<std::uint64_t>(Num(log, "percentage_used", 1)));
  const char* wide[] = {"data_units_read",     "data_units_written", "host_read_commands",
                        "host_write_commands", "busy_minutes",       "power_cycles",
                        "power_on_hours",      "unsafe_shutdowns",   "media_errors",
                        "error_log_entries"};
  for (int i = 0; i < 10; ++i)
    PutLittle(b, 32 + 16 * i, 8, static_cast<std::uint64_t>(Num(log, wide[i], 0)));
  return b;
}

std::string IdentifyWordsText(const Block& identify) {
  std::string text;
  for (int w = 0; w < 256; ++w) {
    char word[8];
    std::snprintf(word, sizeof word, "%04x", identify[2 * w] | identify[2 * w + 1] << 8);
    text += word;
    text += (w % 8 == 7) ? "\n" : " ";
  }
  return text;
}

}  // namespace emu
