// The win32 backend's files, under wine: appending through a handle, sizes and bytes read
// back, a second name's link count, deleting by disposition, the error numbers Windows gives
// for a file that is not there, and folder searches.
#include <gtest/gtest.h>

#include <vector>

#include "platform/File.h"

// After the platform headers (see backends/win32/Win32.h); below, the SDK's macros name the
// seam's constants.
#include <windows.h>

namespace {

std::string TempPath(const char* name) {
  char folder[MAX_PATH];
  GetTempPathA(MAX_PATH, folder);
  return std::string(folder) + name;
}

std::wstring Wide(const std::string& text) {
  return std::wstring(text.begin(), text.end());  // the temp path is ASCII here
}

// Appends through a fresh handle each time, as the disk reader's debug log does.
bool Append(const std::string& path, const std::string& text) {
  const platform::HANDLE file = platform::CreateFileW(Wide(path), FILE_APPEND_DATA, FILE_SHARE_READ,
                                                      OPEN_ALWAYS, FILE_FLAG_OPEN_REPARSE_POINT);
  if (file == INVALID_HANDLE_VALUE)
    return false;
  DWORD written = 0;
  const bool ok = platform::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written);
  platform::CloseHandle(file);
  return ok && written == text.size();
}

// Deletes through the handle's disposition; the file goes with the handle.
bool Delete(const std::string& path) {
  const platform::HANDLE file = platform::CreateFileW(Wide(path), DELETE, FILE_SHARE_READ,
                                                      OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT);
  if (file == INVALID_HANDLE_VALUE)
    return false;
  platform::FILE_DISPOSITION_INFO disposition;
  disposition.deleteFile = true;
  const bool ok = platform::SetFileInformationByHandle(file, disposition);
  platform::CloseHandle(file);
  return ok;
}

DWORD LinksOf(const std::string& path) {
  const platform::HANDLE file =
      platform::CreateFileW(Wide(path), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING,
                            FILE_FLAG_OPEN_REPARSE_POINT);
  platform::BY_HANDLE_FILE_INFORMATION info;
  const bool ok = file != INVALID_HANDLE_VALUE && platform::GetFileInformationByHandle(file, info);
  if (file != INVALID_HANDLE_VALUE)
    platform::CloseHandle(file);
  return ok ? info.nNumberOfLinks : 0;
}

TEST(Win32Files, AppendReadSizeLinksAndDelete) {
  const std::string path = TempPath("fd-files-test.txt");
  const std::string second = TempPath("fd-files-test-second-name.txt");
  Delete(path);
  Delete(second);
  ASSERT_TRUE(Append(path, "first line\n"));
  ASSERT_TRUE(Append(path, "second\n"));
  EXPECT_TRUE(platform::PathFileExistsA(path));
  EXPECT_TRUE(platform::PathFileExistsW(Wide(path)));
  // WriteFile writes the bytes as they are (no text mode).
  std::uint64_t size = 0;
  ASSERT_TRUE(platform::GetFileSizeByPath(Wide(path), size));
  EXPECT_EQ(size, 18u);
  const auto bytes = platform::ReadFileBytes(Wide(path), size);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "first line\nsecond\n");
  EXPECT_EQ(platform::ReadFileBytes(Wide(path), 5).size(), 5u);  // no more than asked
  EXPECT_EQ(LinksOf(path), 1u);
  ASSERT_TRUE(CreateHardLinkA(second.c_str(), path.c_str(), nullptr));
  EXPECT_EQ(LinksOf(path), 2u);
  EXPECT_TRUE(Delete(second));
  EXPECT_EQ(LinksOf(path), 1u);
  EXPECT_TRUE(Delete(path));
  EXPECT_FALSE(platform::PathFileExistsA(path));
}

TEST(Win32Files, AMissingFileGivesWindowsErrors) {
  const std::string path = TempPath("fd-no-such-file.bin");
  std::uint64_t size = 7;
  EXPECT_FALSE(platform::GetFileSizeByPath(Wide(path), size));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(size, 7u);
  EXPECT_TRUE(platform::ReadFileBytes(Wide(path), 100).empty());
  EXPECT_FALSE(Delete(path));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  const std::string exe = platform::GetProcessExecutablePathA();
  EXPECT_NE(exe.find("fd_windows_tests.exe"), std::string::npos) << exe;
  const std::wstring wide = platform::GetProcessExecutablePathW();
  EXPECT_EQ(wide, Wide(exe)) << "the test's folder is ASCII";
}

TEST(Win32Files, AFolderSearchGivesWindowsEntriesAndErrors) {
  const std::string folder = TempPath("fd-search-test");
  CreateDirectoryA(folder.c_str(), nullptr);
  ASSERT_TRUE(Append(folder + "\\setup.exe", "x"));
  platform::WIN32_FIND_DATAW found;
  platform::HANDLE search = platform::FindFirstFileW(Wide(folder) + L"\\*", found);
  ASSERT_NE(search, INVALID_HANDLE_VALUE);
  // Windows lists "." and ".." as folders besides the file. (INVALID_HANDLE_VALUE and
  // FILE_ATTRIBUTE_DIRECTORY are the SDK's macros here, of the seam's values.)
  std::vector<std::wstring> files;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
      files.push_back(found.cFileName);
  } while (platform::FindNextFileW(search, found));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES));
  EXPECT_TRUE(platform::FindClose(search));
  EXPECT_EQ(files, std::vector<std::wstring>{L"setup.exe"});
  EXPECT_EQ(platform::FindFirstFileW(Wide(folder) + L"\\nowhere\\*", found), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  Delete(folder + "\\setup.exe");
  RemoveDirectoryA(folder.c_str());
}

}  // namespace
