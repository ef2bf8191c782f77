// Disk discovery: WMI, the physical drive probe, the service start and the change flag.
#include <gtest/gtest.h>

#include "DetectorFixture.h"
#include "emu/StorageTrace.h"
#include "platform/Clock.h"
#include "smart/CAtaSmart.h"

namespace {

using smart::CAtaSmart;

class EnumerationTest : public DetectorTest {
 protected:
  static std::vector<std::string> Ops(const char* kind, const char* field) {
    std::vector<std::string> out;
    for (const auto& line : Lines(kind))
      out.push_back(line[field].is_string() ? line[field].get<std::string>() : line[field].dump());
    return out;
  }
};

constexpr char kTwoDisks[] = R"({"disks": [
  {"number": 12, "model": "WDC WD10SPZX-08Z10", "firmware": "02.01A02",
   "wmi": {"DeviceID": "\\\\.\\PHYSICALDRIVE12"}, "attributes": [{"id": 9, "raw": 5}]},
  {"number": 3, "model": "ST1000LM048-2E7172", "firmware": "SDM1",
   "attributes": [{"id": 9, "raw": 6}]}],
  "volumes": {"C": {"disk": 3}, "D": {"disk": 3}, "E": {"disk": 12}}})";

TEST_F(EnumerationTest, FindsDisksOrdersThemAndMapsLetters) {
  Use(kTwoDisks);
  CAtaSmart reader;
  std::uint32_t changed = 7;
  reader.Init(0, 0, &changed);
  EXPECT_EQ(changed, 1u);
  ASSERT_EQ(reader.vars.size(), 2u);
  EXPECT_EQ(reader.vars[0].PhysicalDriveId, 3);
  EXPECT_EQ(reader.vars[1].PhysicalDriveId, 12);
  EXPECT_EQ(reader.vars[0].DriveMap, "C: D:");
  EXPECT_EQ(reader.vars[0].DriveLetterMap, 0b1100u);
  EXPECT_EQ(reader.vars[1].DriveMap, "E:");
  EXPECT_EQ(reader.vars[1].ModelWmi, "WDC WD10SPZX-08Z10");
  EXPECT_GT(reader.LastUpdate, 0u);

  // The same disks again: nothing changed. One disk gone: changed.
  reader.Init(0, 0, &changed);
  EXPECT_EQ(changed, 0u);
  const auto disks = nlohmann::json::parse(kTwoDisks)["disks"];
  emu::Laptop::Instance().Set("disks", nlohmann::json::array({disks[1]}));
  reader.Init(0, 0, &changed);
  EXPECT_EQ(changed, 1u);
  EXPECT_EQ(reader.vars.size(), 1u);
}

TEST_F(EnumerationTest, WmiSizeReplacesOnlyImplausibleIdentifySizes) {
  Use(R"({"disks": [
    {"number": 0, "model": "Small Disk 5G", "sectors": 9861329, "lba48": false, "chs": [9783, 16, 63],
     "wmi": {"Size": "8000000000"}, "attributes": [{"id": 9}]},
    {"number": 1, "model": "Tiny Disk 500M", "sectors": 976752, "lba48": false, "chs": [969, 16, 63],
     "wmi": {"Size": "8000000000"}, "attributes": [{"id": 9}]}]})");
  CAtaSmart reader;
  reader.Init(0, 0, nullptr);
  ASSERT_EQ(reader.vars.size(), 2u);
  EXPECT_EQ(reader.vars[0].DiskSizeWmi, 7951u);
  EXPECT_EQ(reader.vars[0].TotalDiskSize, 7951u);  // 5000 from IDENTIFY looked wrong
  EXPECT_EQ(reader.vars[1].TotalDiskSize, 500u);   // 500 is kept
}

TEST_F(EnumerationTest, UsbDecorationAndExclusions) {
  Use(R"({"controllers": {"usb": [{"Name": "xHCI", "DeviceID": "PCI\\X",
            "devices": [{"Name": "hub", "DeviceID": "USB\\VID_0BDA&PID_9210\\1"},
                        {"Name": "Velmora NVMe Portable SSD USB Device", "DeviceID": "USBSTOR\\DISK\\1&0"}]}]},
          "disks": [
    {"number": 1, "kind": "nvme", "paths": ["nvme_jmicron"], "model": "Velmora NVMe Portable SSD",
     "bus_type": 7, "wmi": {"Model": "Velmora NVMe Portable SSD USB Device", "InterfaceType": "USB"}},
    {"number": 2, "model": "SAMSUNG HD204UI", "firmware": "1AQ10001", "attributes": [{"id": 9}]},
    {"number": 4, "model": "SAMSUNG HD204UI", "firmware": "1AQ10003", "serial": "S2", "attributes": [{"id": 9}]},
    {"number": 5, "model": "Velmora FuzeDrive", "attributes": [{"id": 9}]},
    {"number": 6, "model": "Stick", "removable": true, "wmi": {"MediaType": "Removable Media"}}]})");
  CAtaSmart reader;
  reader.Init(0, 0, nullptr);
  ASSERT_EQ(reader.vars.size(), 2u);
  EXPECT_EQ(reader.vars[0].Interface, "USB (NVM Express)");
  EXPECT_EQ(reader.vars[0].InterfaceType, 3u);
  EXPECT_EQ(reader.vars[0].Enclosure, "Velmora NVMe Portable SSD USB Device");
  EXPECT_EQ(reader.vars[0].UsbVendorId, 0x0BDAu);
  EXPECT_EQ(reader.vars[0].UsbProductId, 0x9210u);
  EXPECT_EQ(reader.vars[1].PhysicalDriveId, 4);  // the fixed firmware is read
  for (const auto& r : emu::StorageTrace::Instance().All()) {
    if (r.device == "PhysicalDrive2" || r.device == "PhysicalDrive5") {
      EXPECT_TRUE(r.request == "DISK_GET_DRIVE_GEOMETRY" || r.request == "ReadFile" ||
                  r.request == "STORAGE_QUERY_PROPERTY")
          << r.device << " " << r.request << " " << r.command;
    }
  }
}

