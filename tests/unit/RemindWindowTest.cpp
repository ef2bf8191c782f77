// The fix-remind prompt's own decisions, called directly: menu messages it swallows, the
// user data it reads as a number, and delays that are not cancelled by a later one.
#include <gtest/gtest.h>

#include <cstring>

#include "EmuFixture.h"
#include "emu/Bus.h"
#include "emu/Toolkit.h"
#include "hostapi/IPCMessageClient.h"
#include "platform/Sleep.h"
#include "remind/FixpRemindRestartManager.h"

namespace {

class PopupCounter : public emu::BusEndpoint {
 public:
  PopupCounter() { emu::Bus::Instance().Join(0x40000, this); }
  ~PopupCounter() override { emu::Bus::Instance().Leave(this); }
  void Deliver(emu::BusMessage message) override {
    if (message.msg == 0x40003 && message.payload.size() == 35)
      ++requests;
  }
  std::atomic<int> requests{0};
};

class RemindWindowTest : public EmuTest {
 protected:
  std::vector<std::string> ChosenIndices() {
    std::vector<std::string> out;
    for (const auto& line : Lines("report")) {
      if (line["event"] == "608005014")
        out.push_back(line["fields"]["0"]);
    }
    return out;
  }
};

TEST_F(RemindWindowTest, MenuMessagesWithoutAUsableItemAreSwallowed) {
  FixpRemindRestartManager window;
  ASSERT_NE(window.Create(nullptr, L"", 0, 0), nullptr);
  const auto click = [&window](DuiLib::CMenuElementUI* item) {
    return platform::SendMessageW(window.GetHWND(), DuiLib::WM_MENUCLICK,
                                  reinterpret_cast<platform::WPARAM>(item), 0);
  };
  EXPECT_EQ(click(nullptr), 0);
  DuiLib::CMenuElementUI item;
  EXPECT_EQ(click(&item), 1);
  const auto logs = Lines("log");
  ASSERT_EQ(logs.size(), 2u);
  EXPECT_EQ(logs[0]["text"], " menuItem is null");
  EXPECT_EQ(logs[0]["function"], "FixpRemindRestartManager::HandleMessage");
  EXPECT_EQ(logs[1]["text"], "FixpRemindRestartManager  menuItem GetUserData is null");
  EXPECT_EQ(logs[1]["level"], 40000);
  EXPECT_TRUE(ChosenIndices().empty());
}

// _wtoi: blanks and a sign, digits up to the first other character, the int limits beyond.
TEST_F(RemindWindowTest, UserDataReadsAsWtoiReadsIt) {
  const std::pair<const wchar_t*, const char*> cases[] = {
      {L" 2abc", "2"},
      {L"-1", "-1"},
      {L"abc", "0"},
      {L"+7", "7"},
      {L"99999999999", "2147483647"},
      {L"-99999999999", "-2147483648"},
  };
  std::vector<std::string> expected;
  for (const auto& [text, index] : cases) {
    FixpRemindRestartManager window;
    ASSERT_NE(window.Create(nullptr, L"", 0, 0), nullptr);
    DuiLib::CMenuElementUI item;
    item.SetUserData(text);
    platform::SendMessageW(window.GetHWND(), DuiLib::WM_MENUCLICK,
                           reinterpret_cast<platform::WPARAM>(&item), 0);
    expected.push_back(index);
  }
  EXPECT_EQ(ChosenIndices(), expected);
}

// Nothing cancels a pending delay: two choices give two later pop-up requests.
TEST_F(RemindWindowTest, TwoDelaysInARowGiveTwoRequests) {
  PopupCounter popup;
  CIPCMessageClient client(0x380000, false, false);
  auto* window = new FixpRemindRestartManager();
  window->SetIpcClient(&client);
  window->OnDelayChosen(0);
  window->OnDelayChosen(1);
  EXPECT_EQ(ChosenIndices(), (std::vector<std::string>{"0", "1"}));
  ASSERT_TRUE(platform::Sleep(600000 + 1));
  EXPECT_EQ(popup.requests.load(), 1);
  ASSERT_TRUE(platform::Sleep(3000000));
  EXPECT_EQ(popup.requests.load(), 2);
  delete window;
  EXPECT_TRUE(emu::Toolkit::LiveWindows().empty());
}

}  // namespace
