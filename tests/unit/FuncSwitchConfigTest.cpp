// The stored configuration file: frame, cipher and the switch query.
#include <gtest/gtest.h>

#include "DetectorFixture.h"
#include "config/ConfigCipher.h"
#include "config/FuncSwitchConfig.h"
#include "emu/VirtualDrive.h"

namespace {

constexpr char kStoredPath[] =
    "C:\\Program Files\\Velmora\\Service\\config\\DeviceFuncSwitchConf.xml";

class FuncSwitchConfigTest : public EmuTest {
 protected:
  static void Store(const std::vector<std::uint8_t>& bytes) {
    emu::VirtualDrive::Instance().WriteFile(kStoredPath, bytes);
  }
  static void StoreXml(const std::string& xml) { Store(config::SealConfigText(xml)); }
  static bool Switch(const std::string& value) {
    StoreXml("<config><usb><ReportUsbDeviceType>" + value +
             "</ReportUsbDeviceType></usb></config>");
    return config::ReadFuncSwitch("usb", "ReportUsbDeviceType");
  }
};

TEST_F(FuncSwitchConfigTest, FrameHasHeaderInitialBlockAndBody) {
  const auto stored = config::SealConfigText("<config/>");
  ASSERT_EQ(stored.size(), 256u + 16u);  // 9 bytes of text pad to one block
  EXPECT_EQ(std::string(stored.begin(), stored.begin() + 4), "VMCF");
  std::uint8_t* plain = nullptr;
  std::uint32_t length = 0;
  ASSERT_EQ(config::DecryptConfigBuffer(stored.data(), 272, plain, length), 1);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(plain), length), "<config/>");
  delete[] plain;

  // 271 bytes are refused before the cipher; a body that is not whole blocks fails in it.
  EXPECT_EQ(config::DecryptConfigBuffer(stored.data(), 271, plain, length), 0);
  EXPECT_EQ(plain, nullptr);
  auto longer = stored;
  longer.push_back(0);
  EXPECT_EQ(config::DecryptConfigBuffer(longer.data(), 273, plain, length), 0);

  // The initial block chains the body: changing it changes the first plain block.
  auto tampered = stored;
  tampered[config::kInitialBlockOffset] ^= 0x01;
  ASSERT_EQ(config::DecryptConfigBuffer(tampered.data(), 272, plain, length), 1);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(plain), length), "=config/>");
  delete[] plain;
}

TEST_F(FuncSwitchConfigTest, ShortOrDamagedFilesReadAsOff) {
  const auto stored = config::SealConfigText(
      "<config><usb><ReportUsbDeviceType>1</ReportUsbDeviceType></usb></config>");
  Store(stored);
  EXPECT_TRUE(config::ReadFuncSwitch("usb", "ReportUsbDeviceType"));
  Store(std::vector<std::uint8_t>(stored.begin(), stored.begin() + 271));
  EXPECT_FALSE(config::ReadFuncSwitch("usb", "ReportUsbDeviceType"));
  auto damaged = stored;
  damaged.back() ^= 0x5A;  // the padding no longer checks out
  Store(damaged);
  EXPECT_FALSE(config::ReadFuncSwitch("usb", "ReportUsbDeviceType"));
  EXPECT_EQ(config::ReadEncryptedTextFile(L"C:\\nowhere.xml"), "");
  emu::VirtualDrive::Instance().Remove(kStoredPath);
  EXPECT_FALSE(config::ReadFuncSwitch("usb", "ReportUsbDeviceType"));
}

TEST_F(FuncSwitchConfigTest, ValuesReadTheWayAtoiReadsThem) {
  EXPECT_TRUE(Switch("1"));
  EXPECT_TRUE(Switch(" 1"));
  EXPECT_TRUE(Switch("1x"));
  EXPECT_TRUE(Switch("01"));
  EXPECT_FALSE(Switch("2"));
  EXPECT_FALSE(Switch("0"));
  EXPECT_FALSE(Switch(""));
  EXPECT_FALSE(Switch("on"));
  EXPECT_FALSE(Switch("-1"));
}

TEST_F(FuncSwitchConfigTest, NamesAreExactAndOnlyTheFirstConfigCounts) {
  StoreXml(
      "<?xml version=\"1.0\"?><!-- switches --><config>"
      "<usb><ReportUsbDeviceType>1</ReportUsbDeviceType></usb></config>"
      "<config><monitor><ReportMonitorDeviceType>1</ReportMonitorDeviceType></monitor></config>");
  EXPECT_TRUE(config::ReadFuncSwitch("usb", "ReportUsbDeviceType"));
  EXPECT_FALSE(config::ReadFuncSwitch("USB", "ReportUsbDeviceType"));
  EXPECT_FALSE(config::ReadFuncSwitch("usb", "reportusbdevicetype"));
  EXPECT_FALSE(config::ReadFuncSwitch("monitor", "ReportMonitorDeviceType"));
  EXPECT_FALSE(config::ReadFuncSwitch("realtek", "IsSupportRealtekCallback"));

  StoreXml("<config><usb><ReportUsbDeviceType>1</usb></config>");  // not well-formed
  EXPECT_FALSE(config::ReadFuncSwitch("usb", "ReportUsbDeviceType"));
  StoreXml("<Config><usb><ReportUsbDeviceType>1</ReportUsbDeviceType></usb></Config>");
  EXPECT_FALSE(config::ReadFuncSwitch("usb", "ReportUsbDeviceType"));
}

}  // namespace
