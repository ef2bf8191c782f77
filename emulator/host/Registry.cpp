// The host's registry helper and file helpers, over the operating system's registry and file
// calls. Scripted failures ("registry_errors.<op>") and a transcript line for every change
// are the stand-in's own.
#include "hostapi/Registry.h"

#include "emu/Faults.h"
#include "emu/Laptop.h"
#include "emu/RegistryData.h"
#include "emu/Transcript.h"
#include "hostapi/StringConv.h"
#include "platform/File.h"
#include "platform/LastError.h"
#include "platform/RegistryApi.h"
#include "platform/Text.h"

namespace DE {

namespace {

// The helper takes key paths with or without a leading backslash; Windows's calls take them
// without.
std::wstring SubKey(const std::wstring& key) {
  const auto first = key.find_first_not_of(L'\\');
  return first == std::wstring::npos ? std::wstring() : key.substr(first);
}

// "HKLM\\SOFTWARE\\..." for the transcript.
std::string KeyPath(HKEY root, const std::wstring& key) {
  const char* rootName = root == HKEY_LOCAL_MACHINE ? "HKLM" : "HKU";
  return std::string(rootName) + "\\" + UnicodeToUTF8(SubKey(key));
}

// A scripted failure of the operation, as a Windows error number (0: none).
using emu::FactOf;
using emu::FactType;
constexpr auto kCreateKeyError = FactOf("registry_errors.create_key", FactType::Integer);
constexpr auto kDeleteKeyError = FactOf("registry_errors.delete_key", FactType::Integer);
constexpr auto kSetValueError = FactOf("registry_errors.set_value", FactType::Integer);
constexpr auto kGetValueError = FactOf("registry_errors.get_value", FactType::Integer);
constexpr auto kPluginDir = FactOf("host.plugin_dir", FactType::Text);

bool Fails(emu::FactRef fact) {
  const auto code = emu::Laptop::Instance().Int(fact);
  if (code == 0)
    return false;
  platform::SetLastError(static_cast<DWORD>(code));
  return true;
}

void Note(const char* op, const std::string& key, emu::Line extra = emu::Line::object()) {
  emu::Line fields = {{"op", op}, {"key", key}};
  for (auto& [k, v] : extra.items())
    fields[k] = v;
  emu::Transcript::Instance().Write("registry", fields);
}

// A key opened for the scope.
struct OpenKey {
  platform::HKEY key = nullptr;
  platform::LSTATUS status;
  OpenKey(HKEY root, const std::wstring& subKey, DWORD access)
      : status(platform::RegOpenKeyExW(root, SubKey(subKey).c_str(), 0, access, &key)) {}
  ~OpenKey() {
    if (status == ERROR_SUCCESS)
      platform::RegCloseKey(key);
  }
  OpenKey(const OpenKey&) = delete;
  OpenKey& operator=(const OpenKey&) = delete;
};

bool Failed(platform::LSTATUS status) {
  platform::SetLastError(static_cast<DWORD>(status));
  return false;
}

// Writes a value into an existing key.
bool Write(HKEY root, const std::wstring& key, const std::wstring& name, DWORD type,
           const std::uint8_t* data, DWORD size, DWORD access) {
  OpenKey opened(root, key, platform::KEY_WRITE | access);
  if (opened.status != ERROR_SUCCESS)
    return Failed(opened.status);
  const auto status = platform::RegSetValueExW(opened.key, name.c_str(), type, data, size);
  return status == ERROR_SUCCESS || Failed(status);
}

}  // namespace

Registry::Registry() = default;
Registry::~Registry() = default;

void Registry::SetRootKey(HKEY root) {
  root_ = root;
}

bool Registry::KeyExists(const std::wstring& key) {
  OpenKey opened(root_, key, platform::KEY_READ);
  return opened.status == ERROR_SUCCESS;
}

bool Registry::CreateKey(const std::wstring& key) {
  const std::string path = KeyPath(root_, key);
  if (Fails(kCreateKeyError) || emu::InjectedFault(emu::FaultOf("Registry::CreateKey"), path))
    return false;
  platform::HKEY created = nullptr;
  const auto status =
      platform::RegCreateKeyExW(root_, SubKey(key).c_str(), platform::KEY_WRITE, &created);
  if (status != ERROR_SUCCESS)
    return Failed(status);
  platform::RegCloseKey(created);
  Note("create_key", path);
  return true;
}

bool Registry::DeleteKey(const std::wstring& key) {
  const std::string path = KeyPath(root_, key);
  if (Fails(kDeleteKeyError))
    return false;
  const auto status = platform::RegDeleteTreeW(root_, SubKey(key).c_str());
  if (status != ERROR_SUCCESS)
    return Failed(status);
  Note("delete_key", path);
  return true;
}

bool Registry::GetValue(HKEY root, const std::wstring& key, const std::wstring& name, DWORD& value,
                        DWORD access) {
  if (Fails(kGetValueError) || emu::InjectedFault(emu::FaultOf("Registry::GetValue"),
                                                  [&name] { return UnicodeToUTF8(name); }))
    return false;
  OpenKey opened(root, key, platform::KEY_READ | access);
  DWORD type = 0;
  std::uint8_t data[4];
  DWORD size = sizeof data;
  if (opened.status != ERROR_SUCCESS ||
      platform::RegQueryValueExW(opened.key, name.c_str(), &type, data, &size) != ERROR_SUCCESS ||
      type != platform::REG_DWORD || size != 4)
    return false;
  value = emu::RegistryDword(data);
  return true;
}

bool Registry::GetValue(HKEY root, const std::wstring& key, const std::wstring& name,
                        std::wstring& value, DWORD access) {
  if (Fails(kGetValueError) || emu::InjectedFault(emu::FaultOf("Registry::GetValue"),
                                                  [&name] { return UnicodeToUTF8(name); }))
    return false;
  OpenKey opened(root, key, platform::KEY_READ | access);
  if (opened.status != ERROR_SUCCESS)
    return false;
  DWORD type = 0;
  DWORD size = 0;
  if (platform::RegQueryValueExW(opened.key, name.c_str(), &type, nullptr, &size) !=
          ERROR_SUCCESS ||
      (type != platform::REG_SZ && type != platform::REG_EXPAND_SZ))
    return false;
  std::vector<std::uint8_t> data(size);
  if (platform::RegQueryValueExW(opened.key, name.c_str(), &type, data.data(), &size) !=
      ERROR_SUCCESS)
    return false;
  value = emu::RegistryText(data.data(), size);
  return true;
}

bool Registry::SetValue(HKEY root, const std::wstring& key, const std::wstring& name, DWORD value,
                        DWORD access) {
  const std::string path = KeyPath(root, key);
  if (Fails(kSetValueError) || emu::InjectedFault(emu::FaultOf("Registry::SetValue"),
                                                  [&name] { return UnicodeToUTF8(name); }))
    return false;
  const auto data = emu::RegistryDwordBytes(value);
  if (!Write(root, key, name, platform::REG_DWORD, data.data(), 4, access))
    return false;
  Note("set_value", path, {{"name", UnicodeToUTF8(name)}, {"type", "REG_DWORD"}, {"value", value}});
  return true;
}

bool Registry::SetValue(HKEY root, const std::wstring& key, const std::wstring& name,
                        const std::wstring& value, DWORD access) {
  const std::string path = KeyPath(root, key);
  if (Fails(kSetValueError) || emu::InjectedFault(emu::FaultOf("Registry::SetValue"),
                                                  [&name] { return UnicodeToUTF8(name); }))
    return false;
  const auto data = emu::RegistryTextBytes(value);
  if (!Write(root, key, name, platform::REG_SZ, data.data(), static_cast<DWORD>(data.size()),
             access))
    return false;
  Note("set_value", path,
       {{"name", UnicodeToUTF8(name)}, {"type", "REG_SZ"}, {"value", UnicodeToUTF8(value)}});
  return true;
}

bool FileExists(const std::wstring& path) {
  return platform::PathFileExistsW(path);
}

}  // namespace DE

