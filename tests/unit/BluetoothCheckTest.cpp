// The Bluetooth check, its re-power repairs and the BTHUSB event handler.
#include <gtest/gtest.h>

#include <rapidxml/rapidxml.hpp>

#include "DetectorFixture.h"
#include "DeviceMonitor/DeviceDriverErrorDetectEx.h"
#include "emu/EventLogService.h"
#include "ipc/MsgEvent.h"
#include "platform/Clock.h"

namespace {

using D = DeviceDriverErrorDetectEx;
using Ids = std::vector<std::string>;

class BluetoothCheckTest : public DetectorTest {
 protected:
  // Runs the check as its thread would, under the running flag.
  static void Check() {
    detector::Bluetooth().checkRunning = true;
    D::CheckBluetooth();
    EXPECT_FALSE(detector::Bluetooth().checkRunning);
  }

  static void Event(const std::string& xml) {
    std::vector<char> text(xml.begin(), xml.end());
    text.push_back('\0');
    rapidxml::xml_document<> doc;
    doc.parse<0>(text.data());
    D::OnBthUsbEvent(doc.first_node("Event"));
  }
};

constexpr char kRecord7[] =
    "<Event xmlns='http://schemas.microsoft.com/win/2004/08/events/event'><System>"
    "<Provider Name='BTHUSB'/><EventID>7</EventID></System></Event>";

TEST_F(BluetoothCheckTest, NamedAdapterReportsOnlyARealErrorState) {
  Check();
  Use(R"({"bluetooth": {"error_state": 4294967295}})");
  Check();
  EXPECT_TRUE(Reports().empty());
  Use(R"({"bluetooth": {"error_state": 10}})");
  Check();
  ASSERT_EQ(ReportIds(), (Ids{"609001035"}));
  EXPECT_EQ(Reports()[0].second,
            R"({"BtDriverVersion":"B1","BtErrCode":"10","DriverVersion":"22.200.0.4"})");
  EXPECT_TRUE(DeviceOps().empty());
}

TEST_F(BluetoothCheckTest, MissingAdapterIsRepoweredOnProductEightOnly) {
  Use(R"({"product": {"index": 8}, "bluetooth": {"name": "", "hardware_id": ""},
          "effects": {"rescan": {"bluetooth.hardware_id": "USB\\VID_8087&PID_0032"}}})");
  Check();
  ASSERT_EQ(ReportIds(), (Ids{"609001036", "609001033"}));  // the repair reports first
  EXPECT_EQ(Reports()[0].second,
            R"({"BtDriverVersion":"B1","BtReHard":"Success","DriverVersion":"22.200.0.4"})");
  EXPECT_EQ(DeviceOps(), (Ids{"repower", "rescan"}));

  Use(R"({"product": {"index": 3}, "bluetooth": {"name": "", "hardware_id": ""}})");
  detector::Bluetooth().lastCheckMs = 0;
  Check();
  EXPECT_EQ(ReportIds(), (Ids{"609001036", "609001033", "609001033"}));

  Use(R"({"product": {"index": 8}, "bluetooth": {"name": "", "in_unknown_class": 1}})");
  detector::Bluetooth().lastCheckMs = 0;
  Check();
  EXPECT_EQ(ReportIds().back(), "609001033");
  EXPECT_EQ(DeviceOps().size(), 2u);  // no repair for a driver that is not installed
}

// What a user sees of the re-power: the adapter is looked for 3 s after the module was
// re-powered (the rescan) and the repair's report 2 s after that.
TEST_F(BluetoothCheckTest, TheRepowerWaitsForTheModuleThenForItsDevices) {
  Use(R"({"product": {"index": 8}, "bluetooth": {"name": "", "hardware_id": ""},
          "effects": {"rescan": {"bluetooth.hardware_id": "USB\\VID_8087&PID_0032"}}})");
  Check();
  const auto devices = Lines("device");
  const auto reports = Lines("report");
  ASSERT_EQ(devices.size(), 2u);
  ASSERT_FALSE(reports.empty());
  const auto at = [](const emu::Line& line) { return line["t_ms"].get<std::int64_t>(); };
  EXPECT_EQ(at(devices[1]) - at(devices[0]), 3000);
  EXPECT_EQ(at(reports[0]) - at(devices[1]), 2000);
}

