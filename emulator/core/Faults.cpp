// The fault injector: rules from the scenario, a count of every seam call, and a transcript
// line for each failure it causes.
#include "emu/Faults.h"

#include <algorithm>
#include <stdexcept>

#include "emu/Laptop.h"
#include "emu/Scheduler.h"
#include "emu/Transcript.h"

namespace emu {

namespace {

std::string Lower(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return out;
}

const FaultPoint* PointOf(std::string_view call) {
  for (const auto& point : FaultPoints()) {
    if (point.call == call)
      return &point;
  }
  return nullptr;
}

}  // namespace

const std::vector<FaultPoint>& FaultPoints() {
  static const std::vector<FaultPoint> points = {
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
      {"CreateToolhelp32Snapshot", "", 8, "returns null; GetLastError gives the error"},
      {"DeviceIoControl", "the control code (\"0x0004D008\")", 1117,
       "returns false; GetLastError gives the error"},
      {"CreateFileW", "the path", 5, "returns INVALID_HANDLE_VALUE; GetLastError gives the error"},
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
  return points;
}

std::string FaultTableMarkdown() {
  std::string out = "| call | argument | default error | how it fails |\n|---|---|---|---|\n";
  for (const auto& point : FaultPoints()) {
    out += "| `" + std::string(point.call) + "` | " + std::string(point.argument) + " | " +
           (point.defaultError == 0 ? std::string() : std::to_string(point.defaultError)) + " | " +
           std::string(point.failure) + " |\n";
  }
  return out;
}

Faults& Faults::Instance() {
  static Faults* faults = new Faults();
  return *faults;
}

void Faults::Load(const nlohmann::json& rules) {
  std::vector<Rule> loaded = Parse(rules);
  std::lock_guard lock(mu_);
  rules_ = std::move(loaded);
  armed_ = !rules_.empty();
  for (auto& count : counts_)
    count = 0;
}

void Faults::Validate(const nlohmann::json& rules) {
  Parse(rules);
}

std::vector<Faults::Rule> Faults::Parse(const nlohmann::json& rules) {
  std::vector<Rule> loaded;
  if (!rules.is_null() && !rules.is_array())
    throw std::invalid_argument("\"faults\" is a list of rules");
  for (std::size_t i = 0; rules.is_array() && i < rules.size(); ++i) {
    const auto& r = rules[i];
    const std::string where = "faults[" + std::to_string(i) + "]";
    if (!r.is_object() || !r.contains("call") || !r["call"].is_string())
      throw std::invalid_argument(where + ": \"call\" (a seam call's name) is missing");
    for (const auto& [key, value] : r.items()) {
      if (key != "call" && key != "argument" && key != "nth" && key != "from_ms" && key != "error")
        throw std::invalid_argument(where + ": \"" + key + "\" is not a key of a fault rule");
    }
    Rule rule;
    rule.call = r["call"].get<std::string>();
    const FaultPoint* point = PointOf(rule.call);
    if (!point)
      throw std::invalid_argument(where + ": \"" + rule.call + "\" is not a call that can fail");
    if (r.contains("argument")) {
      if (!r["argument"].is_string())
        throw std::invalid_argument(where + ": \"argument\" is a text");
      rule.argument = Lower(r["argument"].get<std::string>());
    }
    try {
      rule.nth = r.contains("nth") ? ParseNumber(r["nth"]) : 0;
      rule.fromMs = r.contains("from_ms") ? ParseNumber(r["from_ms"]) : 0;
      rule.error = r.contains("error") ? ParseNumber(r["error"]) : point->defaultError;
    } catch (const std::invalid_argument& e) {
      throw std::invalid_argument(where + ": " + e.what());
    }
    if (r.contains("nth") == r.contains("from_ms"))
      throw std::invalid_argument(where + ": give \"nth\" or \"from_ms\", one of them");
    if (rule.nth < 0 || (r.contains("nth") && rule.nth == 0) || rule.fromMs < 0)
      throw std::invalid_argument(where + ": \"nth\" counts from 1, \"from_ms\" from 0");
    loaded.push_back(std::move(rule));
  }
  return loaded;
}

void Faults::Reset() {
  std::lock_guard lock(mu_);
  rules_.clear();
  armed_ = false;
  for (auto& count : counts_)
    count = 0;
}

bool Faults::Count(std::string_view call) {
  const auto& points = FaultPoints();
  for (std::size_t i = 0; i < std::min(points.size(), kMaxPoints); ++i) {
    if (points[i].call == call) {
      counts_[i].fetch_add(1, std::memory_order_relaxed);
      break;
    }
  }
  return armed_.load(std::memory_order_acquire);
}

std::optional<std::int64_t> Faults::Match(std::string_view call, std::string_view argument) {
  std::optional<std::int64_t> error;
  {
    std::lock_guard lock(mu_);
    const std::string lower = Lower(argument);
    const std::int64_t nowMs = Scheduler::Instance().NowNs() / 1000000;
    for (auto& rule : rules_) {
      if (rule.call != call || lower.find(rule.argument) == std::string::npos)
        continue;
      ++rule.matches;
      if (rule.nth ? rule.matches == rule.nth : nowMs >= rule.fromMs) {
        error = rule.error;
        break;
      }
    }
  }
  if (error) {
    Transcript::Instance().Write(
        "fault_injected",
        {{"call", std::string(call)}, {"argument", std::string(argument)}, {"error", *error}});
  }
  return error;
}

std::map<std::string, std::int64_t> Faults::Counts() const {
  std::map<std::string, std::int64_t> out;
  const auto& points = FaultPoints();
  for (std::size_t i = 0; i < points.size(); ++i) {
    if (const std::int64_t count = counts_[i].load(std::memory_order_relaxed))
      out.emplace(points[i].call, count);
  }
  return out;
}

}  // namespace emu
