// The start-up fix check and the fix-remind prompt, driven as a person would drive them: the
// shipped scenarios, what a person may do wrong, and unloads at awkward moments.
#include <gtest/gtest.h>

#include <cstring>

#include "ScenarioRun.h"

namespace {

// A text field of the lines of a kind whose key has the value; path "fields/0" reaches into
// the numbered fields.
std::vector<std::string> TextsOf(const fdhost::RunResult& run, const std::string& kind,
                                 const std::string& key, const emu::Line& value,
                                 const std::string& path) {
  std::vector<std::string> out;
  for (const auto& line : OfKind(run, kind)) {
    if (line.contains(key) && line[key] == value)
      out.push_back(line[emu::Line::json_pointer("/" + path)].get<std::string>());
  }
  return out;
}

// The "ui" lines as "op control-or-window".
std::vector<std::string> UiSteps(const fdhost::RunResult& run) {
  std::vector<std::string> out;
  for (const auto& line : OfKind(run, "ui")) {
    std::string step = line["op"];
    if (line.contains("control"))
      step += " " + line["control"].get<std::string>() +
              (line.contains("visible") ? (line["visible"] ? "=1" : "=0") : "");
    else if (line.contains("window"))
      step += " " + line["window"].get<std::string>();
    out.push_back(step);
  }
  return out;
}

void ExpectCleanStop(const fdhost::RunResult& run) {
  ASSERT_TRUE(run.ok) << run.error;
  EXPECT_TRUE(OfKind(run, "fault").empty()) << OfKind(run, "fault").front().dump();
  EXPECT_EQ(run.transcript.back()["op"], "unload");
}

// The laptop of the fix-remind scenarios, with a timeline of "ui" inputs and more facts
// (a JSON fragment ending in a comma).
std::string DamagedLaptop(const std::string& timeline, std::int64_t runForMs = 120000,
                          const std::string& facts = "") {
  return R"({"run_for_ms": )" + std::to_string(runForMs) + R"(,
    "product": {"supported_properties": [["OrbLoginGuide", "china"]]}, )" +
         facts + R"(
    "registry": {
      "HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion": {"BuildBranch": "rs5_release"},
      "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Netkeeper.exe": {"Path": "C:\\N"},
      "HKLM\\SYSTEM\\CurrentControlSet\\Services\\EventLog": {"Start": 2}},
    "timeline": [)" +
         timeline + "]}";
}

std::string Ui(std::int64_t atMs, const std::string& action) {
  return R"({"at_ms": )" + std::to_string(atMs) + R"(, "ui": )" + action + "}";
}

