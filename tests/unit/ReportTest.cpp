#include <gtest/gtest.h>

#include "EmuFixture.h"
#include "emu/Laptop.h"
#include "hostapi/DataReport.h"
#include "report/Report.h"

namespace {

class ReportTest : public EmuTest {
 protected:
  emu::Line LastReport() {
    const auto reports = Lines("report");
    EXPECT_FALSE(reports.empty());
    return reports.empty() ? emu::Line() : reports.back();
  }
};

TEST_F(ReportTest, DriverVersionIsAppendedToACopy) {
  emu::Laptop::Instance().Set("drivers.versions.0", "23.10.0.8");
  const ReportPairList pairs = {{"firstStart", "1"}, {"WifiErrCode", "10"}};
  ReportEventWithDriverVersion(DEVICE_DRIVER_WIFI, "608001011", pairs);
  ASSERT_EQ(pairs.size(), 2u);
  const auto line = LastReport();
  EXPECT_EQ(line["event"], "608001011");
  EXPECT_EQ(line["content"],
            R"({"firstStart":"1","WifiErrCode":"10","DriverVersion":"23.10.0.8"})");
  EXPECT_TRUE(line["fields"].empty());
}

TEST_F(ReportTest, EmptyVersionIsStillSentAndBtEventHasOnePair) {
  emu::Laptop::Instance().Set("drivers.versions.1", "");
  ReportBtDriverVersionEvent("609001042");
  EXPECT_EQ(LastReport()["content"], R"({"DriverVersion":""})");
  emu::Laptop::Instance().Set("drivers.versions.13", nullptr);
  ReportEventWithDriverVersion(DEVICE_DRIVER_MONITOR, "627002001", {{"Numbers", "0"}});
  EXPECT_EQ(LastReport()["content"], R"({"Numbers":"0","DriverVersion":""})");
}

TEST_F(ReportTest, KeysKeepListOrderAndTextIsEscaped) {
  ReportEventPairs("615001001", {{"z", "1"}, {"a", "quote \" back \\ tab \t nl \n"}, {"m", "é€"}});
  EXPECT_EQ(LastReport()["content"],
            "{\"z\":\"1\",\"a\":\"quote \\\" back \\\\ tab \\t nl \\n\",\"m\":\"é€\"}");
  // A value that is not UTF-8 is carried with a replacement character, not dropped.
  ReportEventPairs("615001001", {{"bad", std::string("a\xff") + "b"}});
  EXPECT_EQ(LastReport()["content"],
            "{\"bad\":\"a\xef\xbf\xbd"
            "b\"}");
}

TEST_F(ReportTest, EmptyListGivesBracesButDisplayAudioSendsOnePair) {
  ReportEventPairs("615001001", {});
  EXPECT_EQ(LastReport()["content"], "{}");
  ReportDisplayAudioResult("result", "1");
  EXPECT_EQ(LastReport()["event"], "624000023");
  EXPECT_EQ(LastReport()["content"], R"({"result":"1"})");
}

TEST_F(ReportTest, DirectSendCarriesTheNumberedField) {
  auto& service = EventDataReport::Instance();
  tagLogInfo record = service.GetMsg("608005014", "");
  record.mapExtra.insert({0, "2"});
  service.SendMsg(record);
  const auto line = LastReport();
  EXPECT_EQ(line["content"], "");
  EXPECT_EQ(line["fields"], nlohmann::ordered_json({{"0", "2"}}));
}

}  // namespace
