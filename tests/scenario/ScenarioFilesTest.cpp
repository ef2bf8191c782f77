// The example scenarios shipped in scenarios/ run and do what their descriptions say.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include "ScenarioRun.h"
#include "emu/VirtualDrive.h"
#include "fdhost/DiskReplyDecoder.h"

#include <fstream>
#include <iterator>
#include <map>

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

// The Windows build's smoke run plays this file under wine and compares its answer with this
// run's: the answer itself is checked here.
TEST(ScenarioFiles, WindowsSmoke) {
  const auto run = RunFile("windows-smoke.json");
  ASSERT_TRUE(run.ok) << run.error;
  const auto ipc = OfKind(run, "ipc");
  ASSERT_EQ(ipc.size(), 1u);
  EXPECT_EQ(ipc[0]["dst"], 0x10000);
  EXPECT_EQ(ipc[0]["payload_hex"], "01000000010000000101");  // type 1, readable, switched on
  const auto registry = OfKind(run, "registry");
  ASSERT_EQ(registry.size(), 2u);
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

// The decoded answer to each disk request of a run, by the request id its reply id stands for:
// the scenarios ask for disks under the reply ids 0x10011 to 0x10013.
std::map<std::uint32_t, nlohmann::ordered_json> DiskReplies(const fdhost::RunResult& run) {
  std::map<std::uint32_t, nlohmann::ordered_json> replies;
  for (const auto& line : OfKind(run, "ipc")) {
    const auto reply = line["msg"].get<std::uint32_t>();
    if (reply < 0x10011 || reply > 0x10013)
      continue;
    const std::uint32_t request = 0x380000 + (reply & 0xF);
    replies[request] =
        fdhost::DecodeDiskReply(request, emu::FromHex(line["payload_hex"].get<std::string>()));
  }
  return replies;
}

// The demo laptop's day, as its description tells it.
// (time, payload) of every answer, by the reply message id it went to.
std::map<std::uint32_t, std::pair<std::int64_t, std::string>> Answers(
    const fdhost::RunResult& run) {
  std::map<std::uint32_t, std::pair<std::int64_t, std::string>> answers;
  for (const auto& line : OfKind(run, "ipc"))
    answers[line["msg"]] = {line["t_ms"], line["payload_hex"]};
  return answers;
}

TEST(ScenarioFiles, FaultsAtStartUp) {
  const auto run = RunFile("faults-at-start-up.json");
  ASSERT_TRUE(run.ok) << run.error;
  EXPECT_TRUE(OfKind(run, "fault").empty());
  EXPECT_EQ(OfKind(run, "fault_injected").size(), 3u);
  std::vector<std::string> errors;
  for (const auto& line : OfKind(run, "log")) {
    if (line["level"] == 40000)
      errors.push_back(line["text"].get<std::string>() + " " + line["function"].get<std::string>());
  }
  EXPECT_EQ(errors, (std::vector<std::string>{
                        "fail load dll DynamicDll::RtkBtStartWatchUsbErrFunc",
                        "fail load dll DynamicDll::RtkBtStartWatchUsbErrFunc",
                        "fail load dll DynamicDll::RtkBtStartWatchUsbErrFunc",
                        "regist fail DeviceDriverErrorDetectEx::RegistRealtekCallBack",
                        "bResult=0 FixpRemindRestartManager::PostPoPupMsgToMC"}));
  EXPECT_EQ(Events(run), std::vector<std::string>{"608005010"});
  EXPECT_EQ(TimesOf(run, "vendor", "op", "error_unwatched"), std::vector<std::int64_t>{30000});
  EXPECT_EQ(TimesOf(run, "window", "windows", 0), std::vector<std::int64_t>{50000});
  EXPECT_EQ(TimesOf(run, "ui", "op", "not_done"), std::vector<std::int64_t>{60000});
  EXPECT_TRUE(OfKind(run, "ipc").empty());
}

TEST(ScenarioFiles, DemoLaptopDay) {
  const auto run = fdhost::RunScenario(fdhost::DemoScenario(), {});
  ASSERT_TRUE(run.ok) << run.error;
  EXPECT_EQ(run.transcript.back()["t_ms"], 90000000);
  EXPECT_TRUE(OfKind(run, "fault").empty());
  std::map<std::string, std::vector<std::int64_t>> reports;  // event id -> times
  for (const auto& line : OfKind(run, "report"))
    reports[line["event"]].push_back(line["t_ms"]);
  // The Wi-Fi card: problem code 10, disable/enable does not cure it, the GPIO re-power does.
  EXPECT_EQ(reports["608001011"].size(), 1u);
  EXPECT_EQ(reports["608001013"].size(), 1u);
  ASSERT_EQ(reports["608001014"].size(), 1u);
  const auto gpio = OfKind(run, "report")[2];
  EXPECT_EQ(Content(gpio)["gpio"], "1");
  EXPECT_EQ(Content(gpio)["errorCode"], "0");
  // The Realtek reset at two hours; the radio's arrival 25 s later registers the watch again
  // and tells the host.
  EXPECT_EQ(reports["609001044"], std::vector<std::int64_t>{7210000});
  std::vector<std::int64_t> arrivedNotices;
  for (const auto& line : OfKind(run, "ipc")) {
    if (line["msg"] == 0x380007)
      arrivedNotices.push_back(line["t_ms"]);
  }
  EXPECT_EQ(arrivedNotices, std::vector<std::int64_t>{7225000});
  // At three hours the adapter drops out: the check finds it unnamed and re-powers it.
  EXPECT_EQ(reports["609001036"], std::vector<std::int64_t>{10810200});
  EXPECT_EQ(reports["609001033"], std::vector<std::int64_t>{10810200});
  // At four hours a BTHUSB error in the log re-powers the module once more.
  EXPECT_EQ(reports["609001042"], std::vector<std::int64_t>{14400000});
  EXPECT_EQ(reports["609001043"], std::vector<std::int64_t>{14400000});
  // The USB hub at start-up and on the stick's arrival; the monitors when the second comes.
  EXPECT_EQ(reports["627001001"], (std::vector<std::int64_t>{3200, 21660000}));
  EXPECT_EQ(reports["627002001"], (std::vector<std::int64_t>{21600000, 88200200}));
  // The monitor finds the display audio without its component: uninstalled after the point
  // delay, found again at the rescan after the scan delay, reported once.
  EXPECT_EQ(reports["624000023"], std::vector<std::int64_t>{21615000});
  std::vector<std::pair<std::int64_t, std::string>> audio;
  for (const auto& line : OfKind(run, "device")) {
    if (line["t_ms"] >= 21600000 && line["t_ms"] < 28800000)
      audio.emplace_back(line["t_ms"], line["op"]);
  }
  EXPECT_EQ(audio, (std::vector<std::pair<std::int64_t, std::string>>{{21610000, "uninstall"},
                                                                      {21615000, "rescan"}}));
  // At eight hours: the hot-key service recovered, the display adapter disabled and enabled
  // again, and winsock reset (no answer).
  auto answers = Answers(run);
  EXPECT_EQ(answers[0x10021], std::make_pair(std::int64_t{28800000}, std::string("0100000001")));
  EXPECT_EQ(answers[0x10022].second, "01000000010000000700000001000000");
  EXPECT_EQ(answers.count(0x10023), 0u);
  EXPECT_EQ(TimesOf(run, "process", "op", "exit"), std::vector<std::int64_t>{28923000});
  // The fix check 10 s after start-up finds the EventLog registration broken; the prompt is
  // put off for an hour, repairs, is put off for four hours, then restarts Windows.
  EXPECT_EQ(reports["608005010"], std::vector<std::int64_t>{10000});
  EXPECT_EQ(reports["608005014"], (std::vector<std::int64_t>{72000, 3762000}));
  EXPECT_EQ(reports["608005011"], std::vector<std::int64_t>{3700000});
  EXPECT_EQ(reports["608005013"], std::vector<std::int64_t>{18200000});
  EXPECT_EQ(TimesOf(run, "ui", "op", "show"),
            (std::vector<std::int64_t>{10000, 72000 + 3600000, 3700000, 3762000 + 14400000}));
  // At half past nine the bus refuses the first answer to a BIOS switch request; the second
  // request a minute later is answered. At ten hours the device tree change reaches the
  // window and does nothing; the USB report is then switched off, so the arrival after it
  // reports nothing.
  EXPECT_EQ(TimesOf(run, "fault_injected", "call", "PostIPCMessage"),
            std::vector<std::int64_t>{34200000});
  EXPECT_EQ(TimesOf(run, "ipc", "msg", 0x10024), std::vector<std::int64_t>{34260000});
  EXPECT_EQ(answers[0x10024].second, "01000000010000000100");
  EXPECT_EQ(std::count(reports["627001001"].begin(), reports["627001001"].end(), 36120000), 0);
  // At nine hours a touchpad error code, with the firmware version.
  ASSERT_EQ(reports["627003001"], std::vector<std::int64_t>{32400000});
  for (const auto& line : OfKind(run, "report")) {
    if (line["event"] == "627003001") {
      EXPECT_EQ(line["content"], R"({"reportId":"3","version":"3.1.0.18"})");
    }
  }
  // Both disks reported at the monitor's start, at new error ids and a day later.
  const auto& disk = reports["615001001"];
  EXPECT_EQ(std::count(disk.begin(), disk.end(), 600000), 4);  // start, first Disk 51
  EXPECT_EQ(std::count(disk.begin(), disk.end(), 87000000), 2);
  // At 24.5 hours the host restarts the plug-in: the second life finds the registration
  // repaired and the card healthy (no new Wi-Fi or fix reports), reports the two monitors at
  // start-up and both disks when its disk monitor starts 10 minutes later.
  EXPECT_EQ(TimesOf(run, "host", "op", "init"), (std::vector<std::int64_t>{0, 88200000}));
  EXPECT_EQ(std::count(disk.begin(), disk.end(), 88800000), 2);
  EXPECT_EQ(disk.size(), 12u);
  // The three disk requests, one answer each, with the right disks.
  auto replies = DiskReplies(run);
  ASSERT_EQ(replies[0x380001]["records"].size(), 1u);
  EXPECT_EQ(replies[0x380001]["records"][0]["model"], "ST1000LM048-2E7172");
  ASSERT_EQ(replies[0x380002]["records"].size(), 1u);
  EXPECT_EQ(replies[0x380002]["records"][0]["model"], "Velmora NVMe SSD 512GB");
  EXPECT_EQ(replies[0x380003]["records"].size(), 2u);
}

TEST(ScenarioFiles, WifiRemovedThenBack) {
  const auto run = RunFile("wifi-removed-then-back.json");
  ASSERT_TRUE(run.ok) << run.error;
  // One check for two removals: it waits 10 s after the first and reports once.
  const auto reports = OfKind(run, "report");
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0]["event"], "608001011");
  EXPECT_EQ(reports[0]["t_ms"], 40000);
  EXPECT_EQ(Content(reports[0])["firstStart"], "0");
  EXPECT_EQ(Content(reports[0])["WifiErrCode"], "10");
  int delivered = 0;
  for (const auto& line : OfKind(run, "window"))
    delivered += line["op"] == "device_change" && line["windows"] == 1;
  EXPECT_EQ(delivered, 2);
}

