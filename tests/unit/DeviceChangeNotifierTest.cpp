// The hidden window's registrations, on the user-interface thread of the emulator.
#include <gtest/gtest.h>

#include "DetectorFixture.h"
#include "DeviceMonitor/DeviceChangeLister.h"
#include "DeviceMonitor/DeviceChangeNotifier.h"
#include "emu/DeviceTree.h"
#include "emu/UserInterface.h"
#include "platform/Window.h"

namespace {

constexpr wchar_t kBluetooth[] = L"{0850302A-B344-4FDA-9BE9-90576B8D46F0}";
constexpr wchar_t kUsb[] = L"{A5DCBF10-6530-11D2-901F-00C04FB951ED}";
constexpr wchar_t kMonitor[] = L"{E6F07B5F-EE97-4A90-B076-33F57BF4EAA7}";

class DeviceChangeNotifierTest : public DetectorTest {
 protected:
  void TearDown() override {
    DeviceChangeNotifier::Instance().CloseWindow();
    DetectorTest::TearDown();
  }
  static std::size_t Notifications() { return emu::UserInterface::OpenNotifications().size(); }
};

TEST_F(DeviceChangeNotifierTest, RegisteringTwiceKeepsOneListenerAndOneNotification) {
  Use(R"({"product": {"supported_plugins": ["orba_plugin_hardware_report"]}})");
  ASSERT_TRUE(RegisterDeviceListeners());
  ASSERT_TRUE(RegisterDeviceListeners());
  auto& notifier = DeviceChangeNotifier::Instance();
  EXPECT_EQ(notifier.ListenersOf(kBluetooth).size(), 1u);
  EXPECT_EQ(notifier.ListenersOf(kUsb).size(), 1u);
  EXPECT_EQ(Notifications(), 4u);
  // With the hardware report supported, every listener goes again, with its notification.
  UnregisterDeviceListeners();
  EXPECT_TRUE(notifier.ListenersOf(kMonitor).empty());
  EXPECT_EQ(Notifications(), 0u);
}

TEST_F(DeviceChangeNotifierTest, WithoutHardwareReportUsbIsNotWatchedAndTheMonitorStays) {
  ASSERT_TRUE(RegisterDeviceListeners());
  auto& notifier = DeviceChangeNotifier::Instance();
  EXPECT_TRUE(notifier.ListenersOf(kUsb).empty());
  UnregisterDeviceListeners();
  EXPECT_EQ(notifier.ListenersOf(kMonitor).size(), 1u);
  EXPECT_EQ(emu::UserInterface::OpenNotifications(),
            std::vector<std::string>{"{E6F07B5F-EE97-4A90-B076-33F57BF4EAA7}"});
  // The stop drops what is left with the window.
  notifier.CloseWindow();
  EXPECT_EQ(Notifications(), 0u);
  EXPECT_TRUE(emu::UserInterface::OpenWindows().empty());
}

TEST_F(DeviceChangeNotifierTest, AWindowThatIsNeverCreatedFailsEveryRegistration) {
  // Someone holds the class name already: the job on the UI thread creates no window.
  platform::WNDCLASSEXW taken;
  taken.lpfnWndProc = &platform::DefWindowProcW;
  taken.lpszClassName = L"VirtualWnd_DeviceChanged";
  ASSERT_NE(platform::RegisterClassExW(taken), 0);
  EXPECT_FALSE(RegisterDeviceListeners());
  EXPECT_EQ(emu::Scheduler::Instance().NowNs() / 1000000, 10000);  // it waited 10 s
  EXPECT_EQ(Notifications(), 0u);
  platform::UnregisterClassW(L"VirtualWnd_DeviceChanged", nullptr);
}

TEST_F(DeviceChangeNotifierTest, EventsNobodyActsOnDoNothing) {
  ASSERT_TRUE(RegisterDeviceListeners());
  const auto monitor = emu::ParseGuid("{E6F07B5F-EE97-4A90-B076-33F57BF4EAA7}");
  const auto network = emu::ParseGuid("{CAC88484-7515-4C03-82E6-71A87ABAC361}");
  emu::UserInterface::BroadcastDeviceChange(true, network, u"\\\\?\\PCI#net");
  emu::UserInterface::BroadcastDeviceChange(false, monitor, u"\\\\?\\DISPLAY#mon");
  Settle();
  EXPECT_TRUE(Reports().empty());
  EXPECT_TRUE(DeviceOps().empty());
  EXPECT_EQ(emu::Scheduler::Instance().ModuleThreadCount(), 0u);  // no check started
}

}  // namespace
