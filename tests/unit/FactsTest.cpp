// The declared laptop: defaults from the declaration, unknown or ill-typed facts refused with
// the key named, and the documentation's fact tables generated from the same declaration.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "emu/Laptop.h"
#include "emu/Scenario.h"

namespace {

std::string ErrorOf(const std::string& json) {
  try {
    emu::ParseScenario(json, "s.json");
  } catch (const emu::ScenarioError& e) {
    return e.what();
  }
  return "";
}

TEST(Facts, BadFactsAreRefusedWithTheirKey) {
  struct Case {
    const char* scenario;
    const char* named;
  };
  const Case cases[] = {
      // A misspelt fact would otherwise read as the healthy default.
      {R"({"wifi": {"problme_code": 10}})", "s.json: \"wifi.problme_code\" is not a fact"},
      {R"({"wifi": {"problem_code": "ten"}})", "\"wifi.problem_code\" is an integer"},
      {R"({"wifi": 10})", "\"wifi\" is an object of facts"},
      {R"({"touchpad": {"installed": "yes"}})", "\"touchpad.installed\" is true or false"},
      {R"({"monitors": {"addresses": [4357, "x"]}})",
       "\"monitors.addresses\" is a list of integers"},
      {R"({"disks": [{"number": 0, "modle": "X"}]})", "\"disks.0.modle\" is not a fact"},
      {R"({"disks": [{"number": 0, "attributes": [{"id": 5, "raw": true}]}]})",
       "\"disks.0.attributes.0.raw\" is an integer"},
      {R"({"services": {"Spooler": {"stat": "running"}}})", "\"services.Spooler.stat\""},
      {R"({"config_file_hex": "0g"})", "\"config_file_hex\" is a text of hexadecimal bytes"},
      {R"({"effects": {"rescan": {"wifi.problm_code": 0}}})",
       "\"effects.rescan\": \"wifi.problm_code\" is not a fact"},
      {R"({"effects": {"reboot": {}}})", "\"effects.reboot\": no such action"},
      {R"({"timeline": [{"at_ms": 5, "set": {"bluetooth.error_stat": 1}}]})",
       "s.json: timeline[0]: set: \"bluetooth.error_stat\" is not a fact"},
      {R"({"timeline": [{"at_ms": 5, "set": {"devices.0.present": "no"}}]})",
       "timeline[0]: set: \"devices.0.present\" is true or false"},
  };
  for (const auto& c : cases)
    EXPECT_NE(ErrorOf(c.scenario).find(c.named), std::string::npos)
        << c.scenario << " gave: " << ErrorOf(c.scenario);
}

TEST(Facts, WellTypedFactsAndNullsAreTaken) {
  EXPECT_EQ(ErrorOf(R"({"wifi": {"problem_code": "0xA", "hardware_id": ""},
      "touchpad": {"firmware": null}, "realtek": {"reset_results": [1, "0x2", 0]},
      "registry": {"HKLM\\X": {"A": 1, "B": {"REG_EXPAND_SZ": "x"}}},
      "effects": {"enable:PCI\\X": {"devices.0.present": true}, "exit:a.exe": {}},
      "bios_switches": {"1": {"readable": 1, "state": false}},
      "timeline": [{"at_ms": 1, "set": {"services": {"Spooler": {"state": "stopped"}}}}]})"),
            "");
}

TEST(Facts, DefaultsComeFromTheDeclaration) {
  const auto defaults = emu::FactDefaults();
  EXPECT_EQ(defaults["wifi"]["problem_code"], 0);
  EXPECT_EQ(defaults["product"]["name"], "Velmora Book 14");
  EXPECT_EQ(defaults["services"]["Winmgmt"]["state"], "running");
  EXPECT_EQ(defaults["monitors"]["addresses"], nlohmann::json::array({4357}));
  // Keyed facts' defaults are fallbacks, not entries; facts without a default are absent.
  EXPECT_FALSE(defaults.contains("disk_state"));
  EXPECT_FALSE(defaults.contains("config"));
  EXPECT_EQ(emu::CheckFacts(defaults), "");
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// scenarios/README.md carries both tables as `fdhost facts` prints them.
TEST(Facts, TheDocumentedTablesAreTheDeclaration) {
  const std::string readme = ReadFile(FD_SCENARIO_DIR "/README.md");
  ASSERT_FALSE(readme.empty());
  for (const bool disks : {false, true}) {
    const std::string table = emu::FactTableMarkdown(disks);
    EXPECT_NE(readme.find(table), std::string::npos)
        << "scenarios/README.md differs from the declared " << (disks ? "disk keys" : "facts")
        << "; run `fdhost facts` and paste its tables. Expected:\n"
        << table;
  }
}

}  // namespace
