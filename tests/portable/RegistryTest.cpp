// The registry calls as Windows answers them: create, write, read, enumerate and delete, with
// Windows's error numbers and buffer sizes. The same test runs against wine's registry (the
// win32 backend) and against the emulator's virtual one.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/RegistryApi.h"

namespace {

using namespace platform;

const wchar_t kTestKey[] = L"SOFTWARE\\FdWin32BackendTest";

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override { RegDeleteTreeW(HKEY_LOCAL_MACHINE, kTestKey); }
  void TearDown() override { RegDeleteTreeW(HKEY_LOCAL_MACHINE, kTestKey); }
};

std::vector<std::uint8_t> Utf16Bytes(const std::u16string& text) {
  std::vector<std::uint8_t> bytes;
  for (const char16_t unit : text + u'\0') {
    bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  return bytes;
}

TEST_F(RegistryTest, CreateWriteReadDeleteWithWindowsErrorNumbers) {
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kTestKey, 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(key, nullptr);
  const std::wstring child = std::wstring(kTestKey) + L"\\Child\\Grandchild";
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, child.c_str(), KEY_WRITE, &key), ERROR_SUCCESS);
  ASSERT_EQ(RegCloseKey(key), ERROR_SUCCESS);

  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kTestKey, 0, KEY_READ | KEY_WRITE, &key),
            ERROR_SUCCESS);
  const std::uint8_t three[4] = {3, 0, 0, 0};
  EXPECT_EQ(RegSetValueExW(key, L"Numbers", REG_DWORD, three, 4), ERROR_SUCCESS);
  // U+1F600 is a surrogate pair in the stored UTF-16.
  const auto text = Utf16Bytes(u"caf\u00e9 \U0001F600");
  EXPECT_EQ(RegSetValueExW(key, L"Text", REG_SZ, text.data(), static_cast<DWORD>(text.size())),
            ERROR_SUCCESS);

  DWORD type = 0, size = 4;
  std::uint8_t dword[4] = {};
  EXPECT_EQ(RegQueryValueExW(key, L"numbers", &type, dword, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_DWORD);
  EXPECT_EQ(dword[0], 3);
  // Too small: ERROR_MORE_DATA and the size needed; no buffer: the size only.
  std::uint8_t small[4];
  size = sizeof small;
  EXPECT_EQ(RegQueryValueExW(key, L"Text", &type, small, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, text.size());
  size = 0;
  EXPECT_EQ(RegQueryValueExW(key, L"Text", &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, text.size());
  std::vector<std::uint8_t> read(size);
  EXPECT_EQ(RegQueryValueExW(key, L"Text", &type, read.data(), &size), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_SZ);
  EXPECT_EQ(read, text);
  EXPECT_EQ(RegQueryValueExW(key, L"Missing", &type, read.data(), &size), ERROR_FILE_NOT_FOUND);

  DWORD subKeys = 0, values = 0;
  EXPECT_EQ(RegQueryInfoKeyW(key, &subKeys, &values), ERROR_SUCCESS);
  EXPECT_EQ(subKeys, 1u);
  EXPECT_EQ(values, 2u);
  // The name and its NUL must fit: "Child" needs 6 characters.
  wchar_t name[16];
  DWORD length = 5;
  EXPECT_EQ(RegEnumKeyExW(key, 0, name, &length), ERROR_MORE_DATA);
  length = 6;
  EXPECT_EQ(RegEnumKeyExW(key, 0, name, &length), ERROR_SUCCESS);
  EXPECT_EQ(length, 5u);
  EXPECT_EQ(std::wstring(name), L"Child");
  length = 16;
  EXPECT_EQ(RegEnumKeyExW(key, 1, name, &length), ERROR_NO_MORE_ITEMS);
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);

  EXPECT_EQ(RegDeleteTreeW(HKEY_LOCAL_MACHINE, kTestKey), ERROR_SUCCESS);
  EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, child.c_str(), 0, KEY_READ, &key),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteTreeW(HKEY_LOCAL_MACHINE, kTestKey), ERROR_FILE_NOT_FOUND);
}

}  // namespace
