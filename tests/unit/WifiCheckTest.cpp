// The Wi-Fi card check and its repair chain, on the virtual laptop.
#include <gtest/gtest.h>

#include "DetectorFixture.h"
#include "DeviceMonitor/DeviceDriverErrorDetectEx.h"
#include "DeviceMonitor/SystemEnvironment.h"

namespace {

using D = DeviceDriverErrorDetectEx;
using Ids = std::vector<std::string>;

class WifiCheckTest : public DetectorTest {};

TEST_F(WifiCheckTest, HealthyCardReportsNothingAndClearsAStaleFlag) {
  D::CheckWifiCard(true);
  EXPECT_TRUE(Reports().empty());

  Use(R"({"registry": {"HKLM\\SOFTWARE\\Velmora\\RepairFailFlag": {"Numbers": 2}}})");
  D::CheckWifiCard(false);
  ASSERT_EQ(Reports().size(), 1u);
  EXPECT_EQ(Reports()[0].first, "608001016");
  EXPECT_EQ(
      Reports()[0].second,
      R"({"firstStart":"0","clearFlag":"1","WifiDriverVersion":"W1","DriverVersion":"22.200.0.6"})");
  EXPECT_FALSE(Registry().contains(kFlagKey));

  // A deletion that fails is reported as such and the key stays.
  Use(R"({"wifi": {"problem_code": "0xFFFFFFFF"}, "registry_errors": {"delete_key": 5},
          "registry": {"HKLM\\SOFTWARE\\Velmora\\RepairFailFlag": {}}})");
  D::CheckWifiCard(true);
  EXPECT_NE(Reports().back().second.find(R"("clearFlag":"0")"), std::string::npos);
  EXPECT_TRUE(Registry().contains(kFlagKey));
}

TEST_F(WifiCheckTest, MissingCardAndOtherCodesAreReportedNotRepaired) {
  Use(R"({"wifi": {"hardware_id": ""}})");
  D::CheckWifiCard(true);
  Use(R"({"wifi": {"problem_code": 31}})");
  D::CheckWifiCard(false);
  ASSERT_EQ(ReportIds(), (Ids{"608001010", "608001011"}));
  EXPECT_EQ(Reports()[0].second,
            R"({"firstStart":"1","WifiDriverVersion":"W1","DriverVersion":"22.200.0.6"})");
  EXPECT_EQ(
      Reports()[1].second,
      R"({"firstStart":"0","WifiDriverVersion":"W1","WifiErrCode":"31","DriverVersion":"22.200.0.6"})");
  EXPECT_TRUE(DeviceOps().empty());
}

TEST_F(WifiCheckTest, StartupAllowsFiveFailedAttempts) {
  // Five failures: the disable/enable still runs, the rest of the chain does not.
  Use(R"({"wifi": {"problem_code": 10}, "product": {"features": {"wifi_gpio": true}},
          "registry": {"HKLM\\SOFTWARE\\Velmora\\RepairFailFlag": {"Numbers": 5}}})");
  D::CheckWifiCard(true);
  EXPECT_EQ(ReportIds(), (Ids{"608001011", "608001013"}));
  EXPECT_EQ(DeviceOps(), (Ids{"disable", "enable"}));

  // Four failures: the chain goes on to the GPIO repair.
  Use(R"({"wifi": {"problem_code": 10}, "product": {"features": {"wifi_gpio": true}},
          "registry": {"HKLM\\SOFTWARE\\Velmora\\RepairFailFlag": {"Numbers": 4}}})");
  D::CheckWifiCard(true);
  EXPECT_EQ(ReportIds(), (Ids{"608001011", "608001013", "608001011", "608001013", "608001014"}));
  EXPECT_EQ(Registry()[kFlagKey]["Numbers"], 5);  // the GPIO attempt failed: counted
}

