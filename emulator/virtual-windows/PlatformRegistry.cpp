// The registry calls over the virtual registry. An open key handle names the key: every call
// through it sees the key as it is then. Handles are counted so that a run can show keys left
// open.
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

#include "emu/Faults.h"
#include "emu/OpenHandles.h"
#include "emu/RegistryData.h"
#include "emu/VirtualRegistry.h"
#include "hostapi/StringConv.h"
#include "platform/RegistryApi.h"
#include "platform/Text.h"

namespace {

constexpr auto kInvalidHandle = static_cast<platform::LSTATUS>(ERROR_INVALID_HANDLE);
constexpr auto kInvalidParameter = static_cast<platform::LSTATUS>(ERROR_INVALID_PARAMETER);
constexpr DWORD ERROR_KEY_DELETED = 1018;
constexpr DWORD ERROR_BAD_PATHNAME = 161;

// An open key, with the view of it last read: reused while the registry has not changed,
// so that walking a key's N subkeys reads the key once, not N times.
constexpr std::uint64_t kNotRead = UINT64_MAX;  // a revision the registry never reaches

struct OpenKey {
  std::string path;
  std::mutex mu;                                      // guards the view
  std::uint64_t revision = kNotRead;                  // of the view below
  std::optional<emu::VirtualRegistry::KeyView> view;  // none: the key went
};

std::mutex keysMutex;
std::map<platform::HKEY, std::unique_ptr<OpenKey>>& OpenKeys() {
  static auto* handles = new std::map<platform::HKEY, std::unique_ptr<OpenKey>>();
  return *handles;
}

// The key behind a handle; stays valid until the handle is closed by the same caller.
OpenKey* Find(platform::HKEY key) {
  std::lock_guard lock(keysMutex);
  auto it = OpenKeys().find(key);
  return it == OpenKeys().end() ? nullptr : it->second.get();
}

// What the key holds now, through an open handle: ERROR_INVALID_HANDLE for a handle that is not
// open, ERROR_KEY_DELETED when the key went while the handle was open (as Windows answers).
// The view stays valid while held locks the key's view.
platform::LSTATUS Current(platform::HKEY key, std::unique_lock<std::mutex>& held,
                          const emu::VirtualRegistry::KeyView*& view);

// Copies a name with its NUL into a buffer of capacity characters, as the Reg*W calls do.
platform::LSTATUS CopyName(const std::string& utf8, wchar_t* out, DWORD* length) {
  if (!out || !length)
    return kInvalidParameter;
  const std::wstring name = platform::Utf8ToWide(utf8);
  if (name.size() + 1 > *length)
    return static_cast<platform::LSTATUS>(ERROR_MORE_DATA);
  std::memcpy(out, name.c_str(), (name.size() + 1) * sizeof(wchar_t));
  *length = static_cast<DWORD>(name.size());
  return ERROR_SUCCESS;
}

// The bytes Windows stores for a value (see emu/RegistryData.h).
std::vector<std::uint8_t> StoredBytes(const nlohmann::json& value, DWORD& type) {
  if (value.is_number_integer()) {
    type = platform::REG_DWORD;
    return emu::RegistryDwordBytes(static_cast<std::uint32_t>(value.get<std::int64_t>()));
  }
  type = platform::REG_SZ;
  std::string text = value.is_string() ? value.get<std::string>() : "";
  if (value.is_object() && value.contains("REG_EXPAND_SZ") && value["REG_EXPAND_SZ"].is_string()) {
    type = platform::REG_EXPAND_SZ;
    text = value["REG_EXPAND_SZ"].get<std::string>();
  }
  return emu::RegistryTextBytes(platform::Utf8ToWide(text));
}

// "HKLM\\SOFTWARE\\X" for a root and a subkey; empty for a root this registry does not have.
std::string PathOf(platform::HKEY root, const wchar_t* subKey) {
  const char* rootName = root == platform::HKEY_LOCAL_MACHINE ? "HKLM"
                         : root == platform::HKEY_USERS       ? "HKU"
                                                              : nullptr;
  if (!rootName)
    return "";
  std::string path = subKey ? DE::UnicodeToUTF8(subKey) : "";
  while (!path.empty() && path.front() == '\\')
    path.erase(0, 1);
  return path.empty() ? rootName : std::string(rootName) + "\\" + path;
}

platform::LSTATUS Open(const std::string& path, platform::HKEY* key) {
  if (!emu::VirtualRegistry::Instance().KeyExists(path))
    return static_cast<platform::LSTATUS>(ERROR_FILE_NOT_FOUND);
  auto open = std::make_unique<OpenKey>();
  open->path = path;
  *key = open.get();
  std::lock_guard lock(keysMutex);
  OpenKeys().emplace(*key, std::move(open));
  return ERROR_SUCCESS;
}

// The stored form of value bytes (the reverse of StoredBytes); false for a type or size the
// registry here does not keep.
bool ValueOf(DWORD type, const std::uint8_t* data, DWORD size, nlohmann::json& value) {
  if (type == platform::REG_DWORD) {
    if (!data || size != 4)
      return false;
    value = emu::RegistryDword(data);
    return true;
  }
  if (type != platform::REG_SZ && type != platform::REG_EXPAND_SZ)
    return false;
  if (size % 2 != 0 || (size > 0 && !data))
    return false;
  const std::string text = DE::UnicodeToUTF8(emu::RegistryText(data, size));
  value = type == platform::REG_SZ ? nlohmann::json(text) : nlohmann::json{{"REG_EXPAND_SZ", text}};
  return true;
}

platform::LSTATUS Current(platform::HKEY key, std::unique_lock<std::mutex>& held,
                          const emu::VirtualRegistry::KeyView*& view) {
  OpenKey* open = Find(key);
  if (!open)
    return kInvalidHandle;
  held = std::unique_lock(open->mu);
  auto& registry = emu::VirtualRegistry::Instance();
  // The revision first: a change after it only makes the next call read the key again.
  const std::uint64_t revision = registry.Revision();
  if (open->revision != revision) {
    open->view = registry.View(open->path);
    open->revision = revision;
  }
  if (!open->view)
    return static_cast<platform::LSTATUS>(ERROR_KEY_DELETED);
  view = &*open->view;
  return ERROR_SUCCESS;
}

}  // namespace

