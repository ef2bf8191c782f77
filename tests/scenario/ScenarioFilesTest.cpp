// The example scenarios shipped in scenarios/ run and do what their descriptions say.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include "ScenarioRun.h"

namespace {

fdhost::RunResult RunFile(const std::string& name) {
  return fdhost::RunScenario(emu::LoadScenarioFile(std::string(FD_SCENARIO_DIR) + "/" + name), {});
}

TEST(ScenarioFiles, RequestsTour) {
  const auto run = RunFile("requests-tour.json");
  ASSERT_TRUE(run.ok) << run.error;
  const auto ipc = OfKind(run, "ipc");
  ASSERT_EQ(ipc.size(), 4u);
  EXPECT_EQ(ipc[0]["payload_hex"], "01000000ffffffff0000");
  EXPECT_EQ(ipc[1]["payload_hex"], "01000000010000000100");
  EXPECT_EQ(ipc[2]["payload_hex"], "0100000001000000");
  EXPECT_EQ(ipc[3]["payload_hex"], "0100000002000000");
  EXPECT_EQ(OfKind(run, "device").size(), 1u);
}

TEST(ScenarioFiles, DemoLaptopRunsADay) {
  const auto run = fdhost::RunScenario(fdhost::DemoScenario(), {});
  ASSERT_TRUE(run.ok) << run.error;
  EXPECT_EQ(run.transcript.back()["t_ms"], 90000000);
  EXPECT_EQ(OfKind(run, "ipc").size(), 5u);
}

std::vector<std::string> Events(const fdhost::RunResult& run) {
  std::vector<std::string> ids;
  for (const auto& line : OfKind(run, "report"))
    ids.push_back(line["event"]);
  return ids;
}

nlohmann::json Content(const emu::Line& report) {
  return nlohmann::ordered_json::parse(report["content"].get<std::string>());
}

TEST(ScenarioFiles, WifiCode10CuredByGpio) {
  const auto run = RunFile("wifi-code10-gpio-cures.json");
  ASSERT_TRUE(run.ok) << run.error;
  EXPECT_EQ(Events(run), (std::vector<std::string>{"608001011", "608001013", "608001014"}));
  const auto reports = OfKind(run, "report");
  EXPECT_EQ(Content(reports[2])["gpio"], "1");
  EXPECT_EQ(Content(reports[2])["errorCode"], "0");
  EXPECT_EQ(Content(reports[2])["firstStart"], "1");
  EXPECT_TRUE(OfKind(run, "firmware_variable").empty());
  EXPECT_TRUE(OfKind(run, "registry").empty());
}

TEST(ScenarioFiles, WifiCode10NothingCures) {
  const auto run = RunFile("wifi-code10-nothing-cures.json");
  ASSERT_TRUE(run.ok) << run.error;
  EXPECT_EQ(Events(run),
            (std::vector<std::string>{"608001011", "608001013", "608001014", "608001015"}));
  EXPECT_EQ(Content(OfKind(run, "report")[2])["gpio"], "0");
  EXPECT_EQ(Content(OfKind(run, "report")[3])["result"], "1");
  const auto variables = OfKind(run, "firmware_variable");
  ASSERT_EQ(variables.size(), 1u);
  EXPECT_EQ(variables[0]["name"], "wifidriverstate");
  EXPECT_EQ(variables[0]["guid"], "{C87C0F60-1E8E-448a-BDC6-DA4B24EE2ED6}");
  const auto registry = OfKind(run, "registry");
  ASSERT_EQ(registry.size(), 2u);
  EXPECT_EQ(registry[0]["op"], "create_key");
  EXPECT_EQ(registry[1]["name"], "Numbers");
  EXPECT_EQ(registry[1]["value"], 1);
}

TEST(ScenarioFiles, BluetoothMissingInUsbClassIsRecheckedOnBroadcast) {
  const auto run = RunFile("bluetooth-missing-in-usb-class.json");
  ASSERT_TRUE(run.ok) << run.error;
  EXPECT_EQ(Events(run), (std::vector<std::string>{"609001036", "609001034", "609001035"}));
  const auto reports = OfKind(run, "report");
  EXPECT_EQ(Content(reports[0])["BtReHardInit"], "Fail");
  EXPECT_EQ(Content(reports[0])["RepairBtInUsb"], "5");
  EXPECT_EQ(Content(reports[1])["UsbErrCode"], "43");
  EXPECT_EQ(reports[2]["t_ms"], 65000);  // the broadcast at 60 s, plus the check's 5 s
  EXPECT_EQ(Content(reports[2])["BtErrCode"], "10");
}

TEST(ScenarioFiles, RealtekUsbErrorRunsOneResetPass) {
  const auto run = RunFile("realtek-usb-error.json");
  ASSERT_TRUE(run.ok) << run.error;
  EXPECT_EQ(Events(run), (std::vector<std::string>{"609001044"}));
  const auto ipc = OfKind(run, "ipc");
  ASSERT_EQ(ipc.size(), 1u);
  EXPECT_EQ(ipc[0]["dst"], 0x490000);
  EXPECT_EQ(ipc[0]["msg"], 0x380009);
  int resets = 0, stops = 0;
  for (const auto& line : OfKind(run, "vendor")) {
    resets += line["op"] == "reset";
    stops += line["op"] == "stop_watch";
  }
  EXPECT_EQ(resets, 1);
  EXPECT_EQ(stops, 2);  // by the reset pass, and at Uninit before the library is unloaded
  EXPECT_EQ(OfKind(run, "log").back()["text"], "g_resetRealtekBtTime: 1");
}

// Every shipped scenario again with busy threads running at once (for ThreadSanitizer):
// the same events come out, whatever their order.
TEST(ScenarioFiles, ParallelModeGivesTheSameEvents) {
  for (const char* name :
       {"wifi-code10-gpio-cures.json", "wifi-code10-nothing-cures.json",
        "bluetooth-missing-in-usb-class.json", "realtek-usb-error.json", "requests-tour.json"}) {
    const auto scenario = emu::LoadScenarioFile(std::string(FD_SCENARIO_DIR) + "/" + name);
    fdhost::RunOptions parallel;
    parallel.mode = emu::RunMode::Parallel;
    auto serial = Events(fdhost::RunScenario(scenario, {}));
    auto racing = Events(fdhost::RunScenario(scenario, parallel));
    std::sort(serial.begin(), serial.end());
    std::sort(racing.begin(), racing.end());
    EXPECT_EQ(serial, racing) << name;
  }
}

}  // namespace
