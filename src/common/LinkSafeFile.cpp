#include "common/LinkSafeFile.h"

#include <atomic>

#include "common/Log.h"
#include "hostapi/StringConv.h"
#include "platform/File.h"

namespace common {

namespace {

using platform::HANDLE;

std::atomic<bool> refusalLogged{false};

// The handle closes with the scope.
struct FileHandle {
  HANDLE h;
  ~FileHandle() {
    if (h != platform::INVALID_HANDLE_VALUE)
      platform::CloseHandle(h);
  }
};

// Opens the path without following a link in its last part. INVALID_HANDLE_VALUE when it
// cannot be opened or is refused; refused tells which.
HANDLE OpenUnlinked(const std::wstring& path, DWORD access, DWORD disposition, DWORD flags,
                    bool& refused) {
  refused = false;
  const HANDLE file = platform::CreateFileW(
      path, access,
      platform::FILE_SHARE_READ | platform::FILE_SHARE_WRITE | platform::FILE_SHARE_DELETE,
      disposition, platform::FILE_FLAG_OPEN_REPARSE_POINT | flags);
  if (file == platform::INVALID_HANDLE_VALUE)
    return file;
  platform::BY_HANDLE_FILE_INFORMATION info;
  if (!platform::GetFileInformationByHandle(file, info)) {
    platform::CloseHandle(file);
    return platform::INVALID_HANDLE_VALUE;
  }
  if ((info.dwFileAttributes & platform::FILE_ATTRIBUTE_REPARSE_POINT) == 0 &&
      info.nNumberOfLinks == 1)
    return file;
  refused = true;
  platform::CloseHandle(file);
  return platform::INVALID_HANDLE_VALUE;
}

bool FirstRefusal() {
  return !refusalLogged.exchange(true);
}

std::string RefusalText(const char* what, const std::wstring& path) {
  return std::string("refused to ") + what + " " + DE::UnicodeToUTF8(path) +
         ": a link or a file with more than one name";
}

}  // namespace

bool DeleteLinkSafe(const std::wstring& path) {
  bool refused = false;
  FileHandle file{OpenUnlinked(path, platform::DELETE, platform::OPEN_EXISTING, 0, refused)};
  if (refused && FirstRefusal())
    LOG_WARN(RefusalText("delete", path));
  if (file.h == platform::INVALID_HANDLE_VALUE)
    return false;
  platform::FILE_DISPOSITION_INFO disposition;
  disposition.deleteFile = true;
  return platform::SetFileInformationByHandle(file.h, disposition);
}

bool AppendLinkSafe(const std::wstring& path, const std::string& text) {
  bool refused = false;
  FileHandle file{OpenUnlinked(path, platform::FILE_APPEND_DATA, platform::OPEN_ALWAYS,
                               platform::FILE_FLAG_WRITE_THROUGH, refused)};
  if (refused && FirstRefusal())
    LOG_WARN(RefusalText("write", path));
  if (file.h == platform::INVALID_HANDLE_VALUE)
    return false;
  DWORD written = 0;
  return platform::WriteFile(file.h, text.data(), static_cast<DWORD>(text.size()), &written) &&
         written == text.size();
}

}  // namespace common
