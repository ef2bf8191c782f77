// The Realtek watch: registration, the reset pass and its 60-second rule, the notices.
#include <gtest/gtest.h>

#include "DetectorFixture.h"
#include "DeviceMonitor/DeviceDriverErrorDetectEx.h"
#include "DeviceMonitor/DynamicDll.h"
#include "ipc/MsgEvent.h"

namespace {

using D = DeviceDriverErrorDetectEx;
using Ids = std::vector<std::string>;

class RealtekWatchTest : public DetectorTest {
 protected:
  void TearDown() override {
    DynamicDll::Instance().Unload();
    DetectorTest::TearDown();
  }

  // A Realtek laptop whose configuration allows the watch, with the library loaded.
  static void RealtekLaptop(const std::string& realtekFacts) {
    Use(R"({"wifi": {"manufacturer_type": 1}, "config": {"realtek": {"IsSupportRealtekCallback": "1"}},
            "realtek": )" +
        realtekFacts + "}");
    LoadRealtekLibrary();
    dispatcher::GetState().realtekCallbackSupported = IsSupportRealtekCallback();
  }

  static std::vector<std::string> VendorOps() {
    std::vector<std::string> out;
    for (const auto& line : Lines("vendor"))
      out.push_back(line["op"]);
    return out;
  }
};

TEST_F(RealtekWatchTest, SupportNeedsTheSwitchAndARealtekCard) {
  Use(R"({"wifi": {"manufacturer_type": 1}})");
  EXPECT_FALSE(IsSupportRealtekCallback());
  Use(R"({"config": {"realtek": {"IsSupportRealtekCallback": "1"}}})");
  EXPECT_FALSE(IsSupportRealtekCallback());
  Use(R"({"wifi": {"manufacturer_type": 1}, "config": {"realtek": {"IsSupportRealtekCallback": "1"}}})");
  EXPECT_TRUE(IsSupportRealtekCallback());
}

TEST_F(RealtekWatchTest, LibraryIsFoundInWindowsOrBesideThePlugin) {
  for (const char* place : {R"({"installed": "windows"})", R"({"installed": "plugin_dir"})"}) {
    RealtekLaptop(place);
    D::RegistRealtekCallBack();
    EXPECT_TRUE(detector::Realtek().callbackRegistered) << place;
    DynamicDll::Instance().Unload();
  }
  // Registering again stops the running watch first.
  EXPECT_EQ(VendorOps(), (Ids{"start_watch", "stop_watch", "start_watch"}));
}

TEST_F(RealtekWatchTest, MissingLibraryFailsRegistrationThreeTimes) {
  RealtekLaptop(R"({"installed": "none"})");
  D::RegistRealtekCallBack();
  EXPECT_FALSE(detector::Realtek().callbackRegistered);
  const auto logs = Lines("log");
  ASSERT_EQ(logs.size(), 4u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(logs[i]["text"], "fail load dll");
    EXPECT_EQ(logs[i]["function"], "DynamicDll::RtkBtStartWatchUsbErrFunc");
  }
  EXPECT_EQ(logs[3]["text"], "regist fail");
  EXPECT_EQ(logs[3]["function"], "DeviceDriverErrorDetectEx::RegistRealtekCallBack");
  EXPECT_EQ(logs[3]["t_ms"], 6000);  // 2 s after each failed try
  EXPECT_EQ(DynamicDll::Instance().RtkBtResetDeviceFunc(), 1);
  EXPECT_EQ(Lines("log").back()["function"], "DynamicDll::RtkBtResetDeviceFunc");
}

TEST_F(RealtekWatchTest, ResetAttemptsAreNumberedAndASecondPassWithinAMinuteIsRefused) {
  RealtekLaptop(R"({"installed": "windows", "reset_results": [3, 4, 5, 0]})");
  CMsgEvent transient;
  D::DealRealtekUsbError(&transient);
  ASSERT_EQ(ReportIds(), (Ids{"609001044"}));
  EXPECT_EQ(
      Reports()[0].second,
      R"({"try1":"3","try2":"4","try3":"5","trytime":"3","result":"5","times":"1","DriverVersion":"22.200.0.4"})");
  const auto notices = Lines("ipc");
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_EQ(notices[0]["dst"], 0x490000);
  EXPECT_EQ(notices[0]["msg"], 0x380009);
  EXPECT_EQ(notices[0]["src"], 0);

  platform::Sleep(30000);
  D::DealRealtekUsbError(&transient);
  EXPECT_EQ(ReportIds(), (Ids{"609001044", "609001045"}));
  EXPECT_EQ(Reports()[1].second, R"({"times":"1","DriverVersion":"22.200.0.4"})");
  EXPECT_EQ(Lines("log").back()["text"], "too short between two repair time");

  platform::Sleep(60000);  // a minute on, the reset runs again and succeeds at once
  D::DealRealtekUsbError(&transient);
  EXPECT_EQ(Reports()[2].second,
            R"({"trytime":"0","result":"0","times":"2","DriverVersion":"22.200.0.4"})");
}

TEST_F(RealtekWatchTest, NoticesFollowTheResetWithinAMinute) {
  RealtekLaptop(R"({"installed": "windows"})");
  CMsgEvent transient;
  PostRealtekBtRemovedNotice(&transient);  // no reset yet: nothing
  EXPECT_TRUE(Lines("ipc").empty());
  D::DealRealtekUsbError(&transient);  // 0x380009, reset time now - 10 s
  PostRealtekBtRemovedNotice(&transient);
  PostRealtekBtArrivedNotice(&transient);
  PostRealtekBtArrivedNotice(&transient);  // once per pass
  PostRealtekBtRemovedNotice(&transient);  // reset time cleared by the arrival
  std::vector<std::uint32_t> msgs;
  for (const auto& line : Lines("ipc"))
    msgs.push_back(line["msg"]);
  EXPECT_EQ(msgs, (std::vector<std::uint32_t>{0x380009, 0x380008, 0x380007}));

  D::DealRealtekUsbError(&transient);  // refused, but a new reset time
  platform::Sleep(51000);              // 61 s after it: too late for a notice
  PostRealtekBtArrivedNotice(&transient);
  EXPECT_EQ(Lines("ipc").size(), 4u);
}

TEST_F(RealtekWatchTest, AFailedStopIsLoggedAndStillForgetsTheWatch) {
  RealtekLaptop(R"({"installed": "windows", "stop_results": [4]})");
  D::RegistRealtekCallBack();
  ASSERT_TRUE(detector::Realtek().callbackRegistered);
  D::UnRegistRealtekCallBack();
  EXPECT_FALSE(detector::Realtek().callbackRegistered);
  ASSERT_EQ(Lines("log").size(), 1u);
  EXPECT_EQ(Lines("log")[0]["text"], "unRegistResult: 4");
  EXPECT_EQ(Lines("log")[0]["function"], "DeviceDriverErrorDetectEx::UnRegistRealtekCallBack");
}

TEST_F(RealtekWatchTest, TwoErrorCallbacksStartOneRepair) {
  RealtekLaptop(R"({"installed": "windows"})");
  OnRealtekUsbError(2);  // only code 1 counts
  OnRealtekUsbError(1);
  OnRealtekUsbError(1);
  Settle();
  EXPECT_EQ(ReportIds(), (Ids{"609001044"}));
  EXPECT_FALSE(detector::Realtek().repairRunning);
}

}  // namespace
