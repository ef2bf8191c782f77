// Every reply body type on the wire, posted through a client as the dispatcher does.
#include <gtest/gtest.h>

#include "EmuFixture.h"
#include "ipc/MsgEvent.h"
#include "ipc/Reply.h"

namespace {

class ReplyTest : public EmuTest {};

TEST_F(ReplyTest, BodiesFollowTheLeadingOne) {
  CMsgEvent client;  // a transient instance is enough to post
  const reply::Address to{0x10000, 0x10001};
  reply::PostU32(&client, to, 24);
  reply::PostU8(&client, to, 1);
  reply::PostMap(&client, to, std::map<std::uint32_t, std::uint32_t>{{2, 1}});
  reply::PostMap(&client, to, platform::WideMap<std::uint32_t>{{L"Wlan", 0}});
  reply::PostBiosSwitch(&client, to, 0xFFFFFFFF, true, false);
  reply::PostU32(nullptr, to, 5);  // no context: nothing is posted

  const auto ipc = Lines("ipc");
  ASSERT_EQ(ipc.size(), 5u);
  for (const auto& line : ipc) {
    EXPECT_EQ(line["dst"], 0x10000);
    EXPECT_EQ(line["msg"], 0x10001);
    EXPECT_EQ(line["src"], 0xFFFFFFFFu);
    EXPECT_EQ(line["reply"], 0xFFFFFFFFu);
  }
  EXPECT_EQ(ipc[0]["payload_hex"], "0100000018000000");
  EXPECT_EQ(ipc[1]["payload_hex"], "0100000001");
  EXPECT_EQ(ipc[2]["payload_hex"],
            "01000000"
            "01000000"
            "02000000"
            "01000000");
  EXPECT_EQ(ipc[3]["payload_hex"],
            "01000000"
            "01000000"
            "04000000"
            "57006c0061006e00"
            "00000000");
  EXPECT_EQ(ipc[4]["payload_hex"],
            "01000000"
            "ffffffff"
            "01"
            "00");
}

TEST(DeviceTypeByte, IsTheSignedFirstByte) {
  std::uint8_t bytes[2] = {0xFF, 0x07};
  tagIPC_MESSAGE_ITEM item;
  int type = 42;
  EXPECT_FALSE(reply::DeviceTypeOf(item, type));  // null payload
  EXPECT_EQ(type, 42);
  item.pData = bytes;
  item.nDataLen = 0;
  EXPECT_FALSE(reply::DeviceTypeOf(item, type));  // nothing to read
  item.nDataLen = 2;
  ASSERT_TRUE(reply::DeviceTypeOf(item, type));
  EXPECT_EQ(type, -1);
  bytes[0] = 0x7F;
  ASSERT_TRUE(reply::DeviceTypeOf(item, type));
  EXPECT_EQ(type, 127);
}

}  // namespace