TEST(RemindDialog, RepairThenRestart) {
  const auto run = RunFileFor("fix-remind-repair-restart.json", 180000);
  ExpectCleanStop(run);
  EXPECT_EQ(TimesOf(run, "report", "event", "608005010"), std::vector<std::int64_t>{10000});
  EXPECT_EQ(TimesOf(run, "report", "event", "608005011"), std::vector<std::int64_t>{60000});
  EXPECT_EQ(TimesOf(run, "report", "event", "608005013"), std::vector<std::int64_t>{120000});
  // Two pop-up requests (start-up, restart face), 35 bytes naming the same window.
  const auto popups = TimesOf(run, "ipc", "dst", 0x40000);
  EXPECT_EQ(popups, (std::vector<std::int64_t>{10000, 60000}));
  std::vector<std::string> payloads;
  for (const auto& line : OfKind(run, "ipc")) {
    if (line["dst"] == 0x40000) {
      EXPECT_EQ(line["msg"], 0x40003);
      payloads.push_back(line["payload_hex"]);
    }
  }
  ASSERT_EQ(payloads.size(), 2u);
  EXPECT_EQ(payloads[0].size(), 70u);
  EXPECT_EQ(payloads[0], payloads[1]);
  EXPECT_EQ(payloads[0].substr(0, 12), "fc0104000000");
  // Second owner 0, time 0x80BEFC00, the empty text.
  EXPECT_EQ(payloads[0].substr(28, 26),
            "0000000000000000"
            "00fcbe80"
            "00");
  // The window, twice: its address is shown as the run's first object number.
  EXPECT_EQ(payloads[0].substr(12, 16), "0100000000000000");
  EXPECT_EQ(payloads[0].substr(54, 16), "0100000000000000");
  // The restart request: no payload, after the report, before the window closes.
  EXPECT_EQ(TimesOf(run, "ipc", "dst", 0x30000), std::vector<std::int64_t>{120000});
  const auto registry = OfKind(run, "registry");
  ASSERT_EQ(registry.size(), 1u);
  EXPECT_EQ(registry[0]["type"], "REG_EXPAND_SZ");
  EXPECT_EQ(registry[0]["value"], "%SystemRoot%\\System32\\wevtsvc.dll");
  // Alt+F4 at 20 s changed nothing; the faces switch as a whole.
  EXPECT_EQ(UiSteps(run),
            (std::vector<std::string>{
                "hide FixRemindDlg", "create FixRemindDlg", "text txtContent", "visible iconImg=1",
                "visible restart_btn_layout=0", "visible fix_btn_layout=1", "show FixRemindDlg",
                "text txtContent", "visible iconImg=0", "visible restart_btn_layout=1",
                "visible fix_btn_layout=0", "show FixRemindDlg", "close FixRemindDlg"}));
  const auto texts = TimesOf(run, "ui", "text_id", "IDS_HARDWARE_NET_FIX_OK_RESTART_NOW");
  EXPECT_EQ(texts, std::vector<std::int64_t>{60000});
}

TEST(RemindDialog, DelaysPopTheWindowUpAgain) {
  const auto run = RunFileFor("fix-remind-delays.json", 15400000);
  ExpectCleanStop(run);
  EXPECT_EQ(TextsOf(run, "report", "event", "608005014", "fields/0"),
            (std::vector<std::string>{"0", "2", "7"}));
  EXPECT_EQ(TimesOf(run, "ipc", "dst", 0x40000),
            (std::vector<std::int64_t>{10000, 31000 + 600000, 701000 + 14400000}));
  EXPECT_EQ(TimesOf(run, "ui", "op", "hide").size(), 3u);  // before creation, then two delays
  EXPECT_EQ(TimesOf(run, "ui", "op", "close").back(), 15201000);
  // 150 %, right to left: the menu sits 18 px in from the window's left edge, right above
  // the delay button (window 660 × 330 centred on 2880 × 1800; button top 164 × 1.5).
  const auto moves = OfKind(run, "ui");
  std::vector<emu::Line> menuMoves;
  for (const auto& line : moves) {
    if (line["op"] == "move")
      menuMoves.push_back(line);
  }
  ASSERT_EQ(menuMoves.size(), 3u);
  EXPECT_EQ(menuMoves[0]["rect"], (emu::Line{1110 + 18, 735 + 246 - 144, 240, 144}));
  EXPECT_EQ(menuMoves[0]["repaint"], false);
}

TEST(RemindDialog, NotNeededWhenTheServiceLibraryIsReadable) {
  const auto run = RunFileFor("fix-check-not-needed.json", 30000);
  ExpectCleanStop(run);
  EXPECT_EQ(TextsOf(run, "log", "function", "CFaultDetectPlugin::CheckForFix", "text"),
            (std::vector<std::string>{"check 19h1 ok", "netKeeper exit ", "Parameters not exit "}));
  EXPECT_TRUE(OfKind(run, "report").empty());
  EXPECT_TRUE(OfKind(run, "ui").empty());
  EXPECT_TRUE(TimesOf(run, "ipc", "dst", 0x40000).empty());
}

