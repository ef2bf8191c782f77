// The host's registry helper and file helpers over the virtual laptop.
#include "hostapi/Registry.h"

#include "emu/Laptop.h"
#include "emu/Transcript.h"
#include "emu/VirtualDrive.h"
#include "emu/VirtualRegistry.h"
#include "hostapi/StringConv.h"
#include "platform/LastError.h"
#include "platform/Text.h"

namespace DE {

namespace {

std::string KeyPath(HKEY root, const std::wstring& key) {
  std::string path = UnicodeToUTF8(key);
  while (!path.empty() && path.front() == '\\')
    path.erase(0, 1);
  const char* rootName = root == HKEY_LOCAL_MACHINE ? "HKLM" : "HKU";
  return std::string(rootName) + "\\" + path;
}

// A scripted failure of the operation, as a Windows error number (0: none).
bool Fails(const char* op) {
  const auto code = emu::Laptop::Instance().GetInt(std::string("registry_errors.") + op, 0);
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

}  // namespace

Registry::Registry() = default;
Registry::~Registry() = default;

void Registry::SetRootKey(HKEY root) {
  root_ = root;
}

bool Registry::KeyExists(const std::wstring& key) {
  return emu::VirtualRegistry::Instance().KeyExists(KeyPath(root_, key));
}

bool Registry::CreateKey(const std::wstring& key) {
  const std::string path = KeyPath(root_, key);
  if (Fails("create_key"))
    return false;
  emu::VirtualRegistry::Instance().CreateKey(path);
  Note("create_key", path);
  return true;
}

bool Registry::DeleteKey(const std::wstring& key) {
  const std::string path = KeyPath(root_, key);
  if (Fails("delete_key"))
    return false;
  if (!emu::VirtualRegistry::Instance().DeleteKey(path)) {
    platform::SetLastError(ERROR_FILE_NOT_FOUND);
    return false;
  }
  Note("delete_key", path);
  return true;
}

bool Registry::GetValue(HKEY root, const std::wstring& key, const std::wstring& name, DWORD& value,
                        DWORD) {
  if (Fails("get_value"))
    return false;
  const auto stored =
      emu::VirtualRegistry::Instance().GetValue(KeyPath(root, key), UnicodeToUTF8(name));
  if (!stored || !stored->is_number_integer())
    return false;
  value = static_cast<DWORD>(stored->get<std::int64_t>());
  return true;
}

bool Registry::GetValue(HKEY root, const std::wstring& key, const std::wstring& name,
                        std::wstring& value, DWORD) {
  if (Fails("get_value"))
    return false;
  const auto stored =
      emu::VirtualRegistry::Instance().GetValue(KeyPath(root, key), UnicodeToUTF8(name));
  if (!stored)
    return false;
  if (stored->is_object() && stored->contains("REG_EXPAND_SZ") &&
      (*stored)["REG_EXPAND_SZ"].is_string()) {
    value = platform::Utf8ToWide((*stored)["REG_EXPAND_SZ"].get<std::string>());
    return true;
  }
  if (!stored->is_string())
    return false;
  value = platform::Utf8ToWide(stored->get<std::string>());
  return true;
}

bool Registry::SetValue(HKEY root, const std::wstring& key, const std::wstring& name, DWORD value,
                        DWORD) {
  const std::string path = KeyPath(root, key);
  if (Fails("set_value"))
    return false;
  if (!emu::VirtualRegistry::Instance().SetValue(path, UnicodeToUTF8(name), value))
    return false;
  Note("set_value", path, {{"name", UnicodeToUTF8(name)}, {"type", "REG_DWORD"}, {"value", value}});
  return true;
}

bool Registry::SetValue(HKEY root, const std::wstring& key, const std::wstring& name,
                        const std::wstring& value, DWORD) {
  const std::string path = KeyPath(root, key);
  if (Fails("set_value"))
    return false;
  const std::string text = UnicodeToUTF8(value);
  if (!emu::VirtualRegistry::Instance().SetValue(path, UnicodeToUTF8(name), text))
    return false;
  Note("set_value", path, {{"name", UnicodeToUTF8(name)}, {"type", "REG_SZ"}, {"value", text}});
  return true;
}

bool FileExists(const std::wstring& path) {
  return emu::VirtualDrive::Instance().Exists(UnicodeToUTF8(path));
}

}  // namespace DE

bool CReadReg::SetExpandStringValue(const std::wstring& key, const std::wstring& name,
                                    const std::wstring& data) {
  const std::string path = DE::KeyPath(DE::HKEY_LOCAL_MACHINE, key);
  if (DE::Fails("set_value"))
    return false;
  auto& registry = emu::VirtualRegistry::Instance();
  if (!registry.KeyExists(path)) {
    registry.CreateKey(path);
    DE::Note("create_key", path);
  }
  const std::string text = DE::UnicodeToUTF8(data);
  registry.SetValue(path, DE::UnicodeToUTF8(name), {{"REG_EXPAND_SZ", text}});
  DE::Note("set_value", path,
           {{"name", DE::UnicodeToUTF8(name)}, {"type", "REG_EXPAND_SZ"}, {"value", text}});
  return true;
}

namespace ORBPROCESS::HELPER {

bool GetSelfFullFilePath(std::wstring& out, const std::wstring& relativePath) {
  std::string dir = emu::Laptop::Instance().GetString("host.plugin_dir", "");
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
