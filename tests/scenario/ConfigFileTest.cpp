// The device function switch file as the host lays it: read anew on every query, so a change
// during the run takes effect at the next one; and looked for in two places, beside the host
// executable (the switch query) and in the plug-in's folder (the display audio delays).
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "ScenarioRun.h"

namespace {

nlohmann::json Shipped(const std::string& file) {
  std::ifstream in(std::string(FD_SCENARIO_DIR) + "/" + file);
  std::stringstream text;
  text << in.rdbuf();
  return nlohmann::json::parse(text.str());
}

std::vector<std::int64_t> ReportTimes(const fdhost::RunResult& run, const std::string& event) {
  return TimesOf(run, "report", "event", event);
}

TEST(ConfigFile, AChangeDuringTheRunCountsFromTheNextQuery) {
  auto doc = Shipped("usb-hubs-report.json");
  doc["config"] = {{"usb", {{"ReportUsbDeviceType", "0"}}}};
  doc["run_for_ms"] = 60000;
  doc["timeline"] = nlohmann::json::parse(R"([
      {"at_ms": 10000, "device_event": {"event": "arrival", "interface": "usb"}},
      {"at_ms": 20000, "set": {"config.usb.ReportUsbDeviceType": "1"}},
      {"at_ms": 30000, "device_event": {"event": "arrival", "interface": "usb"}},
      {"at_ms": 40000, "set": {"config": null}},
      {"at_ms": 50000, "device_event": {"event": "arrival", "interface": "usb"}}])");
  const auto run = RunJson(doc.dump());
  ASSERT_TRUE(run.ok) << run.error;
  // Switched off at start-up and at 10 s, on at 30 s (one report per hub), gone at 50 s.
  EXPECT_EQ(ReportTimes(run, "627001001"), (std::vector<std::int64_t>{30000, 30000, 30000}));
}

// A switch file past 1 MiB is not read (no real one comes near): its switches count as off,
// as for an unreadable file, even when its text would turn them on. Just below, it is read.
TEST(ConfigFile, AnOversizedFileIsNotRead) {
  auto doc = Shipped("usb-hubs-report.json");
  doc.erase("config");
  doc["timeline"] = nlohmann::json::array();
  doc["run_for_ms"] = 10000;
  for (const std::size_t padding : {std::size_t{1} << 20, (std::size_t{1} << 20) - 1024}) {
    doc["config_xml"] =
        "<?xml version=\"1.0\"?>\n<config><usb><ReportUsbDeviceType>1"
        "</ReportUsbDeviceType></usb><!--" +
        std::string(padding, 'x') + "--></config>";
    const auto run = RunJson(doc.dump());
    ASSERT_TRUE(run.ok) << run.error;
    EXPECT_EQ(ReportTimes(run, "627001001").size(), padding >= (1u << 20) ? 0u : 3u) << padding;
  }
}

// The display audio laptop with the plug-in in a folder of its own.
nlohmann::json SeparatePluginFolder(const std::string& configFolder) {
  auto doc = Shipped("monitor-display-audio.json");
  doc["host"] = {{"plugin_dir", "C:\\Program Files\\Velmora\\Plugins\\FaultDetect"}};
  doc["config_folder"] = configFolder;
  return doc;
}

std::vector<std::int64_t> Uninstalls(const fdhost::RunResult& run) {
  return TimesOf(run, "device", "op", "uninstall");
}

TEST(ConfigFile, TheSwitchesAreReadBesideTheHostAndTheDelaysBesideThePlugin) {
  // Both folders one (the shipped laptop): switched on, uninstalled after the 8 s point delay.
  const auto together = RunJson(Shipped("monitor-display-audio.json").dump());
  EXPECT_EQ(Uninstalls(together), std::vector<std::int64_t>{38000});
  // Beside the host only: switched on, but the delay reader finds no file: 10 s, the default.
  const auto host = RunJson(SeparatePluginFolder("host").dump());
  EXPECT_EQ(Uninstalls(host), std::vector<std::int64_t>{40000});
  EXPECT_EQ(ReportTimes(host, "624000023").size(), 1u);
  // Beside the plug-in only: the switch query finds nothing, so nothing is repaired.
  const auto plugin = RunJson(SeparatePluginFolder("plugin_dir").dump());
  EXPECT_TRUE(Uninstalls(plugin).empty());
  EXPECT_TRUE(ReportTimes(plugin, "624000023").empty());
}

}  // namespace
