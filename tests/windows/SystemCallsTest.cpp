// The rest of the win32 backend under wine, where its behaviour is ours or where wine's answer
// must lead the plug-in down its failure path: device setup and the configuration manager,
// the event log, services, privileges and firmware variables, WMI over COM, disks, windows
// and messages, and the text conversions (checked against the portable codec).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/ConfigManager.h"
#include "platform/EventLog.h"
#include "platform/LastError.h"
#include "platform/Module.h"
#include "platform/Security.h"
#include "platform/Service.h"
#include "platform/SetupApi.h"
#include "platform/Sleep.h"
#include "platform/Storage.h"
#include "platform/Text.h"
#include "platform/Window.h"
#include "platform/Wmi.h"

namespace {

using namespace platform;

TEST(DeviceSetup, AClassEnumerationEndsWithNoMoreItems) {
  HDEVINFO set = SetupDiGetClassDevsW(nullptr, DIGCF_ALLCLASSES | DIGCF_PRESENT);
  ASSERT_NE(set, INVALID_HANDLE_VALUE_DEVINFO) << GetLastError();
  SP_DEVINFO_DATA data;
  DWORD index = 0;
  while (SetupDiEnumDeviceInfo(set, index, data)) {
    // A buffer of one byte is too small for any hardware id list: the size needed comes back.
    std::uint8_t tiny[1];
    DWORD needed = 0, type = 0;
    if (!SetupDiGetDeviceRegistryPropertyW(set, data, SPDRP_HARDWAREID, &type, tiny, sizeof tiny,
                                           &needed) &&
        GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
      EXPECT_GT(needed, 1u);
    }
    ++index;
  }
  EXPECT_EQ(GetLastError(), ERROR_NO_MORE_ITEMS);
  EXPECT_TRUE(SetupDiDestroyDeviceInfoList(set));

  // One class: every device listed belongs to it.
  const Guid system = {
      0x4D36E97D, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};
  set = SetupDiGetClassDevsW(&system, DIGCF_PRESENT);
  ASSERT_NE(set, INVALID_HANDLE_VALUE_DEVINFO) << GetLastError();
  for (index = 0; SetupDiEnumDeviceInfo(set, index, data); ++index)
    EXPECT_EQ(data.ClassGuid, system);
  EXPECT_EQ(GetLastError(), ERROR_NO_MORE_ITEMS);
  GTEST_LOG_(INFO) << index << " present devices of the System class";
  EXPECT_TRUE(SetupDiDestroyDeviceInfoList(set));

  // Wine does not implement locating the root of the device tree (CR_FAILURE): the hardware
  // rescan then fails, which the plug-in reports as a failed rescan.
  DEVINST root = 0;
  const CONFIGRET located = CM_Locate_DevNodeW(&root, nullptr, CM_LOCATE_DEVNODE_NORMAL);
  if (located == CR_SUCCESS) {
    EXPECT_EQ(CM_Reenumerate_DevNode(root, CM_REENUMERATE_ASYNCHRONOUS), CR_SUCCESS);
  } else {
    GTEST_LOG_(INFO) << "CM_Locate_DevNodeW is not implemented here: " << located;
    EXPECT_EQ(located, 19u);  // CR_FAILURE
  }
}

int deliveries = 0;
DWORD Count(EVT_SUBSCRIBE_NOTIFY_ACTION, void*, EVT_HANDLE) {
  ++deliveries;
  return 0;
}

TEST(EventLog, TheSubscriptionOutcomeWineGives) {
  // Wine does not implement subscriptions: it returns no handle (and leaves the last error as
  // it was). The plug-in then keeps no subscription: nothing is delivered, nothing is closed
  // at its stop. (The smoke run goes through that with the plug-in itself.)
  SetLastError(ERROR_SUCCESS);
  EVT_HANDLE subscription = EvtSubscribe(L"System", L"*[System[(EventID=7)]]", nullptr, &Count,
                                         EvtSubscribeStartAtOldestRecord);
  if (subscription) {
    EXPECT_TRUE(EvtClose(subscription));
  } else {
    GTEST_LOG_(INFO) << "EvtSubscribe is not implemented here (last error " << GetLastError()
                     << ")";
    Sleep(200);
    EXPECT_EQ(deliveries, 0);
  }
}

TEST(Services, QueriesOfAKnownAndAnUnknownService) {
  SC_HANDLE manager = OpenSCManagerW(GENERIC_EXECUTE);
  ASSERT_NE(manager, nullptr) << GetLastError();
  EXPECT_EQ(OpenServiceW(manager, L"FdNoSuchService", SERVICE_QUERY_STATUS), nullptr);
  EXPECT_EQ(GetLastError(), 1060u);  // ERROR_SERVICE_DOES_NOT_EXIST
  SC_HANDLE rpc = OpenServiceW(manager, L"RpcSs", SERVICE_QUERY_STATUS);
  ASSERT_NE(rpc, nullptr) << GetLastError();
  DWORD state = 0;
  EXPECT_TRUE(QueryServiceStatus(rpc, state));
  EXPECT_GE(state, SERVICE_STOPPED);
  EXPECT_LE(state, 7u);  // SERVICE_PAUSED, the last state there is
  EXPECT_TRUE(CloseServiceHandle(rpc));
  EXPECT_TRUE(CloseServiceHandle(manager));
}

TEST(Security, PrivilegesAndTheFirmwareVariableWineDoesNotHave) {
  HANDLE token = nullptr;
  ASSERT_TRUE(OpenProcessToken(TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token));
  LUID luid;
  EXPECT_TRUE(LookupPrivilegeValueW(L"SeSystemEnvironmentPrivilege", luid));
  EXPECT_FALSE(LookupPrivilegeValueW(L"SeNoSuchPrivilege", luid));
  EXPECT_TRUE(CloseHandle(token));
  // Wine's own function would end the process: the backend fails the call instead, as
  // Windows does on a machine without UEFI firmware.
  const std::uint8_t request = 0x11;
  EXPECT_FALSE(SetFirmwareEnvironmentVariableA(
      "wifidriverstate", "{C87C0F60-1E8E-448a-BDC6-DA4B24EE2ED6}", &request, 1));
  EXPECT_EQ(GetLastError(), 1u);  // ERROR_INVALID_FUNCTION
}

TEST(Wmi, AQueryReturnsObjectsWithTextAndNumbers) {
  std::unique_ptr<WmiConnection> wmi;
  ASSERT_EQ(WmiConnectServer(L"\\\\.\\root\\cimv2", wmi), S_OK);
  std::unique_ptr<WmiEnumerator> objects;
  ASSERT_EQ(wmi->ExecQuery(L"SELECT * FROM Win32_OperatingSystem", objects), S_OK);
  WmiObject system;
  ASSERT_EQ(objects->Next(10000, system), S_OK);
  ASSERT_TRUE(system.count(L"Caption"));
  EXPECT_EQ(system[L"Caption"].kind, WmiValue::Kind::Text);
  EXPECT_FALSE(system[L"Caption"].text.empty());
  EXPECT_EQ(objects->Next(10000, system), WBEM_S_FALSE);  // one operating system
  std::unique_ptr<WmiEnumerator> none;
  EXPECT_NE(wmi->ExecQuery(L"SELECT * FROM", none), S_OK);
  std::unique_ptr<WmiConnection> nowhere;
  EXPECT_NE(WmiConnectServer(L"\\\\.\\root\\NoSuchNamespace", nowhere), S_OK);
}

TEST(Storage, ADiskWineCannotOpenAndABadHandle) {
  // Wine gives no raw disks: the reader's failure path for a drive it cannot open.
  HANDLE disk = CreateFileW(L"\\\\.\\PhysicalDrive99", GENERIC_READ | GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
  EXPECT_EQ(disk, INVALID_HANDLE_VALUE);
  std::uint8_t out[512];
  DWORD returned = 1;
  EXPECT_FALSE(DeviceIoControl(INVALID_HANDLE_VALUE, IOCTL_STORAGE_QUERY_PROPERTY, nullptr, 0, out,
                               sizeof out, &returned));
  EXPECT_EQ(returned, 0u);
}

LRESULT Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_USER + 1)
    return static_cast<LRESULT>(wParam * 2 + lParam);
  return DefWindowProcW(window, message, wParam, lParam);
}

