// Load: a thousand requests at one tick, served in parallel; and a busy month of a laptop in
// virtual time, with every kind of input every few minutes.
#include <gtest/gtest.h>

#include <map>

#include "BusyLaptop.h"
#include "ScenarioRun.h"

namespace {

const std::map<std::string, std::string> kAnswers = {
    {"0x380001", "01000000"},  // every answer begins with the value 1
    {"0x380002", "01000000"},
    {"0x380003", "01000000"},
    {"0x390005", "0100000001000000"},      // the WMI value
    {"0x390024", "01000000010000000101"},  // BIOS switch of device type 1
    {"0x390007", "0100000000"},            // no hot-key service on this laptop
    {"0x39001A", "0100000001000000"},      // {"": 0}: an empty name starts nothing
    {"0x39000C", "0100000000000000"},      // the card works: nothing to reinstall
};

TEST(Stress, AThousandRequestsAtOneTickAreEachAnsweredOnce) {
  std::string entries;
  std::map<std::uint32_t, std::string> expected;  // reply id -> the answer's first bytes
  for (int i = 0; i < 1000; ++i) {
    const std::string& msg = busylaptop::kRequestIds[i % busylaptop::kRequestIds.size()];
    const std::uint32_t reply = 0x200000 + i;
    char replyText[16];
    std::snprintf(replyText, sizeof replyText, "0x%X", reply);
    if (i)
      entries += ",";
    entries += Request(1000, msg, msg == "0x390024" ? "01" : "", "0x10000", replyText);
    if (auto answer = kAnswers.find(msg); answer != kAnswers.end())
      expected[reply] = answer->second;
  }
  const auto run = RunJson(R"({"run_for_ms": 5000, )" + std::string(busylaptop::kOneDisk) +
                               R"(, "timeline": [)" + entries + "]}",
                           emu::RunMode::Parallel);
  ASSERT_TRUE(run.ok) << run.error;
  EXPECT_TRUE(OfKind(run, "fault").empty());
  std::map<std::uint32_t, int> seen;
  for (const auto& line : OfKind(run, "ipc")) {
    const auto reply = line["msg"].get<std::uint32_t>();
    ++seen[reply];
    auto want = expected.find(reply);
    ASSERT_NE(want, expected.end()) << "unexpected answer " << line.dump();
    EXPECT_EQ(line["payload_hex"].get<std::string>().rfind(want->second, 0), 0u) << line.dump();
    EXPECT_EQ(line["dst"], 0x10000);
  }
  EXPECT_EQ(seen.size(), expected.size());
  for (const auto& [reply, count] : seen)
    EXPECT_EQ(count, 1) << "reply " << reply;
}

TEST(Stress, ABusyMonthRunsToTheEndWithEveryAnswer) {
  const auto run = RunJson(busylaptop::Scenario(30));
  ASSERT_TRUE(run.ok) << run.error;
  EXPECT_TRUE(OfKind(run, "fault").empty());
  EXPECT_EQ(run.transcript.back()["op"], "unload");
  EXPECT_EQ(run.transcript.back()["t_ms"], 30LL * 24 * 3600 * 1000);
  // 8640 requests, 14 ids in turn, 5 of which answer.
  std::size_t answered = OfKind(run, "ipc").size();
  EXPECT_GE(answered, 8640u * 5 / 14);
  // The disk report goes out at 10 minutes, at the first record of an id and daily, until the
  // 100th record of one id ends the monitoring and closes its subscription.
  int diskReports = 0;
  for (const auto& line : OfKind(run, "report"))
    diskReports += line["event"] == "615001001";
  EXPECT_GE(diskReports, 3);
  int closes = 0;
  for (const auto& line : OfKind(run, "eventlog"))
    closes += line["op"] == "close";
  EXPECT_EQ(closes, 2);  // the disk query at its 100th record, the Bluetooth one at Uninit
}

}  // namespace
