// The disk reader's whole discovery through the Linux backend on a recorded machine: a SATA
// SSD and an NVMe disk answering with recorded blocks, and a USB bridge that answers no ATA
// pass-through. The reader's code is the plug-in's own; only the operating system differs.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

#include <log4cplus/logger.h>

#include "FakeSysfs.h"
#include "LinuxMachine.h"
#include "fddisk/DiskDocument.h"
#include "smart/CAtaSmart.h"

log4cplus::Logger GetLogger() {
  return log4cplus::Logger::getInstance(LOG4CPLUS_TEXT("fd_linux_tests"));
}

namespace {

std::vector<std::uint8_t> Recorded(const std::string& name) {
  std::ifstream in(std::string(FD_RECORDED_DIR) + "/" + name);
  std::vector<std::uint8_t> bytes;
  std::string line;
  while (std::getline(in, line)) {
    for (std::size_t i = 0; i + 1 < line.size(); i += 2)
      bytes.push_back(static_cast<std::uint8_t>(std::stoul(line.substr(i, 2), nullptr, 16)));
  }
  return bytes;
}

const std::vector<std::uint8_t> kOkSense = {0x72, 0x01, 0x00, 0x1d, 0,    0,   0, 0x0e,
                                            0x09, 0x0c, 0x00, 0,    0,    1,   0, 1,
                                            0,    0x4f, 0,    0xc2, 0xa0, 0x50};
const std::vector<std::uint8_t> kIllegalRequest = {0x70, 0, 0x05, 0, 0, 0,    0,
                                                   10,   0, 0,    0, 0, 0x20, 0};

// A disk that answers from recorded blocks: ATA commands in ATA PASS-THROUGH (16) CDBs, NVMe
// identify and health log; anything else is an illegal request.
class RecordedDisk : public linuxdisk::Transport {
 public:
  RecordedDisk(std::string prefix, bool answersAta)
      : prefix_(std::move(prefix)), ata_(answersAta) {}

  bool Scsi(linuxdisk::ScsiCommand& c, int*) override {
    const auto refuse = [&c] {
      std::copy(kIllegalRequest.begin(), kIllegalRequest.end(), c.sense.begin());
      c.senseLength = static_cast<std::uint8_t>(kIllegalRequest.size());
      c.status = 2;
      return true;
    };
    if (!ata_ || c.cdb[0] != 0x85)
      return refuse();
    const std::uint8_t feature = c.cdb[4], command = c.cdb[14];
    std::vector<std::uint8_t> block;
    if (command == 0xEC)
      block = Recorded(prefix_ + "-identify.hex");
    else if (command == 0xB0 && feature == 0xD0)
      block = Recorded(prefix_ + "-smart-data.hex");
    else if (command == 0xB0 && feature == 0xD1)
      block = Recorded(prefix_ + "-smart-thresholds.hex");
    else if (command != 0xB0)
      return refuse();
    if (c.dataIn && c.data)
      std::copy_n(block.begin(), std::min<std::size_t>(block.size(), c.dataLength), c.data);
    std::copy(kOkSense.begin(), kOkSense.end(), c.sense.begin());
    c.senseLength = static_cast<std::uint8_t>(kOkSense.size());
    c.status = 2;  // CK_COND: the registers come back as sense
    return true;
  }

  bool NvmeAdmin(linuxdisk::NvmeAdminCommand& c, int* error) override {
    if (prefix_ != "nvme") {
      *error = 25;  // ENOTTY
      return false;
    }
    const auto block = Recorded(c.opcode == 0x06 ? "nvme-identify.hex" : "nvme-health.hex");
    std::copy_n(block.begin(), std::min<std::size_t>(block.size(), c.dataLength), c.data);
    return true;
  }

 private:
  std::string prefix_;
  bool ata_;
};

class RecordedMachineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sys_.AddDisk(
        "sda", "pci0000:00/0000:00:1f.2/ata1/host0/target0:0:0/0:0:0:0", 500118192,
        {{"model", "FD RECORDED SSD 256GB\n"}, {"vendor", "ATA     \n"}, {"rev", "FW01\n"}});
    sys_.AddDisk("sdb", "pci0000:00/0000:00:04.0/usb1/1-1/1-1:1.0/host2/target2:0:0/2:0:0:0",
                 2097152, {{"model", "USB DISK\n"}, {"vendor", "QEMU    \n"}, {"rev", "2.5+\n"}});
    sys_.AddDisk("nvme0n1", "pci0000:00/0000:00:05.0/nvme/nvme0", 1000215216,
                 {{"model", "FD RECORDED NVME 512GB\n"},
                  {"serial", "FDN0000000002\n"},
                  {"firmware_rev", "NV01\n"}});
    dev_ = sys_.Root() + "/dev";
    std::filesystem::create_directories(dev_);
    for (const char* node : {"sda", "sdb", "nvme0n1"})
      FakeSysfs::Write(dev_ + "/" + node, "");
    auto& machine = linuxdisk::Machine();
    machine.sysRoot = sys_.Root();
    machine.devRoot = dev_;
    machine.makeTransport = [](const linuxdisk::BlockDisk& disk, int) {
      return std::make_unique<RecordedDisk>(disk.nvme ? "nvme" : "sata", disk.name == "sda");
    };
  }
  void TearDown() override {
    auto& machine = linuxdisk::Machine();
    machine.sysRoot = "/sys";
    machine.devRoot = "/dev";
    machine.makeTransport = nullptr;
  }

  FakeSysfs sys_;
  std::string dev_;
};

