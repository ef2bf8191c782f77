// Folder searches on the virtual C: drive: a search lists the folder's files when it starts,
// in name order, and hands them out one by one.
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "emu/VirtualDrive.h"
#include "hostapi/StringConv.h"
#include "platform/File.h"
#include "platform/LastError.h"
#include "platform/Text.h"

namespace {

struct Search {
  std::vector<std::wstring> names;
  std::size_t next = 0;
};

std::mutex searchesMutex;
std::map<void*, std::unique_ptr<Search>>& Searches() {
  static auto* searches = new std::map<void*, std::unique_ptr<Search>>();
  return *searches;
}

bool Fill(Search& search, platform::WIN32_FIND_DATAW& data) {
  if (search.next >= search.names.size()) {
    platform::SetLastError(ERROR_NO_MORE_FILES);
    return false;
  }
  const std::wstring name = search.names[search.next++].substr(0, 259);
  data = platform::WIN32_FIND_DATAW{};
  std::copy(name.begin(), name.end(), data.cFileName);
  return true;
}

}  // namespace

namespace platform {

HANDLE FindFirstFileW(const std::wstring& pattern, WIN32_FIND_DATAW& data) {
  std::string folder = DE::UnicodeToUTF8(pattern);
  if (folder.size() < 2 || folder.compare(folder.size() - 2, 2, "\\*") != 0) {
    SetLastError(ERROR_INVALID_PARAMETER);  // only "folder\*" searches are made here
    return INVALID_HANDLE_VALUE;
  }
  folder.resize(folder.size() - 2);
  auto& drive = emu::VirtualDrive::Instance();
  if (!drive.IsFolder(folder)) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  auto search = std::make_unique<Search>();
  for (const auto& path : drive.List(folder))
    search->names.push_back(Utf8ToWide(path.substr(path.rfind('\\') + 1)));
  if (!Fill(*search, data)) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  void* handle = search.get();
  std::lock_guard lock(searchesMutex);
  Searches().emplace(handle, std::move(search));
  return handle;
}

bool FindNextFileW(HANDLE search, WIN32_FIND_DATAW& data) {
  std::lock_guard lock(searchesMutex);
  auto it = Searches().find(search);
  if (it == Searches().end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  return Fill(*it->second, data);
}

bool FindClose(HANDLE search) {
  std::lock_guard lock(searchesMutex);
  if (Searches().erase(search) == 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  return true;
}

}  // namespace platform
