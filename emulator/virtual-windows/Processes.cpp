#include "emu/Processes.h"

#include <algorithm>
#include <mutex>

#include "emu/Laptop.h"
#include "emu/Scheduler.h"
#include "emu/Transcript.h"
#include "emu/VirtualDrive.h"

namespace emu {

namespace {

constexpr std::int64_t kNsPerMs = 1000000;
constexpr std::uint32_t kInfinite = 0xFFFFFFFF;

std::string Folded(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// The laptop's description of a program, by folded name.
nlohmann::json ProgramFacts(const std::string& exe) {
  const auto programs = Laptop::Instance().Json(FactOf("programs", FactType::Map));
  if (programs.is_object()) {
    for (auto& [name, facts] : programs.items()) {
      if (Folded(name) == Folded(exe) && facts.is_object())
        return facts;
    }
  }
  return nlohmann::json::object();
}

}  // namespace

bool ProcessTable::IsProtected(const std::string& exe) {
  const auto facts = ProgramFacts(exe);
  return facts.value("protected", false);
}

struct ProcessTable::Process {
  std::uint32_t pid = 0;
  std::string exe;
  bool running = true;
  std::int64_t endNs = -1;  // -1: until killed
  std::uint32_t exitCode = 0;
  WaitList life{"its end"};
  WaitList ended;
};

ProcessTable& ProcessTable::Instance() {
  static ProcessTable* instance = new ProcessTable();
  return *instance;
}

std::string ExecutableOf(const std::string& commandLine) {
  std::string first;
  std::size_t i = commandLine.find_first_not_of(' ');
  if (i == std::string::npos)
    return "";
  if (commandLine[i] == '"') {
    const std::size_t close = commandLine.find('"', i + 1);
    first =
        commandLine.substr(i + 1, close == std::string::npos ? std::string::npos : close - i - 1);
  } else {
    first = commandLine.substr(i, commandLine.find(' ', i) - i);
  }
  const std::size_t slash = first.find_last_of("\\/");
  return slash == std::string::npos ? first : first.substr(slash + 1);
}

void ProcessTable::Reset() {
  EndAll();
  {
    std::lock_guard lock(Scheduler::Instance().Lock());
    processes_.clear();
    nextPid_ = 1000;
  }
  const auto running = Laptop::Instance().Json(FactOf("processes", FactType::Texts));
  if (!running.is_array())
    return;
  for (const auto& name : running) {
    if (name.is_string())
      Launch(name.get<std::string>(), name.get<std::string>(), false);
  }
}

void ProcessTable::EndAll() {
  auto& sched = Scheduler::Instance();
  std::lock_guard lock(sched.Lock());
  for (auto& p : processes_) {
    p->running = false;
    sched.WakeAll(p->life);
    sched.WakeAll(p->ended);
  }
}

bool ProcessTable::SameName(const std::string& a, const std::string& b) {
  return Folded(a) == Folded(b);
}

std::string ProcessTable::ProgramPath(const std::string& applicationPath,
                                      const std::string& commandLine) {
  if (!applicationPath.empty())
    return applicationPath;
  std::string name = ExecutableOf(commandLine);
  if (name.empty() || name.find('\\') != std::string::npos)
    return name;
  if (Folded(name).size() < 4 || Folded(name).substr(Folded(name).size() - 4) != ".exe")
    name += ".exe";
  const std::string host = Laptop::Instance().Text(FactOf("host.executable", FactType::Text));
  const std::string beside = host.substr(0, host.find_last_of('\\') + 1) + name;
  return VirtualDrive::Instance().Exists(beside) ? beside : "C:\\Windows\\System32\\" + name;
}

std::uint32_t ProcessTable::Start(const std::string& commandLine, std::uint32_t& error,
                                  const std::string& path) {
  const std::string exe = ExecutableOf(commandLine);
  const nlohmann::json facts = ProgramFacts(exe);
  error = static_cast<std::uint32_t>(ParseNumber(facts.value("start_error", 0)));
  if (exe.empty())
    error = 2;  // ERROR_FILE_NOT_FOUND
  if (error != 0) {
    Transcript::Instance().Write(
        "process", {{"op", "create"}, {"command_line", commandLine}, {"error", error}});
    return 0;
  }
  return Launch(exe, commandLine, true, path);
}

std::uint32_t ProcessTable::Launch(const std::string& exe, const std::string& commandLine,
                                   bool byRun, const std::string& path) {
  auto& sched = Scheduler::Instance();
  const nlohmann::json facts = ProgramFacts(exe);
  auto process = std::make_shared<Process>();
  process->exe = exe;
  process->exitCode = static_cast<std::uint32_t>(ParseNumber(facts.value("exit_code", 0)));
  process->ended.Describe(exe + " to end");
  // A program started here ends at once unless described; the laptop's own processes run
  // until they are killed.
  const bool finite = byRun ? !(facts.contains("runs_ms") && facts["runs_ms"].is_null())
                            : facts.contains("runs_ms") && !facts["runs_ms"].is_null();
  const std::int64_t now = sched.NowNs();  // the scheduler lock is not held here
  if (finite)
    process->endNs = now + ParseNumber(facts.value("runs_ms", nlohmann::json(0))) * kNsPerMs;
  {
    std::lock_guard lock(sched.Lock());
    process->pid = nextPid_;
    nextPid_ += 4;
    processes_.push_back(process);
  }
  if (byRun) {
    Line line = {{"op", "create"}, {"command_line", commandLine}, {"name", exe}};
    if (!path.empty())
      line["path"] = path;
    line["pid"] = process->pid;
    Transcript::Instance().Write("process", std::move(line));
  }
  Laptop::Instance().ApplyEffect("start:" + exe);
  if (finite) {
    sched.StartThread(
        [process] {
          auto& scheduler = Scheduler::Instance();
          std::unique_lock lock(scheduler.Lock());
          // Killed, or the run ended, before this thread got to wait: nothing to wait for.
          if (!process->running)
            return;
          if (scheduler.BlockUntil(lock, process->life, process->endNs, false) !=
                  WakeReason::Timeout ||
              !process->running) {
            return;  // killed, or the run ended
          }
          process->running = false;
          lock.unlock();
          Transcript::Instance().Write("process", {{"op", "exit"},
                                                   {"name", process->exe},
                                                   {"pid", process->pid},
                                                   {"exit_code", process->exitCode}});
          Laptop::Instance().ApplyEffect("exit:" + process->exe);
          lock.lock();
          scheduler.WakeAll(process->ended);
        },
        Scheduler::ThreadKind::Host, "process " + exe);
  }
  const auto children = facts.value("starts", nlohmann::json::array());
  for (const auto& child : children) {
    if (child.is_string())
      Launch(child.get<std::string>(), child.get<std::string>(), true);
  }
  return process->pid;
}

bool ProcessTable::IsRunning(std::uint32_t pid) {
  std::lock_guard lock(Scheduler::Instance().Lock());
  for (const auto& p : processes_) {
    if (p->pid == pid)
      return p->running;
  }
  return false;
}

ProcessTable::WaitResult ProcessTable::Wait(std::uint32_t pid, std::uint32_t timeoutMs) {
  auto& sched = Scheduler::Instance();
  const std::int64_t deadline = sched.NowNs() + std::int64_t{timeoutMs} * kNsPerMs;
  std::unique_lock lock(sched.Lock());
  std::shared_ptr<Process> process;
  for (const auto& p : processes_) {
    if (p->pid == pid)
      process = p;
  }
  if (!process || !process->running)
    return WaitResult::Ended;
  if (timeoutMs == kInfinite) {
    // No deadline to jump to: nothing but the process's end wakes this wait.
    while (process->running)
      sched.Block(lock, process->ended);
    return WaitResult::Ended;
  }
  switch (sched.BlockUntil(lock, process->ended, deadline, true)) {
    case WakeReason::Normal:
      return WaitResult::Ended;
    case WakeReason::Timeout:
      return WaitResult::TimedOut;
    case WakeReason::Stopping:
      break;
  }
  return WaitResult::Stopping;
}

std::vector<ProcessTable::Entry> ProcessTable::Running() {
  std::lock_guard lock(Scheduler::Instance().Lock());
  std::vector<Entry> out;
  for (const auto& p : processes_) {
    if (p->running)
      out.push_back({p->pid, p->exe});
  }
  return out;
}

bool ProcessTable::Terminate(std::uint32_t pid, std::uint32_t exitCode) {
  auto& sched = Scheduler::Instance();
  std::lock_guard lock(sched.Lock());
  for (auto& p : processes_) {
    if (p->pid != pid || !p->running)
      continue;
    p->running = false;
    p->exitCode = exitCode;
    sched.WakeAll(p->life);
    sched.WakeAll(p->ended);
    return true;
  }
  return false;
}

}  // namespace emu
