// Requests travel from a host client over the bus to the plug-in's handlers and back.
#include <gtest/gtest.h>

#include "ScenarioRun.h"

namespace {

std::string WithTimeline(const std::string& entries, const std::string& extra = "") {
  return R"({"run_for_ms": 20000, )" + extra + R"("timeline": [)" + entries + "]}";
}

TEST(RequestPath, BiosSwitchAnswersOnTheReceivingThread) {
  const auto run =
      RunJson(WithTimeline(Request(1000, "0x390024", "ff") + "," + Request(2000, "0x390024", "01"),
                           R"("bios_switches": {"1": {"readable": true,
                                            "state": false}}, )"));
  ASSERT_TRUE(run.ok) << run.error;
  const auto ipc = OfKind(run, "ipc");
  ASSERT_EQ(ipc.size(), 2u);
  // Type -1 cannot be read: call result 0, switch 0.
  EXPECT_EQ(ipc[0]["t_ms"], 1000);
  EXPECT_EQ(ipc[0]["dst"], 65536);
  EXPECT_EQ(ipc[0]["msg"], 65537);
  EXPECT_EQ(ipc[0]["src"], 4294967295u);
  EXPECT_EQ(ipc[0]["reply"], 4294967295u);
  EXPECT_EQ(ipc[0]["payload_hex"], "01000000ffffffff0000");
  EXPECT_EQ(ipc[1]["payload_hex"], "01000000010000000100");
}

TEST(RequestPath, RequestsWithoutTheirPayloadOrHandlerAreIgnored) {
  const auto run =
      RunJson(WithTimeline(Request(1000, "0x390024", "") + "," + Request(1100, "0x123456", "00") +
                           "," + R"({"at_ms": 1200, "broadcast": {"msg": "0xA0001"}},)" +
                           R"({"at_ms": 1300, "broadcast": {"msg": "0xA0004"}})"));
  ASSERT_TRUE(run.ok) << run.error;
  EXPECT_TRUE(OfKind(run, "ipc").empty());
  EXPECT_EQ(OfKind(run, "input").size(), 4u);
}

// The service name is the payload's UTF-16 text up to its first NUL, from at most 520 bytes;
// a longer payload gives an empty name (which no service has).
TEST(RequestPath, ServiceNamesComeFromAtMost520Bytes) {
  std::string units;
  for (int i = 0; i < 260; ++i)
    units += "4100";  // 'A'
  const std::string withNul =
      "5800"
      "0000"
      "5900";  // "X", NUL, "Y"
  const auto run =
      RunJson(WithTimeline(Request(1000, "0x39001A", units, "0x10000", "0x10001") + "," +
                           Request(2000, "0x39001A", units + "4200", "0x10000", "0x10002") + "," +
                           Request(3000, "0x39001A", withNul, "0x10000", "0x10003") + "," +
                           Request(4000, "0x39001A", "", "0x10000", "0x10004")));
  ASSERT_TRUE(run.ok) << run.error;
  const auto ipc = OfKind(run, "ipc");
  ASSERT_EQ(ipc.size(), 4u);
  // 1, one entry: 260 units of 'A', started: 0.
  EXPECT_EQ(ipc[0]["payload_hex"],
            "0100000001000000"
            "04010000" +
                units + "00000000");
  EXPECT_EQ(ipc[1]["payload_hex"],
            "0100000001000000"
            "00000000"
            "00000000");
  EXPECT_EQ(ipc[2]["payload_hex"],
            "0100000001000000"
            "01000000"
            "5800"
            "00000000");
  EXPECT_EQ(ipc[3]["payload_hex"],
            "0100000001000000"
            "00000000"
            "00000000");
}

// The Wi-Fi repair answers at once when the stored driver is the installed one, and after
// its two pauses (2 s and 3 s) when the card is there.
TEST(RequestPath, WifiRepairAnswersAtOnceForTheStoredDriver) {
  const std::string storedDriver =
      R"("files": {"C:\\Windows\\OriginalDriver\\WifiDriver\\22.200.0.6.exe": "MZ"}, )";
  const auto stored = RunJson(WithTimeline(Request(1000, "0x39000A", ""), storedDriver));
  ASSERT_TRUE(stored.ok) << stored.error;
  const auto newer =
      RunJson(WithTimeline(Request(1000, "0x39000A", ""),
                           storedDriver + R"("wifi": {"driver_version": "22.210.0.3"}, )"));
  ASSERT_TRUE(newer.ok) << newer.error;
  for (const auto& [run, at] : {std::make_pair(&stored, 1000), std::make_pair(&newer, 6000)}) {
    const auto ipc = OfKind(*run, "ipc");
    ASSERT_EQ(ipc.size(), 1u);
    EXPECT_EQ(ipc[0]["t_ms"], at);
    EXPECT_EQ(ipc[0]["payload_hex"], "0100000000000000");
    EXPECT_TRUE(OfKind(*run, "device").empty());
  }
}

TEST(RequestPath, HardwareRescanHasNoAnswer) {
  const auto run = RunJson(WithTimeline(Request(1000, "0x390017", "")));
  ASSERT_TRUE(run.ok) << run.error;
  const auto devices = OfKind(run, "device");
  ASSERT_EQ(devices.size(), 1u);
  EXPECT_EQ(devices[0]["op"], "rescan");
  EXPECT_EQ(devices[0]["t_ms"], 1000);
  EXPECT_TRUE(OfKind(run, "ipc").empty());
}

TEST(RequestPath, WmiQueryRunsOneWorkerPerRequest) {
  // Two identical requests at the same moment: two workers, two answers, same address.
  const auto run =
      RunJson(WithTimeline(Request(1000, "0x390005", "", "0x20000", "0x20001") + "," +
                           Request(1000, "0x390005", "", "0x20000", "0x20001") + "," +
                           R"({"at_ms": 3000, "set": {"wmi_methods.1540.output_hex": "0107"}},)" +
                           Request(4000, "0x390005", "", "0x30000", "0x30001") + "," +
                           R"({"at_ms": 5000, "set": {"wmi_methods.1540.output_hex": "0009"}},)" +
                           Request(6000, "0x390005", "", "0x30000", "0x30002") + "," +
                           R"({"at_ms": 7000, "set": {"wmi_methods.1540.ok": false}},)" +
                           Request(8000, "0x390005", "", "0x30000", "0x30003")));
  ASSERT_TRUE(run.ok) << run.error;
  const auto ipc = OfKind(run, "ipc");
  ASSERT_EQ(ipc.size(), 5u);
  for (int i : {0, 1}) {
    EXPECT_EQ(ipc[i]["dst"], 0x20000);
    EXPECT_EQ(ipc[i]["msg"], 0x20001);
    EXPECT_EQ(ipc[i]["payload_hex"], "0100000001000000");  // default laptop: bytes 00 01
  }
  EXPECT_EQ(ipc[2]["payload_hex"], "0100000000000000");  // first byte not 0: value 0
  EXPECT_EQ(ipc[3]["payload_hex"], "0100000009000000");
  EXPECT_EQ(ipc[3]["msg"], 0x30002);
  EXPECT_EQ(ipc[4]["payload_hex"], "0100000000000000");  // method failed: value 0
}

}  // namespace
