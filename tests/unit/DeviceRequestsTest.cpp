// What the device control requests act on: the devices of a type, their state changes and
// resets, and the hot-key service recovery by product.
#include <gtest/gtest.h>

#include "DetectorFixture.h"
#include "ipc/DeviceInstances.h"
#include "repair/OsdRecovery.h"

namespace {

// A device of each class the types name, some of which the filters drop.
constexpr char kDevices[] = R"({"devices": [
    {"class": "{4D36E972-E325-11CE-BFC1-08002BE10318}", "hardware_ids": ["USB\\VID_0BDA&PID_8153"]},
    {"class": "{4D36E972-E325-11CE-BFC1-08002BE10318}", "hardware_ids": ["pci\\VEN_10EC&DEV_8168"]},
    {"class": "{E0CBF06C-CD8B-4647-BB8A-263B43F0F974}", "hardware_ids": ["BTHENUM\\{0000110b}"]},
    {"class": "{53D29EF7-377C-4D14-864B-EB3A85769359}", "hardware_ids": ["USB\\VID_06CB&PID_00BD"]},
    {"class": "{53D29EF7-377C-4D14-864B-EB3A85769359}", "hardware_ids": ["X"], "read_error": 13},
    {"class": "{4D36E96C-E325-11CE-BFC1-08002BE10318}",
     "hardware_ids": ["HDAUDIO\\FUNC_01&VEN_10EC&DEV_0287", "HDAUDIO\\FUNC_01&VEN_10EC"]},
    {"class": "{4D36E96C-E325-11CE-BFC1-08002BE10318}", "hardware_ids": ["HDAUDIO\\FUNC_01&VEN_8086&DEV_2818"]},
    {"class": "{4D36E968-E325-11CE-BFC1-08002BE10318}", "hardware_ids": ["PCI\\VEN_8086&DEV_46A6"]},
    {"class": "{4D36E968-E325-11CE-BFC1-08002BE10318}", "hardware_ids": ["PCI\\VEN_10DE&DEV_25A2"],
     "present": false}]})";

class DeviceRequestsTest : public DetectorTest {};

TEST_F(DeviceRequestsTest, EachTypeKeepsTheDevicesItsFilterPasses) {
  Use(kDevices);
  using Ids = std::vector<std::wstring>;
  // The laptop's own card and adapter are in the tree too.
  EXPECT_EQ(devices::HardwareIdsOfType(0), Ids{L"PCI\\VEN_8086&DEV_2725&SUBSYS_00248086"});
  EXPECT_EQ(devices::HardwareIdsOfType(1), Ids{L"USB\\VID_8087&PID_0032"});
  EXPECT_EQ(devices::HardwareIdsOfType(3), (Ids{L"USB\\VID_06CB&PID_00BD", L""}));
  EXPECT_EQ(devices::HardwareIdsOfType(5), Ids{L"HDAUDIO\\FUNC_01&VEN_10EC&DEV_0287"});
  EXPECT_EQ(devices::HardwareIdsOfType(7), Ids{L"PCI\\VEN_8086&DEV_46A6"});
  EXPECT_TRUE(devices::HardwareIdsOfType(2).empty());
  EXPECT_TRUE(devices::HardwareIdsOfType(-1).empty());
  emu::Laptop::Instance().Set("setup_api.class_devs_error", 5);
  EXPECT_TRUE(devices::HardwareIdsOfType(7).empty());
}

TEST_F(DeviceRequestsTest, StateChangesCoverEveryDeviceAndReportTheFailures) {
  Use(kDevices);
  EXPECT_TRUE(devices::SetDevicesState(7, false));
  EXPECT_TRUE(devices::SetDevicesState(2, false));  // no devices: nothing failed
  EXPECT_EQ(emu::Laptop::Instance().Get("disabled_devices"),
            nlohmann::json::array({"PCI\\VEN_8086&DEV_46A6"}));
  EXPECT_TRUE(devices::SetDevicesState(7, true));
  EXPECT_EQ(emu::Laptop::Instance().Get("disabled_devices"), nlohmann::json::array());
  // The unreadable device of type 3 has an empty id, which no device answers to.
  EXPECT_FALSE(devices::SetDevicesState(3, true));
  EXPECT_EQ(DeviceOps(), (std::vector<std::string>{"disable", "enable", "enable"}));
}

