// Failures injected at single seam calls, grouped by seam: each shows the outcome the plug-in
// gives for that failure (a log line, a registration that does not happen, a job that does
// not run), with the injected failure itself in the transcript.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <set>
#include <sstream>

#include "ScenarioRun.h"
#include "emu/Faults.h"

namespace {

// A shipped scenario with faults added.
fdhost::RunResult RunWithFaults(const std::string& file, const std::string& faults) {
  std::ifstream in(std::string(FD_SCENARIO_DIR) + "/" + file);
  std::stringstream text;
  text << in.rdbuf();
  auto doc = nlohmann::json::parse(text.str());
  doc["faults"] = nlohmann::json::parse(faults);
  return RunJson(doc.dump());
}

std::vector<std::string> Ops(const fdhost::RunResult& run, const std::string& kind,
                             const std::string& op) {
  std::vector<std::string> out;
  for (const auto& line : OfKind(run, kind)) {
    if (line.value("op", "") == op)
      out.push_back(line.value("class_guid", line.value("class", "")));
  }
  return out;
}

bool Logged(const fdhost::RunResult& run, const std::string& text, const std::string& function) {
  for (const auto& line : OfKind(run, "log")) {
    if (line["text"] == text && line["function"] == function && line["level"] == 40000)
      return true;
  }
  return false;
}

void ExpectCleanEnd(const fdhost::RunResult& run) {
  ASSERT_TRUE(run.ok) << run.error;
  EXPECT_TRUE(OfKind(run, "fault").empty()) << OfKind(run, "fault")[0].dump();
  EXPECT_EQ(run.transcript.back()["kind"], "host");
}

TEST(FaultsAtWindows, NoNotificationWindowMeansNoDeviceWatch) {
  const auto run =
      RunWithFaults("bluetooth-arrival-realtek.json", R"([{"call": "CreateWindowExW", "nth": 1}])");
  ExpectCleanEnd(run);
  ASSERT_EQ(OfKind(run, "fault_injected").size(), 1u);
  EXPECT_EQ(OfKind(run, "fault_injected")[0]["argument"], "VirtualWnd_DeviceChanged");
  // Every registration goes to a null window and fails: no notification, so the radio's
  // arrivals reach no window and the follow-up notice 0x380007 is never posted.
  EXPECT_TRUE(Ops(run, "window", "register_notification").empty());
  EXPECT_EQ(TimesOf(run, "window", "windows", 0), (std::vector<std::int64_t>{50000, 80000}));
  EXPECT_TRUE(TimesOf(run, "ipc", "msg", 0x380007).empty());
}

TEST(FaultsAtWindows, OneClassWithoutNotificationLeavesTheOthers) {
  const auto run = RunWithFaults(
      "bluetooth-arrival-realtek.json",
      R"([{"call": "RegisterDeviceNotificationW", "argument": "{0850302A", "from_ms": 0}])");
  ExpectCleanEnd(run);
  const auto registered = Ops(run, "window", "register_notification");
  EXPECT_EQ(registered, (std::vector<std::string>{"{CAC88484-7515-4C03-82E6-71A87ABAC361}",
                                                  "{E6F07B5F-EE97-4A90-B076-33F57BF4EAA7}"}));
  // The Bluetooth class is unwatched: its arrivals reach no window.
  EXPECT_EQ(TimesOf(run, "window", "windows", 0), (std::vector<std::int64_t>{50000, 80000}));
  EXPECT_TRUE(TimesOf(run, "ipc", "msg", 0x380007).empty());
  EXPECT_EQ(Ops(run, "window", "unregister_notification").size(), 2u);
}

TEST(FaultsAtTheBus, AFailedRestartRequestIsLogged) {
  const auto run =
      RunWithFaults("fix-remind-repair-restart.json",
                    R"([{"call": "PostIPCMessage", "argument": "0xF0006", "from_ms": 0}])");
  ExpectCleanEnd(run);
  EXPECT_TRUE(Logged(run, "RestartMsg msg send failed", "FixpRemindRestartManager::RestartNow"));
  EXPECT_EQ(TimesOf(run, "report", "event", "608005013"), std::vector<std::int64_t>{120000});
}

bool Warned(const fdhost::RunResult& run, const std::string& text) {
  for (const auto& line : OfKind(run, "log")) {
    if (line["text"] == text && line["level"] == 30000)
      return true;
  }
  return false;
}

TEST(FaultsAtTheBus, AFailedSubscriptionMissesTheRecheckBroadcast) {
  const auto heard = RunWithFaults("bluetooth-missing-in-usb-class.json", "[]");
  EXPECT_EQ(TimesOf(heard, "report", "event", "609001035"), std::vector<std::int64_t>{65000});
  const auto run = RunWithFaults("bluetooth-missing-in-usb-class.json",
                                 R"([{"call": "SubscribeIPCMessage", "nth": 1}])");
  ExpectCleanEnd(run);
  // The plug-in never joined the broadcast group: the 0xA0004 at 60 s re-checks nothing.
  EXPECT_TRUE(TimesOf(run, "report", "event", "609001035").empty());
}

TEST(FaultsAtTheRegistry, AnUnreadableServiceLibraryLooksDamaged) {
  const auto run =
      RunWithFaults("fix-check-not-needed.json",
                    R"([{"call": "RegQueryValueExW", "argument": "ServiceDll", "nth": 1}])");
  ExpectCleanEnd(run);
  EXPECT_TRUE(Warned(run, "servicedll not exit "));
  EXPECT_EQ(TimesOf(run, "report", "event", "608005010"), std::vector<std::int64_t>{10000});
}

TEST(FaultsAtTheRegistry, AKeyThatCannotBeOpenedCountsAsMissing) {
  // The Netkeeper program key cannot be opened: the client counts as not installed, so the
  // damaged registration needs no prompt.
  const auto run =
      RunWithFaults("fix-remind-repair-restart.json",
                    R"([{"call": "RegOpenKeyExW", "argument": "Netkeeper.exe", "from_ms": 0}])");
  ExpectCleanEnd(run);
  EXPECT_FALSE(OfKind(run, "fault_injected").empty());
  EXPECT_FALSE(Warned(run, "netKeeper exit "));
  EXPECT_TRUE(Warned(run, "Parameters not exit "));
  EXPECT_TRUE(TimesOf(run, "report", "event", "608005010").empty());
  EXPECT_TRUE(TimesOf(run, "ipc", "dst", 0x40000).empty());
}

TEST(FaultsAtTheEventLog, AFailedSubscriptionHearsNothing) {
  const auto run = RunWithFaults("bthusb-events.json",
                                 R"([{"call": "EvtSubscribe", "argument": "BTHUSB", "nth": 1}])");
  ExpectCleanEnd(run);
  // The BTHUSB records are written but nobody listens: no report, no re-power.
  EXPECT_TRUE(TimesOf(run, "report", "event", "609001042").empty());
  EXPECT_TRUE(TimesOf(run, "device", "op", "repower").empty());
  EXPECT_FALSE(OfKind(run, "input").empty());
}

TEST(FaultsAtModules, AVendorLibraryThatCannotBeLoaded) {
  const auto run =
      RunWithFaults("bluetooth-arrival-realtek.json",
                    R"([{"call": "LoadLibraryExA", "argument": "RtkBTReset.dll", "from_ms": 0}])");
  ExpectCleanEnd(run);
  // Every wrapper finds no entry: registration fails three times and is logged once.
  EXPECT_TRUE(Logged(run, "fail load dll", "DynamicDll::RtkBtStartWatchUsbErrFunc"));
  EXPECT_TRUE(Logged(run, "regist fail", "DeviceDriverErrorDetectEx::RegistRealtekCallBack"));
  // The library never ran: the timeline's Realtek callback finds it not loaded.
  int realtek = 0;
  for (const auto& line : OfKind(run, "vendor")) {
    if (line.value("library", "") == "realtek") {
      EXPECT_EQ(line["op"], "not_loaded");
      ++realtek;
    }
  }
  EXPECT_GT(realtek, 0);
}

TEST(FaultsAtThreads, AThreadThatCannotBeCreatedIsLoggedNotThrown) {
  const auto run = RunWithFaults("demo-laptop-day.json", R"([{"call": "CreateThread", "nth": 1}])");
  ExpectCleanEnd(run);
  const auto logs = OfKind(run, "log");
  ASSERT_FALSE(logs.empty());
  EXPECT_EQ(logs[0]["text"], "thread creation failed: 8");
  EXPECT_EQ(logs[0]["function"], "CMsgEvent::Register");
  // The start-up jobs never ran: no Wi-Fi report, though the card has problem code 10.
  EXPECT_TRUE(TimesOf(run, "report", "event", "608001011").empty());
}

TEST(FaultsAtThreads, AWorkerThatCannotStartIsLoggedByItsHandler) {
  const auto run =
      RunWithFaults("device-requests.json", R"([{"call": "CreateThread", "from_ms": 1}])");
  ExpectCleanEnd(run);
  std::set<std::string> functions;
  for (const auto& line : OfKind(run, "log")) {
    if (line["text"] == "thread creation failed: 8")
      functions.insert(line["function"].get<std::string>());
  }
  EXPECT_TRUE(functions.count("CMsgEvent::OnRecvSetDeviceEnableQueryMsg"));
  EXPECT_TRUE(functions.count("CMsgEvent::OnRecvResetDeviceDriverMsg"));
  for (const auto& function : functions)
    EXPECT_EQ(function.find("anonymous"), std::string::npos) << function;
  // No worker ran, so no request was answered.
  EXPECT_TRUE(OfKind(run, "ipc").empty());
}

std::vector<std::string> Answers(const fdhost::RunResult& run) {
  std::vector<std::string> out;
  for (const auto& line : OfKind(run, "ipc"))
    out.push_back(line.dump());
  return out;
}

TEST(FaultsAtStorage, AFailedPassThroughFallsBackToTheNextPath) {
  const auto plain = RunWithFaults("disks-nvme-and-hdd.json", "[]");
  // IOCTL_ATA_PASS_THROUGH fails on every call: the reader takes the legacy S.M.A.R.T. path.
  const auto run =
      RunWithFaults("disks-nvme-and-hdd.json",
                    R"([{"call": "DeviceIoControl", "argument": "0x0004D02C", "from_ms": 0}])");
  ExpectCleanEnd(run);
  EXPECT_GT(OfKind(run, "fault_injected").size(), 1u);
  ASSERT_EQ(Answers(plain).size(), 3u);
  EXPECT_EQ(Answers(run), Answers(plain));
}

TEST(FaultsAtStorage, NoControlAnsweredMeansNoDisk) {
  const auto run =
      RunWithFaults("disks-nvme-and-hdd.json", R"([{"call": "DeviceIoControl", "from_ms": 0}])");
  ExpectCleanEnd(run);
  // As on a laptop without disks: the three disk requests get no answer.
  EXPECT_TRUE(Answers(run).empty());
}

TEST(FaultsAtProcesses, TheSetupWatchGoesOnWithoutAHandle) {
  const auto run =
      RunWithFaults("wifi-repair-request-reinstall.json",
                    R"([{"call": "OpenProcess", "argument": "setup.exe", "from_ms": 0}])");
  ExpectCleanEnd(run);
  EXPECT_FALSE(OfKind(run, "fault_injected").empty());
  EXPECT_TRUE(emu::Faults::Instance().Counts().count("OpenProcess"));
}

// The transcript without the lines a test adds on purpose.
std::vector<std::string> Without(const fdhost::RunResult& run,
                                 const std::vector<std::string>& kinds) {
  std::vector<std::string> out;
  for (const auto& line : run.transcript) {
    if (std::find(kinds.begin(), kinds.end(), line["kind"]) == kinds.end())
      out.push_back(line.dump());
  }
  return out;
}

// Windows sends WM_DEVICECHANGE for more than interface arrivals and removals: queries,
// volumes and ports, and "the device tree changed" without a header. The plug-in's window
// handles none of them.
TEST(OtherDeviceChanges, AreIgnored) {
  const std::string laptop = R"("realtek": {"installed": "windows"}, "run_for_ms": 30000)";
  const auto plain = RunJson("{" + laptop + "}");
  const auto noisy = RunJson("{" + laptop + R"(, "timeline": [
      {"at_ms": 1000, "device_event": {"wparam": "0x8001", "interface": "bluetooth"}},
      {"at_ms": 2000, "device_event": {"wparam": "0x8000", "header_type": 2}},
      {"at_ms": 3000, "device_event": {"event": "removal", "header_type": 3}},
      {"at_ms": 4000, "device_event": {"wparam": 7}},
      {"at_ms": 5000, "device_event": {"wparam": "0x8006", "interface": "network"}}]})");
  ExpectCleanEnd(noisy);
  const auto changes = OfKind(noisy, "window");
  std::vector<emu::Line> delivered;
  for (const auto& line : changes) {
    if (line["op"] == "device_change")
      delivered.push_back(line);
  }
  ASSERT_EQ(delivered.size(), 5u);
  EXPECT_EQ(delivered[0]["windows"], 1);  // the Bluetooth class's registration
  EXPECT_EQ(delivered[1]["header_type"], 2);
  EXPECT_EQ(delivered[1]["windows"], 1);  // every window: the one hidden window
  EXPECT_FALSE(delivered[3].contains("header_type"));
  EXPECT_EQ(Without(noisy, {"input", "window"}), Without(plain, {"input", "window"}));
}

