// The disk reader over the virtual disks: request bytes, paths, fallbacks and records.
#include <gtest/gtest.h>

#include "DetectorFixture.h"
#include "emu/StorageTrace.h"
#include "emu/VirtualDrive.h"

#include <fstream>
#include <iterator>
#include "platform/LastError.h"
#include "platform/Storage.h"
#include "smart/CAtaSmart.h"
#include "smart/DeviceIo.h"

namespace {

using smart::CAtaSmart;

class DiskTransportTest : public DetectorTest {
 protected:
  void SetUp() override {
    DetectorTest::SetUp();
    emu::StorageTrace::Instance().Clear();
  }
  static std::vector<std::string> Requests() {
    std::vector<std::string> out;
    for (const auto& r : emu::StorageTrace::Instance().All()) {
      out.push_back(r.device + " " + r.request + " " + r.command + (r.ok ? "" : " !"));
    }
    return out;
  }
  static bool Sata(CAtaSmart& reader, int drive = 0) {
    return reader.GetDiskInfo(drive, 0, drive, smart::INTERFACE_TYPE_SATA, 0, 0, 0, 0, 0, 0,
                              "SCSI\\DISK&VEN_&PROD_TEST\\4&1", 0);
  }
};

constexpr char kSataSsd[] = R"({"disks": [{"number": 0, "model": "Samsung SSD 860 EVO 500GB",
  "serial": "S3Z1NB0K000001", "firmware": "RVT04B6Q", "sectors": 976773168, "rotation": 1,
  "attributes": [{"id": 5, "threshold": 10}, {"id": 9, "raw": 12345}, {"id": 12, "raw": 321},
                 {"id": 177, "raw": 7, "current": 99}, {"id": 179}, {"id": 181}, {"id": 182},
                 {"id": 194, "raw": 35}, {"id": 241, "raw": 10000000000}]}]})";

TEST_F(DiskTransportTest, SataDiskOverAtaPassThrough) {
  Use(kSataSsd);
  CAtaSmart reader;
  ASSERT_TRUE(Sata(reader));
  ASSERT_EQ(reader.vars.size(), 1u);
  const auto& asi = reader.vars[0];
  EXPECT_EQ(asi.Model, "Samsung SSD 860 EVO 500GB");
  EXPECT_EQ(asi.CommandType, smart::CMD_TYPE_PHYSICAL_DRIVE);
  EXPECT_EQ(asi.CommandTypeString, "pd");
  EXPECT_EQ(asi.AttributeCount, 9u);
  EXPECT_TRUE(asi.IsSmartCorrect && asi.IsThresholdCorrect && asi.IsSmartEnabled);
  EXPECT_EQ(asi.Threshold[0].ThresholdValue, 10);
  EXPECT_EQ(asi.DiskVendorId, 6u);
  EXPECT_EQ(asi.MeasuredPowerOnHours, 12345);
  EXPECT_EQ(asi.PowerOnCount, 321);
  EXPECT_EQ(asi.Temperature, 35);
  EXPECT_EQ(asi.WearLevelingCount, 7);
  EXPECT_EQ(asi.HostWrites, 4768);  // 10^10 sectors of 512 bytes in GiB
  EXPECT_EQ(asi.PnpDeviceId, "SCSI\\DISK&VEN_&PROD_TEST\\4&1");
  EXPECT_EQ(Requests(),
            (std::vector<std::string>{
                "PhysicalDrive0 ATA_PASS_THROUGH EC", "PhysicalDrive0 ATA_PASS_THROUGH B0/D0",
                "PhysicalDrive0 ATA_PASS_THROUGH B0/D0", "PhysicalDrive0 ATA_PASS_THROUGH B0/D1"}));
  // ATA_PASS_THROUGH_EX: length 48, data in, 512 bytes, 2 s, data at 52; task file
  // D0 01 01 4F C2 A0 B0.
  const auto reads = emu::StorageTrace::Instance().All();
  EXPECT_EQ(reads[1].inHex.substr(0, 104),
            "3000"
            "0200"
            "00000000"
            "00020000"
            "02000000"
            "00000000"
            "00000000"
            "3400000000000000"
            "0000000000000000"
            "d001014fc2a0b000"
            "00000000");
}

