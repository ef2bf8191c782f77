// The rest of what the disk reader asks of the operating system, on a Linux machine and its
// real clock: locks, sleeps, the tick count, the WMI service (always running here), the
// device property look-up of the PCIe link (not available: the reader's failure path), the
// executable's path and the last error. No file is opened but a disk (LinuxStorage.cpp), so
// no file handle reaches the calls on file handles.
#include <pthread.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/Clock.h"
#include "platform/File.h"
#include "platform/LastError.h"
#include "platform/Mutex.h"
#include "platform/Service.h"
#include "platform/SetupApi.h"
#include "platform/Sleep.h"
#include "platform/Text.h"

namespace platform {

namespace {
thread_local DWORD lastError = 0;
char serviceManager;  // addresses that serve as the two service handles
char winmgmt;
}  // namespace

DWORD GetLastError() {
  return lastError;
}

void SetLastError(DWORD error) {
  lastError = error;
}

Mutex::Mutex() : impl_(new std::mutex()) {}
Mutex::~Mutex() {
  delete static_cast<std::mutex*>(impl_);
}
void Mutex::lock() {
  static_cast<std::mutex*>(impl_)->lock();
}
void Mutex::unlock() {
  static_cast<std::mutex*>(impl_)->unlock();
}
bool Mutex::try_lock() {
  return static_cast<std::mutex*>(impl_)->try_lock();
}

bool Sleep(std::uint32_t milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
  return true;
}

std::uint64_t GetTickCount64() {
  timespec now{};
  clock_gettime(CLOCK_BOOTTIME, &now);
  return static_cast<std::uint64_t>(now.tv_sec) * 1000 +
         static_cast<std::uint64_t>(now.tv_nsec) / 1000000;
}

SC_HANDLE OpenSCManagerW(DWORD) {
  return &serviceManager;
}

SC_HANDLE OpenServiceW(SC_HANDLE manager, const std::wstring& name, DWORD) {
  if (manager != &serviceManager || name != L"Winmgmt") {
    SetLastError(1060);  // ERROR_SERVICE_DOES_NOT_EXIST
    return nullptr;
  }
  return &winmgmt;
}

bool QueryServiceStatus(SC_HANDLE service, DWORD& currentState) {
  if (service != &winmgmt)
    return false;
  currentState = SERVICE_RUNNING;
  return true;
}

bool StartServiceW(SC_HANDLE service) {
  return service == &winmgmt;
}

bool CloseServiceHandle(SC_HANDLE handle) {
  return handle == &serviceManager || handle == &winmgmt;
}

bool CreateProcessHidden(const std::wstring&, const std::wstring&) {
  SetLastError(ERROR_FILE_NOT_FOUND);
  return false;
}

HDEVINFO SetupDiGetClassDevsForInstanceW(const std::wstring&) {
  SetLastError(ERROR_FILE_NOT_FOUND);
  return INVALID_HANDLE_VALUE_DEVINFO;
}

bool SetupDiEnumDeviceInfo(HDEVINFO, DWORD, SP_DEVINFO_DATA&) {
  SetLastError(ERROR_NO_MORE_ITEMS);
  return false;
}

bool SetupDiGetDevicePropertyW(HDEVINFO, const SP_DEVINFO_DATA&, const DEVPROPKEY&, DWORD*,
                               std::uint8_t*, DWORD, DWORD*) {
  SetLastError(ERROR_INVALID_HANDLE);
  return false;
}

bool SetupDiDestroyDeviceInfoList(HDEVINFO) {
  return true;
}

std::string GetProcessExecutablePathA() {
  std::vector<char> path(4096);
  const ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size() - 1);
  return n > 0 ? std::string(path.data(), static_cast<std::size_t>(n)) : std::string();
}

std::wstring GetSystemDirectoryW() {
  return L"";  // no Windows system folder: nothing is started from it
}

std::wstring GetProcessExecutablePathW() {
  return Utf8ToWide(GetProcessExecutablePathA());
}

bool GetFileInformationByHandle(HANDLE, BY_HANDLE_FILE_INFORMATION&) {
  SetLastError(ERROR_INVALID_HANDLE);
  return false;
}

bool SetFileInformationByHandle(HANDLE, const FILE_DISPOSITION_INFO&) {
  SetLastError(ERROR_INVALID_HANDLE);
  return false;
}

bool WriteFile(HANDLE, const void*, DWORD, DWORD*) {
  SetLastError(ERROR_INVALID_HANDLE);
  return false;
}

void ShowMessageBox(const std::string& text) {
  std::fprintf(stderr, "%s\n", text.c_str());
}

}  // namespace platform