TEST(ScenarioFiles, BluetoothArrivalAfterARealtekReset) {
  const auto run = RunFile("bluetooth-arrival-realtek.json");
  ASSERT_TRUE(run.ok) << run.error;
  std::vector<std::pair<std::int64_t, std::uint32_t>> notices;
  for (const auto& line : OfKind(run, "ipc"))
    notices.emplace_back(line["t_ms"], line["msg"]);
  EXPECT_EQ(notices, (std::vector<std::pair<std::int64_t, std::uint32_t>>{{30000, 0x380009},
                                                                          {50000, 0x380007}}));
  // Each arrival starts the watch again; the second stops the running one first.
  std::vector<std::string> watch;
  for (const auto& line : OfKind(run, "vendor")) {
    if (line["t_ms"] >= 50000 && line["t_ms"] < 120000)
      watch.push_back(line["op"]);
  }
  EXPECT_EQ(watch, (std::vector<std::string>{"start_watch", "stop_watch", "start_watch"}));
}

TEST(ScenarioFiles, UsbHubsReport) {
  const auto run = RunFile("usb-hubs-report.json");
  ASSERT_TRUE(run.ok) << run.error;
  std::map<std::int64_t, int> hubsAt;  // time -> "627001001" events then
  for (const auto& line : OfKind(run, "report")) {
    ASSERT_EQ(line["event"], "627001001");
    ++hubsAt[line["t_ms"]];
  }
  // Start-up plus 99 arrivals make the 100 reports, three hubs each, the first in hub order.
  ASSERT_EQ(hubsAt.size(), 100u);
  for (const auto& [t, hubs] : hubsAt)
    EXPECT_EQ(hubs, 3) << t;
  EXPECT_EQ(hubsAt.begin()->first, 200);
  EXPECT_EQ(hubsAt.rbegin()->first, 60000 + 98 * 1000);
  EXPECT_EQ(Content(OfKind(run, "report")[0])["hubId"], "USB\\ROOT_HUB30\\4&1A2B3C4D&0&0");
  // The last two arrivals are refused.
  const auto logs = OfKind(run, "log");
  ASSERT_EQ(logs.size(), 2u);
  EXPECT_EQ(logs[0]["text"], "happen too many times");
  EXPECT_EQ(logs[0]["t_ms"], 60000 + 99 * 1000);
}