TEST_F(EnumerationTest, StoppedWmiServiceIsStartedInVirtualTime) {
  Use(R"({"services": {"Winmgmt": {"state": "stopped", "start_delay_ms": 250}},
          "disks": [{"number": 0, "attributes": [{"id": 9}]}]})");
  CAtaSmart reader;
  reader.Init(0, 0, nullptr);
  EXPECT_EQ(reader.vars.size(), 1u);
  EXPECT_EQ(Ops("service", "op"), (std::vector<std::string>{"start"}));
  EXPECT_EQ(Lines("service")[0]["t_ms"], 0);
  EXPECT_EQ(platform::SteadyNowNs() / 1000000, 300);  // polled after 0, 100 and 200 ms
  EXPECT_TRUE(Lines("process").empty());
}

// A service that starts only once set to start automatically gets the sc fallback. A program
// called sc.exe in the host's folder would come first in the search order of a bare name; the
// fallback names the system's sc by its full path, so Windows's own runs either way.
TEST_F(EnumerationTest, ServiceThatNeedsAutoStartGetsTheSystemsScFallback) {
  for (const char* besideHost :
       {R"({})", R"({"C:\\Program Files\\Velmora\\Service\\sc.exe": "MZ"})"}) {
    Use(std::string(R"({"services": {"Winmgmt": {"state": "stopped", "start": "after_sc"}},
                        "disks": [{"number": 0, "attributes": [{"id": 9}]}], "files": )") +
        besideHost + "}");
    emu::Transcript::Instance().Clear();
    CAtaSmart reader;
    reader.Init(0, 0, nullptr);
    EXPECT_EQ(Ops("process", "path"), (std::vector<std::string>{"C:\\Windows\\System32\\sc.exe"}))
        << besideHost;
    EXPECT_EQ(Ops("process", "command_line"),
              (std::vector<std::string>{"sc config Winmgmt start= auto"}));
    EXPECT_EQ(Ops("service", "result"), (std::vector<std::string>{"false", "true"}));
    EXPECT_EQ(reader.vars.size(), 1u);
  }
}

TEST_F(EnumerationTest, WithoutWmiTheProbeStillFindsDisks) {
  Use(R"({"services": {"Winmgmt": {"state": "stopped", "start": "fail"}},
          "disks": [{"number": 2, "model": "DW CDW01PSXZ", "attributes": [{"id": 9}]}]})");
  CAtaSmart reader;
  reader.Init(0, 0, nullptr);
  EXPECT_EQ(Lines("service").size(), 12u);  // one start, then eleven after "sc"
  ASSERT_EQ(reader.vars.size(), 1u);
  EXPECT_EQ(reader.vars[0].PhysicalDriveId, 2);
  EXPECT_EQ(reader.vars[0].Model, "WDC WD10SPZX");  // "Check Reverse" swapped the byte pairs
}

TEST_F(EnumerationTest, WmiFailurePredictDataIsReadByPnpId) {
  Use(R"({"disks": [{"number": 0, "failure_predict": true, "attributes": [{"id": 9, "raw": 77, "threshold": 3}]}]})");
  smart::ATA_SMART_INFO asi;
  asi.PnpDeviceId = "SCSI\\DISK&VEN_&PROD_0";
  CAtaSmart reader;
  ASSERT_TRUE(reader.GetSmartInfoWmi(0, asi));
  EXPECT_EQ(asi.AttributeCount, 1u);
  EXPECT_EQ(asi.PowerOnRawValue, 77);
  ASSERT_TRUE(reader.GetSmartInfoWmi(1, asi));
  EXPECT_EQ(asi.Threshold[0].ThresholdValue, 3);
  asi.PnpDeviceId = "OTHER";
  EXPECT_FALSE(reader.GetSmartInfoWmi(0, asi));
}

}  // namespace

namespace {

TEST_F(EnumerationTest, NvmeLinkComesFromTheControllerProperties) {
  Use(R"({"disks": [{"number": 0, "kind": "nvme", "controller_id": "PCI\\VEN_144D&DEV_A80A\\4&1",
          "wmi": {"PNPDeviceID": "SCSI\\DISK&VEN_NVME&PROD_X\\5&1"},
          "pcie": {"current_speed": 3, "current_width": 2, "max_speed": 4, "max_width": 4}},
         {"number": 1, "kind": "nvme"}]})");
  CAtaSmart reader;
  reader.Init(0, 0, nullptr);
  ASSERT_EQ(reader.vars.size(), 2u);
  EXPECT_EQ(reader.vars[0].CurrentTransferMode, "PCIe 3.0 x2");
  EXPECT_EQ(reader.vars[0].MaxTransferMode, "PCIe 4.0 x4");
  EXPECT_EQ(reader.vars[1].CurrentTransferMode, "----");  // no controller known
}

}  // namespace