TEST_F(RecordedMachineTest, TheReaderFindsBothDisksAndSkipsTheBridge) {
  smart::CAtaSmart reader;
  std::uint32_t changed = 0;
  reader.Init(0, 0, &changed);
  ASSERT_EQ(reader.vars.size(), 2u);
  std::map<int, const smart::ATA_SMART_INFO*> byDrive;
  for (const auto& asi : reader.vars)
    byDrive[asi.PhysicalDriveId] = &asi;
  ASSERT_TRUE(byDrive.count(0) && byDrive.count(2));
  const auto& sata = *byDrive[0];
  EXPECT_EQ(sata.Model, "FD RECORDED SSD 256GB");
  EXPECT_EQ(sata.SerialNumber, "FDR0000000001");
  EXPECT_EQ(sata.FirmwareRev, "FW01");
  EXPECT_EQ(sata.IsSsd, 1u);
  EXPECT_EQ(sata.NumberOfSectors, 500118192u);
  ASSERT_EQ(sata.AttributeCount, 4u);
  EXPECT_EQ(sata.Attribute[3].Id, 194);
  EXPECT_EQ(sata.Attribute[3].RawValue[0], 36);
  EXPECT_EQ(sata.Threshold[0].ThresholdValue, 10);
  EXPECT_EQ(sata.MeasuredPowerOnHours, 1234);
  const auto& nvme = *byDrive[2];
  EXPECT_EQ(nvme.Model, "FD RECORDED NVME 512GB");
  EXPECT_EQ(nvme.SerialNumber, "FDN0000000002");
  EXPECT_EQ(nvme.SmartReadData[0], 4);  // critical warning
  EXPECT_EQ(nvme.SmartReadData[5], 3);  // percentage used
  EXPECT_EQ(nvme.IsSsd, 1u);
}

// What fddisk prints of that machine: both disks in the SSD answer, the NVMe health, and the
// bridge among the disks not read.
TEST_F(RecordedMachineTest, FddiskDocumentOfTheMachine) {
  smart::CAtaSmart reader;
  std::uint32_t changed = 0;
  reader.Init(0, 0, &changed);
  const auto disks = linuxdisk::ListBlockDisks(sys_.Root(), dev_);
  const auto doc = fddisk::Document(reader.vars, disks, {{dev_ + "/sdb", "no pass-through"}});
  ASSERT_EQ(doc["disks"].size(), 2u);
  EXPECT_EQ(doc["physical_drives"][1]["device"], dev_ + "/sdb");
  EXPECT_EQ(doc["requests"]["0x380001"]["records"].size(), 0u);
  ASSERT_EQ(doc["requests"]["0x380002"]["records"].size(), 2u);
  EXPECT_EQ(doc["requests"]["0x380002"]["records"][0]["model"], "FD RECORDED SSD 256GB");
  EXPECT_EQ(doc["requests"]["0x380003"]["records"].size(), 2u);
  const auto& sata = doc["disks"][0];
  EXPECT_EQ(sata["device"], dev_ + "/sda");
  EXPECT_EQ(sata["attributes"][3]["raw"], 36);
  EXPECT_EQ(sata["detail_report"]["194"], "64,50,0,36");
  const auto& health = doc["disks"][1]["nvme_health"];
  EXPECT_EQ(health["critical_warning"], 4);
  EXPECT_EQ(health["temperature_kelvin"], 310);
  EXPECT_EQ(health["available_spare"], 97);
  EXPECT_EQ(health["percentage_used"], 3);
  EXPECT_EQ(health["data_units_read"], 1000);
  EXPECT_EQ(health["data_units_written"], 2000);
  EXPECT_EQ(doc["not_read"][0]["reason"], "no pass-through");
  // For people: each disk with its own records of the answers.
  const std::string text = fddisk::DocumentText(doc);
  const auto nvmeAt = text.find(dev_ + "/nvme0n1: FD RECORDED NVME 512GB");
  ASSERT_NE(nvmeAt, std::string::npos) << text;
  EXPECT_NE(text.find("request 0x380002, SSDs: 1 record(s)", nvmeAt), std::string::npos);
  EXPECT_NE(text.find("critical_warning: 4", nvmeAt), std::string::npos);
  // Only the device asked for is listed; its answers keep the discovery's disk index.
  const auto one = fddisk::Document(reader.vars, disks, {}, {dev_ + "/nvme0n1"});
  ASSERT_EQ(one["disks"].size(), 1u);
  EXPECT_EQ(one["disks"][0]["answer_index"], 1);
  EXPECT_EQ(one["requests"]["0x380003"]["records"].size(), 2u);
}

}  // namespace