TEST(ScenarioFiles, MonitorDisplayAudio) {
  const auto run = RunFile("monitor-display-audio.json");
  ASSERT_TRUE(run.ok) << run.error;
  // At start-up the built-in panel is alone.
  const auto logs = OfKind(run, "log");
  ASSERT_GE(logs.size(), 2u);
  EXPECT_EQ(logs[0]["text"], "size1");
  EXPECT_EQ(logs[1]["text"], "no external monitor");
  // The monitor at 30 s: the point delay of 8 s, the scan delay of 4 s, one repair.
  const auto devices = OfKind(run, "device");
  ASSERT_EQ(devices.size(), 2u);
  EXPECT_EQ(devices[0]["op"], "uninstall");
  EXPECT_EQ(devices[0]["t_ms"], 38000);
  EXPECT_EQ(devices[0]["hardware_id"], "HDAUDIO\\FUNC_01&VEN_8086&DEV_2818&SUBSYS_80860101");
  EXPECT_EQ(devices[1]["op"], "rescan");
  EXPECT_EQ(devices[1]["t_ms"], 42000);
  EXPECT_EQ(Events(run), (std::vector<std::string>{"627002001", "624000023", "627002001"}));
  const auto reports = OfKind(run, "report");
  EXPECT_EQ(reports[1]["content"], R"({"result":"0"})");
  EXPECT_EQ(reports[1]["t_ms"], 42000);
  EXPECT_EQ(Content(reports[0])["Numbers"], "2");
  EXPECT_EQ(Content(reports[0])["Address1"], "8453");
  EXPECT_EQ(reports[2]["t_ms"], 90000);
  EXPECT_EQ(logs.back()["text"], "repair display audio result: 0");
  EXPECT_TRUE(OfKind(run, "fault").empty());
}

