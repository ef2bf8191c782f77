#pragma once
// Failures injected at the seams, in the manner of an I/O-error test loop: a scenario names a
// call of the operating-system seam or of the host's libraries, optionally narrowed by its
// argument (a registry key, a class GUID, a library or entry name, a control code, a message
// id), and makes the N-th matching call fail, or every matching call from a virtual time on,
// with the error the call's contract gives. Every call is counted, so that a sweep can fail
// each call number in turn. Each injected failure is a "fault_injected" transcript line.
#include <array>
#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include <nlohmann/json.hpp>

namespace emu {

// A call that can be made to fail, with what its failure looks like.
struct FaultPoint {
  std::string_view call;      // the Windows or host-library name
  std::string_view argument;  // what the argument names, for matching
  std::int64_t defaultError;  // used when a rule gives none
  std::string_view failure;   // how the call fails: its return value and error
};

// The calls that can fail, in the order the documentation lists them.
// clang-format off
inline constexpr FaultPoint kFaultPoints[] = {
      {"RegOpenKeyExW", "the key's path (\"HKLM\\SOFTWARE\\...\")", 5,
       "returns the error (an LSTATUS)"},
      {"RegQueryValueExW", "the value's name", 5, "returns the error"},
      {"RegCreateKeyExW", "the key's path", 5, "returns the error"},
      {"RegSetValueExW", "the value's name", 5, "returns the error"},
      {"RegEnumKeyExW", "", 5, "returns the error"},
      {"LoadLibraryExA", "the module's name", 126, "returns null; GetLastError gives the error"},
      {"GetProcAddress", "the entry's name", 127, "returns null; GetLastError gives the error"},
      {"CreateThread", "", 8,
       "StartDetachedThread throws std::system_error with the error, as the standard library "
       "does when CreateThread fails"},
      {"CreateWindowExW", "the window class", 1406, "returns null; GetLastError gives the error"},
      {"RegisterClassExW", "the window class", 1410, "returns 0; GetLastError gives the error"},
      {"RegisterDeviceNotificationW", "the class GUID (\"{...}\")", 13,
       "returns null; GetLastError gives the error"},
      {"EvtSubscribe", "the channel and query", 15007,
       "returns null; GetLastError gives the error"},
      {"OpenProcess", "the process's executable name", 5,
       "returns null; GetLastError gives the error"},
      {"CreateProcessW", "the command line", 2, "returns false; GetLastError gives the error"},
      {"GetSystemDirectoryW", "", 8, "returns 0; GetLastError gives the error"},
      {"CreateToolhelp32Snapshot", "", 8, "returns null; GetLastError gives the error"},
      {"DeviceIoControl", "the control code (\"0x0004D008\")", 1117,
       "returns false; GetLastError gives the error"},
      {"CreateFileW", "the path", 5, "returns INVALID_HANDLE_VALUE; GetLastError gives the error"},
      {"GetFileInformationByHandle", "the file's path", 5,
       "returns false; GetLastError gives the error"},
      {"SetFileInformationByHandle", "the file's path", 5,
       "returns false; GetLastError gives the error"},
      {"WriteFile", "the file's path", 112, "returns false; GetLastError gives the error"},
      {"GetModuleFileNameW", "", 122, "returns 0; GetLastError gives the error"},
      {"SetupDiGetClassDevsW", "the class GUID", 13,
       "returns INVALID_HANDLE_VALUE; GetLastError gives the error"},
      {"OpenServiceW", "the service's name", 1060, "returns null; GetLastError gives the error"},
      {"CM_Locate_DevNodeW", "", 13, "returns the CONFIGRET"},
      {"CM_Reenumerate_DevNode", "", 13, "returns the CONFIGRET"},
      {"SetupDiEnumDeviceInfo", "", 13, "returns false; GetLastError gives the error"},
      {"SetupDiCallClassInstaller", "the device's first hardware id", 5,
       "returns false; GetLastError gives the error"},
      {"WmiConnectServer", "the namespace", 0x80041003,
       "`ConnectServer` returns the HRESULT (default WBEM_E_ACCESS_DENIED)"},
      {"ExecQuery", "the WQL text", 0x80041006,
       "returns the HRESULT (default WBEM_E_OUT_OF_MEMORY)"},
      {"OpenSCManagerW", "", 5, "returns null; GetLastError gives the error"},
      {"StartServiceW", "the service's name", 1058, "returns false; GetLastError gives the error"},
      {"ReadFile", "the file's path", 30, "nothing is read; GetLastError gives the error"},
      {"OpenProcessToken", "", 5, "returns false; GetLastError gives the error"},
      {"EvtRender", "", 13, "returns false; GetLastError gives the error"},
      {"PostIPCMessage", "the message id (\"0x40003\")", 0, "the host's IPC client returns false"},
      {"SubscribeIPCMessage", "", 0, "the host's IPC client returns false"},
      {"SendMsg", "the event id (\"608001011\")", 0, "the data-report library returns false"},
      {"UIMainQueue::dispatch", "", 0,
       "the toolkit's main queue returns false; the job does not run"},
      {"Registry::CreateKey", "the key's path", 0, "the host's registry helper returns false"},
      {"Registry::GetValue", "the value's name", 0, "the host's registry helper returns false"},
      {"Registry::SetValue", "the value's name", 0, "the host's registry helper returns false"},
      {"GetBiosSwitch", "the device type", 0, "the hardware library returns false (unreadable)"},
      {"GetOutPutUInt", "the WMI method id (decimal)", 0, "the hardware library returns false"},
      {"KillProcByName", "the executable name", 0, "the system library returns false"},
      {"StartServiceByName", "the service's name", 0, "the system library returns false"},
};
// clang-format on

// One of them, found at compile time: a seam that names a call not in the table does not
// compile, so every call a scenario can name is counted.
struct FaultRef {
  std::size_t index;
  const FaultPoint& Decl() const { return kFaultPoints[index]; }
};

consteval FaultRef FaultOf(std::string_view call) {
  for (std::size_t i = 0; i < std::size(kFaultPoints); ++i) {
    if (kFaultPoints[i].call == call)
      return FaultRef{i};
  }
  throw "not a call that can fail";
}

// Their table in scenarios/README.md ("fdhost facts" prints it).
std::string FaultTableMarkdown();

class Faults {
 public:
  static Faults& Instance();

