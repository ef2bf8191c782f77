// Load, Init, long runs, Uninit and unload of the real shared library.
#include <gtest/gtest.h>

#include "ScenarioRun.h"
#include "platform/Module.h"

namespace {

// The host's user-interface thread outlives the plug-in, waiting for its next message;
// nothing else of the run is left.
void ExpectOnlyTheIdleUiThreadLeft() {
  auto& sched = emu::Scheduler::Instance();
  sched.AdoptCurrentThread();
  const auto left = sched.WaitForOthersToFinish();
  sched.ReleaseCurrentThread();
  ASSERT_LE(left.size(), 1u);
  for (const auto& thread : left) {
    EXPECT_NE(thread.find("user-interface thread"), std::string::npos) << thread;
    EXPECT_NE(thread.find("(idle)"), std::string::npos) << thread;
  }
}

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
  ExpectOnlyTheIdleUiThreadLeft();
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
  ExpectOnlyTheIdleUiThreadLeft();
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

TEST(Lifecycle, OnTheRealClockTheStopIsAsClean) {
  fdhost::RunOptions options;
  options.clock = emu::ClockMode::Real;
  options.mode = emu::RunMode::Parallel;
  const auto run = fdhost::RunScenario(
      emu::ParseScenario(R"({"run_for_ms": 300, "timeline": [)" + Request(100, "0x390005", "") +
                             "," + Request(100, "0x390024", "01") + "]}",
                         "real clock"),
      options);
  ASSERT_TRUE(run.ok) << run.error;
  EXPECT_TRUE(OfKind(run, "fault").empty()) << OfKind(run, "fault")[0].dump();
  EXPECT_EQ(OfKind(run, "ipc").size(), 2u);
  EXPECT_EQ(run.transcript.back()["op"], "unload");
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

namespace {

// The Bluetooth re-check of broadcast 0xA0004 runs on the IPC receiving thread and sleeps 5 s
// holding its mutex. An unload in that sleep used to unlock a freed mutex, or report
// "609001035" after the module was gone.
TEST(StopRegression, BluetoothRecheckOnTheReceivingThreadEndsBeforeUnload) {
  for (auto mode : {emu::RunMode::Deterministic, emu::RunMode::Parallel}) {
    const auto run = RunFileFor("bluetooth-missing-in-usb-class.json", 62000, mode);
    ASSERT_TRUE(run.ok) << run.error;
    EXPECT_TRUE(OfKind(run, "fault").empty());
    EXPECT_TRUE(AfterUninit(run).empty()) << AfterUninit(run).front().dump();
    EXPECT_EQ(run.transcript.back()["op"], "unload");
  }
}

// A repair thread waits inside the Realtek library's stop call when Uninit comes: the library
// used to be unloaded under it.
TEST(StopRegression, RealtekLibraryIsNotUnloadedUnderARepairThread) {
  const auto run = RunFileFor("realtek-usb-error.json", 30000);
  ASSERT_TRUE(run.ok) << run.error;
  EXPECT_TRUE(OfKind(run, "fault").empty());
  EXPECT_EQ(run.transcript.back()["op"], "unload");
  EXPECT_EQ(platform::GetModuleHandleA("RtkBTReset.dll"), nullptr);
}

// A thread whose wake-up falls on the tick of the stop used to subscribe after Uninit and
// never close; an event-log callback used to run the disk reader during the unload.
TEST(StopRegression, NoSubscriptionOutlivesUninit) {
  const std::vector<std::pair<std::string, std::int64_t>> cases = {
      {"disk-daily-report.json", 600000}, {"disk-errors.json", 600000}, {"requests-tour.json", 0}};
  for (const auto& [name, forMs] : cases) {
    for (int round = 0; round < 5; ++round) {
      const auto run = RunFileFor(name, forMs, emu::RunMode::Parallel);
      ASSERT_TRUE(run.ok) << run.error;
      EXPECT_TRUE(OfKind(run, "fault").empty()) << name << ": " << OfKind(run, "fault")[0].dump();
      int open = 0;
      for (const auto& line : OfKind(run, "eventlog"))
        open += line["op"] == "subscribe" ? 1 : line["op"] == "close" ? -1 : 0;
      EXPECT_EQ(open, 0) << name;
    }
  }
}

// An unload during a repair's pause used to leave the Wi-Fi card disabled.
TEST(StopRegression, AStopInARepairPauseEnablesTheCardAgain) {
  for (std::int64_t forMs : {700, 3700}) {
    const auto run = RunFileFor("wifi-code10-nothing-cures.json", forMs);
    ASSERT_TRUE(run.ok) << run.error;
    const auto devices = OfKind(run, "device");
    ASSERT_FALSE(devices.empty());
    EXPECT_EQ(devices.back()["op"], "enable") << "stopped at " << forMs;
    EXPECT_TRUE(OfKind(run, "fault").empty());
  }
}

// A stop in one of the hot-key recovery's pauses ends the recovery there: no companion is
// killed, no service started and no registry value written after it. (The old code went on
// killing after the stop.)
TEST(StopRegression, AStopInTheHotKeyRecoveryEndsIt) {
  const auto killed = [](const fdhost::RunResult& run) {
    std::vector<std::string> names;
    for (const auto& line : OfKind(run, "process"))
      if (line["op"] == "kill")
        names.push_back(line["name"]);
    return names;
  };
  // Product 2: DOsd.exe is killed at 10 s, DHotKey.exe would be a second later.
  const auto older = RunFileFor("osd-recovery.json", 10500);
  ASSERT_TRUE(older.ok) << older.error;
  EXPECT_EQ(killed(older), std::vector<std::string>{"DOsd.exe"});
  EXPECT_TRUE(OfKind(older, "fault").empty());

  // Product 5: OSDMainService is started at 1 s and given 2 s before its listener is killed
  // and its start type set.
  fdhost::RunOptions options;
  options.forMs = 2000;
  const auto newer = fdhost::RunScenario(emu::ParseScenario(R"({
    "run_for_ms": 10000, "product": { "index": 5 }, "processes": ["OSDListener.exe"],
    "services": { "OSDMainService": { "state": "stopped" } },
    "registry": { "HKLM\\SYSTEM\\ControlSet001\\services\\OSDMainService": { "Start": 3 } },
    "timeline": [ { "at_ms": 1000, "ipc_request": { "msg": "0x390007", "src": "0x10000",
                                                    "reply": "0x10007" } } ] })",
                                                            "hot-key recovery stopped"),
                                         options);
  ASSERT_TRUE(newer.ok) << newer.error;
  EXPECT_EQ(TimesOf(newer, "service", "op", "start"), std::vector<std::int64_t>{1000});
  EXPECT_TRUE(killed(newer).empty());
  EXPECT_TRUE(OfKind(newer, "registry").empty());
  EXPECT_TRUE(OfKind(newer, "fault").empty());
}

// An unload in the display audio check's point delay repairs nothing; one in its scan delay
// still rescans, so the uninstalled device is found again.
TEST(StopRegression, AStopInTheDisplayAudioCheckLeavesNoDeviceUninstalled) {
  for (auto mode : {emu::RunMode::Deterministic, emu::RunMode::Parallel}) {
    const auto inPointDelay = RunFileFor("monitor-display-audio.json", 35000, mode);
    ASSERT_TRUE(inPointDelay.ok) << inPointDelay.error;
    EXPECT_TRUE(OfKind(inPointDelay, "device").empty());
    EXPECT_TRUE(OfKind(inPointDelay, "fault").empty());

    const auto inScanDelay = RunFileFor("monitor-display-audio.json", 40000, mode);
    ASSERT_TRUE(inScanDelay.ok) << inScanDelay.error;
    const auto devices = OfKind(inScanDelay, "device");
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_EQ(devices[1]["op"], "rescan");
    EXPECT_EQ(devices[1]["t_ms"], 40000);
    EXPECT_TRUE(OfKind(inScanDelay, "fault").empty());
    EXPECT_TRUE(AfterUninit(inScanDelay).empty()) << AfterUninit(inScanDelay).front().dump();
  }
}

}  // namespace