TEST(ScenarioFiles, WifiRepairRequestReinstallsTheDriver) {
  const auto run = RunFile("wifi-repair-request-reinstall.json");
  ASSERT_TRUE(run.ok) << run.error;
  // 2 s after the request, ten rescans a second apart.
  std::vector<std::int64_t> rescans;
  for (std::int64_t t = 12000; t <= 21000; t += 1000)
    rescans.push_back(t);
  EXPECT_EQ(TimesOf(run, "device", "op", "rescan"), rescans);
  // The software removal (5 s), then the script (30 s) with the setup it starts (60 s).
  const auto created = OfKind(run, "process");
  ASSERT_GE(created.size(), 3u);
  EXPECT_EQ(created[0]["command_line"],
            "C:\\Windows\\SysWOW64\\MsiExec.exe /I{A1B2C3D4-E5F6-0718-293A-4B5C6D7E8F90}");
  EXPECT_EQ(created[0]["t_ms"], 22000);
  EXPECT_EQ(TimesOf(run, "process", "op", "exit"),
            (std::vector<std::int64_t>{27000, 57000, 87000}));
  // The card is back when the setup ends; the answer follows 3 s later.
  EXPECT_EQ(Answers(run)[0x1000A],
            std::make_pair(std::int64_t{90000}, std::string("0100000000000000")));
  EXPECT_TRUE(OfKind(run, "fault").empty());
  // The setup runs protected: opened for waiting only, it lets the watch wait.
  EXPECT_TRUE(TimesOf(run, "process", "op", "access_denied").empty());
}

TEST(ScenarioFiles, WifiReinstallCodes) {
  const auto run = RunFile("wifi-reinstall-codes.json");
  ASSERT_TRUE(run.ok) << run.error;
  auto answers = Answers(run);
  EXPECT_EQ(answers[0x10001], std::make_pair(std::int64_t{1000}, std::string("0100000000000000")));
  EXPECT_EQ(answers[0x10002], std::make_pair(std::int64_t{3000}, std::string("0100000002000000")));
  EXPECT_EQ(answers[0x10003], std::make_pair(std::int64_t{5000}, std::string("0100000018000000")));
  // The script at 7 s, ten setup rounds of 0.5 s, 60 rescans a second apart.
  EXPECT_EQ(answers[0x10004], std::make_pair(std::int64_t{72000}, std::string("010000001a000000")));
  EXPECT_EQ(TimesOf(run, "device", "op", "rescan").size(), 60u);
  EXPECT_EQ(TimesOf(run, "device", "op", "rescan").front(), 12000);
}

