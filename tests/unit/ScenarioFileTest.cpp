#include <gtest/gtest.h>

#include "emu/Laptop.h"
#include "emu/Scenario.h"

namespace {

std::string ErrorOf(const std::string& json) {
  try {
    emu::ParseScenario(json, "t.json");
  } catch (const emu::ScenarioError& e) {
    return e.what();
  }
  return "accepted";
}

TEST(ScenarioFile, CoreKeysAndLaptopOverrides) {
  const auto s = emu::ParseScenario(R"({
    "start_time": "2026-03-01T08:00:00Z", "run_for_ms": "0x3e8",
    "product": { "index": 8 },
    "timeline": [
      { "at_ms": 500, "broadcast": { "msg": "0xA0004" } },
      { "at_ms": 100, "ipc_request": { "msg": 3735555, "src": "0x10000", "payload_hex": "ff" } },
      { "at_ms": 100, "set": { "wifi.problem_code": 10 } }
    ]})",
                                    "t.json");
  EXPECT_EQ(s.startEpochMs, 1772352000000);
  EXPECT_EQ(s.runForMs, 1000);
  ASSERT_EQ(s.timeline.size(), 3u);
  EXPECT_EQ(s.timeline[0].kind, "ipc_request");  // sorted by time, ties kept in file order
  EXPECT_EQ(s.timeline[1].kind, "set");
  EXPECT_EQ(s.timeline[2].kind, "broadcast");
  EXPECT_FALSE(s.laptop.contains("timeline"));
  EXPECT_EQ(s.laptop["product"]["index"], 8);

  auto& laptop = emu::Laptop::Instance();
  laptop.Load(s.laptop);
  EXPECT_EQ(laptop.Int(emu::FactOf("product.index", emu::FactType::Integer)), 8);
  // Defaults kept beside the scenario's facts.
  EXPECT_EQ(laptop.Text(emu::FactOf("product.name", emu::FactType::Text)), "Velmora Book 14");
  laptop.Set("wifi.problem_code", "0xA");
  EXPECT_EQ(laptop.Int(emu::FactOf("wifi.problem_code", emu::FactType::Integer)), 10);
  // Keyed facts: an unlisted key reads as the declared default.
  EXPECT_EQ(laptop.Text(emu::FactOf("services.*.state", emu::FactType::Text), {"Winmgmt"}),
            "running");
  EXPECT_EQ(laptop.Text(emu::FactOf("services.*.start", emu::FactType::Text), {"Nothing"}), "ok");
  EXPECT_TRUE(laptop.Json(emu::FactOf("services.*", emu::FactType::Map), {"Nothing"}).is_null());
}

TEST(ScenarioFile, MistakesAreNamed) {
  EXPECT_NE(ErrorOf("{").find("not JSON"), std::string::npos);
  EXPECT_NE(ErrorOf("[]").find("JSON object"), std::string::npos);
  EXPECT_NE(ErrorOf(R"({"start_time": "yesterday"})").find("start_time"), std::string::npos);
  EXPECT_NE(ErrorOf(R"({"run_for_ms": "soon"})").find("run_for_ms"), std::string::npos);
  EXPECT_NE(ErrorOf(R"({"timeline": [{"broadcast": {"msg": 1}}]})").find("timeline[0]"),
            std::string::npos);
  EXPECT_NE(ErrorOf(R"({"timeline": [{"at_ms": 1, "jump": {}}]})").find("needs one of"),
            std::string::npos);
  EXPECT_NE(ErrorOf(R"({"timeline": [{"at_ms": 1, "ipc_request": {"src": 1}}]})").find("\"msg\""),
            std::string::npos);
  EXPECT_NE(ErrorOf(R"({"timeline": [{"at_ms": 1, "ipc_request": {"msg": 1, "src": 1,
            "payload_hex": "abc"}}]})")
                .find("payload_hex"),
            std::string::npos);
  EXPECT_NE(ErrorOf(R"({"timeline": [{"at_ms": 1, "device_event": {"event": "removal",
            "interface": "floppy"}}]})")
                .find("interface"),
            std::string::npos);
  EXPECT_NE(ErrorOf(R"({"timeline": [{"at_ms": 1, "set": {}, "broadcast": {"msg": 1}}]})")
                .find("one input per entry"),
            std::string::npos);
  EXPECT_NE(ErrorOf(R"({"timeline": [{"at_ms": 1, "vendor_event": {"library": "touchpad",
            "count": 0}}]})")
                .find("\"count\" is 1 to 10000"),
            std::string::npos);
  EXPECT_NE(ErrorOf(R"({"timeline": [{"at_ms": 1, "device_event": {"event": "arrival",
            "interface": "monitor", "monitor": {"address": "far"}}}]})")
                .find("monitor"),
            std::string::npos);
  EXPECT_NE(ErrorOf(R"({"timeline": [{"at_ms": 1, "file": {"path": "C:\\x"}}]})").find("\"text\""),
            std::string::npos);
  // What a person does: one action, of the right type.
  const std::pair<const char*, const char*> ui[] = {
      {R"({})", "needs one of"},
      {R"({"click": "btnNext", "key": "alt+f4"})", "needs one of"},
      {R"({"click": 3})", "control's name"},
      {R"({"key": "f5"})", "alt+f4"},
      {R"({"choose": 0})", "user data"},
      {R"({"window": 1, "choose": "0"})", "class name"},
      {R"("btnNext")", "takes an object"},
  };
  for (const auto& [action, message] : ui) {
    const std::string error =
        ErrorOf(std::string(R"({"timeline": [{"at_ms": 1, "ui": )") + action + "}]}");
    EXPECT_NE(error.find("timeline[0]: "), std::string::npos) << error;
    EXPECT_NE(error.find(message), std::string::npos) << error;
  }
  EXPECT_EQ(ErrorOf(R"({"timeline": [{"at_ms": 1, "ui": {"choose": null}}]})"), "accepted");
  // Found by fuzzing: these used to escape as library exceptions and end fdhost.
  EXPECT_NE(ErrorOf(R"({"run_for_ms": 1E7172})").find("not JSON"), std::string::npos);
  EXPECT_NE(ErrorOf(R"({"start_time": 5})").find("wrong type"), std::string::npos);
  EXPECT_NE(ErrorOf(R"({"run_for_ms": "99999999999999999999"})").find("run_for_ms"),
            std::string::npos);
}

}  // namespace
