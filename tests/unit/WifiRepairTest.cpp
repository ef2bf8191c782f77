// The Wi-Fi driver reinstall and its companions, in virtual time: result codes, the setup
// watch, the rescans, the software removal and the product code rules.
#include <gtest/gtest.h>

#include "DetectorFixture.h"
#include "emu/OpenHandles.h"
#include "platform/Mutex.h"
#include "platform/Thread.h"
#include "repair/ProcessWifiRepair.h"

namespace {

constexpr char kDriver[] = "C:\\Windows\\OriginalDriver\\WifiDriver\\22.200.0.6.exe";
constexpr char kScript[] =
    "C:\\Program Files\\Velmora\\Service\\config\\DeviceCfg\\InstallOTAWifiDriver.bat";
constexpr char kUninstall[] = "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
constexpr char kUninstall32[] =
    "HKLM\\SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

class WifiRepairTest : public DetectorTest {
 protected:
  // A missing card, the stored driver and the script; the rest from the test.
  static void UseMissingCard(const std::string& more = "") {
    Use(std::string(R"({"wifi": {"hardware_id": ""}, "files": {")") + Escaped(kDriver) +
        R"(": "MZ", ")" + Escaped(kScript) + R"(": "@echo off"})" + more + "}");
  }
  static std::string Escaped(const std::string& path) {
    std::string out;
    for (char c : path) {
      out += c;
      if (c == '\\')
        out += '\\';
    }
    return out;
  }
  static std::int64_t NowMs() { return emu::Scheduler::Instance().NowNs() / 1000000; }
  static std::vector<std::string> Commands() {
    std::vector<std::string> out;
    for (const auto& line : Lines("process")) {
      if (line["op"] == "create")
        out.push_back(line["command_line"]);
    }
    return out;
  }
};

TEST_F(WifiRepairTest, ACardThatWorksNeedsNoReinstall) {
  for (int code : {0, 22}) {
    Use(R"({"wifi": {"problem_code": )" + std::to_string(code) + "}}");
    EXPECT_EQ(CProcessWifiRepair::ReInsatllDriver(), kReinstallCardWorks) << code;
  }
  EXPECT_TRUE(Lines("process").empty());
  EXPECT_EQ(NowMs(), 0);
}

TEST_F(WifiRepairTest, NoInstallerAndNoScriptAreTheirOwnCodes) {
  Use(R"({"wifi": {"hardware_id": ""}, "files": {")" + Escaped(kScript) + R"(": "x"}})");
  EXPECT_EQ(CProcessWifiRepair::ReInsatllDriver(), kReinstallNoInstaller);
  Use(R"({"wifi": {"hardware_id": ""}, "files": {")" + Escaped(kDriver) + R"(": "MZ"}})");
  EXPECT_EQ(CProcessWifiRepair::ReInsatllDriver(), kReinstallNoScript);
  EXPECT_TRUE(Lines("process").empty());
  EXPECT_EQ(Lines("log").back()["text"],
            "CVexServerMsgHandler::ProcessDriverRecovery failed and error code is "
            "EXIT_RUNINSTALLBAT_FAIL");
  EXPECT_EQ(Lines("log").back()["function"], "CProcessWifiRepair::ReInsatllDriver");
}

TEST_F(WifiRepairTest, AScriptThatCannotStartIsLoggedByTheReinstall) {
  UseMissingCard(R"(, "programs": {"InstallOTAWifiDriver.bat": {"start_error": 2}})");
  EXPECT_EQ(CProcessWifiRepair::ReInsatllDriver(), kReinstallCardStillFails);
  const auto logs = Lines("log");
  const auto failure = std::find_if(logs.begin(), logs.end(), [](const emu::Line& line) {
    return line["text"].get<std::string>().find("EXIT_RUNINSTALLBAT_FAIL") != std::string::npos;
  });
  ASSERT_NE(failure, logs.end());
  EXPECT_EQ((*failure)["function"], "CProcessWifiRepair::ReInsatllDriver");
  EXPECT_EQ((*failure)["level"], 40000);
  // Then the sixty rescans, as for an installer that is already running.
  const auto ops = DeviceOps();
  EXPECT_EQ(std::count(ops.begin(), ops.end(), "rescan"), 60);
}

TEST_F(WifiRepairTest, TheSetupIsWatchedUntilTheCardComesBack) {
  // The script runs 40 s and starts Setup.exe for 90 s; when the setup ends the card is back.
  UseMissingCard(R"(, "product": {"index": 5},
      "programs": {"InstallOTAWifiDriver.bat": {"runs_ms": 40000, "starts": ["Setup.exe"]},
                   "Setup.exe": {"runs_ms": 90000}},
      "effects": {"exit:Setup.exe": {"wifi.hardware_id": "PCI\\VEN_8086&DEV_2725"}})");
  EXPECT_EQ(CProcessWifiRepair::ReInsatllDriver(), kReinstallCardWorks);
  // The script is waited for (40 s), then each round pauses 0.5 s and waits for Setup.exe.
  EXPECT_EQ(NowMs(), 90000);
  EXPECT_EQ(Commands(),
            (std::vector<std::string>{"\"" + std::string(kScript) + "\"", "Setup.exe"}));
  EXPECT_TRUE(emu::OpenProcessHandles().empty());
}