TEST_F(DeviceRequestsTest, OnlyDriversWithARealFaultAreReset) {
  Use(std::string(kDevices).substr(0, std::string(kDevices).size() - 1) +
      R"(, "drivers": {"error_codes": {"PCI\\VEN_8086&DEV_46A6": 43}}})");
  devices::ResetFaultyDevices(7);
  emu::Laptop::Instance().Set("drivers.error_codes", {{"HDAUDIO\\FUNC_01&VEN_10EC&DEV_0287", 22}});
  devices::ResetFaultyDevices(5);
  devices::ResetFaultyDevices(0);
  const auto resets = Lines("device");
  ASSERT_EQ(resets.size(), 1u);
  EXPECT_EQ(resets[0]["hardware_id"], "PCI\\VEN_8086&DEV_46A6");
  EXPECT_EQ(resets[0]["type"], 7);
}

std::vector<std::string> ServiceActions() {
  std::vector<std::string> out;
  for (const auto& line : emu::Transcript::Instance().Lines("service"))
    out.push_back(line["op"].get<std::string>() + " " + line["name"].get<std::string>() +
                  (line["result"] ? " ok" : " failed"));
  for (const auto& line : emu::Transcript::Instance().Lines("process"))
    out.push_back("kill " + line["name"].get<std::string>() + " " +
                  std::to_string(line["count"].get<int>()));
  return out;
}

TEST_F(DeviceRequestsTest, TheOlderProductsRestartTheHotKeyService) {
  Use(R"({"product": {"index": 2}, "processes": ["DOsd.exe", "DHotKey.exe"],
          "services": {"PGFNEXSrv": {"state": "running"}, "OSDMainService": {"state": "stopped"}}})");
  EXPECT_TRUE(RecoverOsdService());
  EXPECT_EQ(emu::Scheduler::Instance().NowNs(), 2'000'000'000);  // two 1 s pauses
  EXPECT_EQ(ServiceActions(), (std::vector<std::string>{"stop PGFNEXSrv ok", "start PGFNEXSrv ok",
                                                        "kill DOsd.exe 1", "kill DHotKey.exe 1"}));
  // A service that cannot be started ends the recovery at once.
  Use(R"({"product": {"index": 0}, "services": {"PGFNEXSrv": {"state": "stopped", "start": "fail"}}})");
  EXPECT_FALSE(RecoverOsdService());
}

TEST_F(DeviceRequestsTest, TheNewerProductsKeepTheOsdServiceStartingAutomatically) {
  constexpr char kKey[] = "HKLM\\SYSTEM\\ControlSet001\\services\\OSDMainService";
  // Running, with its listener: true, and the start type becomes automatic.
  Use(R"({"product": {"index": 5}, "processes": ["OSDListener.exe"],
          "services": {"OSDMainService": {"state": "running"}},
          "registry": {"HKLM\\SYSTEM\\ControlSet001\\services\\OSDMainService": {"Start": 3}}})");
  EXPECT_TRUE(RecoverOsdService());
  EXPECT_EQ(Registry()[kKey]["Start"], 2);
  EXPECT_EQ(emu::Scheduler::Instance().NowNs(), 0);
  // Stopped and not startable: false, and the start type is still fixed.
  Use(R"({"product": {"index": 9}, "services": {"OSDMainService": {"state": "stopped", "start": "fail"}},
          "registry": {"HKLM\\SYSTEM\\ControlSet001\\services\\OSDMainService": {"Start": 4}}})");
  EXPECT_FALSE(RecoverOsdService());
  EXPECT_EQ(Registry()[kKey]["Start"], 2);
  // Started, but no listener to kill: false after the 2 s pause.
  Use(R"({"product": {"index": 1}, "services": {"OSDMainService": {"state": "stopped"}}})");
  const auto before = emu::Scheduler::Instance().NowNs();
  EXPECT_FALSE(RecoverOsdService());
  EXPECT_EQ(emu::Scheduler::Instance().NowNs() - before, 2'000'000'000);
}

TEST_F(DeviceRequestsTest, OtherProductsHaveNothingToRecover) {
  for (int index : {10, 12, -1}) {
    Use(R"({"product": {"index": )" + std::to_string(index) +
        R"(}, "services": {"OSDMainService": {"state": "stopped"}, "PGFNEXSrv": {"state": "stopped"}}})");
    EXPECT_FALSE(RecoverOsdService()) << index;
  }
  EXPECT_TRUE(Lines("service").empty());
  EXPECT_TRUE(Lines("process").empty());
}

}  // namespace