// scenarios/README.md lists the calls that can fail as `fdhost facts` prints them.
TEST(FaultRules, TheDocumentedTableIsTheDeclaration) {
  std::ifstream in(std::string(FD_SCENARIO_DIR) + "/README.md");
  std::stringstream readme;
  readme << in.rdbuf();
  EXPECT_NE(readme.str().find(emu::FaultTableMarkdown()), std::string::npos)
      << "run `fdhost facts` and paste its last table. Expected:\n"
      << emu::FaultTableMarkdown();
}

TEST(FaultRules, MalformedRulesAreRefused) {
  const std::pair<const char*, const char*> cases[] = {
      {R"({"faults": {}})", "\"faults\" is a list"},
      {R"({"faults": [{"call": "RegOpenKey", "nth": 1}]})", "not a call that can fail"},
      {R"({"faults": [{"call": "RegOpenKeyExW"}]})", "give \"nth\" or \"from_ms\""},
      {R"({"faults": [{"call": "RegOpenKeyExW", "nth": 0}]})", "counts from 1"},
      {R"({"faults": [{"call": "RegOpenKeyExW", "nth": 1, "eror": 5}]})", "\"eror\" is not"},
  };
  for (const auto& [json, named] : cases) {
    try {
      emu::ParseScenario(json, "s.json");
      ADD_FAILURE() << json;
    } catch (const emu::ScenarioError& e) {
      EXPECT_NE(std::string(e.what()).find(named), std::string::npos) << e.what();
    }
  }
}

}  // namespace
