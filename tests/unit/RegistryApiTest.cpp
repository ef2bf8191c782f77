// The registry reading calls over the virtual registry, byte for byte as Windows answers, and
// the device tree's uninstall and rescan.
#include <gtest/gtest.h>

#include "EmuFixture.h"
#include "emu/DeviceTree.h"
#include "emu/OpenHandles.h"
#include "emu/VirtualRegistry.h"
#include "hostapi/HardwareSdk.h"
#include "platform/RegistryApi.h"

namespace {

class RegistryApiTest : public EmuTest {
 protected:
  static platform::HKEY Open(const wchar_t* path) {
    platform::HKEY key = nullptr;
    EXPECT_EQ(
        platform::RegOpenKeyExW(platform::HKEY_LOCAL_MACHINE, path, 0, platform::KEY_READ, &key),
        ERROR_SUCCESS);
    return key;
  }
};

TEST_F(RegistryApiTest, ParentsExistAndSubkeysAreListedOnceByName) {
  emu::VirtualRegistry::Instance().Load(nlohmann::json::parse(R"({
      "HKLM\\SOFTWARE\\R\\b\\Properties": {"x": 1},
      "HKLM\\SOFTWARE\\R\\B0": {},
      "HKLM\\SOFTWARE\\R\\a\\Deeper\\Still": {}})"));
  platform::HKEY key = Open(L"software\\r");
  DWORD subKeys = 9;
  DWORD values = 9;
  ASSERT_EQ(platform::RegQueryInfoKeyW(key, &subKeys, &values), ERROR_SUCCESS);
  EXPECT_EQ(subKeys, 3u);  // a, b and B0, though only their descendants were stored
  EXPECT_EQ(values, 0u);
  std::vector<std::wstring> names;
  wchar_t name[4];
  for (DWORD i = 0;; ++i) {
    DWORD length = 4;
    const auto status = platform::RegEnumKeyExW(key, i, name, &length);
    if (status == static_cast<platform::LSTATUS>(ERROR_NO_MORE_ITEMS))
      break;
    ASSERT_EQ(status, ERROR_SUCCESS);
    names.emplace_back(name, length);
  }
  EXPECT_EQ(names, (std::vector<std::wstring>{L"a", L"b", L"B0"}));
  DWORD tooShort = 2;  // "B0" and its NUL need 3
  EXPECT_EQ(platform::RegEnumKeyExW(key, 2, name, &tooShort), ERROR_MORE_DATA);
  EXPECT_EQ(emu::OpenRegistryKeys(), std::vector<std::string>{"HKLM\\software\\r"});
  EXPECT_EQ(platform::RegCloseKey(key), ERROR_SUCCESS);
  EXPECT_NE(platform::RegCloseKey(key), ERROR_SUCCESS);
  EXPECT_TRUE(emu::OpenRegistryKeys().empty());

  platform::HKEY missing = nullptr;
  EXPECT_EQ(platform::RegOpenKeyExW(platform::HKEY_LOCAL_MACHINE, L"SOFTWARE\\Rx", 0,
                                    platform::KEY_READ, &missing),
            ERROR_FILE_NOT_FOUND);
}

// Each call through an open key answers from the key as it is at the call, even though a walk
// reads the key only once while nothing changes.
TEST_F(RegistryApiTest, AnOpenKeyAnswersFromTheKeyAsItIsNow) {
  emu::VirtualRegistry::Instance().Load(
      nlohmann::json::parse(R"({"HKLM\\SOFTWARE\\W\\a": {}, "HKLM\\SOFTWARE\\W\\c": {}})"));
  platform::HKEY key = Open(L"SOFTWARE\\W");
  wchar_t name[8];
  DWORD length = 8;
  ASSERT_EQ(platform::RegEnumKeyExW(key, 1, name, &length), ERROR_SUCCESS);
  EXPECT_EQ(std::wstring(name, length), L"c");
  // A subkey created elsewhere meanwhile takes its place in the order.
  platform::HKEY created = nullptr;
  ASSERT_EQ(platform::RegCreateKeyExW(platform::HKEY_LOCAL_MACHINE, L"SOFTWARE\\W\\b",
                                      platform::KEY_WRITE, &created),
            ERROR_SUCCESS);
  platform::RegCloseKey(created);
  length = 8;
  ASSERT_EQ(platform::RegEnumKeyExW(key, 1, name, &length), ERROR_SUCCESS);
  EXPECT_EQ(std::wstring(name, length), L"b");
  DWORD subKeys = 0;
  ASSERT_EQ(platform::RegQueryInfoKeyW(key, &subKeys, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(subKeys, 3u);
  // Deleted while open: ERROR_KEY_DELETED, as Windows answers.
  ASSERT_EQ(platform::RegDeleteTreeW(platform::HKEY_LOCAL_MACHINE, L"SOFTWARE\\W"), ERROR_SUCCESS);
  length = 8;
  EXPECT_EQ(platform::RegEnumKeyExW(key, 0, name, &length), 1018);
  EXPECT_EQ(platform::RegCloseKey(key), ERROR_SUCCESS);
}

TEST_F(RegistryApiTest, ValuesComeAsWindowsStoresThem) {
  emu::VirtualRegistry::Instance().Load(
      nlohmann::json::parse(R"({"HKLM\\K": {"Count": 258, "Name": "A\u00e9\u82f1"}})"));
  platform::HKEY key = Open(L"K");
  wchar_t name[8];
  DWORD nameLength = 8;
  DWORD type = 0;
  std::uint8_t data[16] = {};
  DWORD size = sizeof data;
  ASSERT_EQ(platform::RegEnumValueW(key, 0, name, &nameLength, &type, data, &size), ERROR_SUCCESS);
  EXPECT_EQ(std::wstring(name, nameLength), L"Count");
  EXPECT_EQ(type, platform::REG_DWORD);
  EXPECT_EQ(std::vector<std::uint8_t>(data, data + size),
            (std::vector<std::uint8_t>{0x02, 0x01, 0x00, 0x00}));

  // UTF-16LE with its NUL: 'A', U+00E9, U+82F1, 0.
  nameLength = 8;
  size = 7;
  EXPECT_EQ(platform::RegEnumValueW(key, 1, name, &nameLength, &type, data, &size),
            ERROR_MORE_DATA);
  nameLength = 8;
  size = 8;
  ASSERT_EQ(platform::RegEnumValueW(key, 1, name, &nameLength, &type, data, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, platform::REG_SZ);
  EXPECT_EQ(std::vector<std::uint8_t>(data, data + size),
            (std::vector<std::uint8_t>{0x41, 0x00, 0xE9, 0x00, 0xF1, 0x82, 0x00, 0x00}));
  nameLength = 4;  // "Name" and its NUL need 5
  EXPECT_EQ(platform::RegEnumValueW(key, 1, name, &nameLength, &type, data, &size),
            ERROR_MORE_DATA);
  EXPECT_EQ(platform::RegEnumValueW(key, 2, name, &nameLength, &type, data, &size),
            static_cast<platform::LSTATUS>(ERROR_NO_MORE_ITEMS));
  platform::RegCloseKey(key);
}

TEST_F(RegistryApiTest, AnUninstalledDeviceComesBackAtTheRescan) {
  auto& laptop = emu::Laptop::Instance();
  laptop.Set("devices", nlohmann::json::parse(R"([
      {"class": "{4D36E96C-E325-11CE-BFC1-08002BE10318}", "hardware_ids": ["HDAUDIO\\A"],
       "soft_components": [], "uninstall_result": 3}])"));
  laptop.Set("effects",
             nlohmann::json::parse(R"({"rescan": {"devices.0.soft_components": ["SWC\\A"]}})"));
  const platform::Guid media = {
      0x4D36E96C, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};
  CDeviceInformention devices;
  EXPECT_EQ(devices.GetDeviceHardwareID(media), std::vector<std::wstring>{L"HDAUDIO\\A"});
  EXPECT_EQ(devices.UnstallDeviceByHardwareIdEx(L"hdaudio\\a", media), 3u);
  EXPECT_TRUE(devices.GetDeviceHardwareID(media).empty());
  EXPECT_EQ(devices.UnstallDeviceByHardwareIdEx(L"HDAUDIO\\A", media), 0xE000020Bu);  // gone
  CDeviceDriver().ScanForHardwareChange();
  EXPECT_EQ(devices.GetSoftComponentItems(L"HDAUDIO\\A"), std::vector<std::wstring>{L"SWC\\A"});
  // The monitors of the laptop are the monitor class.
  const platform::Guid monitor = {
      0x4D36E96E, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};
  EXPECT_EQ(devices.GetDeviceHardwareID(monitor), std::vector<std::wstring>{L"MONITOR\\BOE0A1B"});
}

}  // namespace
