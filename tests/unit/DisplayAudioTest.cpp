// The display audio repair: switches, delays, the endpoint walk and the once-only repair, in
// virtual time.
#include <gtest/gtest.h>

#include "DetectorFixture.h"
#include "DeviceMonitor/AudioDeviceMoudle.h"
#include "emu/OpenHandles.h"

namespace {

constexpr char kRender[] =
    "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\MMDevices\\Audio\\Render";
constexpr char kNameValue[] = "{a45c254e-df1c-4efd-8020-67d146a850e0},2";

// An Intel display audio device without its component behind a Realtek one, two monitors,
// the repair switched on; the monitor section and the registry are the test's.
std::string Laptop(const std::string& monitorConfig, const nlohmann::json& registry) {
  nlohmann::json laptop = nlohmann::json::parse(R"({
    "monitors": {"hardware_ids": ["MONITOR\\BOE0A1B", "MONITOR\\VLM2701"]},
    "devices": [
      {"class": "{4d36e96c-e325-11ce-bfc1-08002be10318}",
       "hardware_ids": ["HDAUDIO\\FUNC_01&VEN_10EC&DEV_0287"], "soft_components": []},
      {"class": "{4D36E96C-E325-11CE-BFC1-08002BE10318}",
       "hardware_ids": ["HDAUDIO\\FUNC_01&VEN_8086&DEV_2818"], "soft_components": [],
       "uninstall_result": 5}]})");
  laptop["config"]["monitor"] = nlohmann::json::parse(monitorConfig);
  laptop["registry"] = registry;
  return laptop.dump();
}

nlohmann::json Endpoint(const std::string& subkey, const std::string& valueName,
                        const std::string& friendlyName) {
  return {{std::string(kRender) + "\\" + subkey, {{valueName, friendlyName}}}};
}

nlohmann::json DisplayEndpoint() {
  return Endpoint("{0.0.0.00000000}.{8d2e}\\Properties", kNameValue,
                  "VLM 27Q (Intel(R) Display Audio Output)");
}

class DisplayAudioTest : public DetectorTest {
 protected:
  // (time, op) of every device line.
  static std::vector<std::pair<std::int64_t, std::string>> Timed() {
    std::vector<std::pair<std::int64_t, std::string>> out;
    for (const auto& line : Lines("device"))
      out.emplace_back(line["t_ms"], line["op"]);
    return out;
  }
  using Ops = std::vector<std::pair<std::int64_t, std::string>>;
};

TEST_F(DisplayAudioTest, SwitchedOffNeitherTriggerLogsOrStartsAnything) {
  Use(Laptop(R"({"DisplayAudioRepair": "0"})", DisplayEndpoint()));
  AudioDeviceMoudle::AutoCheckDisplayAudioError();
  CheckDisplayAudioOnMonitor();
  Settle();
  EXPECT_TRUE(Lines("log").empty());
  EXPECT_TRUE(DeviceOps().empty());
  EXPECT_FALSE(detector::DisplayAudio().busy);
}

TEST_F(DisplayAudioTest, WithTheBuiltInPanelAloneNoCheckStarts) {
  Use(Laptop(R"({"DisplayAudioRepair": "1"})", DisplayEndpoint()));
  emu::Laptop::Instance().Set("monitors.hardware_ids", {"MONITOR\\BOE0A1B"});
  AudioDeviceMoudle::AutoCheckDisplayAudioError();
  Settle();
  const auto logs = Lines("log");
  ASSERT_EQ(logs.size(), 2u);
  EXPECT_EQ(logs[0]["text"], "size1");
  EXPECT_EQ(logs[0]["level"], 40000);
  EXPECT_EQ(logs[0]["function"], "AudioDeviceMoudle::AutoCheckDisplayAudioError");
  EXPECT_EQ(logs[1]["text"], "no external monitor");
  EXPECT_TRUE(DeviceOps().empty());
}