// Menu messages the prompt does not act on, the 10-minute delay for user data that is not a
// number, two delays in a row, and actions the screen does not allow.
TEST(RemindDialog, MenuChoicesAPersonCanMake) {
  const auto run = RunJson(DamagedLaptop(
      Ui(20000, R"({"click": "btnDelay"})") + "," + Ui(21000, R"({"choose": null})") + "," +
          Ui(22000, R"({"click": "btnDelay"})") + "," + Ui(23000, R"({"choose": ""})") + "," +
          Ui(24000, R"({"click": "btnDelay"})") + "," + Ui(25000, R"({"choose": "x9"})") + "," +
          Ui(26000, R"({"choose": "1"})") + "," + Ui(27000, R"({"click": "btnRestartNow"})") + "," +
          Ui(700000, R"({"click": "btnDelay"})") + "," + Ui(701000, R"({"choose": "1"})"),
      5000000));
  ExpectCleanStop(run);
  std::vector<std::string> errors;
  for (const auto& line : OfKind(run, "log")) {
    if (line["level"] == 40000)
      errors.push_back(line["text"]);
  }
  EXPECT_EQ(errors,
            (std::vector<std::string>{" menuItem is null",
                                      "FixpRemindRestartManager  menuItem GetUserData is null"}));
  // "x9" reads as 0: ten minutes. The window is hidden then, so nothing is chosen at 26 s and
  // the restart button (of the other face) cannot be clicked.
  EXPECT_EQ(TextsOf(run, "report", "event", "608005014", "fields/0"),
            (std::vector<std::string>{"0", "1"}));
  EXPECT_EQ(TextsOf(run, "ui", "op", "not_done", "reason"),
            (std::vector<std::string>{"no such window is shown", "no such window is shown"}));
  // Shown again 600 s after the choice at 25 s; hidden at 701 s for an hour, so at 4301 s.
  EXPECT_EQ(TimesOf(run, "ipc", "dst", 0x40000),
            (std::vector<std::int64_t>{10000, 625000, 701000 + 3600000}));
}

TEST(RemindDialog, HiddenControlsAndMissingMenusAreNotActedOn) {
  const auto run = RunJson(DamagedLaptop(Ui(20000, R"({"click": "btnRestartNow"})") + "," +
                                         Ui(21000, R"({"click": "btnNoSuch"})") + "," +
                                         Ui(22000, R"({"choose": "0"})") + "," +
                                         Ui(23000, R"({"window": "Other", "key": "alt+f4"})") +
                                         "," + Ui(24000, R"({"click": "btnNext"})")));
  ExpectCleanStop(run);
  EXPECT_EQ(TextsOf(run, "ui", "op", "not_done", "reason"),
            (std::vector<std::string>{"the control is hidden", "the window has no such control",
                                      "the window has no open menu", "no such window is shown"}));
  EXPECT_EQ(TimesOf(run, "report", "event", "608005012"), std::vector<std::int64_t>{24000});
  EXPECT_EQ(TimesOf(run, "ui", "op", "close"), std::vector<std::int64_t>{24000});
}

// Left to right at 100 %: the menu's right edge 12 px in from the window's right edge.
TEST(RemindDialog, MenuPlacementLeftToRight) {
  const auto run = RunJson(DamagedLaptop(Ui(20000, R"({"click": "btnDelay"})"), 60000,
                                         R"("screen": {"width": 1366, "height": 768},)"));
  ExpectCleanStop(run);
  std::vector<emu::Line> created, moved;
  for (const auto& line : OfKind(run, "ui")) {
    if (line["op"] == "create")
      created.push_back(line);
    if (line["op"] == "move")
      moved.push_back(line);
  }
  ASSERT_EQ(created.size(), 1u);
  EXPECT_EQ(created[0]["rect"], (emu::Line{463, 274, 440, 220}));
  ASSERT_EQ(moved.size(), 1u);
  EXPECT_EQ(moved[0]["rect"], (emu::Line{463 + 440 - 160 - 12, 274 + 164 - 96, 160, 96}));
}

