// The touchpad module: loading and starting the library, each code reported with the
// firmware version, the limit of 100 reports an hour, and the stop.
#include <gtest/gtest.h>

#include "DetectorFixture.h"
#include "DeviceMonitor/DynamicTactraDll.h"
#include "DeviceMonitor/TactraMoudle.h"
#include "emu/VendorHooks.h"

namespace {

class TouchpadTest : public DetectorTest {
 protected:
  void TearDown() override {
    TactraMoudle::Stop();
    DetectorTest::TearDown();
  }
  // Codes from the library, count of them interval apart; returns once they are all handled,
  // whether a callback was registered to take them.
  static bool Codes(std::uint32_t code, int count, std::int64_t intervalMs) {
    const std::size_t before = Lines("vendor").size();
    emu::VendorHooks::Instance().Fire(
        "touchpad", {{"code", code}, {"count", count}, {"interval_ms", intervalMs}});
    Settle(static_cast<std::uint32_t>(count * intervalMs + 1000));
    const auto vendor = Lines("vendor");
    return vendor.size() > before && vendor[before]["op"] == "callback";
  }
  static std::vector<std::string> LogTexts() {
    std::vector<std::string> out;
    for (const auto& line : Lines("log"))
      out.push_back(line["text"]);
    return out;
  }
};

TEST_F(TouchpadTest, WithoutTheLibraryNothingListens) {
  Use(R"({"touchpad": {"installed": false}})");
  EXPECT_FALSE(TactraMoudle::Start());
  EXPECT_EQ(LogTexts(), (std::vector<std::string>{"file is not exist", "fail", "Init Fail"}));
  const auto logs = Lines("log");
  EXPECT_EQ(logs[0]["function"], "DynamicTactraDll::InitRtkFun");
  EXPECT_EQ(logs[1]["function"], "DynamicTactraDll::TactraInitFunc");
  EXPECT_EQ(logs[2]["function"], "TactraMoudle::Start");
  EXPECT_TRUE(Lines("vendor").empty());
}

TEST_F(TouchpadTest, EveryCodeIsReportedWithTheFirmwareVersion) {
  Use(R"({"touchpad": {"firmware": "3.1.0.255"}})");
  ASSERT_TRUE(TactraMoudle::Start());
  EXPECT_TRUE(Codes(4294967295u, 1, 0));
  emu::Laptop::Instance().Set("touchpad.firmware", nullptr);  // the version read fails
  EXPECT_TRUE(Codes(7, 1, 0));
  EXPECT_EQ(Reports(), (std::vector<std::pair<std::string, std::string>>{
                           {"627003001", R"({"reportId":"4294967295","version":"3.1.0.255"})"},
                           {"627003001", R"({"reportId":"7","version":""})"}}));
  EXPECT_EQ(LogTexts(), std::vector<std::string>{"fail"});
}

TEST_F(TouchpadTest, AHundredCodesWithinAnHourStopTheListening) {
  Use("{}");
  ASSERT_TRUE(TactraMoudle::Start());
  EXPECT_TRUE(Codes(3, 100, 6000));  // 100 codes in ten minutes
  const auto ids = ReportIds();
  ASSERT_EQ(ids.size(), 101u);
  EXPECT_EQ(std::count(ids.begin(), ids.end(), "627003001"), 100);
  EXPECT_EQ(ids.back(), "627003002");
  EXPECT_EQ(Reports().back().second, R"({"version":"3.1.0.18"})");
  EXPECT_EQ(LogTexts(), std::vector<std::string>{"too much times"});
  EXPECT_FALSE(detector::Touchpad().started);
  // Silence: the callback is gone.
  EXPECT_FALSE(Codes(3, 1, 0));
  EXPECT_EQ(ReportIds().size(), 101u);
}

TEST_F(TouchpadTest, AHundredCodesOverTwoHoursStartANewWindow) {
  Use("{}");
  ASSERT_TRUE(TactraMoudle::Start());
  EXPECT_TRUE(Codes(3, 101, 72000));  // the 100th comes after 7,128 s
  const auto ids = ReportIds();
  EXPECT_EQ(ids.size(), 101u);
  EXPECT_EQ(std::count(ids.begin(), ids.end(), "627003002"), 0);
  EXPECT_TRUE(detector::Touchpad().started);
  EXPECT_EQ(detector::Touchpad().reportCount, 1);  // counting again from the 101st
}

TEST_F(TouchpadTest, AFailedStartLeavesTheModuleSilent) {
  Use(R"({"touchpad": {"init_result": 3}})");
  EXPECT_FALSE(TactraMoudle::Start());
  EXPECT_EQ(LogTexts(), std::vector<std::string>{"Init Fail"});
  Use(R"({"touchpad": {"register_result": 5}})");
  EXPECT_FALSE(TactraMoudle::Start());
  EXPECT_FALSE(Codes(3, 1, 0));
  EXPECT_TRUE(Reports().empty());
}

TEST_F(TouchpadTest, TheStopUnregistersBeforeTheLibraryGoes) {
  Use("{}");
  ASSERT_TRUE(TactraMoudle::Start());
  TactraMoudle::Stop();
  std::vector<std::string> ops;
  for (const auto& line : Lines("vendor"))
    ops.push_back(line["op"]);
  EXPECT_EQ(ops, (std::vector<std::string>{"init", "register_callback", "unregister_callback"}));
  EXPECT_FALSE(Codes(3, 1, 0));
  // Without the library the wrappers fail and log.
  EXPECT_EQ(DynamicTactraDll::Instance().UnRegistTactraErrorCodeReportFunc(), 1);
  EXPECT_EQ(DynamicTactraDll::Instance().TactraVersionFunc(), "");
}

}  // namespace
