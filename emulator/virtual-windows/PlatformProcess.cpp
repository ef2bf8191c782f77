// Process creation, waits and snapshots over the virtual laptop's process table.
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

#include "emu/Faults.h"
#include "emu/OpenHandles.h"
#include "emu/Processes.h"
#include "emu/Transcript.h"
#include "hostapi/StringConv.h"
#include "platform/LastError.h"
#include "platform/Process.h"
#include "platform/Text.h"

namespace {

struct Handle {
  enum class Kind { Process, Thread, Snapshot } kind;
  std::uint32_t pid = 0;
  std::string name;
  std::vector<emu::ProcessTable::Entry> entries;  // a snapshot's processes
  std::size_t next = 0;
};

std::mutex handlesMutex;
std::map<void*, std::unique_ptr<Handle>>& Handles() {
  static auto* handles = new std::map<void*, std::unique_ptr<Handle>>();
  return *handles;
}

void* Add(std::unique_ptr<Handle> handle) {
  void* key = handle.get();
  std::lock_guard lock(handlesMutex);
  Handles().emplace(key, std::move(handle));
  return key;
}

// A copy of what the handle refers to, when it is open and of the kind.
bool Find(void* key, Handle::Kind kind, Handle& out) {
  std::lock_guard lock(handlesMutex);
  auto it = Handles().find(key);
  if (it == Handles().end() || it->second->kind != kind)
    return false;
  out.pid = it->second->pid;
  out.name = it->second->name;
  return true;
}

std::unique_ptr<Handle> ProcessHandle(Handle::Kind kind, std::uint32_t pid, std::string name) {
  auto handle = std::make_unique<Handle>();
  handle->kind = kind;
  handle->pid = pid;
  handle->name = std::move(name);
  return handle;
}

bool NextEntry(void* snapshot, platform::PROCESSENTRY32W& entry, bool first) {
  if (entry.dwSize != platform::kProcessEntrySize) {
    platform::SetLastError(ERROR_BAD_LENGTH);
    return false;
  }
  std::lock_guard lock(handlesMutex);
  auto it = Handles().find(snapshot);
  if (it == Handles().end() || it->second->kind != Handle::Kind::Snapshot) {
    platform::SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  Handle& h = *it->second;
  if (first)
    h.next = 0;
  if (h.next >= h.entries.size()) {
    platform::SetLastError(ERROR_NO_MORE_FILES);
    return false;
  }
  const auto& process = h.entries[h.next++];
  entry.th32ProcessID = process.pid;
  const std::wstring exe = platform::Utf8ToWide(process.exe).substr(0, platform::kMaxPath - 1);
  std::memset(entry.szExeFile, 0, sizeof entry.szExeFile);
  std::memcpy(entry.szExeFile, exe.c_str(), exe.size() * sizeof(wchar_t));
  return true;
}

}  // namespace

namespace emu {

bool CloseProcessHandle(void* handle) {
  std::lock_guard lock(handlesMutex);
  return Handles().erase(handle) > 0;
}

std::vector<std::string> OpenProcessHandles() {
  std::lock_guard lock(handlesMutex);
  std::vector<std::string> open;
  for (const auto& [key, h] : Handles()) {
    if (h->kind == Handle::Kind::Snapshot)
      open.push_back("snapshot");
    else
      open.push_back(std::string(h->kind == Handle::Kind::Process ? "process " : "thread ") +
                     h->name + " (pid " + std::to_string(h->pid) + ")");
  }
  return open;
}

}  // namespace emu

namespace platform {

bool CreateProcessW(const wchar_t* applicationName, wchar_t* commandLine, bool, DWORD,
                    const STARTUPINFOW& startup, PROCESS_INFORMATION& info) {
  if (startup.cb != kStartupInfoSize || (!applicationName && !commandLine)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  const std::string line = DE::UnicodeToUTF8(commandLine ? commandLine : applicationName);
  if (const auto injected = emu::InjectedFault(emu::FaultOf("CreateProcessW"), line)) {
    SetLastError(static_cast<DWORD>(*injected));
    return false;
  }
  std::uint32_t error = 0;
  const std::uint32_t pid = emu::ProcessTable::Instance().Start(line, error);
  if (pid == 0) {
    SetLastError(error);
    return false;
  }
  const std::string name = emu::ExecutableOf(line);
  info.hProcess = Add(ProcessHandle(Handle::Kind::Process, pid, name));
  info.hThread = Add(ProcessHandle(Handle::Kind::Thread, pid, name));
  info.dwProcessId = pid;
  info.dwThreadId = pid + 1;
  return true;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
  Handle process;
  if (!Find(handle, Handle::Kind::Process, process)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
  }
  const auto result = emu::ProcessTable::Instance().Wait(process.pid, milliseconds);
  return result == emu::ProcessTable::WaitResult::Ended ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
}

bool TerminateProcess(HANDLE process, DWORD exitCode) {
  Handle target;
  if (!Find(process, Handle::Kind::Process, target)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  if (!emu::ProcessTable::Instance().Terminate(target.pid, exitCode)) {
    SetLastError(ERROR_ACCESS_DENIED);  // Windows's answer for a process that has ended
    return false;
  }
  return true;
}

HANDLE OpenProcess(DWORD access, bool, DWORD processId) {
  // What a protected process still grants to others.
  constexpr DWORD kProtectedAccess =
      SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION;
  for (const auto& entry : emu::ProcessTable::Instance().Running()) {
    if (entry.pid != processId)
      continue;
    if (const auto error = emu::InjectedFault(emu::FaultOf("OpenProcess"), entry.exe)) {
      SetLastError(static_cast<DWORD>(*error));
      return nullptr;
    }
    if ((access & ~kProtectedAccess) != 0 && emu::ProcessTable::IsProtected(entry.exe)) {
      emu::Transcript::Instance().Write(
          "process", {{"op", "access_denied"}, {"exe", entry.exe}, {"access", access}});
      SetLastError(ERROR_ACCESS_DENIED);
      return nullptr;
    }
    return Add(ProcessHandle(Handle::Kind::Process, entry.pid, entry.exe));
  }
  SetLastError(ERROR_INVALID_PARAMETER);
  return nullptr;
}

HANDLE GetStdInputHandle() {
  return nullptr;  // a service has no console
}

HANDLE CreateToolhelp32Snapshot(DWORD flags, DWORD) {
  if (!(flags & TH32CS_SNAPPROCESS)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (const auto error = emu::InjectedFault(emu::FaultOf("CreateToolhelp32Snapshot"))) {
    SetLastError(static_cast<DWORD>(*error));
    return nullptr;
  }
  auto snapshot = std::make_unique<Handle>();
  snapshot->kind = Handle::Kind::Snapshot;
  snapshot->entries = emu::ProcessTable::Instance().Running();
  return Add(std::move(snapshot));
}

bool Process32FirstW(HANDLE snapshot, PROCESSENTRY32W& entry) {
  return NextEntry(snapshot, entry, true);
}

bool Process32NextW(HANDLE snapshot, PROCESSENTRY32W& entry) {
  return NextEntry(snapshot, entry, false);
}

}  // namespace platform
