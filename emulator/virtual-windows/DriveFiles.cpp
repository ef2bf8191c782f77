// Files of the virtual C: drive opened by handle: CreateFileW on a drive path, the handle's
// attributes and link count, deletion when the last handle closes, appending writes, and the
// handles left open. A link the laptop lays on the drive is a real link of the drive's folder,
// so opening follows it as Windows follows one, unless FILE_FLAG_OPEN_REPARSE_POINT asks for
// the link itself. Each deletion and write is a "file" transcript line.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <set>

#include "emu/Faults.h"
#include "emu/OpenHandles.h"
#include "emu/Transcript.h"
#include "emu/VirtualDrive.h"
#include "platform/File.h"
#include "platform/LastError.h"

namespace emu {

namespace {

namespace fs = std::filesystem;

struct DriveFile {
  std::string windowsPath;
  std::string hostPath;  // the link itself, or where a followed link leads
  bool onLink = false;
  DWORD access = 0;
  bool deleteOnClose = false;
};

std::mutex filesMutex;
std::set<DriveFile*> files;

constexpr DWORD ERROR_INVALID_FUNCTION = 1;

platform::HANDLE Fail(DWORD error) {
  platform::SetLastError(error);
  return platform::INVALID_HANDLE_VALUE;
}

// The open file of a handle; null with ERROR_INVALID_HANDLE for any other.
DriveFile* Find(platform::HANDLE handle) {
  auto* file = static_cast<DriveFile*>(handle);
  if (files.count(file))
    return file;
  platform::SetLastError(ERROR_INVALID_HANDLE);
  return nullptr;
}

bool Refuse(DWORD error) {
  platform::SetLastError(error);
  return false;
}

// An injected failure of the call at the file: set as the call's error.
bool Injected(emu::FaultRef call, const std::string& path) {
  const auto error = emu::InjectedFault(call, path);
  return error && !Refuse(static_cast<DWORD>(*error));
}

}  // namespace

platform::HANDLE OpenDriveFile(const std::string& path, DWORD access, DWORD disposition,
                               DWORD flags) {
  using namespace platform;
  const std::string host = VirtualDrive::Instance().HostPath(path);
  std::error_code ec;
  if (host.empty() || !fs::is_directory(fs::path(host).parent_path(), ec))
    return Fail(ERROR_PATH_NOT_FOUND);
  if (disposition != OPEN_EXISTING && disposition != OPEN_ALWAYS)
    return Fail(ERROR_INVALID_PARAMETER);  // the plug-in creates no file any other way
  auto file = std::make_unique<DriveFile>();
  file->windowsPath = path;
  file->access = access;
  file->hostPath = host;
  if (fs::is_symlink(fs::symlink_status(host, ec))) {
    if (flags & FILE_FLAG_OPEN_REPARSE_POINT)
      file->onLink = true;
    else if (fs::exists(host, ec))
      file->hostPath = fs::canonical(host, ec).string();
    else
      return Fail(ERROR_FILE_NOT_FOUND);  // a link to nothing
  }
  if (!file->onLink) {
    if (fs::is_directory(file->hostPath, ec))
      return Fail(ERROR_ACCESS_DENIED);  // a folder opens only with backup semantics
    if (!fs::exists(file->hostPath, ec)) {
      if (disposition == OPEN_EXISTING)
        return Fail(ERROR_FILE_NOT_FOUND);
      std::ofstream created(file->hostPath, std::ios::binary);
      if (!created)
        return Fail(ERROR_ACCESS_DENIED);
    }
  }
  std::lock_guard lock(filesMutex);
  return *files.insert(file.release()).first;
}

bool CloseDriveFile(void* handle) {
  std::unique_ptr<DriveFile> file;
  {
    std::lock_guard lock(filesMutex);
    auto* found = static_cast<DriveFile*>(handle);
    if (!files.count(found))
      return false;  // not a file: CloseHandle asks the other kinds
    file.reset(found);
    files.erase(file.get());
  }
  std::error_code ec;
  if (file->deleteOnClose && fs::remove(file->hostPath, ec))
    Transcript::Instance().Write("file", {{"op", "deleted"}, {"path", file->windowsPath}});
  return true;
}

std::vector<std::string> OpenDriveFiles() {
  std::lock_guard lock(filesMutex);
  std::vector<std::string> open;
  for (const auto* file : files)
    open.push_back(file->windowsPath);
  std::sort(open.begin(), open.end());
  return open;
}

}  // namespace emu

namespace platform {

bool GetFileInformationByHandle(HANDLE handle, BY_HANDLE_FILE_INFORMATION& info) {
  std::lock_guard lock(emu::filesMutex);
  const auto* file = emu::Find(handle);
  if (!file || emu::Injected(emu::FaultOf("GetFileInformationByHandle"), file->windowsPath))
    return false;
  std::error_code ec;
  if (file->onLink) {
    info.dwFileAttributes = FILE_ATTRIBUTE_REPARSE_POINT;
    info.nNumberOfLinks = 1;
  } else {
    constexpr DWORD FILE_ATTRIBUTE_ARCHIVE = 0x20;
    info.dwFileAttributes = FILE_ATTRIBUTE_ARCHIVE;
    info.nNumberOfLinks = static_cast<DWORD>(std::filesystem::hard_link_count(file->hostPath, ec));
  }
  return true;
}

bool SetFileInformationByHandle(HANDLE handle, const FILE_DISPOSITION_INFO& info) {
  std::lock_guard lock(emu::filesMutex);
  auto* file = emu::Find(handle);
  if (!file)
    return false;
  if ((file->access & DELETE) == 0)
    return emu::Refuse(ERROR_ACCESS_DENIED);
  if (emu::Injected(emu::FaultOf("SetFileInformationByHandle"), file->windowsPath))
    return false;
  file->deleteOnClose = info.deleteFile;
  return true;
}

bool WriteFile(HANDLE handle, const void* data, DWORD size, DWORD* written) {
  if (written)
    *written = 0;
  std::string path;
  std::string host;
  {
    std::lock_guard lock(emu::filesMutex);
    const auto* file = emu::Find(handle);
    if (!file)
      return false;
    if ((file->access & (FILE_APPEND_DATA | GENERIC_WRITE)) == 0)
      return emu::Refuse(ERROR_ACCESS_DENIED);
    if (file->onLink)
      return emu::Refuse(emu::ERROR_INVALID_FUNCTION);  // a link holds no data to write to
    path = file->windowsPath;
    host = file->hostPath;
  }
  if (emu::Injected(emu::FaultOf("WriteFile"), path))
    return false;
  std::ofstream out(host, std::ios::binary | std::ios::app);
  out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
  if (!out)
    return emu::Refuse(ERROR_ACCESS_DENIED);
  if (written)
    *written = size;
  emu::Transcript::Instance().Write("file", {{"op", "written"}, {"path", path}, {"bytes", size}});
  return true;
}

}  // namespace platform
