// The simulator's checkers: quiet on real runs, and each one fires on the fault it exists to
// catch, planted once into a real transcript.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "ScenarioRun.h"
#include "fdhost/sim/Checkers.h"
#include "platform/Module.h"

namespace {

using fdhost::sim::JudgeTranscript;
using Lines = std::vector<emu::Line>;

// The names of the checkers that fail on a copy of the transcript changed by `plant`.
std::vector<std::string> FailingAfterPlant(const emu::Scenario& scenario, Lines lines,
                                           const std::function<void(Lines&)>& plant) {
  plant(lines);
  std::vector<std::string> names;
  for (const auto& v : JudgeTranscript(scenario, lines).failures)
    names.push_back(v.checker);
  return names;
}

// A short laptop life with answers of every body type, reports of several forms and a
// touchpad burst that reaches the hourly limit.
constexpr char kLaptop[] = R"({
  "run_for_ms": 2400000,
  "product": { "supported_plugins": ["orba_plugin_hardware_report"] },
  "config": { "monitor": { "ReportMonitorDeviceType": "1" } },
  "monitors": { "addresses": [4357, 8453], "hardware_ids": ["MONITOR\\BOE0A1B", "MONITOR\\VLM2701"] },
  "disks": [ { "number": 0, "model": "ST1000LM048-2E7172", "attributes": [{ "id": 9, "raw": 5 }] } ],
  "files": { "C:\\Windows\\System32\\drivers\\etc\\hosts": "127.0.0.1 localhost\n" },
  "links": { "C:\\Program Files\\Velmora\\Service\\VelmoraService.log":
             { "to": "C:\\Windows\\System32\\drivers\\etc\\hosts", "kind": "hard" } },
  "timeline": [
    { "at_ms": 1000, "ipc_request": { "msg": "0x390024", "src": "0x10000", "reply": "0x70000001", "payload_hex": "01" } },
    { "at_ms": 2000, "ipc_request": { "msg": "0x39001A", "src": "0x10000", "reply": "0x70000002", "payload_hex": "5700690000004100" } },
    { "at_ms": 3000, "ipc_request": { "msg": "0x390012", "src": "0x10000", "reply": "0x70000003", "payload_hex": "07" } },
    { "at_ms": 4000, "ipc_request": { "msg": "0x380003", "src": "0x10000", "reply": "0x70000004" } },
    { "at_ms": 5000, "ipc_request": { "msg": "0x390017", "src": "0x10000", "reply": "0x70000005" } },
    { "at_ms": 6000, "ipc_request": { "msg": "0x390010", "src": "0x10000", "reply": "0x70000006" } },
    { "at_ms": 60000, "vendor_event": { "library": "touchpad", "code": 4, "count": 100, "interval_ms": 1000 } }
  ]
})";

class Checkers : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    scenario_ = new emu::Scenario(emu::ParseScenario(kLaptop, "checkers"));
    transcript_ = new std::vector<emu::Line>(fdhost::RunScenario(*scenario_, {}).transcript);
  }
  static void TearDownTestSuite() {
    delete scenario_;
    delete transcript_;
  }

  static std::vector<std::string> FailingAfter(const std::function<void(Lines&)>& plant) {
    return FailingAfterPlant(*scenario_, *transcript_, plant);
  }

  static std::vector<emu::Line>::iterator Find(std::vector<emu::Line>& lines, const char* kind,
                                               const char* key, const emu::Line& value) {
    return std::find_if(lines.begin(), lines.end(), [&](const emu::Line& l) {
      return l["kind"] == kind && l.contains(key) && l[key] == value;
    });
  }

  static emu::Scenario* scenario_;
  static std::vector<emu::Line>* transcript_;
};
emu::Scenario* Checkers::scenario_ = nullptr;
std::vector<emu::Line>* Checkers::transcript_ = nullptr;

TEST_F(Checkers, QuietOnARealRunAndEachHadSomethingToJudge) {
  const auto judged = JudgeTranscript(*scenario_, *transcript_);
  for (const auto& v : judged.failures)
    ADD_FAILURE() << v.checker << ": " << v.detail;
  for (const char* name :
       {"fault_lines", "after_unload", "answers", "reports", "report_limits", "links"})
    EXPECT_TRUE(judged.judged.count(name)) << name;
}