TEST(ScenarioFiles, OsdRecovery) {
  const auto run = RunFile("osd-recovery.json");
  ASSERT_TRUE(run.ok) << run.error;
  auto answers = Answers(run);
  EXPECT_EQ(answers[0x10007], std::make_pair(std::int64_t{12000}, std::string("0100000001")));
  EXPECT_EQ(answers[0x10008], std::make_pair(std::int64_t{20000}, std::string("0100000000")));
  const auto registry = OfKind(run, "registry");
  ASSERT_EQ(registry.size(), 1u);
  EXPECT_EQ(registry[0]["value"], 2);
  EXPECT_EQ(TimesOf(run, "process", "op", "kill"), (std::vector<std::int64_t>{10000, 11000}));
}

TEST(ScenarioFiles, DeviceRequests) {
  const auto run = RunFile("device-requests.json");
  ASSERT_TRUE(run.ok) << run.error;
  auto answers = Answers(run);
  ASSERT_EQ(answers.size(), 8u);  // winsock reset and the request without payload: none
  // 1, then the map {type: value}: count 1, key, value.
  EXPECT_EQ(answers[0x10001].second, "01000000010000000000000001000000");
  EXPECT_EQ(answers[0x10002].second, "01000000010000000200000001000000");
  EXPECT_EQ(answers[0x10003].second, "01000000010000000700000001000000");
  EXPECT_EQ(answers[0x10004].second, "01000000010000000300000000000000");
  EXPECT_EQ(answers[0x10005].second, "01000000010000000500000001000000");
  EXPECT_EQ(answers[0x10006].second, "01000000010000000100000001000000");
  // {"Spooler": 1}: the name as its length in units and its UTF-16 units.
  EXPECT_EQ(answers[0x10007].second,
            "010000000100000007000000530070006f006f006c006500720001000000");
  // The winsock reset holds the receiving thread for netsh's 8 s.
  EXPECT_EQ(answers[0x10009],
            std::make_pair(std::int64_t{15000}, std::string("01000000010000000100000001000000")));
  std::vector<std::string> changes;
  for (const auto& line : OfKind(run, "device")) {
    if (line["op"] != "rescan")
      changes.push_back(line["op"].get<std::string>() + " " +
                        line["hardware_id"].get<std::string>());
  }
  EXPECT_EQ(changes,
            (std::vector<std::string>{
                "enable PCI\\VEN_8086&DEV_2725&SUBSYS_00248086", "disable PCI\\VEN_8086&DEV_46A6",
                "enable PCI\\VEN_8086&DEV_46A6", "disable USB\\VID_06CB&PID_00BD",
                "enable USB\\VID_06CB&PID_00BD", "reset HDAUDIO\\FUNC_01&VEN_10EC&DEV_0287",
                "enable USB\\VID_8087&PID_0032"}));
  EXPECT_EQ(OfKind(run, "log")[0]["text"], "disable result: 0");
}

TEST(ScenarioFiles, TouchpadErrors) {
  const auto run = RunFile("touchpad-errors.json");
  ASSERT_TRUE(run.ok) << run.error;
  std::map<std::string, std::vector<std::int64_t>> reports;
  for (const auto& line : OfKind(run, "report"))
    reports[line["event"]].push_back(line["t_ms"]);
  // Three codes (one counted window), then 97 more reach the 100th at 600 s + 96 × 3 s.
  ASSERT_EQ(reports["627003001"].size(), 100u);
  EXPECT_EQ(reports["627003001"].front(), 60000);
  EXPECT_EQ(reports["627003002"], std::vector<std::int64_t>{600000 + 96 * 3000});
  EXPECT_EQ(OfKind(run, "log").back()["text"], "too much times");
  std::vector<std::string> ops;
  for (const auto& line : OfKind(run, "vendor"))
    ops.push_back(line["op"]);
  EXPECT_EQ(ops, (std::vector<std::string>{"init", "register_callback", "callback", "callback",
                                           "unregister_callback", "error_unwatched"}));
  EXPECT_TRUE(OfKind(run, "fault").empty());
}

