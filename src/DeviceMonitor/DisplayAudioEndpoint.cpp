// Whether Windows lists the display audio's output endpoint: a breadth-first walk over the
// render endpoint keys and their property subkeys, looking for the friendly-name value.
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "DeviceMonitor/AudioDeviceMoudle.h"
#include "common/RegistryText.h"
#include "platform/RegistryApi.h"

namespace {

constexpr wchar_t kRenderKey[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\MMDevices\\Audio\\Render";
constexpr wchar_t kPropertiesSuffix[] = L"\\Properties";
constexpr wchar_t kFriendlyNameValue[] = L"{a45c254e-df1c-4efd-8020-67d146a850e0},2";
// The Chinese display name of the device, then the English one.
const wchar_t* const kFriendlyNames[] = {L"\u82f1\u7279\u5c14(R) \u663e\u793a\u5668\u97f3\u9891",
                                         L"Intel(R) Display Audio Output"};

constexpr DWORD kMaxKeyNameChars = 255;
constexpr DWORD kMaxValueNameChars = 16383;
constexpr DWORD kValueDataBytes = 255;

bool IsFriendlyName(const std::wstring& name, const std::wstring& data) {
  if (name.find(kFriendlyNameValue) == std::wstring::npos)
    return false;
  for (const wchar_t* friendly : kFriendlyNames) {
    if (data.find(friendly) != std::wstring::npos)
      return true;
  }
  return false;
}

// The name buffers of one walk, allocated once: the value name buffer alone is 32 KB or more.
struct NameBuffers {
  std::vector<wchar_t> key = std::vector<wchar_t>(kMaxKeyNameChars + 1);
  std::vector<wchar_t> value = std::vector<wchar_t>(kMaxValueNameChars + 1);
};

// Queues the key's subkeys and tells whether one of its values matches.
bool ScanRegistryKey(const std::wstring& path, std::deque<std::wstring>& queue,
                     NameBuffers& names) {
  platform::HKEY key = nullptr;
  if (platform::RegOpenKeyExW(platform::HKEY_LOCAL_MACHINE, path.c_str(), 0, platform::KEY_READ,
                              &key) != ERROR_SUCCESS) {
    return false;
  }
  DWORD subKeys = 0;
  DWORD values = 0;
  if (platform::RegQueryInfoKeyW(key, &subKeys, &values) != ERROR_SUCCESS) {
    platform::RegCloseKey(key);
    return false;
  }
  for (DWORD i = 0; i < subKeys; ++i) {
    DWORD length = kMaxKeyNameChars + 1;
    if (platform::RegEnumKeyExW(key, i, names.key.data(), &length) == ERROR_SUCCESS)
      queue.push_back(path + L"\\" + std::wstring(names.key.data(), length));
  }
  std::uint8_t data[kValueDataBytes];
  bool found = false;
  for (DWORD i = 0; i < values && !found; ++i) {
    DWORD nameLength = kMaxValueNameChars + 1;
    DWORD dataSize = kValueDataBytes;
    DWORD type = 0;
    std::memset(data, 0, sizeof data);
    if (platform::RegEnumValueW(key, i, names.value.data(), &nameLength, &type, data, &dataSize) !=
        ERROR_SUCCESS) {
      continue;  // does not fit the buffers
    }
    found = IsFriendlyName(std::wstring(names.value.data(), nameLength),
                           regtext::FromData(data, dataSize));
  }
  platform::RegCloseKey(key);
  return found;
}

}  // namespace

bool HasDisplayAudioEndpoint() {
  std::deque<std::wstring> queue;
  NameBuffers names;
  bool found = ScanRegistryKey(kRenderKey, queue, names);
  while (!found && !queue.empty()) {
    const std::wstring path = queue.front() + kPropertiesSuffix;
    queue.pop_front();
    found = ScanRegistryKey(path, queue, names);
  }
  return found;
}