TEST_F(WifiCheckTest, StartupReenableThatCuresClearsTheFlag) {
  Use(R"({"wifi": {"problem_code": 10},
          "effects": {"enable:PCI\\VEN_8086&DEV_2725&SUBSYS_00248086": {"wifi.problem_code": 0}},
          "registry": {"HKLM\\SOFTWARE\\Velmora\\RepairFailFlag": {"Numbers": 3}}})");
  D::CheckWifiCard(true);
  ASSERT_EQ(ReportIds(), (Ids{"608001011", "608001013", "608001016"}));
  EXPECT_EQ(Reports()[1].second,
            R"({"errorCode":"0","WifiDriverVersion":"W1","DriverVersion":"22.200.0.6"})");
  EXPECT_NE(Reports()[2].second.find(R"("firstStart":"1","clearFlag":"1")"), std::string::npos);
  EXPECT_FALSE(Registry().contains(kFlagKey));
  EXPECT_EQ(Lines("device")[1]["t_ms"], 1000);  // enabled a second after the disable
}

TEST_F(WifiCheckTest, OutsideStartupTheKeyAloneStopsTheChain) {
  Use(R"({"wifi": {"problem_code": 10}, "product": {"features": {"wifi_gpio": true}},
          "registry": {"HKLM\\SOFTWARE\\Velmora\\RepairFailFlag": {"Numbers": 0}}})");
  D::CheckWifiCard(false);
  EXPECT_EQ(ReportIds(), (Ids{"608001011"}));
  EXPECT_TRUE(DeviceOps().empty());
}

TEST_F(WifiCheckTest, ExternalBluetoothDeviceBlocksTheGpioRepair) {
  Use(R"({"wifi": {"problem_code": 10}, "bluetooth": {"external_devices": ["USB\\VID_0A12&PID_0001"]},
          "product": {"features": {"wifi_gpio": true, "wifi_bios_repair": true}}})");
  D::CheckWifiCard(false);
  EXPECT_EQ(ReportIds(), (Ids{"608001011", "608001015"}));
  EXPECT_EQ(Lines("firmware_variable").size(), 1u);
  EXPECT_EQ(Lines("firmware_variable")[0]["data_hex"], "11");
  EXPECT_EQ(Registry()[kFlagKey]["Numbers"], 1);

  // Neither GPIO nor firmware repair possible: no flag at all.
  Use(R"({"wifi": {"problem_code": 10}, "bluetooth": {"external_devices": ["USB\\VID_0A12&PID_0001"]},
          "product": {"features": {"wifi_gpio": true}}})");
  D::CheckWifiCard(false);
  EXPECT_FALSE(Registry().contains(kFlagKey));
}

TEST_F(WifiCheckTest, FailedFirmwareWriteIsLoggedAndNotCounted) {
  Use(R"({"wifi": {"problem_code": 10}, "firmware": {"write_error": 5},
          "product": {"features": {"wifi_bios_repair": true}}})");
  D::CheckWifiCard(false);
  EXPECT_EQ(ReportIds(), (Ids{"608001011", "608001015"}));
  EXPECT_NE(Reports()[1].second.find(R"("result":"0")"), std::string::npos);
  const auto logs = Lines("log");
  ASSERT_EQ(logs.size(), 1u);
  EXPECT_EQ(logs[0]["text"], "err = 5");
  EXPECT_EQ(logs[0]["function"], "DeviceDriverErrorDetectEx::SetFlagToBios");
  EXPECT_FALSE(Registry().contains(kFlagKey));
}

TEST_F(WifiCheckTest, PrivilegeStepsLogTheirErrors) {
  struct Case {
    const char* facts;
    const char* text;
  };
  const Case cases[] = {
      {R"({"privileges": {"open_token_error": 5}})", "OpenProcessToken err=5"},
      {R"({"privileges": {"lookup_error": 1313}})", "LookupPrivilegeValue err=1313"},
      {R"({"privileges": {"adjust_error": 1300}})", "AdjustTokenPrivileges err=1300"}};
  for (const auto& c : cases) {
    Use(c.facts);
    emu::Transcript::Instance().Clear();
    EXPECT_FALSE(D::EnablePrivilege());
    const auto logs = Lines("log");
    ASSERT_EQ(logs.size(), 1u) << c.facts;
    EXPECT_EQ(logs[0]["text"], c.text);
    EXPECT_EQ(logs[0]["function"], "DeviceDriverErrorDetectEx::EnablePrivilege");
  }
  Use("{}");
  EXPECT_TRUE(D::EnablePrivilege());
}