// A burst of 100 codes in ten minutes ends the listening; the same codes over two hours do
// not.
TEST(ScenarioFiles, TouchpadBurst) {
  const auto burst = RunFile("touchpad-burst.json");
  ASSERT_TRUE(burst.ok) << burst.error;
  std::map<std::string, std::vector<std::int64_t>> reports;
  for (const auto& line : OfKind(burst, "report")) {
    reports[line["event"]].push_back(line["t_ms"]);
    if (line["event"] == "627003001") {
      EXPECT_EQ(line["content"], R"({"reportId":"5","version":"1.2.3.4"})");
    }
  }
  EXPECT_EQ(reports["627003001"].size(), 100u);
  EXPECT_EQ(reports["627003002"], std::vector<std::int64_t>{60000 + 99 * 6000});
  EXPECT_EQ(OfKind(burst, "vendor").back()["op"], "error_unwatched");  // the code at 20 min

  std::ifstream file(std::string(FD_SCENARIO_DIR) + "/touchpad-burst.json");
  auto doc = nlohmann::json::parse(file);
  doc["timeline"][0]["vendor_event"]["interval_ms"] = 72000;
  doc["timeline"][1]["at_ms"] = 60000 + 100 * 72000;
  doc["run_for_ms"] = 60000 + 101 * 72000;
  const auto spread = RunJson(doc.dump());
  ASSERT_TRUE(spread.ok) << spread.error;
  std::size_t codes = 0;
  for (const auto& line : OfKind(spread, "report")) {
    EXPECT_EQ(line["event"], "627003001");
    ++codes;
  }
  EXPECT_EQ(codes, 101u);
  EXPECT_TRUE(OfKind(spread, "fault").empty());
}

TEST(ScenarioFiles, DisksNvmeAndHdd) {
  const auto run = RunFile("disks-nvme-and-hdd.json");
  ASSERT_TRUE(run.ok) << run.error;
  auto replies = DiskReplies(run);
  ASSERT_EQ(replies.size(), 3u);
  const auto& hdd = replies[0x380001]["records"];
  ASSERT_EQ(hdd.size(), 1u);
  EXPECT_EQ(hdd[0]["disk_index"], 1);
  EXPECT_EQ(hdd[0]["model"], "ST1000LM048-2E7172");
  EXPECT_EQ(hdd[0]["interface"], "Serial ATA");
  EXPECT_EQ(hdd[0]["power_on_hours"], 0);  // the unit was not detected
  EXPECT_EQ(hdd[0]["power_on_count"], 1544);
  EXPECT_EQ(hdd[0]["attributes"].size(), 6u);
  EXPECT_EQ(hdd[0]["attributes"][2]["threshold"], 36);
  const auto& ssd = replies[0x380002]["records"];
  ASSERT_EQ(ssd.size(), 1u);
  EXPECT_EQ(ssd[0]["disk_index"], 0);
  EXPECT_EQ(ssd[0]["interface"], "NVM Express");
  EXPECT_EQ(ssd[0]["power_on_hours"], 2210);
  const auto& features = replies[0x380003]["records"];
  ASSERT_EQ(features.size(), 2u);
  EXPECT_EQ(features[0]["disk_index"], 0);
  EXPECT_EQ(features[1]["disk_index"], 1);
  EXPECT_EQ(features[1]["power_on_hours"], 3712);  // the measured hours
  EXPECT_EQ(features[0]["IsSsd"], 1);
  EXPECT_EQ(features[1]["IsSsd"], 0);
}

TEST(ScenarioFiles, DisksUsbAndRemovable) {
  const auto run = RunFile("disks-usb-and-removable.json");
  ASSERT_TRUE(run.ok) << run.error;
  auto replies = DiskReplies(run);
  const auto& features = replies[0x380003]["records"];
  ASSERT_EQ(features.size(), 2u);
  EXPECT_EQ(features[0]["interface"], "USB (NVM Express)");
  EXPECT_EQ(features[1]["firmware"], "01.01A01");
}

TEST(ScenarioFiles, DisksNoneGetNoAnswer) {
  const auto run = RunFile("disks-none.json");
  ASSERT_TRUE(run.ok) << run.error;
  EXPECT_TRUE(OfKind(run, "ipc").empty());
  EXPECT_EQ(OfKind(run, "input").size(), 3u);
}