TEST_F(Checkers, AnswersFireOnTwiceNeverWrongShapeAndUnasked) {
  const std::vector<std::string> answers = {"answers"};
  // The BIOS switch answered twice.
  EXPECT_EQ(FailingAfter([](Lines& lines) {
              auto it = Find(lines, "ipc", "msg", 0x70000001);
              lines.insert(it + 1, *it);
            }),
            answers);
  // The service start never answered (sent long before the unload).
  EXPECT_EQ(FailingAfter([](Lines& lines) { lines.erase(Find(lines, "ipc", "msg", 0x70000002)); }),
            answers);
  // The service name in the answer is not the one asked for.
  EXPECT_EQ(FailingAfter([](Lines& lines) {
              (*Find(lines, "ipc", "msg", 0x70000002))["payload_hex"] =
                  "0100000001000000010000005700000000000000";
            }),
            answers);
  // A device-type answer for another type, and a BIOS answer one byte short.
  EXPECT_EQ(FailingAfter([](Lines& lines) {
              (*Find(lines, "ipc", "msg", 0x70000003))["payload_hex"] =
                  "01000000010000000500000001000000";
            }),
            answers);
  EXPECT_EQ(FailingAfter([](Lines& lines) {
              (*Find(lines, "ipc", "msg", 0x70000001))["payload_hex"] = "010000000100000001";
            }),
            answers);
  // A disk answer cut short.
  EXPECT_EQ(FailingAfter([](Lines& lines) {
              auto& hex = (*Find(lines, "ipc", "msg", 0x70000004))["payload_hex"];
              ASSERT_GT(hex.get<std::string>().size(), 20u);
              hex = hex.get<std::string>().substr(0, 20);
            }),
            answers);
  // An answer to the rescan, which has none, and to a device request without payload.
  for (const int reply : {0x70000005, 0x70000006}) {
    EXPECT_EQ(FailingAfter([reply](Lines& lines) {
                auto answer = *Find(lines, "ipc", "msg", 0x70000001);
                answer["msg"] = reply;
                lines.insert(lines.end() - 3, answer);
              }),
              answers)
        << reply;
  }
}

TEST_F(Checkers, ReportsFireOnUnknownIdsAndBrokenForms) {
  const std::vector<std::string> reports = {"reports"};
  EXPECT_EQ(FailingAfter([](Lines& lines) {
              (*Find(lines, "report", "event", "627002001"))["event"] = "627002009";
            }),
            reports);
  EXPECT_EQ(FailingAfter([](Lines& lines) {
              (*Find(lines, "report", "event", "627002001"))["content"] =
                  R"({"Numbers":"3","Address0":"4357","Address1":"8453","DriverVersion":""})";
            }),
            reports);
  EXPECT_EQ(FailingAfter([](Lines& lines) {
              (*Find(lines, "report", "event", "627003001"))["content"] =
                  R"({"version":"3.1.0.18","reportId":"4"})";
            }),
            reports);
  EXPECT_EQ(FailingAfter([](Lines& lines) {
              (*Find(lines, "report", "event", "627003001"))["content"] = "not json";
            }),
            reports);
}

// The disk request deletes the debug log, which the laptop made a hard link: a deletion there
// went through the link.
TEST_F(Checkers, LinksFireOnADeletionThroughALink) {
  EXPECT_EQ(FailingAfter([](Lines& lines) {
              emu::Line deleted = {{"t_ms", 4000}, {"kind", "file"}, {"op", "deleted"}};
              deleted["path"] = "C:\\Program Files\\Velmora\\Service\\VelmoraService.log";
              lines.insert(lines.end() - 3, deleted);
            }),
            std::vector<std::string>{"links"});
}

TEST_F(Checkers, ReportLimitsFireOnTheTouchpadWindowAndTheMonitorCount) {
  const std::vector<std::string> limits = {"report_limits"};
  // The hundredth report within the hour without the limit's report...
  EXPECT_EQ(
      FailingAfter([](Lines& lines) { lines.erase(Find(lines, "report", "event", "627003002")); }),
      limits);
  // ...and a report after it.
  EXPECT_EQ(FailingAfter([](Lines& lines) {
              auto limit = Find(lines, "report", "event", "627003002");
              lines.insert(limit + 1, *Find(lines, "report", "event", "627003001"));
            }),
            limits);
  EXPECT_EQ(FailingAfter([](Lines& lines) {
              const auto report = *Find(lines, "report", "event", "627002001");
              lines.insert(lines.end() - 3, 100, report);
            }),
            limits);
}