TEST_F(DisplayAudioTest, AnExternalMonitorRepairsOnceWithTheConfiguredDelays) {
  Use(Laptop(R"({"DisplayAudioRepair": "1", "PointDelay": "2000", "ScanDelay": "60000"})",
             DisplayEndpoint()));
  AudioDeviceMoudle::AutoCheckDisplayAudioError();
  Settle();
  EXPECT_EQ(Timed(), (Ops{{2000, "uninstall"}, {62000, "rescan"}}));
  EXPECT_EQ(Lines("device")[0]["hardware_id"], "HDAUDIO\\FUNC_01&VEN_8086&DEV_2818");
  ASSERT_EQ(Reports().size(), 1u);
  EXPECT_EQ(Reports()[0],
            std::make_pair(std::string("624000023"), std::string(R"({"result":"5"})")));
  const auto logs = Lines("log");
  EXPECT_EQ(logs.back()["text"], "repair display audio result: 5");
  EXPECT_EQ(logs.back()["function"], "AudioDeviceMoudle::ReairDisplayAudioError");
  EXPECT_FALSE(detector::DisplayAudio().busy);

  // The device is back without its component, yet the repair is not done again.
  CheckDisplayAudioOnMonitor();
  AudioDeviceMoudle::AutoCheckDisplayAudioError();
  Settle();
  EXPECT_EQ(Timed().size(), 2u);
  EXPECT_EQ(Reports().size(), 1u);
}

class BadDelayTest : public DisplayAudioTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(BadDelayTest, OneDelayOutOfRangeResetsBoth) {
  Use(Laptop(GetParam(), DisplayEndpoint()));
  CheckDisplayAudioOnMonitor();
  Settle();
  EXPECT_EQ(Timed(), (Ops{{10000, "uninstall"}, {15000, "rescan"}}));
}

INSTANTIATE_TEST_SUITE_P(
    Configurations, BadDelayTest,
    ::testing::Values(R"({"DisplayAudioRepair": "1", "PointDelay": "500", "ScanDelay": "3000"})",
                      R"({"DisplayAudioRepair": "1", "PointDelay": "3000", "ScanDelay": "60001"})",
                      R"({"DisplayAudioRepair": "1", "PointDelay": "3000"})",
                      R"({"DisplayAudioRepair": "1", "PointDelay": "x", "ScanDelay": "3000"})"));

TEST_F(DisplayAudioTest, WithoutAConfigurationFileTheDefaultsApplyAndTheFileIsNamed) {
  Use(Laptop(R"({"DisplayAudioRepair": "1"})", DisplayEndpoint()));
  std::uint32_t point = 7;
  std::uint32_t scan = 7;
  EXPECT_FALSE(AudioDeviceMoudle::GetDelayTimeByConfig(point, scan));  // no delays in the file
  EXPECT_TRUE(Lines("log").empty());
  emu::Laptop::Instance().Set("host.plugin_dir", "C:\\Elsewhere");
  EXPECT_FALSE(AudioDeviceMoudle::GetDelayTimeByConfig(point, scan));
  const auto logs = Lines("log");
  ASSERT_EQ(logs.size(), 1u);
  EXPECT_EQ(logs[0]["text"], "DeviceMsg: process list for audio process not exist:");
  EXPECT_EQ(logs[0]["function"], "AudioDeviceMoudle::GetDelayTimeByConfig");
}

TEST_F(DisplayAudioTest, ASecondTriggerDuringThePointDelayIsDropped) {
  Use(Laptop(R"({"DisplayAudioRepair": "1"})", DisplayEndpoint()));
  CheckDisplayAudioOnMonitor();
  platform::Sleep(5000);
  EXPECT_TRUE(detector::DisplayAudio().busy);
  CheckDisplayAudioOnMonitor();
  AudioDeviceMoudle::AutoCheckDisplayAudioError();
  Settle();
  EXPECT_EQ(Timed(), (Ops{{10000, "uninstall"}, {15000, "rescan"}}));
}