TEST_F(WifiRepairTest, ARunningInstallerSkipsTheScriptButNotTheRescans) {
  UseMissingCard(R"(, "processes": ["22.200.0.6.EXE"])");
  EXPECT_EQ(CProcessWifiRepair::ReInsatllDriver(), kReinstallCardStillFails);
  EXPECT_TRUE(Commands().empty());
  const auto ops = DeviceOps();
  EXPECT_EQ(std::count(ops.begin(), ops.end(), "rescan"), 60);
  EXPECT_EQ(NowMs(), 60000);
}

TEST_F(WifiRepairTest, AStartedScriptThatDoesNotHelpEndsInTheRescans) {
  UseMissingCard(R"(, "programs": {"InstallOTAWifiDriver.bat": {"runs_ms": 1000}},
      "effects": {"rescan": {"wifi.hardware_id": "PCI\\VEN_8086&DEV_2725"}})");
  EXPECT_EQ(CProcessWifiRepair::ReInsatllDriver(), kReinstallCardWorks);
  // 1 s of script, ten rounds of 0.5 s, then the first rescan finds the card.
  EXPECT_EQ(NowMs(), 6000);
  const auto ops = DeviceOps();
  EXPECT_EQ(std::count(ops.begin(), ops.end(), "rescan"), 1);
}

TEST_F(WifiRepairTest, ReinstallsRunOneAfterTheOther) {
  UseMissingCard(R"(, "programs": {"InstallOTAWifiDriver.bat": {"runs_ms": 20000}},
      "effects": {"exit:InstallOTAWifiDriver.bat": {"wifi.hardware_id": "PCI\\VEN_8086"}})");
  std::vector<std::pair<std::uint32_t, std::int64_t>> results;
  platform::Mutex mu;
  for (int i = 0; i < 2; ++i) {
    platform::StartDetachedThread([&] {
      const auto code = CProcessWifiRepair::ReInsatllDriver();
      std::lock_guard lock(mu);
      results.emplace_back(code, NowMs());
    });
  }
  Settle();
  // The second waits for the first, then finds the card working.
  ASSERT_EQ(results.size(), 2u);
  EXPECT_EQ(results[0], std::make_pair(0u, std::int64_t{20500}));
  EXPECT_EQ(results[1], std::make_pair(0u, std::int64_t{20500}));
  EXPECT_EQ(Commands().size(), 1u);
}

TEST_F(WifiRepairTest, CommandLinesAreQuotedAndMustFitTheBuffer) {
  Use("{}");
  EXPECT_TRUE(CProcessWifiRepair::RunExecute(L"C:\\a b\\x.bat", false));
  EXPECT_TRUE(CProcessWifiRepair::RunExecute(L"C:\\x.exe /q", true));
  EXPECT_TRUE(CProcessWifiRepair::RunExecute(L"\"C:\\a b\\y.exe\" /s", false));
  EXPECT_EQ(Commands(), (std::vector<std::string>{"\"C:\\a b\\x.bat\"", "C:\\x.exe /q",
                                                  "\"C:\\a b\\y.exe\" /s"}));
  // 259 characters fit; 260 do not (the quotes count).
  EXPECT_TRUE(CProcessWifiRepair::RunExecute(std::wstring(259, L'a'), true));
  EXPECT_FALSE(CProcessWifiRepair::RunExecute(std::wstring(258, L'a'), false));
  EXPECT_EQ(Lines("log").back()["text"].get<std::string>().rfind("cpy fail err:", 0), 0u);
  // A program that cannot start.
  emu::Laptop::Instance().Set("programs", {{"bad.exe", {{"start_error", 193}}}});
  EXPECT_FALSE(CProcessWifiRepair::RunExecute(L"C:\\bad.exe", false));
}

TEST_F(WifiRepairTest, RescanFailuresAreLoggedWithTheirCodes) {
  Use(R"({"config_manager": {"locate_error": 13}})");
  CProcessWifiRepair::ScanForHardwareChange();
  emu::Laptop::Instance().Set("config_manager", {{"reenumerate_error", 5}});
  CProcessWifiRepair::ScanForHardwareChange();
  const auto logs = Lines("log");
  ASSERT_EQ(logs.size(), 2u);
  EXPECT_EQ(logs[0]["text"],
            "CVexServerMsgHandler::ScanForHardwareChange CM_Locate_DevNode failed and error "
            "code is :13");
  EXPECT_EQ(logs[1]["text"],
            "CVexServerMsgHandler::ScanForHardwareChange CM_Reenumerate_DevNode failed and "
            "error code is :5");
  EXPECT_TRUE(DeviceOps().empty());
}

