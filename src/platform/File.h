#pragma once
// Files, by Windows path ("C:\\Program Files\\..."). On the emulator the C: drive is a
// folder of the virtual laptop.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Handle.h"

namespace platform {

constexpr DWORD GENERIC_READ = 0x80000000;
constexpr DWORD GENERIC_WRITE = 0x40000000;
constexpr DWORD DELETE = 0x00010000;
constexpr DWORD FILE_APPEND_DATA = 0x0004;
constexpr DWORD FILE_SHARE_READ = 0x00000001;
constexpr DWORD FILE_SHARE_WRITE = 0x00000002;
constexpr DWORD FILE_SHARE_DELETE = 0x00000004;
constexpr DWORD OPEN_EXISTING = 3;
constexpr DWORD OPEN_ALWAYS = 4;
constexpr DWORD FILE_FLAG_WRITE_THROUGH = 0x80000000;
constexpr DWORD FILE_FLAG_OPEN_REPARSE_POINT = 0x00200000;
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr DWORD FILE_ATTRIBUTE_REPARSE_POINT = 0x400;

// CreateFileW(path, access, share, nullptr, disposition, flagsAndAttributes, nullptr):
// a file, or a device ("\\\\.\\..."); INVALID_HANDLE_VALUE on failure. With
// FILE_FLAG_OPEN_REPARSE_POINT a link in the last part of the path is opened itself, not
// followed (links in the folders on the way are followed, as Windows does).
HANDLE CreateFileW(const std::wstring& path, DWORD access, DWORD share, DWORD disposition,
                   DWORD flagsAndAttributes = 0);

// The fields of BY_HANDLE_FILE_INFORMATION the callers read.
struct BY_HANDLE_FILE_INFORMATION {
  DWORD dwFileAttributes = 0;
  DWORD nNumberOfLinks = 0;
};
bool GetFileInformationByHandle(HANDLE file, BY_HANDLE_FILE_INFORMATION& info);

// SetFileInformationByHandle(file, FileDispositionInfo, &info, sizeof info): with deleteFile
// the file goes when its last handle closes. The handle needs DELETE access.
struct FILE_DISPOSITION_INFO {
  bool deleteFile = false;
};
bool SetFileInformationByHandle(HANDLE file, const FILE_DISPOSITION_INFO& info);

// WriteFile, synchronous; at the end of the file for a handle opened with FILE_APPEND_DATA.
bool WriteFile(HANDLE file, const void* data, DWORD size, DWORD* written);

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

// GetModuleFileNameA(nullptr): the full path of the process's executable in the ANSI code
// page (a character the code page lacks becomes "?"); empty on failure.
std::string GetProcessExecutablePathA();
// GetModuleFileNameW(nullptr): the same path in full; empty on failure.
std::wstring GetProcessExecutablePathW();

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

// MessageBoxA with the text (the debug level that asks for it is never set by the plug-in).
void ShowMessageBox(const std::string& text);

}  // namespace platform
