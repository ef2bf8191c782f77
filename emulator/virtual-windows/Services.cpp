// The service control manager over the laptop's "services" facts, and process creation.
// A service is { "state": "running" | "stopped", "start": "ok" | "fail" | "after_sc",
// "start_delay_ms": N }: a started service is pending for N virtual ms, then running;
// "after_sc" refuses to start until "sc config NAME start= auto" has run.
#include <mutex>
#include <set>

#include "emu/Faults.h"
#include "emu/Laptop.h"
#include "emu/Processes.h"
#include "emu/Scheduler.h"
#include "emu/Transcript.h"
#include "hostapi/StringConv.h"
#include "platform/LastError.h"
#include "platform/Service.h"

namespace platform {

namespace {
constexpr DWORD ERROR_SERVICE_DOES_NOT_EXIST = 1060;
constexpr DWORD ERROR_SERVICE_DISABLED = 1058;
constexpr DWORD ERROR_SERVICE_ALREADY_RUNNING = 1056;

struct ServiceHandle {
  std::string name;
};
std::mutex mu;
std::set<void*> live;
int managerToken = 0;

using emu::FactOf;
using emu::FactType;
constexpr auto kService = FactOf("services.*", FactType::Map);
constexpr auto kState = FactOf("services.*.state", FactType::Text);
constexpr auto kRunningAt = FactOf("services.*.running_at_ms", FactType::Integer);
constexpr auto kStart = FactOf("services.*.start", FactType::Text);
constexpr auto kStartDelay = FactOf("services.*.start_delay_ms", FactType::Integer);
constexpr auto kConfiguredAuto = FactOf("services.*.configured_auto", FactType::Boolean);

std::int64_t VirtualNowMs() {
  return emu::Scheduler::Instance().NowNs() / 1000000;
}

// The state now: a start in progress turns into running once its delay has passed.
DWORD StateOf(const std::string& name) {
  auto& laptop = emu::Laptop::Instance();
  const std::string state = laptop.Text(kState, {name});
  if (state == "running")
    return SERVICE_RUNNING;
  if (state == "start_pending") {
    if (VirtualNowMs() >= laptop.Int(kRunningAt, {name})) {
      laptop.Put(kState, {name}, "running");
      return SERVICE_RUNNING;
    }
    return SERVICE_START_PENDING;
  }
  return SERVICE_STOPPED;
}
}  // namespace

SC_HANDLE OpenSCManagerW(DWORD) {
  if (const auto error = emu::InjectedFault(emu::FaultOf("OpenSCManagerW"))) {
    SetLastError(static_cast<DWORD>(*error));
    return nullptr;
  }
  std::lock_guard lock(mu);
  live.insert(&managerToken);
  return &managerToken;
}

SC_HANDLE OpenServiceW(SC_HANDLE manager, const std::wstring& name, DWORD) {
  const std::string text = DE::UnicodeToUTF8(name);
  if (const auto error = emu::InjectedFault(emu::FaultOf("OpenServiceW"), text)) {
    SetLastError(static_cast<DWORD>(*error));
    return nullptr;
  }
  if (manager != &managerToken || emu::Laptop::Instance().Json(kService, {text}).is_null()) {
    SetLastError(ERROR_SERVICE_DOES_NOT_EXIST);
    return nullptr;
  }
  auto* h = new ServiceHandle{text};
  std::lock_guard lock(mu);
  live.insert(h);
  return h;
}

bool QueryServiceStatus(SC_HANDLE service, DWORD& currentState) {
  std::lock_guard lock(mu);
  if (!live.count(service) || service == &managerToken)
    return false;
  currentState = StateOf(static_cast<ServiceHandle*>(service)->name);
  return true;
}

bool StartServiceW(SC_HANDLE service) {
  std::string name;
  {
    std::lock_guard lock(mu);
    if (!live.count(service) || service == &managerToken)
      return false;
    name = static_cast<ServiceHandle*>(service)->name;
  }
  if (const auto error = emu::InjectedFault(emu::FaultOf("StartServiceW"), name)) {
    SetLastError(static_cast<DWORD>(*error));
    return false;
  }
  auto& laptop = emu::Laptop::Instance();
  const std::string start = laptop.Text(kStart, {name});
  const bool configured = laptop.Bool(kConfiguredAuto, {name});
  const bool refused = start == "fail" || (start == "after_sc" && !configured);
  emu::Transcript::Instance().Write("service",
                                    {{"op", "start"}, {"name", name}, {"result", !refused}});
  if (refused) {
    SetLastError(ERROR_SERVICE_DISABLED);
    return false;
  }
  if (StateOf(name) != SERVICE_STOPPED) {
    SetLastError(ERROR_SERVICE_ALREADY_RUNNING);
    return false;
  }
  laptop.Put(kState, {name}, "start_pending");
  laptop.Put(kRunningAt, {name}, VirtualNowMs() + laptop.Int(kStartDelay, {name}));
  return true;
}

bool ControlService(SC_HANDLE service, DWORD control, DWORD& currentState) {
  constexpr DWORD ERROR_SERVICE_NOT_ACTIVE = 1062;
  constexpr DWORD ERROR_INVALID_SERVICE_CONTROL = 1052;
  std::string name;
  {
    std::lock_guard lock(mu);
    if (!live.count(service) || service == &managerToken)
      return false;
    name = static_cast<ServiceHandle*>(service)->name;
  }
  if (control != SERVICE_CONTROL_STOP) {
    SetLastError(ERROR_INVALID_SERVICE_CONTROL);
    return false;
  }
  const bool wasRunning = StateOf(name) != SERVICE_STOPPED;
  emu::Transcript::Instance().Write("service",
                                    {{"op", "stop"}, {"name", name}, {"result", wasRunning}});
  if (!wasRunning) {
    SetLastError(ERROR_SERVICE_NOT_ACTIVE);
    return false;
  }
  emu::Laptop::Instance().Put(kState, {name}, "stopped");
  currentState = SERVICE_STOPPED;
  return true;
}

bool CloseServiceHandle(SC_HANDLE handle) {
  std::lock_guard lock(mu);
  if (!live.erase(handle))
    return false;
  if (handle != &managerToken)
    delete static_cast<ServiceHandle*>(handle);
  return true;
}

bool CreateProcessHidden(const std::wstring& applicationPath, const std::wstring& commandLine) {
  const std::string text = DE::UnicodeToUTF8(commandLine);
  const std::string path = emu::ProcessTable::ProgramPath(DE::UnicodeToUTF8(applicationPath), text);
  // The same CreateProcessW underneath, and so the same failure.
  if (const auto injected = emu::InjectedFault(emu::FaultOf("CreateProcessW"), text)) {
    SetLastError(static_cast<DWORD>(*injected));
    return false;
  }
  std::uint32_t error = 0;
  if (emu::ProcessTable::Instance().Start(text, error, path) == 0) {
    SetLastError(error);
    return false;
  }
  // "sc config NAME start= auto" changes the service's start type, when it is Windows's sc
  // that runs (a program of that name elsewhere does whatever it does).
  const std::string prefix = "sc config ";
  const bool systemSc = emu::ProcessTable::SameName(path, "C:\\Windows\\System32\\sc.exe");
  if (systemSc && text.rfind(prefix, 0) == 0 && text.find(" start= auto") != std::string::npos) {
    const std::string name =
        text.substr(prefix.size(), text.find(' ', prefix.size()) - prefix.size());
    if (!emu::Laptop::Instance().Json(kService, {name}).is_null()) {
      emu::Laptop::Instance().Put(kConfiguredAuto, {name}, true);
    }
  }
  return true;
}

}  // namespace platform
