// The emulator's window toolkit: layouts at the screen's scale, windows that refuse an
// unknown layout, and the pop-up client that shows only a live toolkit window.
#include <gtest/gtest.h>

#include <cstring>

#include "EmuFixture.h"
#include "common/UiThreadCall.h"
#include "emu/Toolkit.h"
#include "emu/UserInterface.h"
#include "hostapi/DuiLib/UIlib.h"

namespace {

class TestWindow : public DuiLib::WindowImplBase {
 public:
  explicit TestWindow(const wchar_t* skin) : skin_(skin) {}
  DuiLib::CControlUI* Find(const wchar_t* name) { return m_pm.FindControl(name); }

 protected:
  DuiLib::LPCTSTR GetWindowClassName() const override { return L"TestWnd"; }
  DuiLib::CDuiString GetSkinFile() override { return skin_; }
  DuiLib::CDuiString GetSkinFolder() override { return L"..\\"; }

 private:
  const wchar_t* skin_;
};

class ToolkitStandInTest : public EmuTest {
 protected:
  // Sends a pop-up request with the payload and waits until the UI thread has acted on it.
  void SendPopup(std::vector<std::uint8_t> payload) {
    emu::BusMessage message;
    message.dst = 0x40000;
    message.msg = 0x40003;
    message.hasPayload = true;
    message.payload = std::move(payload);
    ASSERT_TRUE(emu::Bus::Instance().Send(message));
    uithread::CallAndWait([] {});
  }
  static std::vector<std::uint8_t> KindFour(const void* window) {
    std::vector<std::uint8_t> bytes(35, 0);
    bytes[0] = 0xFC;
    bytes[1] = 1;
    bytes[2] = 4;
    const auto address = reinterpret_cast<std::uintptr_t>(window);
    std::memcpy(bytes.data() + 6, &address, 8);
    std::memcpy(bytes.data() + 27, &address, 8);
    return bytes;
  }
  std::vector<std::string> UiOps() {
    std::vector<std::string> out;
    for (const auto& line : Lines("ui"))
      out.push_back(line["op"]);
    return out;
  }
};

TEST_F(ToolkitStandInTest, LayoutsFollowTheScreenScale) {
  emu::Laptop::Instance().Set("screen.scale_percent", 125);
  TestWindow window(L"..\\res\\layout\\fix\\FixRemindDlg.xml");
  ASSERT_NE(window.Create(nullptr, L"", 0, 0), nullptr);
  DuiLib::CControlUI* button = window.Find(L"btnDelay");
  ASSERT_NE(button, nullptr);
  const platform::RECT pos = button->GetPos();
  EXPECT_EQ((std::vector<int>{pos.left, pos.top, pos.right, pos.bottom}),
            (std::vector<int>{30, 205, 205, 245}));  // 24,164,164,196 at 125 %
  EXPECT_FALSE(window.Find(L"restart_btn_layout")->IsVisible());
  EXPECT_EQ(window.Find(L"btnFixNow")->GetText(), L"Repair now");
  platform::RECT rect;
  ASSERT_TRUE(platform::GetWindowRect(window.GetHWND(), &rect));
  EXPECT_EQ(rect.right - rect.left, 550);
  EXPECT_EQ(rect.left, (1920 - 550) / 2);
  EXPECT_EQ(DuiLib::CResourceManager::GetInstance()->Scale(12), 15);
}

TEST_F(ToolkitStandInTest, AnUnknownLayoutRefusesTheWindow) {
  {
    TestWindow window(L"res\\layout\\nothing.xml");
    EXPECT_EQ(window.Create(nullptr, L"", 0, 0), nullptr);
    EXPECT_EQ(window.GetHWND(), nullptr);
    const auto errors = Lines("ui");
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0]["op"], "layout_error");
    EXPECT_NE(errors[0]["error"].get<std::string>().find("res/layout/nothing.xml"),
              std::string::npos);
  }
  EXPECT_TRUE(emu::UserInterface::OpenWindows().empty());
  EXPECT_TRUE(emu::Toolkit::LiveWindows().empty());
}

TEST_F(ToolkitStandInTest, PopupClientShowsOnlyLiveWindows) {
  auto client = emu::Toolkit::JoinPopupClient();
  auto* window = new TestWindow(L"res/layout/fix/FixRemindDlg.xml");
  SendPopup(KindFour(window));
  EXPECT_NE(window->GetHWND(), nullptr);
  EXPECT_EQ(UiOps(), (std::vector<std::string>{"create", "show"}));
  SendPopup(KindFour(window));  // already created: shown again
  EXPECT_EQ(UiOps().back(), "show");
  auto shortRequest = KindFour(window);
  shortRequest.resize(34);
  SendPopup(shortRequest);
  auto otherKind = KindFour(window);
  otherKind[2] = 5;
  SendPopup(otherKind);
  uithread::CallAndWait([window] { delete window; });
  SendPopup(KindFour(window));  // the object is gone
  const auto lines = Lines("ui");
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[3]["reason"], "not a pop-up request of kind 4");
  EXPECT_EQ(lines[4]["reason"], "not a pop-up request of kind 4");
  EXPECT_EQ(lines[5]["reason"], "no toolkit window at the request's address");
  EXPECT_TRUE(emu::UserInterface::OpenWindows().empty());
}

}  // namespace
