#include <gtest/gtest.h>

#include <climits>

#include <cstring>
#include <stdexcept>

#include "emu/Transcript.h"
#include "ipc/IPCDataIO.h"
#include "ipc/PayloadEncoding.h"

namespace {

std::string Hex(const CIPCDataIO& io) {
  return emu::ToHex(io.Buffer(), io.Position());
}

std::string ThrownText(const std::function<void()>& f) {
  try {
    f();
  } catch (const std::runtime_error& e) {
    return e.what();
  }
  return "nothing thrown";
}

TEST(MessageItem, DefaultsAreThoseOfTheBus) {
  tagIPC_MESSAGE_ITEM item;
  unsigned char bytes[sizeof item];
  std::memcpy(bytes, &item, sizeof item);
  // dst, src, msg, reply and the field at 16 are all ones; the field at 20 and the length 0.
  EXPECT_EQ(emu::ToHex(bytes, 28), "ffffffffffffffffffffffffffffffffffffffff0000000000000000");
  EXPECT_EQ(item.pData, nullptr);
  EXPECT_EQ(item.bFlag, 0);
}

TEST(Serializer, GrowsInBlocksAndKeepsWrittenBytes) {
  tagIPC_MESSAGE_ITEM item;
  CIPCDataIO io(64, CIPCDataIO::kSerialize, false, &item);
  EXPECT_EQ(io.WriteUInt32(0x04030201), 4u);
  EXPECT_EQ(item.nDataLen, 64);  // the length field holds the capacity
  EXPECT_EQ(io.Position(), 4u);
  std::uint8_t run[61];
  for (int i = 0; i < 61; ++i)
    run[i] = static_cast<std::uint8_t>(0xA0 + i);
  EXPECT_EQ(io.WriteBytes(run, 60), 60u);
  EXPECT_EQ(item.nDataLen, 64);  // 64 bytes fit exactly
  EXPECT_EQ(io.WriteUInt8(0x55), 1u);
  EXPECT_EQ(item.nDataLen, 128);
  EXPECT_EQ(io.Position(), 65u);
  EXPECT_EQ(Hex(io).substr(0, 12), "01020304a0a1");
  EXPECT_EQ(Hex(io).substr(128), "55");
}

TEST(Serializer, ReserveZeroSkipsTheModeCheck) {
  tagIPC_MESSAGE_ITEM item;
  CIPCDataIO writer(64, CIPCDataIO::kSerialize, false, &item);
  EXPECT_EQ(writer.Reserve(0), 0u);
  EXPECT_EQ(item.pData, nullptr);  // nothing allocated
  tagIPC_MESSAGE_ITEM received;
  CIPCDataIO reader(64, CIPCDataIO::kUnserialize, false, &received);
  EXPECT_EQ(reader.Reserve(0), 0u);
}

TEST(Serializer, WrongDirectionThrows) {
  tagIPC_MESSAGE_ITEM item;
  CIPCDataIO writer(64, CIPCDataIO::kSerialize, false, &item);
  std::uint32_t value = 0;
  EXPECT_EQ(ThrownText([&] { writer.ReadUInt32(&value); }), "Invalid serialize call type");

  std::uint8_t bytes[3] = {1, 2, 3};
  tagIPC_MESSAGE_ITEM received;
  received.pData = bytes;
  received.nDataLen = 3;
  CIPCDataIO reader(64, CIPCDataIO::kUnserialize, false, &received);
  EXPECT_EQ(ThrownText([&] { reader.WriteUInt8(1); }), "Invalid serialize call type");
  EXPECT_EQ(received.pData, bytes);  // a reader that does not own the item leaves it alone
}

TEST(Serializer, ShortReadThrowsAndKeepsPosition) {
  std::uint8_t bytes[5] = {0x11, 0x22, 0x33, 0x44, 0x55};
  tagIPC_MESSAGE_ITEM received;
  received.pData = bytes;
  received.nDataLen = 5;
  CIPCDataIO reader(64, CIPCDataIO::kUnserialize, false, &received);
  std::uint8_t first = 0;
  EXPECT_EQ(reader.ReadUInt8(&first), 1u);
  EXPECT_EQ(first, 0x11);
  std::uint32_t word = 0;
  EXPECT_EQ(reader.ReadUInt32(&word), 4u);
  EXPECT_EQ(word, 0x55443322u);
  EXPECT_EQ(ThrownText([&] { reader.ReadUInt8(&first); }), "Data for unserialize too small");
  EXPECT_EQ(reader.Position(), 5u);

  received.nDataLen = 3;
  CIPCDataIO shortReader(64, CIPCDataIO::kUnserialize, false, &received);
  EXPECT_EQ(ThrownText([&] { shortReader.ReadUInt32(&word); }), "Data for unserialize too small");
  EXPECT_EQ(shortReader.Position(), 0u);
}

TEST(Serializer, RefusesBuffersAbove256MiB) {
  tagIPC_MESSAGE_ITEM item;
  CIPCDataIO io(64, CIPCDataIO::kSerialize, false, &item);
  io.WriteUInt32(7);
  EXPECT_EQ(ThrownText([&] { io.Reserve(0x0FFFFFFF - 3); }), "Invalid buffer size");
  EXPECT_EQ(io.Position(), 4u);
  EXPECT_EQ(item.nDataLen, 64);
  EXPECT_EQ(Hex(io), "07000000");
}

TEST(Serializer, BadConstructionGivesItsErrorInsteadOfACrash) {
  // No item: nothing to write into or read from.
  CIPCDataIO noWriter(64, CIPCDataIO::kSerialize, false, nullptr);
  EXPECT_EQ(ThrownText([&] { noWriter.WriteUInt32(1); }), "Invalid serialize call type");
  CIPCDataIO noReader(64, CIPCDataIO::kUnserialize, false, nullptr);
  std::uint32_t value = 0;
  EXPECT_EQ(ThrownText([&] { noReader.ReadUInt32(&value); }), "Invalid serialize call type");
  // Block sizes of 0 or below cannot round a capacity; one near the 32-bit limit must not
  // wrap it.
  for (std::int32_t block : {0, -64, INT32_MAX}) {
    tagIPC_MESSAGE_ITEM item;
    CIPCDataIO io(block, CIPCDataIO::kSerialize, false, &item);
    EXPECT_EQ(ThrownText([&] { io.WriteUInt32(1); }), "Invalid buffer size") << block;
    EXPECT_EQ(item.pData, nullptr);
    EXPECT_EQ(io.Position(), 0u);
  }
  // A received item whose length field promises bytes it does not carry.
  tagIPC_MESSAGE_ITEM lying;
  lying.nDataLen = 16;
  CIPCDataIO reader(64, CIPCDataIO::kUnserialize, false, &lying);
  EXPECT_EQ(ThrownText([&] { reader.ReadUInt32(&value); }), "Data for unserialize too small");
}

TEST(Serializer, WriterFreesItsBufferAndOwnedItem) {
  tagIPC_MESSAGE_ITEM item;
  {
    CIPCDataIO io(64, CIPCDataIO::kSerialize, false, &item);
    io.WriteUInt32(1);
    ASSERT_NE(item.pData, nullptr);
  }
  EXPECT_EQ(item.pData, nullptr);
  EXPECT_EQ(item.nDataLen, 0);
  // An owned item goes with the serializer (the leak checker sees it otherwise).
  CIPCDataIO owning(64, CIPCDataIO::kSerialize, true, new tagIPC_MESSAGE_ITEM);
  owning.WriteUInt32(2);
}

TEST(PayloadEncoding, CompositeValuesHaveTheirWireForm) {
  tagIPC_MESSAGE_ITEM item;
  CIPCDataIO io(64, CIPCDataIO::kSerialize, false, &item);
  payload::WriteWideString(io, L"");
  payload::WriteWideString(io, L"A\u00e9");
  payload::WriteWideString(io, std::wstring(1, static_cast<wchar_t>(0x1F600)));
  payload::WriteBool(io, true);
  EXPECT_EQ(Hex(io),
            "00000000"  // empty text
            "02000000"
            "4100"
            "e900"  // two units
            "02000000"
            "3dd8"
            "00de"  // one character, a surrogate pair
            "01");
}

TEST(PayloadEncoding, MapsGoInAscendingKeyOrder) {
  tagIPC_MESSAGE_ITEM item;
  CIPCDataIO io(64, CIPCDataIO::kSerialize, false, &item);
  payload::WriteMap(io, std::map<std::uint32_t, std::uint32_t>{});
  payload::WriteMap(io, std::map<std::uint32_t, std::uint32_t>{{5, 1}, {2, 0xAABBCCDD}});
  payload::WriteMap(io, platform::WideMap<std::uint32_t>{{L"b", 0}, {L"a", 1}});
  EXPECT_EQ(Hex(io),
            "00000000"
            "02000000"
            "02000000ddccbbaa"
            "0500000001000000"
            "02000000"
            "010000006100"
            "01000000"
            "010000006200"
            "00000000");
}

TEST(PayloadEncoding, SmartAttributeIsSixBytes) {
  tagIPC_MESSAGE_ITEM item;
  CIPCDataIO io(64, CIPCDataIO::kSerialize, false, &item);
  payload::WriteSmartAttribute(io, {0x05, 0x0033, 100, 99, 36});
  const std::vector<int> records = {1, 2};
  payload::WriteSequence(
      io, records, [](IIPCDataIO& out, int v) { out.WriteUInt8(static_cast<std::uint8_t>(v)); });
  EXPECT_EQ(Hex(io),
            "053300646324"
            "020000000102");
}

// Keys in UTF-16 code-unit order on every platform: a character above U+FFFF (a surrogate
// pair, 0xD83D 0xDE00) comes before U+FF01, as on Windows.
TEST(PayloadEncoding, WideKeysGoInUtf16Order) {
  tagIPC_MESSAGE_ITEM item;
  CIPCDataIO io(64, CIPCDataIO::kSerialize, false, &item);
  payload::WriteMap(io, platform::WideMap<std::uint32_t>{{L"\uFF01", 1}, {L"\U0001F600", 2}});
  EXPECT_EQ(Hex(io),
            "02000000"
            "02000000"
            "3dd8"
            "00de"
            "02000000"
            "01000000"
            "01ff"
            "01000000");
  const platform::WideLess less;
  EXPECT_TRUE(less(L"\U0001F600", L"\uE000"));
  EXPECT_FALSE(less(L"\uE000", L"\U0001F600"));
  EXPECT_TRUE(less(L"\uD7FF", L"\U00010000"));      // below the surrogates: as code points
  EXPECT_TRUE(less(L"\U0001F600", L"\U0001F601"));  // same high surrogate, low decides
  EXPECT_TRUE(less(L"\U0001F7FF", L"\U0001F800"));  // the high surrogate decides
  EXPECT_TRUE(less(L"ab", L"abc"));
  EXPECT_FALSE(less(L"abc", L"abc"));
}

// Itanium C++ ABI (gcc, clang, mingw-w64): a pointer to a virtual member function holds one
// plus the byte offset of its slot in the table.
template <class Member>
std::size_t SlotOf(Member member) {
  struct Representation {
    std::uintptr_t pointer;
    std::ptrdiff_t adjustment;
  };
  static_assert(sizeof(Member) == sizeof(Representation));
  Representation r;
  std::memcpy(&r, &member, sizeof r);
  return (r.pointer - 1) / sizeof(void*);
}

// Other modules call the serializer through its table: the seven operations from slot 0.
TEST(Serializer, InterfaceSlotsAreTheTableOrder) {
  EXPECT_EQ(SlotOf(&IIPCDataIO::Reserve), 0u);
  EXPECT_EQ(SlotOf(&IIPCDataIO::WriteUInt32), 1u);
  EXPECT_EQ(SlotOf(&IIPCDataIO::WriteUInt8), 2u);
  EXPECT_EQ(SlotOf(&IIPCDataIO::WriteBytes), 3u);
  EXPECT_EQ(SlotOf(&IIPCDataIO::ReadUInt32), 4u);
  EXPECT_EQ(SlotOf(&IIPCDataIO::ReadUInt8), 5u);
  EXPECT_EQ(SlotOf(&IIPCDataIO::ReadBytes), 6u);
}

}  // namespace