TEST_F(WifiCheckTest, UnreadableOrFullCounterRestartsAtOne) {
  Use(R"({"registry": {"HKLM\\SOFTWARE\\Velmora\\RepairFailFlag": {"Numbers": "x"}}})");
  D::SetRepairFailFlag();
  EXPECT_EQ(Registry()[kFlagKey]["Numbers"], 1);
  Use(R"({"registry": {"HKLM\\SOFTWARE\\Velmora\\RepairFailFlag": {"Numbers": 4294967295}}})");
  D::SetRepairFailFlag();
  EXPECT_EQ(Registry()[kFlagKey]["Numbers"], 1);
  Use(R"({"registry_errors": {"create_key": 5}})");
  D::SetRepairFailFlag();
  EXPECT_EQ(Lines("log").back()["text"], "set flag fail");
  EXPECT_FALSE(Registry().contains(kFlagKey));
}

TEST_F(WifiCheckTest, BurstOfTriggersRunsOneDelayedCheck) {
  Use(R"({"wifi": {"problem_code": 31}})");
  D::StartWifiCheck();
  D::StartWifiCheck();
  D::StartWifiCheck();
  Settle(20000);
  ASSERT_EQ(ReportIds(), (Ids{"608001011"}));
  EXPECT_EQ(Lines("report")[0]["t_ms"], 10000);
  D::StartWifiCheck();  // the first one has ended: a new one may start
  Settle(20000);
  EXPECT_EQ(ReportIds(), (Ids{"608001011", "608001011"}));
}

TEST_F(WifiCheckTest, ChangeDeviceStateWalksTheWholeTree) {
  // A long id list needs a bigger buffer; an unreadable device (13) is skipped.
  Use(R"({"devices": [
      {"class": "{4D36E96C-E325-11CE-BFC1-08002BE10318}", "read_error": 13},
      {"class": "{53D29EF7-377C-4D14-864B-EB3A85769359}",
       "hardware_ids": ["ACPI\\VEN_LONGNAME_0000000000000000000000000000000000000000", "ACPI\\FP01"]}]})");
  EXPECT_TRUE(D::ChangeDeviceState(false, L"ACPI\\FP01"));
  const auto ops = Lines("device");
  ASSERT_EQ(ops.size(), 1u);
  EXPECT_EQ(ops[0]["hardware_id"], "ACPI\\VEN_LONGNAME_0000000000000000000000000000000000000000");
  // SP_PROPCHANGE_PARAMS: cbSize 8, DIF_PROPERTYCHANGE 0x12, DICS_DISABLE 2, global scope 1.
  EXPECT_EQ(ops[0]["params_hex"], "0800000012000000020000000100000000000000");
  EXPECT_FALSE(D::ChangeDeviceState(true, L"acpi\\fp01"));  // ids compare case-sensitively

  // Any other read error ends the walk before the device behind it is reached.
  Use(R"({"devices": [{"class": "{4D36E96C-E325-11CE-BFC1-08002BE10318}", "read_error": 5},
                      {"class": "{4D36E96C-E325-11CE-BFC1-08002BE10318}", "hardware_ids": ["ACPI\\FP01"]}]})");
  EXPECT_FALSE(D::ChangeDeviceState(true, L"ACPI\\FP01"));
  EXPECT_EQ(Lines("device").size(), 1u);
}

TEST_F(WifiCheckTest, CapabilityStatusGoesToTheDebugger) {
  Use(R"({"product": {"features": {"wifi_gpio": true}, "feature_status": {"wifi_gpio": 3}}})");
  EXPECT_TRUE(SystemEnvironment::IsSupportWifiGpio());
  EXPECT_FALSE(SystemEnvironment::IsSupportBtGpio());
  const auto debug = Lines("debug");
  ASSERT_EQ(debug.size(), 1u);
  EXPECT_EQ(debug[0]["text"],
            "result=3 IsSupportWifiGpio=1(SystemEnvironment::IsSupportWifiGpio)\n");
  EXPECT_TRUE(Lines("log").empty());
}

}  // namespace
