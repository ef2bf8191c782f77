// The start-up fix check of the EventLog service registration and its repair.
#include <gtest/gtest.h>

#include "DetectorFixture.h"
#include "plugin/FaultDetectPlugin.h"
#include "remind/FixCheck.h"
#include "remind/FixpRemindRestartManager.h"

namespace {

constexpr char kCurrentVersion[] = "HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion";
constexpr char kNetkeeper[] =
    "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Netkeeper.exe";
constexpr char kEventLog[] = "HKLM\\SYSTEM\\CurrentControlSet\\Services\\EventLog";

class FixCheckTest : public DetectorTest {
 protected:
  // The damaged state on the given branch; the test removes or adds one piece.
  static nlohmann::json Damaged(const std::string& branch) {
    return {{kCurrentVersion, {{"BuildBranch", branch}}},
            {kNetkeeper, nlohmann::json::object()},
            {kEventLog, {{"Start", 2}}}};
  }
  static void UseRegistry(const nlohmann::json& registry) {
    Use(nlohmann::json({{"registry", registry}}).dump());
  }
  static std::vector<std::string> Warnings() {
    std::vector<std::string> out;
    for (const auto& line : Lines("log")) {
      EXPECT_EQ(line["function"], "CFaultDetectPlugin::CheckForFix");
      out.push_back(line["text"]);
    }
    return out;
  }
};

TEST_F(FixCheckTest, OnlyTheRs5And19h1BranchesCount) {
  for (const auto& [branch, expected] :
       std::vector<std::pair<std::string, bool>>{{"rs5_release", true},
                                                 {"RS5_RELEASE_SVC", true},
                                                 {"vb_release_19H1_backport", true},
                                                 {"19h2_release", false},
                                                 {"vb_release", false},
                                                 {"", false}}) {
    UseRegistry(Damaged(branch));
    EXPECT_EQ(CFaultDetectPlugin::CheckForFix(), expected) << branch;
  }
  // Every lookup runs and logs, whatever came before.
  UseRegistry(Damaged("rs5_19h1"));
  emu::Transcript::Instance().Clear();
  EXPECT_TRUE(CFaultDetectPlugin::CheckForFix());
  EXPECT_EQ(Warnings(),
            (std::vector<std::string>{"check rs5 ok", "check 19h1 ok", "netKeeper exit ",
                                      "Parameters not exit ", "servicedll not exit "}));
  EXPECT_EQ(Lines("log")[0]["level"], 30000);
}

TEST_F(FixCheckTest, EachHealthyPieceClearsTheCheck) {
  auto noNetkeeper = Damaged("rs5_release");
  noNetkeeper.erase(kNetkeeper);
  auto withParameters = Damaged("rs5_release");
  withParameters[std::string(kEventLog) + "\\Parameters"] = {{"ServiceDll", "x"}};
  auto withLibrary = Damaged("rs5_release");
  withLibrary[kEventLog]["ServiceDll"] = "%SystemRoot%\\System32\\wevtsvc.dll";
  for (const auto& registry : {noNetkeeper, withParameters, withLibrary}) {
    UseRegistry(registry);
    EXPECT_FALSE(CFaultDetectPlugin::CheckForFix()) << registry.dump();
  }
  // Nothing but the branch: no Netkeeper, so no repair, though Parameters and the library
  // are missing too.
  UseRegistry({{kCurrentVersion, {{"BuildBranch", "rs5_release"}}}});
  emu::Transcript::Instance().Clear();
  EXPECT_FALSE(CFaultDetectPlugin::CheckForFix());
  EXPECT_EQ(Warnings(), (std::vector<std::string>{"check rs5 ok", "Parameters not exit ",
                                                  "servicedll not exit "}));
}

TEST_F(FixCheckTest, TheRepairWritesAnExpandableStringAndEndsTheCheck) {
  UseRegistry(Damaged("19h1_release"));
  ASSERT_TRUE(CFaultDetectPlugin::CheckForFix());
  FixpRemindRestartManager::FixNow();
  const auto writes = Lines("registry");
  ASSERT_EQ(writes.size(), 1u);
  EXPECT_EQ(writes[0]["key"], kEventLog);
  EXPECT_EQ(writes[0]["name"], "ServiceDll");
  EXPECT_EQ(writes[0]["type"], "REG_EXPAND_SZ");
  EXPECT_EQ(writes[0]["value"], "%SystemRoot%\\System32\\wevtsvc.dll");
  EXPECT_FALSE(CFaultDetectPlugin::CheckForFix());
  // A failed write is only logged.
  UseRegistry(Damaged("19h1_release"));
  emu::Laptop::Instance().Set("registry_errors.set_value", 5);
  FixpRemindRestartManager::FixNow();
  EXPECT_EQ(Lines("log").back()["text"], "FixNow fail ");
  EXPECT_EQ(Lines("log").back()["level"], 40000);
  EXPECT_TRUE(CFaultDetectPlugin::CheckForFix());
}

TEST_F(FixCheckTest, TheBranchIsCutAt127Characters) {
  UseRegistry({{kCurrentVersion, {{"BuildBranch", std::string(200, 'b')}}}});
  EXPECT_EQ(GetOSBuildBranch(), std::string(127, 'b'));
  UseRegistry(nlohmann::json::object());
  EXPECT_EQ(GetOSBuildBranch(), "");
}

}  // namespace
