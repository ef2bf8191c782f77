// The virtual laptop's processes: their lifetimes on the virtual clock, waits, kills, the
// snapshot, and the handles the calls hand out.
#include <gtest/gtest.h>

#include "EmuFixture.h"
#include "emu/OpenHandles.h"
#include "hostapi/SystemSdk.h"
#include "platform/Process.h"
#include "platform/Text.h"

namespace {

class ProcessesTest : public EmuTest {
 protected:
  static std::int64_t NowMs() { return emu::Scheduler::Instance().NowNs() / 1000000; }
  static platform::PROCESS_INFORMATION Start(std::wstring line) {
    platform::STARTUPINFOW startup;
    startup.cb = platform::kStartupInfoSize;
    platform::PROCESS_INFORMATION info;
    EXPECT_TRUE(platform::CreateProcessW(nullptr, line.data(), false, platform::CREATE_NO_WINDOW,
                                         startup, info));
    return info;
  }
  static void Close(const platform::PROCESS_INFORMATION& info) {
    platform::CloseHandle(info.hProcess);
    platform::CloseHandle(info.hThread);
  }
};

TEST_F(ProcessesTest, AProgramRunsItsTimeAndItsEndHasEffects) {
  emu::LoadLaptop(nlohmann::json::parse(R"({
      "programs": {"setup.EXE": {"runs_ms": 3000, "exit_code": 5}},
      "effects": {"exit:Setup.exe": {"wifi.problem_code": 0}}, "wifi": {"problem_code": 10}})"));
  const auto info = Start(L"\"C:\\Temp Dir\\Setup.exe\" /s");
  EXPECT_EQ(platform::WaitForSingleObject(info.hProcess, 1000), platform::WAIT_TIMEOUT);
  EXPECT_EQ(NowMs(), 1000);
  EXPECT_EQ(emu::Laptop::Instance().Get("wifi.problem_code"), 10);
  EXPECT_EQ(platform::WaitForSingleObject(info.hProcess, 60000), platform::WAIT_OBJECT_0);
  EXPECT_EQ(NowMs(), 3000);
  EXPECT_EQ(emu::Laptop::Instance().Get("wifi.problem_code"), 0);
  const auto lines = Lines("process");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0]["name"], "Setup.exe");
  EXPECT_EQ(lines[1]["op"], "exit");
  EXPECT_EQ(lines[1]["exit_code"], 5);
  EXPECT_EQ(emu::OpenProcessHandles().size(), 2u);
  Close(info);
  EXPECT_TRUE(emu::OpenProcessHandles().empty());
  EXPECT_EQ(platform::WaitForSingleObject(info.hProcess, 0), platform::WAIT_FAILED);
}

TEST_F(ProcessesTest, AKillEndsTheProcessAndItsWaitersWithoutItsEffects) {
  emu::LoadLaptop(nlohmann::json::parse(R"({"programs": {"a.exe": {"runs_ms": 9000}},
      "effects": {"exit:a.exe": {"x": 1}}, "processes": ["Listener.exe"]})"));
  const auto info = Start(L"a.exe");
  // Killed before its own thread ran: nothing is left waiting for its end.
  EXPECT_TRUE(KillProcByName(L"A.EXE"));
  EXPECT_EQ(platform::WaitForSingleObject(info.hProcess, 60000), platform::WAIT_OBJECT_0);
  EXPECT_EQ(NowMs(), 0);
  Close(info);
  EXPECT_TRUE(emu::Laptop::Instance().Get("x").is_null());
  // The laptop's own process runs until it is killed.
  const auto running = emu::ProcessTable::Instance().Running();
  ASSERT_EQ(running.size(), 1u);
  EXPECT_EQ(running[0].exe, "Listener.exe");
  std::vector<std::string> left;
  for (const auto& t : emu::Scheduler::Instance().WaitForOthersToFinish()) {
    if (t.find("(idle)") == std::string::npos)
      left.push_back(t);
  }
  EXPECT_TRUE(left.empty()) << left.front();
}

TEST_F(ProcessesTest, TheSnapshotListsTheRunningProcessesByName) {
  emu::LoadLaptop(nlohmann::json::parse(R"({"processes": ["OSDListener.exe", "DOsd.exe"]})"));
  platform::HANDLE snapshot = platform::CreateToolhelp32Snapshot(platform::TH32CS_SNAPPROCESS, 0);
  ASSERT_NE(snapshot, nullptr);
  platform::PROCESSENTRY32W entry;
  EXPECT_FALSE(platform::Process32FirstW(snapshot, entry));  // dwSize not set
  entry.dwSize = platform::kProcessEntrySize;
  std::vector<std::wstring> names;
  for (bool more = platform::Process32FirstW(snapshot, entry); more;
       more = platform::Process32NextW(snapshot, entry)) {
    names.emplace_back(entry.szExeFile);
    platform::HANDLE process =
        platform::OpenProcess(platform::PROCESS_ALL_ACCESS, false, entry.th32ProcessID);
    EXPECT_NE(process, nullptr);
    platform::CloseHandle(process);
  }
  EXPECT_EQ(names, (std::vector<std::wstring>{L"OSDListener.exe", L"DOsd.exe"}));
  platform::CloseHandle(snapshot);
  EXPECT_EQ(platform::OpenProcess(platform::PROCESS_ALL_ACCESS, false, 4242), nullptr);
  EXPECT_TRUE(emu::OpenProcessHandles().empty());
}

TEST_F(ProcessesTest, StartFailuresAndTheModuleStop) {
  emu::LoadLaptop(nlohmann::json::parse(
      R"({"programs": {"bad.exe": {"start_error": 193}, "long.exe": {"runs_ms": 600000}}})"));
  platform::STARTUPINFOW startup;
  startup.cb = platform::kStartupInfoSize;
  platform::PROCESS_INFORMATION info;
  std::wstring bad = L"C:\\bad.exe";
  EXPECT_FALSE(platform::CreateProcessW(nullptr, bad.data(), false, 0, startup, info));
  EXPECT_EQ(Lines("process")[0]["error"], 193);
  startup.cb = 68;  // the 32-bit record's size
  std::wstring other = L"C:\\long.exe";
  EXPECT_FALSE(platform::CreateProcessW(nullptr, other.data(), false, 0, startup, info));
  // A plug-in's wait ends when the module stops; the process goes on.
  const auto running = Start(L"C:\\long.exe");
  emu::Scheduler::Instance().StopModuleThreads();
  EXPECT_EQ(platform::WaitForSingleObject(running.hProcess, 60000), platform::WAIT_TIMEOUT);
  EXPECT_EQ(NowMs(), 0);
  EXPECT_TRUE(emu::ProcessTable::Instance().IsRunning(running.dwProcessId));
  Close(running);
}

}  // namespace
