// The win32 backend's module and process calls under wine: the vendor libraries' stand-in
// DLLs load and give their entries, a module is gone after its last FreeLibrary, a child
// process is started, waited for, found in the snapshot and terminated, and the module's stop
// ends a wait for a process early.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "platform/LastError.h"
#include "platform/Module.h"
#include "platform/Process.h"
#include "platform/Sleep.h"
#include "platform/Thread.h"

namespace {

using namespace platform;

TEST(Modules, TheVendorStandInsLoadAndGiveTheirEntries) {
  HMODULE touchpad = LoadLibraryExA("TactraHidAPI.dll", nullptr, 0);
  ASSERT_NE(touchpad, nullptr) << GetLastError();
  for (const char* entry : {"InitInterface", "UnInitInterface", "RegistCallBackWindowsLog",
                            "UnRegistCallBackWindowsLog", "GetNowFirmwareVersion"})
    EXPECT_NE(GetProcAddress(touchpad, entry), nullptr) << entry;
  EXPECT_EQ(GetProcAddress(touchpad, "NoSuchEntry"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
  HMODULE realtek = LoadLibraryExA("RtkBTReset.dll", nullptr, 0);
  ASSERT_NE(realtek, nullptr);
  EXPECT_NE(GetProcAddress(realtek, "RTKStartWatchUsbErr"), nullptr);
  EXPECT_EQ(GetModuleHandleA("RtkBTReset.dll"), realtek);
  EXPECT_TRUE(FreeLibrary(realtek));
  EXPECT_TRUE(FreeLibrary(touchpad));
  EXPECT_EQ(GetModuleHandleA("RtkBTReset.dll"), nullptr);  // unloaded with its last reference

  EXPECT_EQ(LoadLibraryExA("NoSuchLibrary.dll", nullptr, 0), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
}

TEST(Modules, AnAddressNamesItsModule) {
  EXPECT_EQ(GetModuleHandleFromAddress(reinterpret_cast<const void*>(&GetModuleHandleA)),
            GetModuleHandleA(nullptr));
}

// This test program started again as a child that sleeps (see Main.cpp).
bool StartSleeper(std::uint32_t ms, PROCESS_INFORMATION& info) {
  std::wstring line = L"fd_windows_tests.exe --sleep-ms " + std::to_wstring(ms);
  STARTUPINFOW startup;
  startup.cb = kStartupInfoSize;
  return CreateProcessW(nullptr, line.data(), false, CREATE_NO_WINDOW, startup, info);
}

void Close(const PROCESS_INFORMATION& info) {
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
}

TEST(Processes, StartedWaitedForFoundAndTerminated) {
  PROCESS_INFORMATION info;
  STARTUPINFOW wrongSize;
  wrongSize.cb = 68;  // a 32-bit process's record
  std::wstring line = L"fd_windows_tests.exe";
  EXPECT_FALSE(CreateProcessW(nullptr, line.data(), false, 0, wrongSize, info));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);

  ASSERT_TRUE(StartSleeper(0, info)) << GetLastError();
  EXPECT_EQ(WaitForSingleObject(info.hProcess, 30000), WAIT_OBJECT_0);
  Close(info);

  ASSERT_TRUE(StartSleeper(60000, info));
  EXPECT_EQ(WaitForSingleObject(info.hProcess, 10), WAIT_TIMEOUT);
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  ASSERT_NE(snapshot, nullptr);
  PROCESSENTRY32W entry;
  entry.dwSize = 296;  // the 32-bit record
  EXPECT_FALSE(Process32FirstW(snapshot, entry));
  EXPECT_EQ(GetLastError(), ERROR_BAD_LENGTH);
  entry.dwSize = kProcessEntrySize;
  bool found = false;
  for (bool more = Process32FirstW(snapshot, entry); more; more = Process32NextW(snapshot, entry))
    found = found || entry.th32ProcessID == info.dwProcessId;
  EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
  EXPECT_TRUE(found);
  CloseHandle(snapshot);

  HANDLE opened = OpenProcess(PROCESS_TERMINATE, false, info.dwProcessId);
  ASSERT_NE(opened, nullptr);
  EXPECT_TRUE(TerminateProcess(opened, 3));
  CloseHandle(opened);
  EXPECT_EQ(WaitForSingleObject(info.hProcess, 30000), WAIT_OBJECT_0);
  Close(info);
}

TEST(Processes, TheModuleStopEndsAWaitForAProcess) {
  PROCESS_INFORMATION info;
  ASSERT_TRUE(StartSleeper(60000, info));
  DWORD result = 0;
  ASSERT_TRUE(StartDetachedThread([&] { result = WaitForSingleObject(info.hProcess, 600000); }));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  const auto start = std::chrono::steady_clock::now();
  StopModuleThreads();
  JoinModuleThreads();
  RestartModuleThreads();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_EQ(result, WAIT_TIMEOUT);  // the plug-in gives up on the process
  HANDLE opened = OpenProcess(PROCESS_TERMINATE, false, info.dwProcessId);
  EXPECT_TRUE(TerminateProcess(opened, 0));
  CloseHandle(opened);
  Close(info);
}

}  // namespace