TEST_F(WifiRepairTest, TheProductCodeMustBeBracedUpperCaseFromIndexFourteen) {
  const std::wstring code = L"{A1B2C3D4-E5F6-0718-293A-4B5C6D7E8F90}";
  const std::wstring prefix = L"MsiExec.exe /X";  // 14 characters
  EXPECT_EQ(BuildMsiInstallCommand(prefix + code), L"C:\\Windows\\SysWOW64\\MsiExec.exe /I" + code);
  EXPECT_EQ(BuildMsiInstallCommand(prefix + code + L" /qn"),
            L"C:\\Windows\\SysWOW64\\MsiExec.exe /I" + code);
  EXPECT_EQ(BuildMsiInstallCommand(L"MsiExec.exe /" + code), L"");  // brace at 13
  EXPECT_EQ(BuildMsiInstallCommand(prefix + L"{a1B2C3D4-E5F6-0718-293A-4B5C6D7E8F90}"), L"");
  EXPECT_EQ(BuildMsiInstallCommand(prefix + L"{A1B2C3D4-E5F6-0718-293A-4B5C6D7E8F9}"), L"");
  EXPECT_EQ(BuildMsiInstallCommand(prefix + L"{A1B2C3D4_E5F6-0718-293A-4B5C6D7E8F90}"), L"");
  EXPECT_EQ(BuildMsiInstallCommand(L"}MsiExec.exe /X" + code), L"");  // closing brace first
  EXPECT_EQ(BuildMsiInstallCommand(prefix), L"");
}

TEST_F(WifiRepairTest, WirelessSoftwareIsFoundInBothUninstallKeys) {
  const std::string chinese = "\xE6\x97\xA0\xE7\xBA\xBF\xE8\xBD\xAF\xE4\xBB\xB6";  // 无线软件
  nlohmann::json registry = {
      {std::string(kUninstall) + "{P1}",
       {{"DisplayName", "Intel(R) PROSet/Wireless software"},
        {"QuietUninstallString", "MsiExec.exe /X{A1B2C3D4-E5F6-0718-293A-4B5C6D7E8F90} /qn"},
        {"Publisher", "Intel"}}},
      {std::string(kUninstall) + "{P2}", {{"DisplayName", "Wireless software for Intel"}}},
      {std::string(kUninstall) + "{P3}", {{"DisplayName", "Intel PROSet/wireless Software"}}},
      {std::string(kUninstall) + "{P4}",
       {{"DisplayName", "PROSet/Wireless software update"}, {"ParentKeyName", "OperatingSystem"}}},
      {std::string(kUninstall) + "{P5}",
       {{"DisplayName", std::string(255, 'x') + "/Wireless software"}}},  // does not fit
      {std::string(kUninstall32) + "{P6}", {{"DisplayName", "Intel " + chinese}}},
      {std::string(kUninstall32) + "{P7}", {{"DisplayName", "Intel /" + chinese}}},
  };
  Use(nlohmann::json({{"registry", registry}}).dump());
  std::vector<WirelessSoftwareEntry> entries;
  FindWirelessSoftwareEntries(entries);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].subkeyName, L"{P1}");
  EXPECT_EQ(entries[0].publisher, L"Intel");
  EXPECT_EQ(entries[1].subkeyName, L"{P7}");
  EXPECT_TRUE(emu::OpenRegistryKeys().empty());

  // The removal runs the MSI command of the one entry with a product code.
  EXPECT_EQ(CProcessWifiRepair::UnistaProsWifiSoft(), 0u);
  EXPECT_EQ(Commands(),
            std::vector<std::string>{
                "C:\\Windows\\SysWOW64\\MsiExec.exe /I{A1B2C3D4-E5F6-0718-293A-4B5C6D7E8F90}"});
  emu::Laptop::Instance().Set("programs", {{"MsiExec.exe", {{"start_error", 2}}}});
  EXPECT_EQ(CProcessWifiRepair::UnistaProsWifiSoft(), kUninstallFailed);
  EXPECT_EQ(Lines("log").back()["text"], "unistall Proset wireless software failed !");
}

TEST_F(WifiRepairTest, TheStoredDriverIsTheInstalledOneOnlyWhenTheNamesMatchExactly) {
  for (const auto& [version, expected] : std::vector<std::pair<std::string, std::uint32_t>>{
           {"22.200.0.6", 1}, {"22.200.0.60", 0}, {"22.200.0.5", 0}}) {
    Use(R"({"wifi": {"driver_version": ")" + version + R"("}, "files": {")" + Escaped(kDriver) +
        R"(": "MZ"}})");
    std::uint32_t flag = 7;
    IsStoredWifiDriverInstalled(flag);
    EXPECT_EQ(flag, expected) << version;
  }
  Use("{}");  // no folder
  std::uint32_t flag = 7;
  IsStoredWifiDriverInstalled(flag);
  EXPECT_EQ(flag, 0u);
  EXPECT_EQ(GetStoredDriverVersion(L"C:\\d\\1.2.3.exe"), L"1.2.3");
}

}  // namespace
