// The fix-remind prompt's messages: the pop-up request byte for byte, and the restart.
#include <gtest/gtest.h>

#include <cstring>

#include "EmuFixture.h"
#include "emu/Bus.h"
#include "hostapi/IPCMessageClient.h"
#include "remind/FixpRemindRestartManager.h"
#include "remind/PopupRequest.h"

namespace {

TEST(PopupRequest, KindFourIsThirtyFiveBytes) {
  PopupRequest request = WindowPopupRequest(reinterpret_cast<const void*>(0x0000123456789ABCull));
  ASSERT_EQ(request.SerializedSize(), 35u);
  std::uint8_t bytes[51];
  std::memset(bytes, 0xEE, sizeof bytes);
  ASSERT_EQ(request.Serialize(bytes, sizeof bytes), 35u);
  const std::uint8_t expected[35] = {
      0xFC, 0x01,                                      // marker, header
      0x04, 0x00, 0x00, 0x00,                          // kind 4
      0xBC, 0x9A, 0x78, 0x56, 0x34, 0x12, 0x00, 0x00,  // first owner: the window
      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // second owner
      0x00, 0xFC, 0xBE, 0x80,                          // time 0x80BEFC00
      0x00,                                            // empty text
      0xBC, 0x9A, 0x78, 0x56, 0x34, 0x12, 0x00, 0x00,  // kind value: the window
  };
  EXPECT_EQ(std::memcmp(bytes, expected, sizeof expected), 0);
  EXPECT_EQ(bytes[35], 0xEE);  // nothing written past the record
  // Other kinds: no kind value; a text with its zero; too small a buffer writes nothing.
  request.kind = 1;
  request.text = "ab";
  EXPECT_EQ(request.SerializedSize(), 29u);
  EXPECT_EQ(request.Serialize(bytes, sizeof bytes), 29u);
  EXPECT_EQ(bytes[26], 'a');
  EXPECT_EQ(bytes[28], 0);
  EXPECT_EQ(request.Serialize(bytes, 28), 0u);
}

class Listener : public emu::BusEndpoint {
 public:
  void Deliver(emu::BusMessage message) override { got.push_back(std::move(message)); }
  std::vector<emu::BusMessage> got;
};

class RemindMessagesTest : public EmuTest {};

TEST_F(RemindMessagesTest, PopupAndRestartGoToTheirClients) {
  CIPCMessageClient client(0x380000, false, false);
  FixpRemindRestartManager window;
  window.SetIpcClient(&client);
  Listener popup;
  Listener restart;
  emu::Bus::Instance().Join(0x40000, &popup);
  emu::Bus::Instance().Join(0x30000, &restart);
  window.PostPoPupMsgToMC();
  window.RestartNow();
  emu::Bus::Instance().Leave(&popup);
  emu::Bus::Instance().Leave(&restart);
  ASSERT_EQ(popup.got.size(), 1u);
  EXPECT_EQ(popup.got[0].msg, 0x40003u);
  ASSERT_EQ(popup.got[0].payload.size(), 35u);
  std::uint64_t owner = 0;
  std::memcpy(&owner, popup.got[0].payload.data() + 6, 8);
  EXPECT_EQ(owner, reinterpret_cast<std::uintptr_t>(&window));
  ASSERT_EQ(restart.got.size(), 1u);
  EXPECT_EQ(restart.got[0].msg, 0xF0006u);
  EXPECT_FALSE(restart.got[0].hasPayload);
  EXPECT_TRUE(Lines("log").empty());
  // Nobody to receive them: both failures are logged.
  window.PostPoPupMsgToMC();
  window.RestartNow();
  const auto logs = Lines("log");
  ASSERT_EQ(logs.size(), 2u);
  EXPECT_EQ(logs[0]["text"], "bResult=0");
  EXPECT_EQ(logs[0]["function"], "FixpRemindRestartManager::PostPoPupMsgToMC");
  EXPECT_EQ(logs[1]["text"], "RestartMsg msg send failed");
  EXPECT_EQ(logs[1]["level"], 40000);
}

}  // namespace
