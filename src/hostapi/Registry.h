#pragma once
// The host's registry helper (Util library).
#include <string>

#include "platform/WinTypes.h"

namespace DE {

using HKEY = void*;
inline HKEY const HKEY_LOCAL_MACHINE = reinterpret_cast<HKEY>(0x80000002);

class Registry {
 public:
  Registry();
  ~Registry();
  void SetRootKey(HKEY root);
  bool KeyExists(const std::wstring& key);
  bool CreateKey(const std::wstring& key);
  bool DeleteKey(const std::wstring& key);

  static bool GetValue(HKEY root, const std::wstring& key, const std::wstring& name, DWORD& value,
                       DWORD access);
  static bool GetValue(HKEY root, const std::wstring& key, const std::wstring& name,
                       std::wstring& value, DWORD access);
  static bool SetValue(HKEY root, const std::wstring& key, const std::wstring& name, DWORD value,
                       DWORD access);
  static bool SetValue(HKEY root, const std::wstring& key, const std::wstring& name,
                       const std::wstring& value, DWORD access);

 private:
  HKEY root_ = HKEY_LOCAL_MACHINE;
};

// True when the file exists.
bool FileExists(const std::wstring& path);

}  // namespace DE

// The hardware library's registry writer.
class CReadReg {
 public:
  // Writes an expandable string value (REG_EXPAND_SZ) under HKEY_LOCAL_MACHINE, creating the
  // key when it is missing; false when it cannot be written.
  static bool SetExpandStringValue(const std::wstring& key, const std::wstring& name,
                                   const std::wstring& data);
};

namespace ORBPROCESS::HELPER {
// The relative path resolved against the plug-in's directory.
bool GetSelfFullFilePath(std::wstring& out, const std::wstring& relativePath);
}  // namespace ORBPROCESS::HELPER