TEST_F(DiskTransportTest, EmptyModelFallsBackToTheLegacyControl) {
  Use(R"({"disks": [{"number": 1, "model": "WDC WD10SPZX-08Z10", "firmware": "02.01A02",
          "faults": {"empty_model": ["ata_pass_through"], "fail": ["ata_pass_through"]},
          "attributes": [{"id": 9, "raw": 100}]}]})");
  CAtaSmart reader;
  ASSERT_TRUE(Sata(reader, 1));
  EXPECT_EQ(reader.vars[0].Model, "WDC WD10SPZX-08Z10");
  EXPECT_EQ(reader.vars[0].DiskVendorId, 11u);
  const auto reads = emu::StorageTrace::Instance().All();
  ASSERT_GE(reads.size(), 2u);
  EXPECT_EQ(reads[1].request, "SMART_RCV_DRIVE_DATA");
  // SENDCMDINPARAMS: buffer size 512, registers 00 01 01 00 00 A0 EC, drive 0.
  EXPECT_EQ(reads[1].inHex.substr(0, 26),
            "00020000"
            "000101"
            "0000"
            "a0ec00"
            "00");
}

TEST_F(DiskTransportTest, KnownDriveIsRefusedWithoutACommand) {
  Use(kSataSsd);
  CAtaSmart reader;
  ASSERT_TRUE(Sata(reader));
  emu::StorageTrace::Instance().Clear();
  EXPECT_FALSE(Sata(reader));
  EXPECT_TRUE(Requests().empty());
}

TEST_F(DiskTransportTest, DisabledSmartIsEnabledAndReadAgain) {
  Use(R"({"disks": [{"number": 0, "model": "TOSHIBA MQ01ABD100", "firmware": "AX001U",
          "smart_enabled": false, "attributes": [{"id": 9, "raw": 5}]}]})");
  CAtaSmart reader;
  ASSERT_TRUE(Sata(reader));
  EXPECT_TRUE(reader.vars[0].IsSmartCorrect);
  const auto requests = Requests();
  EXPECT_EQ(requests[1], "PhysicalDrive0 ATA_PASS_THROUGH B0/D0 !");
  EXPECT_EQ(requests[2], "PhysicalDrive0 SMART_RCV_DRIVE_DATA B0/D0 !");
  EXPECT_EQ(requests[3], "PhysicalDrive0 ATA_PASS_THROUGH B0/D8");
}