TEST(ScenarioFiles, OnlyTheFirstAttributesAreSentAndSelectionsMayBeEmpty) {
  std::string attributes;
  for (int id = 1; id <= 30; ++id)
    attributes += (id > 1 ? "," : "") + std::string(R"({"id": )") + std::to_string(id) + "}";
  const auto run = RunJson(R"({"run_for_ms": 5000, "disks": [{"number": 0, "model": "Velmora Disk",
      "attributes": [)" + attributes +
                           R"(]}], "timeline": [)" +
                           Request(1000, "0x380001", "", "0x10000", "0x10011") + "," +
                           Request(2000, "0x380002", "", "0x10000", "0x10012") + "]}");
  auto replies = DiskReplies(run);
  EXPECT_EQ(replies[0x380001]["records"][0]["attributes"].size(), 24u);
  EXPECT_TRUE(replies[0x380002]["records"].empty());  // no SSD: an answer with 0 records
}

std::vector<nlohmann::ordered_json> DetailReports(const fdhost::RunResult& run) {
  std::vector<nlohmann::ordered_json> out;
  for (const auto& line : OfKind(run, "report")) {
    if (line["event"] == "615001001") {
      auto content = nlohmann::ordered_json::parse(line["content"].get<std::string>());
      content["t_ms"] = line["t_ms"];
      out.push_back(content);
    }
  }
  return out;
}

TEST(ScenarioFiles, DiskErrorsAreCountedAndReported) {
  const auto run = RunFile("disk-errors.json");
  ASSERT_TRUE(run.ok) << run.error;
  const auto reports = DetailReports(run);
  ASSERT_EQ(reports.size(), 10u);  // 5 reports x 2 disks
  // At the start: the 51 written 5 minutes before, on the first disk only.
  EXPECT_EQ(reports[0]["t_ms"], 600000);
  EXPECT_EQ(reports[0]["Event51Numbers"], "1");
  EXPECT_EQ(reports[0]["Event51"], "1772352600");
  EXPECT_EQ(reports[1]["Event51Numbers"], "0");
  EXPECT_EQ(reports[0]["IsSSD"], "1");
  EXPECT_EQ(reports[0]["177"], "98,98,5,12");
  // The second 51 is counted, not reported: the first 49 report carries it.
  EXPECT_EQ(reports[4]["t_ms"], 700000);
  EXPECT_EQ(reports[4]["Event51Numbers"], "1");
  EXPECT_EQ(reports[4]["Event49Numbers"], "1");
  // The 100 further events 7 end the monitoring after one final report.
  EXPECT_EQ(reports[8]["Event7Numbers"], "100");
  EXPECT_EQ(reports[9]["Event7Numbers"], "0");
  EXPECT_FALSE(reports[9].contains("Event11"));  // after the end nothing more is handled
  const auto eventlog = OfKind(run, "eventlog");
  EXPECT_EQ(eventlog[2]["op"], "close");
  EXPECT_EQ(eventlog[2]["t_ms"], 810000);
}

TEST(ScenarioFiles, DiskDailyReport) {
  const auto run = RunFile("disk-daily-report.json");
  ASSERT_TRUE(run.ok) << run.error;
  const auto reports = DetailReports(run);
  ASSERT_EQ(reports.size(), 6u);
  for (std::size_t i = 0; i < reports.size(); ++i) {
    EXPECT_EQ(reports[i]["t_ms"], 600000 + 86400000LL * static_cast<long long>(i / 2));
  }
  EXPECT_EQ(reports[1]["9"], "100,100,0,500");
}

TEST(ScenarioFiles, BthUsbEvents) {
  const auto run = RunFile("bthusb-events.json");
  ASSERT_TRUE(run.ok) << run.error;
  std::vector<std::string> ids = Events(run);
  ASSERT_EQ(ids.size(), 11u);
  EXPECT_EQ(ids[1], "609001043");
  EXPECT_EQ(std::count(ids.begin(), ids.end(), "609001042"), 10);
  EXPECT_EQ(OfKind(run, "report").back()["t_ms"], 19000);  // nothing after the tenth
}

// Every shipped scenario again with busy threads running at once (for ThreadSanitizer):
// the same events come out, whatever their order.
// A restart unloads and loads the plug-in with the laptop kept: the repair written in the
// first life is in the registry for the second, whose fix check finds nothing to do.
TEST(ScenarioFiles, RestartKeepsTheRepair) {
  const auto run = RunFile("restart-keeps-the-repair.json");
  ASSERT_TRUE(run.ok) << run.error;
  EXPECT_EQ(TimesOf(run, "host", "op", "init"), (std::vector<std::int64_t>{0, 60000}));
  EXPECT_EQ(TimesOf(run, "host", "op", "unload"), (std::vector<std::int64_t>{60000, 120000}));
  EXPECT_EQ(TimesOf(run, "report", "event", "608005010"), std::vector<std::int64_t>{10000});
  EXPECT_EQ(TimesOf(run, "report", "event", "608005011"), std::vector<std::int64_t>{20000});
  EXPECT_TRUE(OfKind(run, "fault").empty());
  // The prompt went with the first life and did not come back.
  for (const auto& line : OfKind(run, "ipc"))
    EXPECT_LT(line["t_ms"].get<std::int64_t>(), 60000) << line;
}

