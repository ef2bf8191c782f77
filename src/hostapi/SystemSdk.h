#pragma once
// The hardware library's helpers for processes, services and files.
#include <string>
#include <vector>

// True while a process of that executable name ("Setup.exe", letter case ignored) runs.
bool IsProcessRunning(const std::wstring& processName);
// Ends the processes of that executable name; true when one was ended.
bool KillProcByName(const std::wstring& processName);

// True while the service runs.
bool IsServiceRunning(const std::wstring& serviceName);
// True when the service was started.
bool StartServiceByName(const std::wstring& serviceName);
void StopServiceByName(const std::wstring& serviceName);

class CFileProcess {
 public:
  CFileProcess();
  ~CFileProcess();
  // The full paths of the folder's files with that extension (".exe"), by name.
  std::vector<std::wstring> GetTypeFiles(const std::wstring& folder, const std::wstring& extension);
};
