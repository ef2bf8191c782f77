// Files over Win32: opening, the handle's information and disposition, writing, the
// executable's path, existence, size, reading, folder searches, and the message box the
// reader's highest debug level asks for. Errors stay in GetLastError as Windows sets them.
#include <algorithm>

#include "platform/File.h"

#include "Win32.h"

namespace platform {

namespace {

// The handle closes with the scope.
struct OwnedHandle {
  HANDLE h;
  explicit OwnedHandle(HANDLE handle) : h(handle) {}
  ~OwnedHandle() {
    if (h != INVALID_HANDLE_VALUE)
      CloseHandle(h);
  }
  OwnedHandle(const OwnedHandle&) = delete;
  OwnedHandle& operator=(const OwnedHandle&) = delete;
};

void CopyFound(const ::WIN32_FIND_DATAW& found, WIN32_FIND_DATAW& data) {
  data.dwFileAttributes = found.dwFileAttributes;
  std::copy(found.cFileName, found.cFileName + MAX_PATH, data.cFileName);
  data.cFileName[MAX_PATH - 1] = L'\0';
}

}  // namespace

std::string GetProcessExecutablePathA() {
  char path[MAX_PATH * 4];
  const DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
  return n > 0 && n < sizeof path ? std::string(path, n) : std::string();
}

std::wstring GetProcessExecutablePathW() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {  // a long path needs a larger buffer than MAX_PATH
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0)
      return L"";
    if (n < path.size())
      return path.substr(0, n);
    if (path.size() >= 32768)
      return L"";
    path.resize(path.size() * 2);
  }
}

HANDLE CreateFileW(const std::wstring& path, DWORD access, DWORD share, DWORD disposition,
                   DWORD flagsAndAttributes) {
  return ::CreateFileW(path.c_str(), access, share, nullptr, disposition, flagsAndAttributes,
                       nullptr);
}

bool GetFileInformationByHandle(HANDLE file, BY_HANDLE_FILE_INFORMATION& info) {
  ::BY_HANDLE_FILE_INFORMATION full;
  if (!::GetFileInformationByHandle(file, &full))
    return false;
  info.dwFileAttributes = full.dwFileAttributes;
  info.nNumberOfLinks = full.nNumberOfLinks;
  return true;
}

bool SetFileInformationByHandle(HANDLE file, const FILE_DISPOSITION_INFO& info) {
  // Its one field is named DeleteFile, which <windows.h> renames as a macro: set by position.
  ::FILE_DISPOSITION_INFO disposition{static_cast<BOOLEAN>(info.deleteFile ? TRUE : FALSE)};
  return ::SetFileInformationByHandle(file, FileDispositionInfo, &disposition,
                                      sizeof disposition) != 0;
}

bool WriteFile(HANDLE file, const void* data, DWORD size, DWORD* written) {
  DWORD bytes = 0;
  const BOOL ok = ::WriteFile(file, data, size, &bytes, nullptr);
  if (written)
    *written = bytes;
  return ok != 0;
}

std::wstring GetSystemDirectoryW() {
  wchar_t path[MAX_PATH];
  const UINT n = ::GetSystemDirectoryW(path, MAX_PATH);
  return n > 0 && n < MAX_PATH ? std::wstring(path, n) : std::wstring();
}

bool PathFileExistsA(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool PathFileExistsW(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool GetFileSizeByPath(const std::wstring& path, std::uint64_t& size) {
  OwnedHandle file(
      ::CreateFileW(path.c_str(), 0, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.h == INVALID_HANDLE_VALUE)
    return false;
  LARGE_INTEGER bytes;
  if (!GetFileSizeEx(file.h, &bytes))
    return false;
  size = static_cast<std::uint64_t>(bytes.QuadPart);
  return true;
}

std::vector<std::uint8_t> ReadFileBytes(const std::wstring& path, std::uint64_t size) {
  OwnedHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.h == INVALID_HANDLE_VALUE)
    return {};
  std::vector<std::uint8_t> bytes;
  std::uint8_t chunk[64 * 1024];
  while (bytes.size() < size) {
    const auto want =
        static_cast<DWORD>(std::min<std::uint64_t>(sizeof chunk, size - bytes.size()));
    DWORD got = 0;
    if (!::ReadFile(file.h, chunk, want, &got, nullptr) || got == 0)
      break;
    bytes.insert(bytes.end(), chunk, chunk + got);
  }
  return bytes;
}

// A search's handle is Windows's own; the record keeps the fields the callers read.
HANDLE FindFirstFileW(const std::wstring& pattern, WIN32_FIND_DATAW& data) {
  ::WIN32_FIND_DATAW found;
  const HANDLE search = ::FindFirstFileW(pattern.c_str(), &found);
  if (search != INVALID_HANDLE_VALUE)
    CopyFound(found, data);
  return search;
}

bool FindNextFileW(HANDLE search, WIN32_FIND_DATAW& data) {
  ::WIN32_FIND_DATAW found;
  if (!::FindNextFileW(search, &found))
    return false;
  CopyFound(found, data);
  return true;
}

bool FindClose(HANDLE search) {
  return ::FindClose(search) != 0;
}

void ShowMessageBox(const std::string& text) {
  MessageBoxA(nullptr, text.c_str(), "", MB_OK);
}

}  // namespace platform
