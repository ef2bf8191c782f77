// Load, Init, long runs, Uninit and unload of the real shared library.
#include <gtest/gtest.h>

#include "ScenarioRun.h"
#include "platform/Module.h"

namespace {

std::vector<std::string> Texts(const fdhost::RunResult& run) {
  std::vector<std::string> out;
  for (const auto& line : run.transcript)
    out.push_back(line.dump());
  return out;
}

TEST(Lifecycle, RegistersAtLoadAndUnregistersAtUnload) {
  const auto run = RunJson(R"({"run_for_ms": 1000})");
  ASSERT_TRUE(run.ok) << run.error;
  const auto host = OfKind(run, "host");
  ASSERT_EQ(host.size(), 5u);
  EXPECT_EQ(host[0]["op"], "x3RegisterPlugin");
  EXPECT_EQ(host[0]["class_ids"][0], "E6D95242-03DB-4F6B-8CBA-346ED41B643B");
  EXPECT_EQ(host[1]["op"], "init");
  EXPECT_EQ(host[2]["op"], "uninit");
  EXPECT_EQ(host[3]["op"], "x3UnregisterPlugin");
  EXPECT_EQ(host[4]["op"], "unload");
  // The module is really gone, and nothing of it is left running.
  EXPECT_EQ(platform::GetModuleHandleA("DeviceFaultDetectPlugin.dll"), nullptr);
  EXPECT_EQ(emu::Scheduler::Instance().TrackedCount(), 0u);
}

TEST(Lifecycle, UnloadWhileThreadsWaitEndsThemQuietly) {
  // The 600 s disk-monitor thread and the 10 s fix-check thread are both still waiting, and
  // a request arrives just before the end.
  const auto run = RunJson(R"({"run_for_ms": 5000,
      "product": {"supported_properties": [["OrbLoginGuide", "china"]]},
      "timeline": [)" + Request(5000, "0x390005", "") +
                           "]}");
  ASSERT_TRUE(run.ok) << run.error;
  ASSERT_FALSE(run.transcript.empty());
  EXPECT_EQ(run.transcript.back()["op"], "unload");
  EXPECT_EQ(run.transcript.back()["t_ms"], 5000);
  EXPECT_EQ(OfKind(run, "ipc").size(), 1u);
  EXPECT_TRUE(OfKind(run, "log").empty());
  EXPECT_EQ(emu::Scheduler::Instance().TrackedCount(), 0u);
}

TEST(Lifecycle, TwentyFiveHoursAreDeterministic) {
  const std::string json = R"({"run_for_ms": 90000000, "timeline": [)" +
                           Request(1000, "0x390005", "") + "," + Request(1000, "0x390024", "00") +
                           "," + Request(86400000, "0x390005", "") + "]}";
  const auto first = RunJson(json);
  const auto second = RunJson(json);
  ASSERT_TRUE(first.ok) << first.error;
  EXPECT_EQ(first.transcript.back()["t_ms"], 90000000);
  EXPECT_EQ(OfKind(first, "ipc").size(), 3u);
  EXPECT_EQ(Texts(first), Texts(second));
}

TEST(Lifecycle, ParallelModeServesTheSameAnswers) {
  std::string entries;
  for (int i = 0; i < 20; ++i) {
    if (i)
      entries += ",";
    entries += Request(1000, i % 2 ? "0x390005" : "0x390024", i % 2 ? "" : "01");
  }
  const auto run =
      RunJson(R"({"run_for_ms": 3000, "timeline": [)" + entries + "]}", emu::RunMode::Parallel);
  ASSERT_TRUE(run.ok) << run.error;
  int bios = 0, wmi = 0;
  for (const auto& line : OfKind(run, "ipc")) {
    if (line["payload_hex"] == "01000000010000000101")
      ++bios;
    if (line["payload_hex"] == "0100000001000000")
      ++wmi;
  }
  EXPECT_EQ(bios, 10);
  EXPECT_EQ(wmi, 10);
}

}  // namespace
