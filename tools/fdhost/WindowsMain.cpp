// fdhost for Windows: the host's side of a run on the real operating system. It loads the
// plug-in manager and the plug-in with LoadLibrary, creates the plug-in object by class id,
// calls Init, sends the scenario's requests on the bus at their times (on the machine's
// clock), calls Uninit at the end and unloads. The host's library stand-ins answer from the
// scenario's laptop; everything else the plug-in does goes to Windows itself.
//   fdhost run SCENARIO.json [--for MS]
// Every transcript line is printed as it happens. Exit status 0 when the plug-in was
// initialised, every request was answered, and the module was gone after the unload.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "emu/Bus.h"
#include "emu/Laptop.h"
#include "emu/Scenario.h"
#include "emu/Scheduler.h"
#include "emu/Transcript.h"
#include "fdhost/PluginObject.h"
#include "hostapi/StringConv.h"
#include "platform/Clock.h"
#include "platform/File.h"
#include "platform/Module.h"

namespace {

void SleepUntilMs(std::int64_t ms) {
  emu::Scheduler::Instance().SleepUntilNs(ms * 1000000);
}

std::string FolderOf(const std::string& path) {
  const auto slash = path.find_last_of("\\/");
  return slash == std::string::npos ? "." : path.substr(0, slash);
}

// Sends the timeline's requests at their times; other inputs need the virtual Windows.
// Returns the number of requests sent.
int PlayRequests(const emu::Scenario& scenario, std::int64_t runFor,
                 std::map<std::uint32_t, std::unique_ptr<emu::Requester>>& requesters) {
  int sent = 0;
  for (const auto& entry : scenario.timeline) {
    if (entry.atMs > runFor)
      break;
    SleepUntilMs(entry.atMs);
    if (entry.kind != "ipc_request") {
      emu::Transcript::Instance().Write("input", {{"input", entry.kind}, {"played", false}});
      continue;
    }
    const emu::BusMessage m = emu::RequestMessageOf(entry.body);
    auto& requester = requesters[m.src];
    if (!requester)
      requester = std::make_unique<emu::Requester>(m.src);
    emu::Transcript::Instance().Write(
        "input", {{"input", "ipc_request"}, {"msg", m.msg}, {"src", m.src}, {"dst", m.dst}});
    if (emu::Bus::Instance().Send(m))
      ++sent;
    else
      emu::Transcript::Instance().Write("bus", {{"op", "undeliverable"}, {"msg", m.msg}});
  }
  return sent;
}

int Run(const std::string& file, std::optional<std::int64_t> forMs) {
  const emu::Scenario scenario = emu::LoadScenarioFile(file);
  auto& sched = emu::Scheduler::Instance();
  sched.AdoptCurrentThread("host timeline");
  // The machine's clock; threads run at once, as they do on Windows.
  sched.Reset(emu::ClockMode::Real, emu::RunMode::Parallel);
  emu::Transcript::Instance().SetSink(
      [](const emu::Line& line) { std::cout << line.dump() << std::endl; }, false);
  auto& laptop = emu::Laptop::Instance();
  laptop.Load(scenario.laptop);
  // The plug-in's folder is the runner's: the vendor libraries' stand-ins lie beside it.
  const std::string executable = DE::UnicodeToUTF8(platform::GetProcessExecutablePathW());
  laptop.Put(emu::FactOf("host.executable", emu::FactType::Text), {}, executable);
  laptop.Put(emu::FactOf("host.plugin_dir", emu::FactType::Text), {}, FolderOf(executable));
  laptop.SetStartEpochMs(static_cast<std::int64_t>(platform::GetSystemTimeMs()));

  const std::int64_t runFor = forMs.value_or(scenario.runForMs);
  fdhost::LoadedPlugin loaded = fdhost::LoadPlugin();
  bool ok = loaded.object != nullptr;
  if (!ok)
    fdhost::NoteHost("load_failed", {{"error", loaded.error}});
  if (loaded.object) {
    std::map<std::uint32_t, std::unique_ptr<emu::Requester>> requesters;
    auto* vexPlugin = static_cast<IVexPlugin*>(loaded.object);
    const bool initOk = vexPlugin->Init();
    fdhost::NoteHost("init", {{"result", initOk}});
    const int sent = PlayRequests(scenario, runFor, requesters);
    SleepUntilMs(runFor);
    vexPlugin->Uninit();
    fdhost::NoteHost("uninit");
    delete loaded.object;
    std::size_t answered = 0;
    for (auto& [id, requester] : requesters)
      answered += requester->Answers();
    fdhost::NoteHost("requests", {{"sent", sent}, {"answered", answered}});
    ok = initOk && answered == static_cast<std::size_t>(sent);
  }
  if (loaded.plugin) {
    platform::FreeLibrary(loaded.plugin);
    // The module must be gone, not merely released: nothing may hold it any more.
    const bool gone = platform::GetModuleHandleA("DeviceFaultDetectPlugin.dll") == nullptr;
    fdhost::NoteHost("unload", {{"module_gone", gone}});
    ok = ok && gone;
  }
  if (loaded.manager)
    platform::FreeLibrary(loaded.manager);
  sched.ReleaseCurrentThread();
  return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3 || std::strcmp(argv[1], "run") != 0) {
    std::cerr << "usage: fdhost run SCENARIO.json [--for MS]\n";
    return 2;
  }
  std::optional<std::int64_t> forMs;
  for (int i = 3; i < argc; ++i) {
    if (std::strcmp(argv[i], "--for") == 0 && i + 1 < argc) {
      forMs = std::strtoll(argv[++i], nullptr, 10);
    } else {
      std::cerr << "fdhost: unknown option " << argv[i] << "\n";
      return 2;
    }
  }
  try {
    return Run(argv[2], forMs);
  } catch (const std::exception& e) {
    std::cerr << "fdhost: " << e.what() << "\n";
    return 2;
  }
}