bool CReadReg::SetExpandStringValue(const std::wstring& key, const std::wstring& name,
                                    const std::wstring& data) {
  const std::string path = DE::KeyPath(DE::HKEY_LOCAL_MACHINE, key);
  if (DE::Fails(DE::kSetValueError))
    return false;
  const bool existed = DE::Registry().KeyExists(key);
  platform::HKEY opened = nullptr;
  if (platform::RegCreateKeyExW(platform::HKEY_LOCAL_MACHINE, DE::SubKey(key).c_str(),
                                platform::KEY_WRITE, &opened) != ERROR_SUCCESS)
    return false;
  if (!existed)
    DE::Note("create_key", path);
  const auto bytes = emu::RegistryTextBytes(data);
  const bool written =
      platform::RegSetValueExW(opened, name.c_str(), platform::REG_EXPAND_SZ, bytes.data(),
                               static_cast<DWORD>(bytes.size())) == ERROR_SUCCESS;
  platform::RegCloseKey(opened);
  if (!written)
    return false;
  DE::Note("set_value", path,
           {{"name", DE::UnicodeToUTF8(name)},
            {"type", "REG_EXPAND_SZ"},
            {"value", DE::UnicodeToUTF8(data)}});
  return true;
}

namespace ORBPROCESS::HELPER {

bool GetSelfFullFilePath(std::wstring& out, const std::wstring& relativePath) {
  std::string dir = emu::Laptop::Instance().Text(DE::kPluginDir);
  if (dir.empty())
    return false;
  std::string relative = DE::UnicodeToUTF8(relativePath);
  for (auto& c : relative) {
    if (c == '/')
      c = '\\';
  }
  if (!relative.empty() && relative.front() == '\\')
    relative.erase(0, 1);
  out = platform::Utf8ToWide(dir + "\\" + relative);
  return true;
}

}  // namespace ORBPROCESS::HELPER