TEST_F(Checkers, FaultLinesAndLinesAfterTheUnloadFire) {
  EXPECT_EQ(FailingAfter([](Lines& lines) {
              lines.push_back({{"t_ms", 2400000},
                               {"kind", "fault"},
                               {"what", "devices left disabled"},
                               {"details", {"PCI\\VEN_10DE&DEV_25A2"}}});
            }),
            std::vector<std::string>{"fault_lines"});
  // Unless the enumeration was refused while the plug-in stopped: then its last attempt to
  // enable the device could not find it.
  for (const std::int64_t refusedAt : {2400000, 1200}) {
    EXPECT_EQ(
        FailingAfter([refusedAt](Lines& lines) {
          lines.insert(lines.end() - 3, emu::Line{{"t_ms", refusedAt},
                                                  {"kind", "fault_injected"},
                                                  {"call", "SetupDiEnumDeviceInfo"},
                                                  {"argument", ""},
                                                  {"error", 13}});
          lines.push_back({{"t_ms", 2400000},
                           {"kind", "fault"},
                           {"what", "devices left disabled"},
                           {"details", {"PCI\\VEN_10DE&DEV_25A2"}}});
        }),
        refusedAt == 1200 ? std::vector<std::string>{"fault_lines"} : std::vector<std::string>{})
        << refusedAt;
  }
  EXPECT_EQ(FailingAfter([](Lines& lines) {
              lines.push_back(*Find(lines, "report", "event", "627002001"));
            }),
            std::vector<std::string>{"after_unload"});
  EXPECT_EQ(FailingAfter([](Lines& lines) { lines.erase(Find(lines, "host", "op", "unload")); }),
            std::vector<std::string>{"after_unload"});
}

TEST(ReportForms, FollowTheSendersKeys) {
  using fdhost::sim::ReportFormProblem;
  const auto none = emu::Line::object();
  EXPECT_EQ(ReportFormProblem("608005011", "", none), "");
  EXPECT_NE(ReportFormProblem("608005011", "{}", none), "");  // no content, not "{}"
  EXPECT_EQ(ReportFormProblem("608005014", "", {{"0", "2"}}), "");
  EXPECT_NE(ReportFormProblem("608005014", "", none), "");
  EXPECT_EQ(ReportFormProblem("609001044",
                              R"({"try1":"5","try2":"5","trytime":"3","result":"0","times":"1",)"
                              R"("DriverVersion":"1.0"})",
                              none),
            "");
  EXPECT_NE(ReportFormProblem("609001044",
                              R"({"try2":"5","try1":"5","trytime":"3","result":"0",)"
                              R"("times":"1","DriverVersion":"1.0"})",
                              none),
            "");
  EXPECT_EQ(ReportFormProblem("615001001",
                              R"({"Interface":"SATA","Firmware":"F","Model":"M","IsSSD":"0",)"
                              R"("DiskSize":"1000","Event51":"1772352300","Event51Numbers":"1",)"
                              R"("5":"100,100,36,0","9":"100,100,0,3712"})",
                              none),
            "");
  EXPECT_NE(ReportFormProblem("627001001", R"({"hubId":"H","Port1":"HID"})", none), "");
  EXPECT_NE(ReportFormProblem("624000023", R"({"result":1})", none), "");  // values are texts
}

}  // namespace

namespace {

// fdhost's own unload check behind the fault_lines checker: a device still present and
// disabled is a fault; one that has gone away cannot be enabled by anyone and is not.
TEST(UnloadCheck, NamesDisabledDevicesThatArePresent) {
  const auto run = RunJson(R"({
    "run_for_ms": 1000,
    "devices": [ { "class": "{4D36E968-E325-11CE-BFC1-08002BE10318}", "hardware_ids": ["PCI\\VEN_10DE&DEV_25A2"] },
                 { "class": "{4D36E968-E325-11CE-BFC1-08002BE10318}", "hardware_ids": ["PCI\\VEN_10DE&DEV_1F99"], "present": false } ],
    "disabled_devices": ["PCI\\VEN_10DE&DEV_25A2", "PCI\\VEN_10DE&DEV_1F99"]
  })");
  const auto faults = OfKind(run, "fault");
  ASSERT_EQ(faults.size(), 1u);
  EXPECT_EQ(faults[0]["what"], "devices left disabled");
  EXPECT_EQ(faults[0]["details"], nlohmann::json::array({"PCI\\VEN_10DE&DEV_25A2"}));
}

}  // namespace