namespace emu {

std::vector<std::string> OpenRegistryKeys() {
  std::lock_guard lock(keysMutex);
  std::vector<std::string> paths;
  for (const auto& [handle, key] : OpenKeys())
    paths.push_back(key->path);
  return paths;
}

}  // namespace emu

namespace platform {

LSTATUS RegOpenKeyExW(HKEY root, const wchar_t* subKey, DWORD, DWORD, HKEY* key) {
  const std::string path = PathOf(root, subKey);
  if (!key || path.empty())
    return kInvalidParameter;
  if (const auto error = emu::InjectedFault(emu::FaultOf("RegOpenKeyExW"), path))
    return static_cast<LSTATUS>(*error);
  return Open(path, key);
}

LSTATUS RegCreateKeyExW(HKEY root, const wchar_t* subKey, DWORD, HKEY* key) {
  const std::string path = PathOf(root, subKey);
  if (!key || path.empty())
    return kInvalidParameter;
  if (subKey && *subKey == L'\\')
    return static_cast<LSTATUS>(ERROR_BAD_PATHNAME);  // as Windows refuses it
  if (const auto error = emu::InjectedFault(emu::FaultOf("RegCreateKeyExW"), path))
    return static_cast<LSTATUS>(*error);
  emu::VirtualRegistry::Instance().CreateKey(path);
  return Open(path, key);
}

LSTATUS RegSetValueExW(HKEY key, const wchar_t* name, DWORD type, const std::uint8_t* data,
                       DWORD size) {
  const OpenKey* open = Find(key);
  if (!open)
    return kInvalidHandle;
  nlohmann::json value;
  if (!ValueOf(type, data, size, value))
    return kInvalidParameter;
  const std::string valueName = name ? DE::UnicodeToUTF8(name) : "";
  if (const auto error = emu::InjectedFault(emu::FaultOf("RegSetValueExW"), valueName))
    return static_cast<LSTATUS>(*error);
  if (!emu::VirtualRegistry::Instance().SetValue(open->path, valueName, std::move(value)))
    return static_cast<LSTATUS>(ERROR_KEY_DELETED);
  return ERROR_SUCCESS;
}

LSTATUS RegDeleteTreeW(HKEY root, const wchar_t* subKey) {
  const std::string path = PathOf(root, subKey);
  if (path.empty())
    return kInvalidParameter;
  if (!emu::VirtualRegistry::Instance().DeleteKey(path))
    return static_cast<LSTATUS>(ERROR_FILE_NOT_FOUND);
  return ERROR_SUCCESS;
}

LSTATUS RegQueryInfoKeyW(HKEY key, DWORD* subKeys, DWORD* values) {
  std::unique_lock<std::mutex> held;
  const emu::VirtualRegistry::KeyView* view = nullptr;
  if (const LSTATUS status = Current(key, held, view); status != ERROR_SUCCESS)
    return status;
  if (subKeys)
    *subKeys = static_cast<DWORD>(view->subkeys.size());
  if (values)
    *values = static_cast<DWORD>(view->values.size());
  return ERROR_SUCCESS;
}

LSTATUS RegEnumKeyExW(HKEY key, DWORD index, wchar_t* name, DWORD* nameLength) {
  std::unique_lock<std::mutex> held;
  const emu::VirtualRegistry::KeyView* view = nullptr;
  if (const LSTATUS status = Current(key, held, view); status != ERROR_SUCCESS)
    return status;
  if (index >= view->subkeys.size())
    return static_cast<LSTATUS>(ERROR_NO_MORE_ITEMS);
  if (const auto error = emu::InjectedFault(emu::FaultOf("RegEnumKeyExW")))
    return static_cast<LSTATUS>(*error);
  return CopyName(view->subkeys[index], name, nameLength);
}

LSTATUS RegEnumValueW(HKEY key, DWORD index, wchar_t* name, DWORD* nameLength, DWORD* type,
                      std::uint8_t* data, DWORD* dataSize) {
  std::unique_lock<std::mutex> held;
  const emu::VirtualRegistry::KeyView* view = nullptr;
  if (const LSTATUS status = Current(key, held, view); status != ERROR_SUCCESS)
    return status;
  if (index >= view->values.size())
    return static_cast<LSTATUS>(ERROR_NO_MORE_ITEMS);
  const auto& [valueName, value] = view->values[index];
  DWORD storedType = REG_SZ;
  const std::vector<std::uint8_t> bytes = StoredBytes(value, storedType);
  if (data && (!dataSize || bytes.size() > *dataSize))
    return static_cast<LSTATUS>(ERROR_MORE_DATA);
  if (const LSTATUS status = CopyName(valueName, name, nameLength); status != ERROR_SUCCESS)
    return status;
  if (type)
    *type = storedType;
  if (data)
    std::memcpy(data, bytes.data(), bytes.size());
  if (dataSize)
    *dataSize = static_cast<DWORD>(bytes.size());
  return ERROR_SUCCESS;
}

LSTATUS RegQueryValueExW(HKEY key, const wchar_t* name, DWORD* type, std::uint8_t* data,
                         DWORD* dataSize) {
  std::unique_lock<std::mutex> held;
  const emu::VirtualRegistry::KeyView* view = nullptr;
  if (const LSTATUS status = Current(key, held, view); status != ERROR_SUCCESS)
    return status;
  const std::string wanted = emu::FoldCase(name ? DE::UnicodeToUTF8(name) : "");
  if (const auto error = emu::InjectedFault(emu::FaultOf("RegQueryValueExW"), wanted))
    return static_cast<LSTATUS>(*error);
  for (const auto& [valueName, value] : view->values) {
    if (emu::FoldCase(valueName) != wanted)
      continue;
    DWORD storedType = REG_SZ;
    const std::vector<std::uint8_t> bytes = StoredBytes(value, storedType);
    if (type)
      *type = storedType;
    const bool fits = dataSize && bytes.size() <= *dataSize;
    if (dataSize)
      *dataSize = static_cast<DWORD>(bytes.size());
    if (!data)
      return ERROR_SUCCESS;
    if (!fits)
      return static_cast<LSTATUS>(ERROR_MORE_DATA);
    std::memcpy(data, bytes.data(), bytes.size());
    return ERROR_SUCCESS;
  }
  return static_cast<LSTATUS>(ERROR_FILE_NOT_FOUND);
}

LSTATUS RegCloseKey(HKEY key) {
  std::lock_guard lock(keysMutex);
  return OpenKeys().erase(key) ? ERROR_SUCCESS : kInvalidHandle;
}

}  // namespace platform
