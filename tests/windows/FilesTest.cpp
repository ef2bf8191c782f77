// The win32 backend's files, under wine: sizes and bytes read back, appending (in text mode,
// as the C runtime on Windows does), deleting, and the error numbers Windows gives for a file
// that is not there, and folder searches.
#include <gtest/gtest.h>

#include <vector>

#include "platform/File.h"

// After the platform headers (see backends/win32/Win32.h).
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

TEST(Win32Files, AppendReadSizeAndDelete) {
  const std::string path = TempPath("fd-files-test.txt");
  platform::DeleteFileA(path);
  ASSERT_TRUE(platform::AppendToFile(path, "first line\n"));
  ASSERT_TRUE(platform::AppendToFile(path, "second\n"));
  EXPECT_TRUE(platform::PathFileExistsA(path));
  EXPECT_TRUE(platform::PathFileExistsW(Wide(path)));
  // fopen's "a" is text mode on Windows: each line end is written as CR LF.
  std::uint64_t size = 0;
  ASSERT_TRUE(platform::GetFileSizeByPath(Wide(path), size));
  EXPECT_EQ(size, 20u);
  const auto bytes = platform::ReadFileBytes(Wide(path), size);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "first line\r\nsecond\r\n");
  EXPECT_EQ(platform::ReadFileBytes(Wide(path), 5).size(), 5u);  // no more than asked
  EXPECT_TRUE(platform::DeleteFileA(path));
  EXPECT_FALSE(platform::PathFileExistsA(path));
}

TEST(Win32Files, AMissingFileGivesWindowsErrors) {
  const std::string path = TempPath("fd-no-such-file.bin");
  std::uint64_t size = 7;
  EXPECT_FALSE(platform::GetFileSizeByPath(Wide(path), size));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(size, 7u);
  EXPECT_TRUE(platform::ReadFileBytes(Wide(path), 100).empty());
  EXPECT_FALSE(platform::DeleteFileA(path));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  const std::string exe = platform::GetProcessExecutablePathA();
  EXPECT_NE(exe.find("fd_windows_tests.exe"), std::string::npos) << exe;
}

TEST(Win32Files, AFolderSearchGivesWindowsEntriesAndErrors) {
  const std::string folder = TempPath("fd-search-test");
  CreateDirectoryA(folder.c_str(), nullptr);
  ASSERT_TRUE(platform::AppendToFile(folder + "\\setup.exe", "x"));
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
  platform::DeleteFileA(folder + "\\setup.exe");
  RemoveDirectoryA(folder.c_str());
}

}  // namespace
