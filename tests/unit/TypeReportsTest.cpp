// The USB-port and monitor device type reports: gates, limits and content.
#include <gtest/gtest.h>

#include "DetectorFixture.h"
#include "DeviceMonitor/DeviceDriverErrorDetectEx.h"

namespace {

class TypeReportsTest : public DetectorTest {};

constexpr char kSupported[] = R"("product": {"supported_plugins": ["orba_plugin_hardware_report"]},
    "config": {"monitor": {"ReportMonitorDeviceType": "1"}, "usb": {"ReportUsbDeviceType": "1"}})";

TEST_F(TypeReportsTest, MonitorsAreReportedFromTwoOnAndAtMostAHundredTimes) {
  Use(std::string("{") + kSupported + "}");  // the built-in panel alone
  DeviceDriverErrorDetectEx::ReportMonitorDeviceType();
  EXPECT_TRUE(Reports().empty());

  Use(std::string("{") + kSupported + R"(, "monitors": {"addresses": [4357, "0x2105"]}})");
  for (int i = 0; i < 101; ++i)
    DeviceDriverErrorDetectEx::ReportMonitorDeviceType();
  const auto reports = Reports();
  ASSERT_EQ(reports.size(), 100u);  // the single-panel call above did not count
  EXPECT_EQ(reports[0].first, "627002001");
  EXPECT_EQ(
      reports[0].second,
      R"({"Numbers":"2","Address0":"4357","Address1":"8453","DriverVersion":"10.0.22621.1"})");
  const auto logs = Lines("log");
  ASSERT_EQ(logs.size(), 1u);
  EXPECT_EQ(logs[0]["text"], "happen too many times");
  EXPECT_EQ(logs[0]["function"], "DeviceDriverErrorDetectEx::ReportMonitorDeviceType");
}

TEST_F(TypeReportsTest, EachHubIsOneEventAndOneCallCountsOnce) {
  Use(std::string("{") + kSupported + R"(, "usb_hubs": {
      "HUB_B": [["p1", "Port1", "Camera"]],
      "HUB_A": [["p1", "Port1", "HID"], ["p2", "Port2", "Storage"]]}})");
  for (int i = 0; i < 101; ++i)
    DeviceDriverErrorDetectEx::ReportUsbDeviceType();
  const auto reports = Reports();
  ASSERT_EQ(reports.size(), 200u);  // 100 calls, two hubs each, in hub-id order
  EXPECT_EQ(
      reports[0].second,
      R"({"hubId":"HUB_A","Port1":"HID","Port2":"Storage","DriverVersion":"10.0.22621.2506"})");
  EXPECT_EQ(reports[1].second,
            R"({"hubId":"HUB_B","Port1":"Camera","DriverVersion":"10.0.22621.2506"})");
  EXPECT_EQ(Lines("log").size(), 1u);
}

TEST_F(TypeReportsTest, WithoutTheHardwareReportNothingIsLoggedOrCounted) {
  Use(R"({"config": {"monitor": {"ReportMonitorDeviceType": "1"}, "usb": {"ReportUsbDeviceType": "1"}},
          "monitors": {"addresses": [1, 2]}, "usb_hubs": {"HUB": [["p", "k", "v"]]}})");
  for (int i = 0; i < 150; ++i) {
    DeviceDriverErrorDetectEx::ReportMonitorDeviceType();
    DeviceDriverErrorDetectEx::ReportUsbDeviceType();
  }
  EXPECT_TRUE(Reports().empty());
  EXPECT_TRUE(Lines("log").empty());
  EXPECT_EQ(detector::TypeReports().monitorReports, 0u);
  EXPECT_EQ(detector::TypeReports().usbReports, 0u);
}

TEST_F(TypeReportsTest, SwitchedOffReportsNothing) {
  Use(R"({"product": {"supported_plugins": ["orba_plugin_hardware_report"]},
          "monitors": {"addresses": [1, 2]}, "usb_hubs": {"HUB": [["p", "k", "v"]]}})");
  DeviceDriverErrorDetectEx::ReportMonitorDeviceType();
  DeviceDriverErrorDetectEx::ReportUsbDeviceType();
  EXPECT_TRUE(Reports().empty());
  EXPECT_TRUE(Lines("log").empty());
}

}  // namespace
