// The emulator's stand-ins behave as the real parts do: the bus routes, the registry stores,
// the drive maps paths and is searched, WMI refuses what it cannot read, the laptop applies
// effects.
#include <gtest/gtest.h>

#include "EmuFixture.h"
#include "emu/Bus.h"
#include "emu/VirtualDrive.h"
#include "emu/VirtualRegistry.h"
#include "fdhost/DiskReplyDecoder.h"
#include "fdhost/TextTimeline.h"
#include "hostapi/IPCMessageClient.h"
#include "hostapi/SystemSdk.h"
#include "platform/File.h"
#include "platform/LastError.h"
#include "platform/Wmi.h"

namespace {

class Probe : public emu::BusEndpoint {
 public:
  std::vector<std::uint32_t> messages;
  void Deliver(emu::BusMessage m) override { messages.push_back(m.msg); }
};

class EmulatorPartsTest : public EmuTest {};

TEST_F(EmulatorPartsTest, BusRoutesToTheFirstClientOfAnIdAndByGroup) {
  auto& bus = emu::Bus::Instance();
  Probe first, second, listener;
  bus.Join(0x500000, &first);
  bus.Join(0x500000, &second);  // a later client of the same id does not take its messages
  bus.Join(0x600000, &listener);
  bus.Subscribe(&listener, 0xA0000);
  emu::BusMessage m;
  m.dst = 0x500000;
  m.msg = 0x500001;
  EXPECT_TRUE(bus.Send(m));
  m.msg = 0xA0004;
  EXPECT_EQ(bus.Broadcast(m), 1u);
  m.msg = 0xB0001;
  EXPECT_EQ(bus.Broadcast(m), 0u);
  m.dst = 0x700000;
  EXPECT_FALSE(bus.Send(m));
  bus.Leave(&first);
  m.dst = 0x500000;
  m.msg = 0x500002;
  EXPECT_TRUE(bus.Send(m));
  bus.Leave(&second);
  bus.Leave(&listener);
  EXPECT_EQ(first.messages, (std::vector<std::uint32_t>{0x500001}));
  EXPECT_EQ(second.messages, (std::vector<std::uint32_t>{0x500002}));
  EXPECT_EQ(listener.messages, (std::vector<std::uint32_t>{0xA0004}));
}

TEST_F(EmulatorPartsTest, PostedPayloadIsCopiedBeforePostReturns) {
  CIPCMessageClient client(0x380000, true, false);
  Probe target;
  emu::Bus::Instance().Join(0x10000, &target);
  std::uint8_t bytes[3] = {1, 2, 3};
  tagIPC_MESSAGE_ITEM item;
  item.dwDestClientId = 0x10000;
  item.dwMsgId = 0x10001;
  item.pData = bytes;
  item.nDataLen = 3;
  EXPECT_TRUE(client.PostIPCMessage(item));
  bytes[0] = 9;  // the caller frees or reuses its buffer at once
  emu::Bus::Instance().Leave(&target);
  const auto ipc = Lines("ipc");
  ASSERT_EQ(ipc.size(), 1u);
  EXPECT_EQ(ipc[0]["payload_hex"], "010203");
}

TEST_F(EmulatorPartsTest, RegistryKeysIgnoreLetterCaseAndDeleteTheirSubtree) {
  auto& registry = emu::VirtualRegistry::Instance();
  registry.Load(
      nlohmann::json::parse(R"({"HKLM\\SOFTWARE\\A": {"N": 1}, "HKLM\\SOFTWARE\\A\\B": {}})"));
  EXPECT_TRUE(registry.KeyExists("hklm\\software\\a"));
  EXPECT_EQ(*registry.GetValue("HKLM\\SOFTWARE\\A", "n"), 1);
  EXPECT_FALSE(registry.SetValue("HKLM\\SOFTWARE\\C", "N", 2));  // no key, no value
  EXPECT_TRUE(registry.DeleteKey("HKLM\\Software\\A"));
  EXPECT_FALSE(registry.KeyExists("HKLM\\SOFTWARE\\A\\B"));
  EXPECT_FALSE(registry.DeleteKey("HKLM\\SOFTWARE\\A"));
}

TEST_F(EmulatorPartsTest, DriveKeepsPathsOnTheCDrive) {
  auto& drive = emu::VirtualDrive::Instance();
  EXPECT_TRUE(drive.WriteFile("C:\\Temp\\a.txt", {'x'}));
  EXPECT_TRUE(drive.Exists("c:/Temp/a.txt"));
  EXPECT_EQ(drive.HostPath("C:\\Temp\\..\\..\\etc"), "");  // never leaves the drive
  EXPECT_FALSE(drive.WriteFile("D:\\a.txt", {'x'}));
  EXPECT_EQ(emu::VirtualDrive::Folder("C:\\Temp\\a.txt"), "C:\\Temp");
}

TEST_F(EmulatorPartsTest, AFolderSearchListsTheFilesByNameWithWindowsErrors) {
  auto& drive = emu::VirtualDrive::Instance();
  ASSERT_TRUE(drive.WriteFile("C:\\Drivers\\b.exe", {'x'}));
  ASSERT_TRUE(drive.WriteFile("C:\\Drivers\\a.inf", {'x'}));
  ASSERT_TRUE(drive.WriteFile("C:\\Drivers\\Sub\\c.exe", {'x'}));
  platform::WIN32_FIND_DATAW found;
  platform::HANDLE search = platform::FindFirstFileW(L"C:\\Drivers\\*", found);
  ASSERT_NE(search, platform::INVALID_HANDLE_VALUE);
  EXPECT_EQ(std::wstring(found.cFileName), L"a.inf");
  ASSERT_TRUE(platform::FindNextFileW(search, found));
  EXPECT_EQ(std::wstring(found.cFileName), L"b.exe");
  EXPECT_FALSE(platform::FindNextFileW(search, found));  // files only: not the folder "Sub"
  EXPECT_EQ(platform::GetLastError(), ERROR_NO_MORE_FILES);
  EXPECT_TRUE(platform::FindClose(search));
  EXPECT_FALSE(platform::FindClose(search));
  EXPECT_EQ(platform::FindFirstFileW(L"C:\\Nowhere\\*", found), platform::INVALID_HANDLE_VALUE);
  EXPECT_EQ(platform::GetLastError(), ERROR_PATH_NOT_FOUND);
  // The host's helper filters by extension, letter case ignored, with the folder's path.
  ASSERT_TRUE(drive.WriteFile("C:\\Drivers\\D.EXE", {'x'}));
  EXPECT_EQ(CFileProcess().GetTypeFiles(L"C:\\Drivers\\", L".exe"),
            (std::vector<std::wstring>{L"C:\\Drivers\\D.EXE", L"C:\\Drivers\\b.exe"}));
}

TEST_F(EmulatorPartsTest, LaptopEffectsAndScriptedResults) {
  auto& laptop = emu::Laptop::Instance();
  constexpr auto kProblemCode = emu::FactOf("wifi.problem_code", emu::FactType::Integer);
  constexpr auto kName = emu::FactOf("bluetooth.name", emu::FactType::Text);
  constexpr auto kResults = emu::FactOf("realtek.reset_results", emu::FactType::Results);
  laptop.Set("effects", nlohmann::json::parse(
                            R"({"rescan": {"wifi.problem_code": 0, "bluetooth.name": "z"}})"));
  laptop.Set("wifi.problem_code", 10);
  EXPECT_FALSE(laptop.ApplyEffect("gpio_repower"));
  EXPECT_TRUE(laptop.ApplyEffect("rescan"));
  EXPECT_EQ(laptop.Int(kProblemCode), 0);
  EXPECT_EQ(laptop.Text(kName), "z");
  laptop.Set("realtek.reset_results", nlohmann::json::array({3, "0x4"}));
  EXPECT_EQ(laptop.NextResult(kResults), 3);
  EXPECT_EQ(laptop.NextResult(kResults), 4);
  EXPECT_EQ(laptop.NextResult(kResults), 4);  // the last one repeats
  laptop.Set("realtek.reset_results", nullptr);
  EXPECT_EQ(laptop.NextResult(kResults), 0);  // the declared default
  EXPECT_THROW(emu::ParseNumber("12abc"), std::invalid_argument);
}

TEST_F(EmulatorPartsTest, WmiRefusesUnknownQueriesAndCanTimeOut) {
  std::unique_ptr<platform::WmiConnection> wmi;
  ASSERT_EQ(platform::WmiConnectServer(L"\\\\.\\root\\cimv2", wmi), platform::S_OK);
  std::unique_ptr<platform::WmiEnumerator> result;
  EXPECT_EQ(wmi->ExecQuery(L"SELECT * FROM Win32_Nothing", result), platform::WBEM_E_INVALID_QUERY);
  EXPECT_EQ(wmi->ExecQuery(L"DELETE Win32_DiskDrive", result), platform::WBEM_E_INVALID_QUERY);
  emu::Laptop::Instance().Set("wmi.timeout_classes", nlohmann::json::array({"Win32_DiskDrive"}));
  ASSERT_EQ(wmi->ExecQuery(L"SELECT * FROM Win32_DiskDrive", result), platform::S_OK);
  platform::WmiObject object;
  EXPECT_EQ(result->Next(10000, object), platform::WBEM_S_TIMEDOUT);
  EXPECT_EQ(platform::WmiConnectServer(L"\\\\.\\root\\nowhere", wmi),
            platform::WBEM_E_INVALID_NAMESPACE);
}

TEST(DiskReplyDecoder, RefusesWhatItCannotRead) {
  EXPECT_THROW(fdhost::DecodeDiskReply(0x380001, {1, 0, 0, 0, 1, 0}), fdhost::DecodeError);
  EXPECT_THROW(fdhost::DecodeDiskReply(0x390024, {1, 0, 0, 0, 0, 0, 0, 0}), fdhost::DecodeError);
  EXPECT_THROW(fdhost::DecodeDiskReply(0x380003, {1, 0, 0, 0, 0, 0, 0, 0, 7}), fdhost::DecodeError);
  const auto empty = fdhost::DecodeDiskReply(0x380002, {1, 0, 0, 0, 0, 0, 0, 0});
  EXPECT_TRUE(empty["records"].empty());
  EXPECT_EQ(fdhost::DiskReplyText(empty), "SSDs: 0 record(s)\n");
}

TEST(TextTimeline, TellsTheRunAsAStory) {
  fdhost::TextTimeline timeline;
  auto line = [](std::int64_t t, const char* kind, emu::Line fields) {
    fields["t_ms"] = t;
    fields["kind"] = kind;
    return fields;
  };
  EXPECT_EQ(
      timeline.Format(line(60000, "input",
                           {{"input", "ipc_request"},
                            {"msg", "0x390024"},
                            {"src", "0x10000"},
                            {"reply", "0x10001"},
                            {"payload_hex", "01"}})),
      "   0:01:00.000  timeline        request 0x390024 (BIOS switch) from 0x10000, payload 01");
  // The answer is paired with its request by reply id and requester, and decoded.
  EXPECT_EQ(timeline.Format(line(
                60000, "ipc",
                {{"dst", 0x10000}, {"msg", 0x10001}, {"payload_hex", "01000000010000000100"}})),
            "   0:01:00.000  bus             answer to 0x390024 (BIOS switch) for 0x10000: device "
            "type 1, switch read, off");
  // Anything else the plug-in posts is a notice.
  EXPECT_EQ(timeline.Format(
                line(61000, "ipc", {{"dst", 0x490000}, {"msg", 0x380009}, {"payload_hex", ""}})),
            "   0:01:01.000  bus             notice 0x380009 (Realtek reset begins) to 0x490000");
  EXPECT_EQ(
      timeline.Format(line(90061001, "report",
                           {{"event", "608001011"}, {"content", "{\"WifiErrCode\":\"10\"}"}})),
      "  25:01:01.001  Wi-Fi           report 608001011 Wi-Fi card has a problem code: "
      "{\"WifiErrCode\":\"10\"}");
  EXPECT_EQ(timeline.Format(line(5, "log",
                                 {{"level", 40000},
                                  {"text", "set flag fail"},
                                  {"function", "DeviceDriverErrorDetectEx::X"}})),
            "   0:00:00.005  detectors       [ERROR] set flag fail (DeviceDriverErrorDetectEx::X)");
  timeline.Format(line(6, "device", {{"op", "disable"}, {"hardware_id", "PCI\\A"}}));
  timeline.Format(line(7, "device", {{"op", "enable"}, {"hardware_id", "PCI\\A"}}));
  EXPECT_EQ(
      timeline.Summary(),
      "\nSummary\n  reports:\n    608001011 x1  Wi-Fi card has a problem code\n"
      "  requests: 1 asked, 1 answered\n    0x390024 (BIOS switch): 1 asked, 1 answered\n"
      "  devices touched:\n    PCI\\A: disable x1 enable x1\n  injected failures: 0\n  faults: "
      "0\n");
}

TEST(TextTimeline, ADiskAnswerIsDecodedUnderItsLine) {
  fdhost::TextTimeline timeline;
  timeline.Format({{"t_ms", 0},
                   {"kind", "input"},
                   {"input", "ipc_request"},
                   {"msg", "0x380002"},
                   {"src", "0x10000"},
                   {"reply", "0x10012"}});
  const std::string text = timeline.Format({{"t_ms", 0},
                                            {"kind", "ipc"},
                                            {"dst", 0x10000},
                                            {"msg", 0x10012},
                                            {"payload_hex", "0100000000000000"}});
  EXPECT_EQ(text,
            "   0:00:00.000  bus             answer to 0x380002 (SSDs) for 0x10000:\n"
            "                                  SSDs: 0 record(s)");
}

}  // namespace
