// Installed wireless software packages, from the Uninstall keys, and their quiet removal.
#include <cstring>

#include "common/Log.h"
#include "common/RegistryText.h"
#include "platform/RegistryApi.h"
#include "repair/ProcessWifiRepair.h"

namespace {

const wchar_t* const kUninstallKeys[] = {
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
    L"SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall"};
// "/Wireless software" and its Chinese form, as the packages' display names carry them.
const wchar_t* const kWirelessMarks[] = {L"/Wireless software", L"/\u65e0\u7ebf\u8f6f\u4ef6"};
constexpr wchar_t kMsiCommand[] = L"C:\\Windows\\SysWOW64\\MsiExec.exe /I";
constexpr DWORD kSubkeyNameChars = 512;
constexpr DWORD kValueBytes = 512;  // 255 characters and a terminator
constexpr std::size_t kEarliestBrace = 14;
constexpr std::size_t kBracedCodeLength = 38;

// A text value of the open key; empty when it cannot be read into the buffer.
std::wstring ReadText(platform::HKEY key, const wchar_t* name) {
  std::uint8_t data[kValueBytes];
  std::memset(data, 0, sizeof data);
  DWORD size = kValueBytes;
  DWORD type = 0;
  if (platform::RegQueryValueExW(key, name, &type, data, &size) != ERROR_SUCCESS)
    return L"";
  return regtext::FromData(data, size);
}

bool IsWirelessSoftware(const std::wstring& displayName) {
  for (const wchar_t* mark : kWirelessMarks) {
    if (displayName.find(mark) != std::wstring::npos)
      return true;
  }
  return false;
}

// The entry of one subkey; false when it is not a wireless software package.
bool ReadEntry(const std::wstring& parent, const std::wstring& subkey,
               WirelessSoftwareEntry& entry) {
  platform::HKEY key = nullptr;
  const std::wstring path = parent + L"\\" + subkey;
  if (platform::RegOpenKeyExW(platform::HKEY_LOCAL_MACHINE, path.c_str(), 0, platform::KEY_READ,
                              &key) != ERROR_SUCCESS) {
    return false;
  }
  entry = WirelessSoftwareEntry{};
  entry.subkeyName = subkey;
  entry.displayName = ReadText(key, L"DisplayName");
  bool keep = false;
  if (IsWirelessSoftware(entry.displayName)) {
    entry.publisher = ReadText(key, L"Publisher");
    entry.displayVersion = ReadText(key, L"DisplayVersion");
    entry.uninstallString = ReadText(key, L"UninstallString");
    const std::wstring parentKeyName = ReadText(key, L"ParentKeyName");
    entry.quietUninstallString = ReadText(key, L"QuietUninstallString");
    // Updates of the operating system list themselves under it; they are not removed.
    keep = !entry.displayName.empty() && parentKeyName != L"OperatingSystem";
  }
  platform::RegCloseKey(key);
  return keep;
}

}  // namespace

void FindWirelessSoftwareEntries(std::vector<WirelessSoftwareEntry>& entries) {
  std::vector<wchar_t> name(kSubkeyNameChars);
  for (const wchar_t* uninstall : kUninstallKeys) {
    platform::HKEY key = nullptr;
    if (platform::RegOpenKeyExW(platform::HKEY_LOCAL_MACHINE, uninstall, 0, platform::KEY_READ,
                                &key) != ERROR_SUCCESS) {
      continue;
    }
    DWORD subkeys = 0;
    if (platform::RegQueryInfoKeyW(key, &subkeys, nullptr) != ERROR_SUCCESS)
      subkeys = 0;
    for (DWORD i = 0; i < subkeys; ++i) {
      DWORD length = kSubkeyNameChars;
      if (platform::RegEnumKeyExW(key, i, name.data(), &length) != ERROR_SUCCESS)
        continue;
      WirelessSoftwareEntry entry;
      if (ReadEntry(uninstall, std::wstring(name.data(), length), entry))
        entries.push_back(std::move(entry));
    }
    platform::RegCloseKey(key);
  }
}

std::wstring BuildMsiInstallCommand(const std::wstring& text) {
  const std::size_t open = text.find(L'{');
  const std::size_t close = text.find(L'}');
  if (open == std::wstring::npos || close == std::wstring::npos || open >= close ||
      open < kEarliestBrace) {
    return L"";
  }
  const std::wstring code = text.substr(open, close - open + 1);
  if (code.size() != kBracedCodeLength)
    return L"";
  for (std::size_t i = 1; i + 1 < code.size(); ++i) {
    const wchar_t c = code[i];
    if (c != L'-' && !(c >= L'0' && c <= L'9') && !(c >= L'A' && c <= L'Z'))
      return L"";
  }
  return kMsiCommand + code;
}

std::uint32_t CProcessWifiRepair::UnistaProsWifiSoft() {
  std::vector<WirelessSoftwareEntry> entries;
  FindWirelessSoftwareEntries(entries);
  std::uint32_t result = 0;
  for (const auto& entry : entries) {
    const std::wstring command = BuildMsiInstallCommand(entry.quietUninstallString);
    if (!command.empty() && !RunExecute(command, true)) {
      result = kUninstallFailed;
      LOG_ERROR("unistall Proset wireless software failed !");
    }
  }
  return result;
}