TEST_F(DiskTransportTest, NvmeOverStorageQueryWithTheSubValueRetry) {
  Use(R"({"disks": [{"number": 2, "kind": "nvme", "model": "Samsung SSD 970 EVO Plus 1TB",
          "serial": "S4EWNX0R123456", "firmware": "2B2QEXM7", "version": "0x00010300",
          "faults": {"log_needs_all_namespaces": true},
          "log": {"temperature_k": 310, "available_spare": 100, "percentage_used": 2,
                  "data_units_read": "0x10000000000", "data_units_written": 2000000,
                  "power_cycles": 77, "power_on_hours": 1234}}]})");
  CAtaSmart reader;
  ASSERT_TRUE(reader.GetDiskInfo(2, 1, 0, smart::INTERFACE_TYPE_NVME, 0, 0, 0, 0, 0, 0, "NVME", 0));
  const auto& asi = reader.vars[0];
  EXPECT_EQ(asi.CommandType, smart::CMD_TYPE_NVME_STORAGE_QUERY);
  EXPECT_EQ(asi.Model, "Samsung SSD 970 EVO Plus 1TB");
  EXPECT_EQ(asi.Temperature, 37);
  EXPECT_EQ(asi.Life, 100);
  EXPECT_EQ(asi.HostWrites, 976);       // 2000000 units x 512 >> 20
  EXPECT_EQ(asi.HostReads, 536870912);  // a 41-bit unit count: (2^40 << 9) >> 20
  EXPECT_EQ(asi.PowerOnCount, 77);
  EXPECT_EQ(asi.MeasuredPowerOnHours, 1234);
  EXPECT_EQ(asi.AttributeCount, 15u);
  EXPECT_EQ(asi.Attribute[11].Id, 12);
  EXPECT_EQ(asi.Attribute[11].RawValue[0], 1234 & 0xFF);
  EXPECT_EQ(asi.MajorVersionText, "NVM Express 1.3");
  EXPECT_EQ(asi.SmartKeyName, "SmartNVMe");
  EXPECT_EQ(Requests(), (std::vector<std::string>{"PhysicalDrive2 STORAGE_QUERY_PROPERTY identify",
                                                  "PhysicalDrive2 STORAGE_QUERY_PROPERTY log !",
                                                  "PhysicalDrive2 STORAGE_QUERY_PROPERTY log"}));
  // STORAGE_PROPERTY_QUERY 49, standard; NVMe, identify, controller, offset 40, 4096 bytes.
  EXPECT_EQ(emu::StorageTrace::Instance().All()[0].inHex.substr(0, 64),
            "31000000"
            "00000000"
            "03000000"
            "01000000"
            "01000000"
            "00000000"
            "28000000"
            "00100000");
}

TEST_F(DiskTransportTest, NvmeTemperatureZeroIsUnknownAndSamsungIsTheFallback) {
  Use(R"({"disks": [{"number": 0, "kind": "nvme", "paths": ["nvme_samsung"], "version": 0,
          "log": {"temperature_k": 0}}]})");
  CAtaSmart reader;
  ASSERT_TRUE(reader.GetDiskInfo(0, 0, 0, smart::INTERFACE_TYPE_NVME, 0, 0, 0, 0, 0, 0, "", 0));
  EXPECT_EQ(reader.vars[0].CommandType, smart::CMD_TYPE_NVME_SAMSUNG);
  EXPECT_EQ(reader.vars[0].Temperature, -1000);
  EXPECT_EQ(reader.vars[0].MajorVersionText, "NVM Express 1.0/1.1");
}

TEST_F(DiskTransportTest, IntelNvmeThroughTheMiniport) {
  Use(R"({"disks": [{"number": 0, "scsi_port": 3, "kind": "nvme", "paths": ["nvme_intel"],
          "model": "INTEL SSDPEKNW512G8"}]})");
  CAtaSmart reader;
  ASSERT_TRUE(reader.GetDiskInfo(0, 3, 0, smart::INTERFACE_TYPE_NVME, 0, 0, 0, 0, 0, 0, "", 0));
  EXPECT_EQ(reader.vars[0].CommandType, smart::CMD_TYPE_NVME_INTEL);
  EXPECT_EQ(reader.vars[0].Model, "INTEL SSDPEKNW512G8");
  const auto requests = Requests();
  EXPECT_NE(std::find(requests.begin(), requests.end(), "Scsi3: SCSI_MINIPORT identify"),
            requests.end());
}

