#include "fdhost/HostRunner.h"

#include <algorithm>

#include "emu/DeviceTree.h"
#include "emu/EventLogService.h"
#include "emu/Faults.h"
#include "emu/Laptop.h"
#include "emu/OpenHandles.h"
#include "emu/Processes.h"
#include "emu/Timeline.h"
#include "emu/Toolkit.h"
#include "emu/UserInterface.h"
#include "emu/VendorHooks.h"
#include "fdhost/ConfigFile.h"
#include "fdhost/PluginObject.h"
#include "platform/Module.h"

namespace fdhost {

namespace {

void SleepUntilMs(std::int64_t ms) {
  emu::Scheduler::Instance().SleepUntilNs(ms * 1000000);
}

// A fault of the stop: written as a "fault" line, which no run should ever show.
void Fault(const std::string& what, const std::vector<std::string>& details) {
  emu::Transcript::Instance().Write("fault", {{"what", what}, {"details", details}});
}

// What must hold before the module may go: no thread inside it, none of its threads alive,
// nothing it opened still open. A fault is written, and then the threads are stopped
// anyway, so that the run reports the fault instead of crashing.
void CheckBeforeUnload() {
  auto& sched = emu::Scheduler::Instance();
  const auto inside = sched.ThreadsInsideCallbacks();
  if (!inside.empty())
    Fault("host threads inside the plug-in at unload", inside);
  if (const std::size_t alive = sched.ModuleThreadCount()) {
    Fault("plug-in threads alive at unload", {std::to_string(alive) + " thread(s)"});
    sched.StopModuleThreads();
    sched.JoinModuleThreads();
  }
  std::vector<std::string> open;
  for (const auto& s : emu::EventLogService::Instance().Open())
    open.push_back(s.query);
  if (!open.empty())
    Fault("event-log subscriptions open at unload", open);
  if (const auto keys = emu::OpenRegistryKeys(); !keys.empty())
    Fault("registry keys open at unload", keys);
  if (const auto handles = emu::OpenProcessHandles(); !handles.empty())
    Fault("process handles open at unload", handles);
  if (const auto files = emu::OpenDriveFiles(); !files.empty())
    Fault("file handles open at unload", files);
  if (const auto windows = emu::UserInterface::OpenWindows(); !windows.empty())
    Fault("windows open at unload", windows);
  if (const auto notifications = emu::UserInterface::OpenNotifications(); !notifications.empty())
    Fault("device notifications registered at unload", notifications);
  if (const auto toolkitWindows = emu::Toolkit::LiveWindows(); !toolkitWindows.empty())
    Fault("toolkit window objects alive at unload", toolkitWindows);
}

// After the unload: no device left disabled or uninstalled, no library left loaded, no
// thread of the run left behind. At the end of the run the laptop shuts down first: the
// processes still running end; at a restart of the plug-in they run on.
void CheckAfterUnload(bool shutDown) {
  if (shutDown)
    emu::ProcessTable::Instance().EndAll();
  // A disabled device that has gone away (a card pulled while a repair had it disabled)
  // cannot be enabled by anyone; those still present must not stay disabled.
  std::vector<std::string> disabled;
  const auto tree = emu::DeviceTree();
  for (const auto& id :
       emu::Laptop::Instance().Json(emu::FactOf("disabled_devices", emu::FactType::Texts))) {
    const bool present = std::any_of(tree.begin(), tree.end(), [&id](const emu::TreeDevice& d) {
      return std::find(d.hardwareIds.begin(), d.hardwareIds.end(), id.get<std::string>()) !=
             d.hardwareIds.end();
    });
    if (present)
      disabled.push_back(id.get<std::string>());
  }
  if (!disabled.empty())
    Fault("devices left disabled", disabled);
  std::vector<std::string> uninstalled;
  for (const auto& device :
       emu::Laptop::Instance().Json(emu::FactOf("devices", emu::FactType::List))) {
    if (device.is_object() && device.value("uninstalled", false))
      uninstalled.push_back(device.value("hardware_ids", nlohmann::json::array()).dump());
  }
  if (!uninstalled.empty())
    Fault("devices left uninstalled", uninstalled);
  // The plug-in and the vendor libraries it loads are gone with it.
  std::vector<std::string> loaded;
  for (const char* module : {"DeviceFaultDetectPlugin.dll", "RtkBTReset.dll", "TactraHidAPI.dll"}) {
    if (platform::GetModuleHandleA(module))
      loaded.push_back(module);
  }
  if (!loaded.empty())
    Fault("libraries left loaded", loaded);
  std::vector<std::string> left;
  for (const auto& thread : emu::Scheduler::Instance().WaitForOthersToFinish()) {
    // The laptop's running programs outlive a restart of the plug-in.
    const bool program = !shutDown && thread.rfind("process ", 0) == 0;
    if (thread.find("(idle)") == std::string::npos && !program)
      left.push_back(thread);
  }
  if (!left.empty())
    Fault("threads left behind", left);
}

// One life of the plug-in: loaded, created and initialised; the timeline played up to the
// stop; Uninit, the unload checks and the unload. Returns whether the plug-in was created.
bool PlayOneLife(const std::vector<emu::TimelineEntry>& entries,
                 std::vector<emu::TimelineEntry>::const_iterator& next, std::int64_t stopMs,
                 RunResult& result) {
  const LoadedPlugin loaded = LoadPlugin();
  if (result.error.empty())
    result.error = loaded.error;
  if (loaded.object) {
    emu::Timeline timeline;
    timeline.OnFactsChanged("config", InstallConfigFile);
    auto* vexPlugin = static_cast<IVexPlugin*>(loaded.object);
    const bool initOk = vexPlugin->Init();
    NoteHost("init", {{"result", initOk}});
    result.ok = result.ok && initOk;
    for (; next != entries.end() && next->atMs <= stopMs; ++next) {
      SleepUntilMs(next->atMs);
      timeline.Apply(*next);
    }
    SleepUntilMs(stopMs);
    vexPlugin->Uninit();
    NoteHost("uninit");
    delete loaded.object;
  }  // the requesters leave the bus
  else {
    result.ok = false;
  }
  if (loaded.plugin) {
    CheckBeforeUnload();
    platform::FreeLibrary(loaded.plugin);
    NoteHost("unload");
  }
  if (loaded.manager)
    platform::FreeLibrary(loaded.manager);
  return loaded.object != nullptr;
}

}  // namespace

RunResult RunScenario(const emu::Scenario& scenario, const RunOptions& options) {
  auto& sched = emu::Scheduler::Instance();
  sched.AdoptCurrentThread("host timeline");
  // A schedule orders a serial run on the virtual clock; other runs have no order to choose.
  const bool serial =
      options.mode == emu::RunMode::Deterministic && options.clock == emu::ClockMode::Virtual;
  const std::optional<std::uint64_t> chosen = options.seed ? options.seed : scenario.scheduleSeed;
  // Read out at once: GCC at -O2 takes a later read of the optional for an uninitialised one.
  const bool seeded = serial && chosen.has_value();
  const std::uint64_t seed = chosen.value_or(0);
  const emu::Schedule schedule = seeded ? emu::Schedule::FromSeed(seed) : emu::Schedule{};
  sched.Reset(options.clock, options.mode, schedule);
  emu::Transcript::Instance().Clear();
  if (seeded) {
    // The first line says how to play the run again.
    NoteHost("schedule", {{"seed", seed}, {"preempt_percent", schedule.preemptPercent}});
  }
  emu::LoadLaptop(scenario.laptop);
  emu::Faults::Instance().Load(scenario.faults);
  InstallConfigFile();
  emu::Laptop::Instance().SetStartEpochMs(scenario.startEpochMs);

  RunResult result;
  result.ok = true;
  const std::int64_t runFor = options.forMs.value_or(scenario.runForMs);
  // The plug-in's lives: each ends in an unload, at a restart or at the end of the run.
  std::vector<std::int64_t> stops;
  for (const std::int64_t at : scenario.restartsAtMs) {
    if (at < runFor)
      stops.push_back(at);
  }
  stops.push_back(runFor);
  auto next = scenario.timeline.begin();
  for (std::size_t life = 0; life < stops.size(); ++life) {
    const bool last = life + 1 == stops.size();
    if (!PlayOneLife(scenario.timeline, next, stops[life], result) || last) {
      CheckAfterUnload(true);
      break;
    }
    CheckAfterUnload(false);
  }
  sched.ReleaseCurrentThread();
  result.transcript = emu::Transcript::Instance().Lines();
  result.seamCalls = emu::Faults::Instance().Counts();
  return result;
}

}  // namespace fdhost