TEST_F(BluetoothCheckTest, UsbDriverRepairAsksForARecheck) {
  Use(R"({"product": {"index": 2}, "bluetooth": {"name": "", "hardware_id": "", "in_usb_class": 1,
          "usb_class_code": 43, "usb_repair_result": 0}})");
  Check();
  ASSERT_EQ(ReportIds(), (Ids{"609001036", "609001034"}));
  EXPECT_EQ(
      Reports()[0].second,
      R"({"BtDriverVersion":"B1","BtReHardInit":"Fail","RepairBtInUsb":"0","DriverVersion":"22.200.0.4"})");
  EXPECT_FALSE(dispatcher::GetState().btRecheckPending);

  Use(R"({"bluetooth": {"name": "", "hardware_id": "", "in_usb_class": 1, "usb_repair_result": 7}})");
  detector::Bluetooth().lastCheckMs = 0;
  Check();
  EXPECT_TRUE(dispatcher::GetState().btRecheckPending);
}

TEST_F(BluetoothCheckTest, ACheckThatWaitedBehindAReportGivesUp) {
  Use(R"({"bluetooth": {"error_state": 10}})");
  detector::Bluetooth().lastCheckMs = platform::GetSystemTimeMs() + 1;  // reported meanwhile
  Check();
  EXPECT_TRUE(Reports().empty());
}

TEST_F(BluetoothCheckTest, RepeatedStartsRunOneCheck) {
  Use(R"({"bluetooth": {"error_state": 10}})");
  D::StartBtCheck();
  D::StartBtCheck();
  Settle(60000);
  EXPECT_EQ(ReportIds(), (Ids{"609001035"}));
  EXPECT_EQ(Lines("report")[0]["t_ms"], 5200);  // 200 ms before the thread, 5 s in it
}

TEST_F(BluetoothCheckTest, BthUsbEventsRepowerOnceAndCloseAtTen) {
  Use(R"({"product": {"index": 8}})");
  D::SubscribeBthUsbEvents();
  ASSERT_EQ(emu::EventLogService::Instance().Open().size(), 1u);
  EXPECT_EQ(emu::EventLogService::Instance().Open()[0].query,
            "((Event/System[EventID = 7])and (Event/System/Provider[@Name='BTHUSB']))");

  Event("<Event><System><EventID>8</EventID></System></Event>");  // another id: nothing
  Event("<Event><Other/></Event>");                               // no System: nothing
  Event("<Event><System/></Event>");                              // no EventID: nothing
  EXPECT_TRUE(Reports().empty());
  for (int i = 0; i < 10; ++i)
    Event(kRecord7);
  const Ids ids = ReportIds();
  ASSERT_EQ(ids.size(), 11u);
  EXPECT_EQ(ids[0], "609001042");
  EXPECT_EQ(ids[1], "609001043");
  EXPECT_EQ(Reports()[1].second, R"({"DriverVersion":"22.200.0.4"})");
  EXPECT_EQ(std::count(ids.begin(), ids.end(), "609001042"), 10);
  EXPECT_EQ(DeviceOps(), (Ids{"repower"}));
  EXPECT_TRUE(emu::EventLogService::Instance().Open().empty());
  EXPECT_EQ(dispatcher::GetState().bthUsbEventSubscription.load(), nullptr);
}

TEST_F(BluetoothCheckTest, OtherProductsOnlyReportBthUsbEvents) {
  Use(R"({"product": {"index": 5}})");
  Event(kRecord7);
  EXPECT_EQ(ReportIds(), (Ids{"609001042"}));
  EXPECT_TRUE(DeviceOps().empty());
}

}  // namespace

namespace {

class RecheckTest : public DetectorTest {};

// The default handler runs the pending Bluetooth re-check only for the broadcast 0xA0004.
TEST_F(RecheckTest, OnlyTheRecheckBroadcastRunsThePendingCheck) {
  Use(R"({"bluetooth": {"error_state": 10}})");
  CMsgEvent client;
  dispatcher::GetState().btRecheckPending = true;
  tagIPC_MESSAGE_ITEM other;
  other.dwMsgId = 0xA0001;
  client.OnRecvBroadcastMsg(other);
  EXPECT_TRUE(Reports().empty());
  EXPECT_TRUE(dispatcher::GetState().btRecheckPending);
  tagIPC_MESSAGE_ITEM recheck;
  recheck.dwMsgId = 0xA0004;
  client.OnRecvBroadcastMsg(recheck);
  EXPECT_EQ(ReportIds(), (std::vector<std::string>{"609001035"}));
  EXPECT_FALSE(dispatcher::GetState().btRecheckPending);
  client.OnRecvBroadcastMsg(recheck);  // nothing pending: no second check
  EXPECT_EQ(Reports().size(), 1u);
}

}  // namespace