// Messages another process posts to the hidden window are not followed as pointers or read
// past what Windows sends; the genuine removal after them is handled as always. (The forged
// register message crashed the host before.)
TEST(ScenarioFiles, ForgedWindowMessagesAreIgnored) {
  const auto run = RunFile("forged-window-messages.json");
  ASSERT_TRUE(run.ok) << run.error;
  EXPECT_TRUE(OfKind(run, "fault").empty());
  EXPECT_EQ(TimesOf(run, "window", "op", "foreign_message").size(), 4u);
  const auto logs = OfKind(run, "log");
  ASSERT_EQ(logs.size(), 1u);  // once, for the first forged message
  EXPECT_EQ(logs[0]["text"], "ignored message 2025 not sent by this plug-in");
  EXPECT_EQ(TimesOf(run, "report", "event", "608001011"), std::vector<std::int64_t>{19000});
  EXPECT_EQ(OfKind(run, "report").size(), 1u);
  // The three watched classes are still registered once each, and let go at the stop.
  EXPECT_EQ(TimesOf(run, "window", "op", "register_notification").size(), 3u);
  EXPECT_EQ(TimesOf(run, "window", "op", "unregister_notification").size(), 3u);
}

// The debug log beside the host executable is deleted at each life's first disk request, but
// a hard link or a symbolic link there is refused: both names and the file stay. (The delete
// went through both before.)
TEST(ScenarioFiles, DebugLogLinksAreRefused) {
  const auto run = RunFile("debug-log-links.json");
  ASSERT_TRUE(run.ok) << run.error;
  EXPECT_TRUE(OfKind(run, "fault").empty());
  const std::string log = "C:\\Program Files\\Velmora\\Service\\VelmoraService.log";
  EXPECT_EQ(TimesOf(run, "file", "op", "deleted"), std::vector<std::int64_t>{45000});
  const auto logs = OfKind(run, "log");
  ASSERT_EQ(logs.size(), 2u);  // the first and the third life
  for (const auto& line : logs)
    EXPECT_EQ(line["text"],
              "refused to delete " + log + ": a link or a file with more than one name");
  auto& drive = emu::VirtualDrive::Instance();
  EXPECT_TRUE(drive.Exists(log));  // still the symbolic link the third life refused
  std::ifstream hosts(drive.HostPath("C:\\Windows\\System32\\drivers\\etc\\hosts"));
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(hosts), std::istreambuf_iterator<char>()),
            "127.0.0.1 localhost\n");
}

// A host in a folder named in Windows-1252 ("Gerät"): the switch file is found through the
// ANSI path, the stale debug log is deleted and the install script runs, through the wide
// path. (The script's path was decoded as UTF-8 before: answer 24, no script.)
TEST(ScenarioFiles, NonAsciiInstallFolder) {
  const auto run = RunFile("non-ascii-install-folder.json");
  ASSERT_TRUE(run.ok) << run.error;
  EXPECT_TRUE(OfKind(run, "fault").empty());
  const std::string folder = "C:\\Programme\\Velmora Ger\u00e4t\\Dienst";
  EXPECT_EQ(Events(run), (std::vector<std::string>{"608001010", "627001001"}));
  const auto deleted = OfKind(run, "file");
  ASSERT_EQ(deleted.size(), 1u);
  EXPECT_EQ(deleted[0]["path"], folder + "\\VelmoraService.log");
  const auto started = TimesOf(run, "process", "op", "create");
  ASSERT_EQ(started, std::vector<std::int64_t>{5000});
  EXPECT_EQ(OfKind(run, "process")[0]["command_line"],
            "\"" + folder + "\\config\\DeviceCfg\\InstallOTAWifiDriver.bat\"");
  const auto ipc = OfKind(run, "ipc");
  ASSERT_EQ(ipc.size(), 1u);
  EXPECT_EQ(ipc[0]["payload_hex"], "0100000000000000");  // one value: 0
}

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
