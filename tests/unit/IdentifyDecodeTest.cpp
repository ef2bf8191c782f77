// IDENTIFY decoding against hand-made blocks, and against hdparm where it is installed.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "emu/DiskImages.h"
#include "smart/IdentifyDecode.h"

namespace {

using smart::ATA_SMART_INFO;

ATA_SMART_INFO Decode(const nlohmann::json& disk) {
  ATA_SMART_INFO asi;
  const auto block = emu::BuildIdentify(disk);
  std::copy(block.begin(), block.end(), asi.IdentifyDevice);
  smart::DecodeNames(asi);
  smart::DecodeVersions(asi);
  smart::DecodeTransferModes(asi);
  smart::DecodeFeatures(asi);
  smart::DecodeCapacity(asi);
  return asi;
}

TEST(IdentifyDecode, WordsAndTheirHandCheckedBytes) {
  const auto block = emu::BuildIdentify(
      {{"model", "ST500LM021-1KJ152"}, {"serial", "W62ABCDE"}, {"firmware", "0003SDM1"}});
  // "ST500LM021..." lies high byte first in words 27 on: bytes 54.. read "TS05LM...".
  EXPECT_EQ(std::string(block.begin() + 54, block.begin() + 60), "TS05L0");
  EXPECT_EQ(smart::AtaString(block.data(), 27, 20, false), "ST500LM021-1KJ152");
  EXPECT_EQ(smart::AtaString(block.data(), 27, 20, true), "TS05L00M121-JK51 2");
  EXPECT_EQ(smart::IdentifyWord(block.data(), 100), 976773168 & 0xFFFF);
  std::uint8_t sum = 0;
  for (auto b : block)
    sum = static_cast<std::uint8_t>(sum + b);
  EXPECT_EQ(sum, 0);  // integrity word: 0xA5 and the checksum
  EXPECT_EQ(block[510], 0xA5);
}

TEST(IdentifyDecode, VersionsTexts) {
  auto asi = Decode({{"word80", "0x01F0"}, {"word81", "0x1234"}});
  EXPECT_EQ(asi.MajorVersion, 8u);
  EXPECT_EQ(asi.MajorVersionText, "ATA8-ACS");
  EXPECT_EQ(asi.MinorVersionText, "---- [1234h]");
  asi = Decode({{"word80", "0x0FF0"}, {"word81", "0x0110"}});
  EXPECT_EQ(asi.MajorVersion, 11u);
  EXPECT_EQ(asi.MajorVersionText, "");
  EXPECT_EQ(asi.MinorVersionText, "ACS-2 Revision 3");
  asi = Decode({{"word80", "0x0000"}, {"word81", "0xFFFF"}});
  EXPECT_EQ(asi.MajorVersion, 0u);
  EXPECT_EQ(asi.MinorVersionText, "----");
  asi = Decode({{"word80", "0x003E"}, {"word81", "0x0082"}});
  EXPECT_EQ(asi.MajorVersionText, "ATA/ATAPI-5");
  EXPECT_EQ(asi.MinorVersionText, "ACS-2 published, ANSI INCITS 482-2012");
  EXPECT_EQ(Decode({{"word80", "0x0006"}}).MajorVersionText, "ATA-2");
}

TEST(IdentifyDecode, TransferModes) {
  auto asi = Decode({{"word76", "0x070E"}, {"word77", "0x0004"}});
  EXPECT_EQ(asi.Interface, "Serial ATA");
  EXPECT_EQ(asi.InterfaceType, 2u);
  EXPECT_EQ(asi.MaxTransferMode, "SATA/600");
  EXPECT_EQ(asi.CurrentTransferMode, "SATA/300");
  EXPECT_EQ(asi.TransferModeType, 12u);
  asi = Decode({{"word76", "0x0000"}, {"word88", "0x103F"}});
  EXPECT_EQ(asi.Interface, "Parallel ATA");
  EXPECT_EQ(asi.MaxTransferMode, "UDMA/100");
  EXPECT_EQ(asi.CurrentTransferMode, "UDMA/66");
  EXPECT_EQ(asi.TransferModeType, 8u);
  asi = Decode({{"word76", "0x0010"}, {"word77", "0"}});
  EXPECT_EQ(asi.TransferModeType, 0u);
  EXPECT_EQ(asi.MaxTransferMode, "----");
}

TEST(IdentifyDecode, CapacityAndClamping) {
  auto asi = Decode({{"sectors", 976773168}});
  EXPECT_EQ(asi.DiskSizeLba48, 500058u);
  EXPECT_EQ(asi.TotalDiskSize, 500058u);
  EXPECT_EQ(asi.NumberOfSectors, 976773168u);
  EXPECT_EQ(asi.DiskSizeLba28, 137389u);  // 0x0FFFFFFF sectors: 137438 MB, minus 49
  EXPECT_FALSE(asi.IsIdInfoIncorrect);
  asi = Decode({{"chs", {20000, 255, 63}}});
  EXPECT_TRUE(asi.IsIdInfoIncorrect);
  EXPECT_EQ(asi.Cylinder, 16383u);
  EXPECT_EQ(asi.Head, 16u);
  // A small disk: LBA48 and LBA28 disagree while LBA28 is not full, so LBA48 is dropped.
  asi = Decode({{"sectors", 2000000}, {"lba28", 1999999}, {"chs", {1984, 16, 63}}});
  EXPECT_EQ(asi.DiskSizeLba48, 0u);
  EXPECT_EQ(asi.DiskSizeLba28, 974u);  // 1999999 * 512 / 1000 / 1000 = 1023, minus 49
  EXPECT_EQ(asi.TotalDiskSize, 975u);
}

TEST(IdentifyDecode, FeaturesByMajorVersion) {
  auto asi = Decode({{"rotation", 1},
                     {"trim", true},
                     {"ncq", true},
                     {"apm", true},
                     {"aam", true},
                     {"form_factor", 3},
                     {"devsleep", true}});
  EXPECT_TRUE(asi.IsSsd);
  EXPECT_EQ(asi.NominalMediaRotationRate, 1u);
  EXPECT_TRUE(asi.IsTrimSupported && asi.IsNcqSupported && asi.IsApmSupported && asi.IsApmEnabled &&
              asi.IsAamSupported && asi.IsDeviceSleepSupported && asi.IsSmartSupported &&
              asi.IsLba48Supported);
  EXPECT_EQ(asi.FormFactor, "2.5 inch");
  // Major version 5: words defined by later versions are not read.
  asi = Decode({{"word80", "0x003E"}, {"rotation", 1}, {"trim", true}, {"ncq", true}});
  EXPECT_FALSE(asi.IsSsd || asi.IsTrimSupported || asi.IsNcqSupported);
  EXPECT_EQ(Decode({{"rotation", 5400}}).NominalMediaRotationRate, 5400u);
}

TEST(IdentifyDecode, NamesAndTheAdataMultiplier) {
  auto asi = Decode({{"model", "ADATA SSD S510 60GB"}, {"firmware", "3.4.6"}, {"serial", "a/b:c"}});
  EXPECT_EQ(asi.TemperatureMultiplier, 0.5);
  EXPECT_EQ(asi.ModelSerial, "ADATA SSD S510 60GBabc");
  EXPECT_EQ(Decode({{"model", "ADATA SSD S510"}, {"firmware", "3.4.7"}}).TemperatureMultiplier,
            1.0);
}

// hdparm reads the same words from standard input; both must agree on what they show.
TEST(IdentifyDecode, AgreesWithHdparm) {
  if (std::system("command -v hdparm >/dev/null 2>&1") != 0) {
    const char* ci = std::getenv("CI");
    if (ci && std::string(ci) == "true")
      FAIL() << "hdparm is not installed, and CI needs this check";
    GTEST_SKIP() << "hdparm is not installed";
  }
  const nlohmann::json disks[] = {{{"model", "Velmora SSD 512GB"},
                                   {"serial", "VS2024000001"},
                                   {"firmware", "V1.02"},
                                   {"sectors", 1000215216},
                                   {"rotation", 1},
                                   {"trim", true}},
                                  {{"model", "WDC WD10SPZX-08Z10"},
                                   {"serial", "WD-WX11A"},
                                   {"firmware", "02.01A02"},
                                   {"sectors", 1953525168},
                                   {"rotation", 5400}},
                                  {{"model", "OLD DISK"},
                                   {"serial", "1"},
                                   {"firmware", "1"},
                                   {"sectors", 2000000},
                                   {"lba48", false},
                                   {"word80", "0x003E"},
                                   {"sata", 0}}};
  for (const auto& disk : disks) {
    const auto block = emu::BuildIdentify(disk);
    ATA_SMART_INFO asi = Decode(disk);
    const std::string path = ::testing::TempDir() + "identify.txt";
    FILE* f = std::fopen(path.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fputs(emu::IdentifyWordsText(block).c_str(), f);
    std::fclose(f);
    FILE* p = popen(("hdparm --Istdin < " + path + " 2>&1").c_str(), "r");
    ASSERT_NE(p, nullptr);
    std::string out;
    char buf[512];
    while (std::fgets(buf, sizeof buf, p))
      out += buf;
    pclose(p);
    EXPECT_NE(out.find("Model Number:       " + asi.Model), std::string::npos) << out;
    EXPECT_NE(out.find("Serial Number:      " + asi.SerialNumber), std::string::npos) << out;
    EXPECT_NE(out.find("Firmware Revision:  " + asi.FirmwareRev), std::string::npos) << out;
    EXPECT_NE(out.find("LBA    user addressable sectors:"), std::string::npos);
    EXPECT_NE(out.find(std::to_string(asi.Sector28)), std::string::npos) << out;
    if (asi.IsLba48Supported) {
      const auto at = out.find("LBA48  user addressable sectors:");
      ASSERT_NE(at, std::string::npos) << out;
      const std::string line = out.substr(at, out.find('\n', at) - at);
      EXPECT_EQ(std::stoull(line.substr(line.find(':') + 1)), asi.Sector48) << line;
    }
    EXPECT_EQ(out.find("Integrity word not set"), std::string::npos) << out;
    EXPECT_EQ(out.find("SMART feature set") != std::string::npos, asi.IsSmartSupported != 0);
    EXPECT_EQ(out.find("Data Set Management TRIM supported") != std::string::npos,
              asi.IsTrimSupported != 0)
        << out;
    EXPECT_EQ(out.find("Solid State Device") != std::string::npos,
              asi.NominalMediaRotationRate == 1);
  }
}

}  // namespace
