#pragma once
// Files, by Windows path ("C:\\Program Files\\..."). On the emulator the C: drive is a
// folder of the virtual laptop.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Handle.h"

namespace platform {

constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;

// The fields of WIN32_FIND_DATAW the callers read.
struct WIN32_FIND_DATAW {
  DWORD dwFileAttributes = 0;
  wchar_t cFileName[260] = {};
};

// FindFirstFileW(pattern, &data): pattern is a folder and "\\*" (every entry). Returns the
// search's handle, or INVALID_HANDLE_VALUE (-1) with ERROR_FILE_NOT_FOUND or
// ERROR_PATH_NOT_FOUND. FindNextFileW is false with ERROR_NO_MORE_FILES past the last entry.
HANDLE FindFirstFileW(const std::wstring& pattern, WIN32_FIND_DATAW& data);
bool FindNextFileW(HANDLE search, WIN32_FIND_DATAW& data);
bool FindClose(HANDLE search);

// GetModuleFileNameA(nullptr): the full path of the process's executable; empty on failure.
std::string GetProcessExecutablePathA();

// GetSystemDirectoryW: the system folder ("C:\\Windows\\System32"); empty on failure.
std::wstring GetSystemDirectoryW();

// PathFileExistsA / PathFileExistsW.
bool PathFileExistsA(const std::string& path);
bool PathFileExistsW(const std::wstring& path);

// CreateFileW with no access and no sharing (attributes only), GetFileSize, CloseHandle.
// False when the file cannot be opened.
bool GetFileSizeByPath(const std::wstring& path, std::uint64_t& size);

// Reads up to size bytes from the start of the file (a binary input stream); returns the
// bytes read, empty when the file cannot be opened.
std::vector<std::uint8_t> ReadFileBytes(const std::wstring& path, std::uint64_t size);

// DeleteFileA.
bool DeleteFileA(const std::string& path);

// fopen(path, "ac") and fputs: appends the text, creating the file.
bool AppendToFile(const std::string& path, const std::string& text);

// MessageBoxA with the text (the debug level that asks for it is never set by the plug-in).
void ShowMessageBox(const std::string& text);

}  // namespace platform