TEST(Windows, AClassAWindowAndASentMessage) {
  HMODULE self = GetModuleHandleFromAddress(reinterpret_cast<const void*>(&Procedure));
  WNDCLASSEXW windowClass;
  windowClass.hInstance = self;
  windowClass.lpfnWndProc = &Procedure;
  windowClass.lpszClassName = L"FdBackendTestWindow";
  ASSERT_NE(RegisterClassExW(windowClass), 0);
  EXPECT_EQ(RegisterClassExW(windowClass), 0);
  EXPECT_EQ(GetLastError(), ERROR_CLASS_ALREADY_EXISTS);
  HWND window = CreateWindowExW(0, L"FdBackendTestWindow", L"test", WS_OVERLAPPEDWINDOW, 10, 20,
                                100, 50, nullptr, nullptr, self, nullptr);
  ASSERT_NE(window, nullptr) << GetLastError();
  EXPECT_EQ(SendMessageW(window, WM_USER + 1, 20, 2), 42);
  EXPECT_TRUE(MoveWindow(window, 30, 40, 200, 100, false));
  RECT rect;
  ASSERT_TRUE(GetWindowRect(window, &rect));
  EXPECT_EQ(rect.left, 30);
  EXPECT_EQ(rect.right - rect.left, 200);
  EXPECT_TRUE(DestroyWindow(window));
  EXPECT_EQ(SendMessageW(window, WM_USER + 1, 1, 1), 0);  // a destroyed window answers nothing
  EXPECT_TRUE(UnregisterClassW(L"FdBackendTestWindow", self));
  const Guid monitor = {
      0xE6F07B5F, 0xEE97, 0x4A90, {0xB0, 0x76, 0x33, 0xF5, 0x7B, 0xF4, 0xEA, 0xA7}};
  EXPECT_EQ(StringFromGUID2(monitor), L"{E6F07B5F-EE97-4A90-B076-33F57BF4EAA7}");
}

TEST(Text, UtfConversionsAgreeWithWindows) {
  // A 2-, 3- and 4-byte sequence, then a lone continuation byte and a cut sequence, which
  // become U+FFFD as MultiByteToWideChar makes them.
  const std::wstring wide = Utf8ToWide("\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\x80x\xE2\x82");
  EXPECT_EQ(wide, std::wstring(L"\u00e9\u20ac\xD83D\xDE00\uFFFDx\uFFFD"));
  EXPECT_EQ(WideToUtf16(wide), std::u16string(u"\u00e9\u20ac\U0001F600\uFFFDx\uFFFD"));
  EXPECT_EQ(Utf16ToWide(u"\U0001F600"), std::wstring(L"\xD83D\xDE00"));
  EXPECT_EQ(Utf8ToWide(""), L"");
}

}  // namespace