TEST_F(DisplayAudioTest, NothingIsRepairedUnlessBothSignsAreThere) {
  // The component is there.
  Use(Laptop(R"({"DisplayAudioRepair": "1"})", DisplayEndpoint()));
  emu::Laptop::Instance().Set("devices.1.soft_components", {"SWC\\VEN_8086&AID_0300"});
  EXPECT_FALSE(IsDisplayAudioSoftComponentMissing());
  // No Intel device at all: the Realtek one without a component does not count.
  emu::Laptop::Instance().Set("devices.1.present", false);
  EXPECT_FALSE(IsDisplayAudioSoftComponentMissing());
  AudioDeviceMoudle::ReairDisplayAudioError(0);
  EXPECT_EQ(Lines("log").back()["text"], "no display audio hard id");
  // No endpoint of the display audio.
  Use(Laptop(R"({"DisplayAudioRepair": "1"})",
             Endpoint("{a}\\Properties", kNameValue, "Speakers (Realtek(R) Audio)")));
  EXPECT_TRUE(IsDisplayAudioSoftComponentMissing());
  CheckDisplayAudioOnMonitor();
  Settle();
  EXPECT_TRUE(DeviceOps().empty());
  EXPECT_FALSE(detector::DisplayAudio().repaired);
}

TEST_F(DisplayAudioTest, TheEndpointWalkFindsOnlyTheFriendlyNameWhereItLooks) {
  struct Case {
    const char* what;
    nlohmann::json registry;
    bool found;
  };
  const std::string chinese =
      "\xE8\x8B\xB1\xE7\x89\xB9\xE5\xB0\x94(R) "
      "\xE6\x98\xBE\xE7\xA4\xBA\xE5\x99\xA8\xE9\x9F\xB3\xE9\xA2\x91";
  const std::string longName =
      "(Intel(R) Display Audio Output)" + std::string(96, ' ');  // 256 bytes with NUL
  const std::string fits = "(Intel(R) Display Audio Output)" + std::string(95, ' ');  // 254 bytes
  const std::vector<Case> cases = {
      {"the Chinese name alone", Endpoint("{c}\\Properties", kNameValue, "DELL (" + chinese + ")"),
       true},
      {"a value name that only contains the key",
       Endpoint("{c}\\Properties", std::string("x") + kNameValue + "y",
                "Intel(R) Display Audio Output"),
       true},
      {"another property",
       Endpoint("{c}\\Properties", "{a45c254e-df1c-4efd-8020-67d146a850e0},14",
                "Intel(R) Display Audio Output"),
       false},
      {"on the endpoint key, not its properties",
       Endpoint("{c}", kNameValue, "Intel(R) Display Audio Output"), false},
      {"on the render key itself",
       {{kRender, {{kNameValue, "Intel(R) Display Audio Output"}}}},
       true},
      {"two levels below the properties",
       Endpoint("{c}\\Properties\\Sub\\Properties", kNameValue, "Intel(R) Display Audio Output"),
       true},
      {"data of 254 bytes", Endpoint("{c}\\Properties", kNameValue, fits), true},
      {"data of 256 bytes, skipped", Endpoint("{c}\\Properties", kNameValue, longName), false},
      {"a subkey name of 256 characters, skipped",
       Endpoint(std::string(256, 'k') + "\\Properties", kNameValue,
                "Intel(R) Display Audio Output"),
       false},
      {"a subkey name of 255 characters",
       Endpoint(std::string(255, 'k') + "\\Properties", kNameValue,
                "Intel(R) Display Audio Output"),
       true},
      {"a value name of 16,384 characters, skipped",
       Endpoint("{c}\\Properties", kNameValue + std::string(16384 - 40, 'n'),
                "Intel(R) Display Audio Output"),
       false},
      {"no render key", nlohmann::json::object(), false},
  };
  for (const auto& c : cases) {
    Use(Laptop(R"({"DisplayAudioRepair": "1"})", c.registry));
    EXPECT_EQ(HasDisplayAudioEndpoint(), c.found) << c.what;
    EXPECT_TRUE(emu::OpenRegistryKeys().empty()) << c.what;
  }
}

TEST_F(DisplayAudioTest, AStopDuringTheScanDelayStillRescans) {
  Use(Laptop(R"({"DisplayAudioRepair": "1"})", DisplayEndpoint()));
  CheckDisplayAudioOnMonitor();
  platform::Sleep(12000);
  emu::Scheduler::Instance().StopModuleThreads();
  emu::Scheduler::Instance().JoinModuleThreads();
  EXPECT_EQ(Timed(), (Ops{{10000, "uninstall"}, {12000, "rescan"}}));
  EXPECT_EQ(emu::Laptop::Instance().Get("devices.1.present"), true);
}

}  // namespace