// The host's layout may lack controls: they are skipped, and without the delay button the
// menu does not open. A failed repair write is logged and the prompt still turns.
TEST(RemindDialog, MissingControlsAndAFailedRepair) {
  const std::string layout =
      R"("toolkit_layouts": {"res/layout/fix/FixRemindDlg.xml": "<Window size=\"300,100\">)"
      R"(<Text name=\"txtContent\" pos=\"0,0,300,60\"/><HorizontalLayout name=\"fix_btn_layout\">)"
      R"(<Button name=\"btnFolder\" pos=\"0,60,100,100\"/><Button name=\"btnFixNow\")"
      R"( pos=\"100,60,200,100\"/></HorizontalLayout></Window>"},)"
      R"("registry_errors": {"set_value": 5},)";
  const auto run = RunJson(DamagedLaptop(
      Ui(20000, R"({"click": "btnFolder"})") + "," + Ui(21000, R"({"click": "btnFixNow"})"), 60000,
      layout));
  ExpectCleanStop(run);
  EXPECT_EQ(UiSteps(run), (std::vector<std::string>{
                              "hide FixRemindDlg", "create FixRemindDlg", "text txtContent",
                              "visible fix_btn_layout=1", "show FixRemindDlg", "text txtContent",
                              "visible fix_btn_layout=0", "show FixRemindDlg"}));
  EXPECT_EQ(OfKind(run, "log").back()["text"], "FixNow fail ");
  EXPECT_EQ(TimesOf(run, "report", "event", "608005011"), std::vector<std::int64_t>{21000});
  EXPECT_TRUE(OfKind(run, "registry").empty());
}

// A layout the toolkit cannot read: no window, and the pop-up request shows nothing.
TEST(RemindDialog, ABrokenLayoutShowsNothing) {
  const auto run = RunJson(DamagedLaptop(
      Ui(20000, R"({"click": "btnFixNow"})"), 30000,
      R"("toolkit_layouts": {"res/layout/fix/FixRemindDlg.xml": "<Window size=\"big\">"},)"));
  ExpectCleanStop(run);
  const auto ui = OfKind(run, "ui");
  ASSERT_EQ(ui.size(), 3u);
  EXPECT_EQ(ui[1]["op"], "layout_error");
  EXPECT_EQ(ui[2]["reason"], "no such window is shown");
  EXPECT_TRUE(TimesOf(run, "report", "event", "608005011").empty());
}

// An unload just before the check, as it runs, and once the prompt is asked for: no fault
// (no toolkit window left, no thread inside, no job of the plug-in left on the UI thread).
TEST(RemindDialog, UnloadAroundTheFixCheck) {
  for (auto mode : {emu::RunMode::Deterministic, emu::RunMode::Parallel}) {
    for (std::int64_t at : {9900, 10000, 10100}) {
      const auto run = RunFileFor("fix-remind-repair-restart.json", at, mode);
      ExpectCleanStop(run);
      EXPECT_TRUE(AfterUninit(run).empty()) << AfterUninit(run).front().dump();
      if (at == 9900) {
        EXPECT_TRUE(OfKind(run, "report").empty());
      }
    }
  }
}

// With a delay pending, and with the menu open: the window and the menu go with the plug-in,
// and the pending delay asks for nothing afterwards.
TEST(RemindDialog, UnloadWhileHiddenOrWithTheMenuOpen) {
  for (std::int64_t at : {30500, 300000}) {
    const auto run = RunFileFor("fix-remind-delays.json", at);
    ExpectCleanStop(run);
    EXPECT_EQ(TimesOf(run, "ipc", "dst", 0x40000), std::vector<std::int64_t>{10000});
    EXPECT_TRUE(AfterUninit(run).empty()) << AfterUninit(run).front().dump();
  }
}

}  // namespace
