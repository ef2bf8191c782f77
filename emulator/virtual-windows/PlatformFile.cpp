// Files on the virtual C: drive, the last-error slot, token privileges and firmware variables.
#include <filesystem>
#include <fstream>
#include <mutex>

#include "AnsiCodePage.h"
#include "emu/Faults.h"
#include "emu/Laptop.h"
#include "emu/Transcript.h"
#include "emu/VirtualDrive.h"
#include "hostapi/StringConv.h"
#include "platform/File.h"
#include "platform/LastError.h"
#include "platform/Security.h"
#include "platform/Text.h"

namespace emu {
bool CloseDeviceHandle(void* handle);   // StorageDevices.cpp
bool CloseProcessHandle(void* handle);  // PlatformProcess.cpp
bool CloseDriveFile(void* handle);      // DriveFiles.cpp
}  // namespace emu

namespace platform {

namespace {
thread_local DWORD lastError = 0;
constexpr DWORD ERROR_NO_SUCH_PRIVILEGE = 1313;
constexpr DWORD ERROR_PRIVILEGE_NOT_HELD = 1314;

using emu::FactOf;
using emu::FactType;
constexpr auto kHostExecutable = FactOf("host.executable", FactType::Text);
constexpr auto kOpenTokenError = FactOf("privileges.open_token_error", FactType::Integer);
constexpr auto kLookupError = FactOf("privileges.lookup_error", FactType::Integer);
constexpr auto kAdjustError = FactOf("privileges.adjust_error", FactType::Integer);
constexpr auto kFirmwareWriteError = FactOf("firmware.write_error", FactType::Integer);
constexpr auto kFirmwareVariable = FactOf("firmware.variables.*", FactType::Map);

std::string Utf8(const std::wstring& text) {
  return DE::UnicodeToUTF8(text);
}

// A scripted failure: the error number at the path, 0 for none.
bool Fails(emu::FactRef fact) {
  const auto code = emu::Laptop::Instance().Int(fact);
  if (code == 0)
    return false;
  SetLastError(static_cast<DWORD>(code));
  return true;
}
}  // namespace

DWORD GetLastError() {
  return lastError;
}
void SetLastError(DWORD error) {
  lastError = error;
}

// The A calls speak the ANSI code page; the drive and the laptop's facts speak UTF-8.
std::string GetProcessExecutablePathA() {
  return ansi::FromWide(platform::Utf8ToWide(emu::Laptop::Instance().Text(kHostExecutable)));
}

std::wstring GetProcessExecutablePathW() {
  if (const auto error = emu::InjectedFault(emu::FaultOf("GetModuleFileNameW"))) {
    SetLastError(static_cast<DWORD>(*error));
    return L"";
  }
  return platform::Utf8ToWide(emu::Laptop::Instance().Text(kHostExecutable));
}

std::wstring GetSystemDirectoryW() {
  if (const auto error = emu::InjectedFault(emu::FaultOf("GetSystemDirectoryW"))) {
    SetLastError(static_cast<DWORD>(*error));
    return L"";
  }
  return L"C:\\Windows\\System32";
}

bool PathFileExistsA(const std::string& path) {
  return PathFileExistsW(ansi::ToWide(path));
}

bool PathFileExistsW(const std::wstring& path) {
  return emu::VirtualDrive::Instance().Exists(Utf8(path));
}

bool GetFileSizeByPath(const std::wstring& path, std::uint64_t& size) {
  const std::string host = emu::VirtualDrive::Instance().HostPath(Utf8(path));
  std::error_code ec;
  if (host.empty() || !std::filesystem::is_regular_file(host, ec)) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return false;
  }
  size = std::filesystem::file_size(host, ec);
  return !ec;
}

std::vector<std::uint8_t> ReadFileBytes(const std::wstring& path, std::uint64_t size) {
  const std::string host = emu::VirtualDrive::Instance().HostPath(Utf8(path));
  std::vector<std::uint8_t> bytes;
  if (const auto error = emu::InjectedFault(emu::FaultOf("ReadFile"), [&] { return Utf8(path); })) {
    SetLastError(static_cast<DWORD>(*error));
    return bytes;
  }
  if (host.empty())
    return bytes;
  std::ifstream in(host, std::ios::binary);
  if (!in)
    return bytes;
  bytes.resize(size);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size));
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  return bytes;
}

void ShowMessageBox(const std::string& text) {
  emu::Transcript::Instance().Write("debug", {{"text", text}, {"message_box", true}});
}

namespace {
std::mutex securityMutex;
bool systemEnvironmentEnabled = false;
int openTokens = 0;
}  // namespace

bool OpenProcessToken(DWORD, HANDLE& token) {
  if (const auto error = emu::InjectedFault(emu::FaultOf("OpenProcessToken"))) {
    SetLastError(static_cast<DWORD>(*error));
    return false;
  }
  if (Fails(kOpenTokenError))
    return false;
  std::lock_guard lock(securityMutex);
  ++openTokens;
  token = reinterpret_cast<HANDLE>(0x7000);
  return true;
}

bool LookupPrivilegeValueW(const std::wstring& name, LUID& luid) {
  if (Fails(kLookupError))
    return false;
  if (name != L"SeSystemEnvironmentPrivilege") {
    SetLastError(ERROR_NO_SUCH_PRIVILEGE);
    return false;
  }
  luid.LowPart = 22;  // SE_SYSTEM_ENVIRONMENT_PRIVILEGE
  luid.HighPart = 0;
  return true;
}

bool AdjustTokenPrivileges(HANDLE token, const LUID& luid, DWORD attributes) {
  if (token != reinterpret_cast<HANDLE>(0x7000)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  if (Fails(kAdjustError))
    return false;
  std::lock_guard lock(securityMutex);
  if (luid.LowPart == 22)
    systemEnvironmentEnabled = (attributes & SE_PRIVILEGE_ENABLED) != 0;
  return true;
}

bool CloseHandle(HANDLE handle) {
  if (emu::CloseDeviceHandle(handle) || emu::CloseProcessHandle(handle) ||
      emu::CloseDriveFile(handle))
    return true;
  std::lock_guard lock(securityMutex);
  if (handle != reinterpret_cast<HANDLE>(0x7000) || openTokens == 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  --openTokens;
  return true;
}

bool SetFirmwareEnvironmentVariableA(const std::string& name, const std::string& guid,
                                     const void* data, DWORD size) {
  {
    std::lock_guard lock(securityMutex);
    if (!systemEnvironmentEnabled) {
      SetLastError(ERROR_PRIVILEGE_NOT_HELD);
      return false;
    }
  }
  if (Fails(kFirmwareWriteError))
    return false;
  const auto* bytes = static_cast<const unsigned char*>(data);
  const std::string hex = emu::ToHex(bytes, size);
  emu::Laptop::Instance().Put(kFirmwareVariable, {name}, {{"guid", guid}, {"data_hex", hex}});
  emu::Transcript::Instance().Write("firmware_variable",
                                    {{"name", name}, {"guid", guid}, {"data_hex", hex}});
  return true;
}

}  // namespace platform

namespace emu {
// Forgets the privileges enabled during an earlier run.
void ResetSecurityState() {
  std::lock_guard lock(platform::securityMutex);
  platform::systemEnvironmentEnabled = false;
  platform::openTokens = 0;
}
}  // namespace emu