  // Rules: [{ "call": NAME, "argument": TEXT, "nth": N | "from_ms": T, "error": E }]. Throws
  // std::invalid_argument naming the rule and key when one is malformed.
  void Load(const nlohmann::json& rules);
  // Only the checks of Load.
  static void Validate(const nlohmann::json& rules);
  // Forgets the rules and the counts (a new run).
  void Reset();

  // Counts the call; true when rules are loaded (then Match decides). No lock: the seams
  // call it on every call, rules or not.
  bool Count(FaultRef point);
  // The error to fail the call with, when a rule says so. argument: the call's matching text
  // (letter case ignored, a rule's argument matches any part).
  std::optional<std::int64_t> Match(FaultRef point, std::string_view argument);

  // How often each call was made since the last Reset.
  std::map<std::string, std::int64_t> Counts() const;

 private:
  struct Rule;
  static std::vector<Rule> Parse(const nlohmann::json& rules);
  struct Rule {
    std::size_t point = 0;  // in kFaultPoints
    std::string argument;
    std::int64_t nth = 0;  // 0: every match from fromMs
    std::int64_t fromMs = 0;
    std::int64_t error = 0;
    std::int64_t matches = 0;
  };
  Faults() = default;
  mutable std::mutex mu_;  // guards rules_
  std::vector<Rule> rules_;
  std::atomic<bool> armed_{false};
  std::array<std::atomic<std::int64_t>, std::size(kFaultPoints)> counts_{};  // by point
};

// Called by a seam at the start of a call that can fail: counts it and answers the error to
// fail it with, if any. The argument is a text, or a function giving it: that is called only
// while rules are loaded, so a run without faults pays for no conversions.
template <class Argument = std::string_view>
std::optional<std::int64_t> InjectedFault(FaultRef point, Argument&& argument = {}) {
  auto& faults = Faults::Instance();
  if (!faults.Count(point))
    return std::nullopt;
  if constexpr (std::is_invocable_v<Argument>)
    return faults.Match(point, std::string_view(argument()));
  else
    return faults.Match(point, std::string_view(argument));
}

}  // namespace emu