TEST_F(DiskTransportTest, UsbBridgesFollowTheVendorRules) {
  // Logitec 0x00D9 is refused before any command (after the wake-up read of every USB disk).
  Use(R"({"disks": [{"number": 4, "paths": ["sat"]}]})");
  CAtaSmart reader;
  EXPECT_FALSE(reader.GetDiskInfo(4, 0, 0, smart::INTERFACE_TYPE_USB, smart::USB_VENDOR_LOGITEC,
                                  0x00D9, 0, 0, 0, 0, "", 0));
  EXPECT_EQ(Requests(), (std::vector<std::string>{"PhysicalDrive4 ReadFile sector 0"}));
  // With the bridge flags off (as in the plug-in) a SATA enclosure is not read.
  EXPECT_FALSE(
      reader.GetDiskInfo(4, 0, 0, smart::INTERFACE_TYPE_USB, 0x1234, 1, 0, 0, 0, 0, "", 0));
  // Turned on, the SAT layout reads it: CDB A1 08 0E 00 01 00 00 00 A0 EC.
  reader.FlagUsbSat = 1;
  ASSERT_TRUE(reader.GetDiskInfo(4, 0, 0, smart::INTERFACE_TYPE_USB, 0x1234, 1, 0, 0, 0, 0, "", 0));
  EXPECT_EQ(reader.vars[0].CommandType, smart::CMD_TYPE_SAT);
  const auto all = emu::StorageTrace::Instance().All();
  const auto sat =
      std::find_if(all.begin(), all.end(), [](const auto& r) { return r.command == "sat EC"; });
  ASSERT_NE(sat, all.end());
  EXPECT_EQ(sat->inHex.substr(0, 92),
            "3800"
            "00000000"
            "0c"
            "18"
            "01000000"
            "00020000"
            "02000000"
            "00000000"
            "5c00000000000000"
            "3c000000"
            "a1080e0001000000a0ec");
}

TEST_F(DiskTransportTest, UsbNvmeEnclosureTriesJMicronThenASMedia) {
  Use(R"({"disks": [{"number": 5, "kind": "nvme", "paths": ["nvme_asmedia"], "model": "WD_BLACK SN770 1TB"}]})");
  CAtaSmart reader;
  ASSERT_TRUE(
      reader.GetDiskInfo(5, 0, 0, smart::INTERFACE_TYPE_USB, 0x174C, 0x2362, 0, 0, 0, 0, "", 1));
  EXPECT_EQ(reader.vars[0].CommandType, smart::CMD_TYPE_NVME_ASMEDIA);
  EXPECT_EQ(reader.vars[0].InterfaceType, 3u);
  const auto requests = Requests();
  EXPECT_EQ(requests[1], "PhysicalDrive5 SCSI_PASS_THROUGH jmicron-nvme send !");
  EXPECT_EQ(requests[2], "PhysicalDrive5 SCSI_PASS_THROUGH asmedia identify");
}

TEST_F(DiskTransportTest, MalformedRequestsAreRefused) {
  Use(kSataSsd);
  std::uint8_t buffer[564] = {};
  buffer[0] = 40;  // wrong ATA_PASS_THROUGH_EX length
  std::uint32_t returned = 0;
  EXPECT_FALSE(smart::DeviceRequest(L"\\\\.\\PhysicalDrive0", platform::IOCTL_ATA_PASS_THROUGH,
                                    buffer, sizeof buffer, buffer, sizeof buffer, &returned));
  EXPECT_EQ(platform::GetLastError(), 87u);
  EXPECT_FALSE(smart::DeviceRequest(L"\\\\.\\PhysicalDrive9", platform::IOCTL_ATA_PASS_THROUGH,
                                    buffer, sizeof buffer, buffer, sizeof buffer, &returned));
}

}  // namespace

namespace {

TEST_F(DiskTransportTest, DebugLogIsWrittenOnlyAtARaisedLevel) {
  const std::string log = "C:\\Program Files\\Velmora\\Service\\VelmoraService.log";
  emu::VirtualDrive::Instance().WriteFile("C:\\Program Files\\Velmora\\Service\\placeholder", {});
  smart::SetDiskDebugLevel(0);
  smart::DebugPrint("quiet");
  EXPECT_FALSE(emu::VirtualDrive::Instance().Exists(log));
  smart::SetDiskDebugLevel(1);
  platform::Sleep(1234);
  smart::DebugPrint("GetDiskInfo\r\n - FALSE1");
  smart::SetDiskDebugLevel(0);
  std::ifstream in(emu::VirtualDrive::Instance().HostPath(log));
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_EQ(text.size(), 9u + 22u);
  EXPECT_EQ(text.substr(8), " GetDiskInfo\n - FALSE1\n");  // carriage returns removed
  EXPECT_GE(std::stoi(text.substr(0, 8)), 1234);           // milliseconds since the first line
}

}  // namespace