namespace {

// ...and a library still loaded after the unload is one too (here the test holds one).
TEST(UnloadCheck, NamesLibrariesLeftLoaded) {
  HMODULE held = platform::LoadLibraryExA("TactraHidAPI.dll", nullptr, 0);
  ASSERT_NE(held, nullptr);
  const auto run = RunJson(R"({ "run_for_ms": 1000 })");
  platform::FreeLibrary(held);
  const auto faults = OfKind(run, "fault");
  ASSERT_EQ(faults.size(), 1u);
  EXPECT_EQ(faults[0]["what"], "libraries left loaded");
  EXPECT_EQ(faults[0]["details"], nlohmann::json::array({"TactraHidAPI.dll"}));
  EXPECT_TRUE(OfKind(RunJson(R"({ "run_for_ms": 1000 })"), "fault").empty());
}

}  // namespace

namespace {

// With a restart the checkers judge each life of the plug-in on its own.
class CheckersAcrossARestart : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    scenario_ = new emu::Scenario(emu::ParseScenario(R"({
      "run_for_ms": 7200000, "restarts_at_ms": [1900000],
      "timeline": [
        { "at_ms": 1000, "ipc_request": { "msg": "0x390024", "src": "0x10000", "reply": "0x70000001", "payload_hex": "01" } },
        { "at_ms": 1899000, "ipc_request": { "msg": "0x390024", "src": "0x10000", "reply": "0x70000002", "payload_hex": "01" } },
        { "at_ms": 1800000, "vendor_event": { "library": "touchpad", "code": 4, "count": 60, "interval_ms": 1000 } },
        { "at_ms": 1901000, "vendor_event": { "library": "touchpad", "code": 4, "count": 60, "interval_ms": 1000 } }
      ]
    })",
                                                     "restart"));
    transcript_ = new Lines(fdhost::RunScenario(*scenario_, {}).transcript);
  }
  static void TearDownTestSuite() {
    delete scenario_;
    delete transcript_;
  }
  static std::vector<std::string> FailingAfter(const std::function<void(Lines&)>& plant) {
    return FailingAfterPlant(*scenario_, *transcript_, plant);
  }
  // The index of the first unload (the restart's).
  static std::ptrdiff_t FirstUnload(const Lines& lines) {
    return std::find_if(
               lines.begin(), lines.end(),
               [](const emu::Line& l) { return l["kind"] == "host" && l["op"] == "unload"; }) -
           lines.begin();
  }
  static emu::Scenario* scenario_;
  static Lines* transcript_;
};
emu::Scenario* CheckersAcrossARestart::scenario_ = nullptr;
Lines* CheckersAcrossARestart::transcript_ = nullptr;

TEST_F(CheckersAcrossARestart, QuietOnTheRealRun) {
  // 120 touchpad reports within the hour, but in two lives: the new life's window starts
  // again, so no limit is due.
  EXPECT_EQ(FailingAfter([](Lines&) {}), std::vector<std::string>{});
  std::size_t touchpad = 0;
  for (const auto& line : *transcript_)
    touchpad += line["kind"] == "report" && line["event"] == "627003001";
  EXPECT_EQ(touchpad, 120u);
}

TEST_F(CheckersAcrossARestart, APlugInLineBetweenUnloadAndReloadFails) {
  EXPECT_EQ(FailingAfter([](Lines& lines) {
              const auto at = FirstUnload(lines);
              auto report = *std::find_if(lines.begin(), lines.end(),
                                          [](const emu::Line& l) { return l["kind"] == "report"; });
              lines.insert(lines.begin() + at + 1, report);
            }),
            std::vector<std::string>{"after_unload"});
}

TEST_F(CheckersAcrossARestart, AnAnswerIsDueBeforeItsOwnLifeEnds) {
  // The first request had half an hour before the restart: without its answer it fails; the
  // second came a second before the restart, so its answer may be lost with the first life.
  EXPECT_EQ(FailingAfter([](Lines& lines) {
              lines.erase(std::find_if(lines.begin(), lines.end(), [](const emu::Line& l) {
                return l["kind"] == "ipc" && l["msg"] == 0x70000001;
              }));
            }),
            std::vector<std::string>{"answers"});
  EXPECT_EQ(FailingAfter([](Lines& lines) {
              lines.erase(std::find_if(lines.begin(), lines.end(), [](const emu::Line& l) {
                return l["kind"] == "ipc" && l["msg"] == 0x70000002;
              }));
            }),
            std::vector<std::string>{});
}

}  // namespace
