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
  if (const auto windows = emu::UserInterface::OpenWindows(); !windows.empty())
    Fault("windows open at unload", windows);
  if (const auto notifications = emu::UserInterface::OpenNotifications(); !notifications.empty())
    Fault("device notifications registered at unload", notifications);
  if (const auto toolkitWindows = emu::Toolkit::LiveWindows(); !toolkitWindows.empty())
    Fault("toolkit window objects alive at unload", toolkitWindows);
}

// After the unload: no device left disabled or uninstalled, no thread of the run left behind.
// The laptop shuts down first: the processes still running end.
void CheckAfterUnload() {
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
    if (thread.find("(idle)") == std::string::npos)
      left.push_back(thread);
  }
  if (!left.empty())
    Fault("threads left behind", left);
}

}  // namespace

RunResult RunScenario(const emu::Scenario& scenario, const RunOptions& options) {
  auto& sched = emu::Scheduler::Instance();
  sched.AdoptCurrentThread("host timeline");
  // A schedule orders a serial run on the virtual clock; other runs have no order to choose.
  const bool serial =
      options.mode == emu::RunMode::Deterministic && options.clock == emu::ClockMode::Virtual;
  const std::optional<std::uint64_t> seed = !serial        ? std::nullopt
                                            : options.seed ? options.seed
                                                           : scenario.scheduleSeed;
  const emu::Schedule schedule = seed ? emu::Schedule::FromSeed(*seed) : emu::Schedule{};
  sched.Reset(options.clock, options.mode, schedule);
  emu::Transcript::Instance().Clear();
  if (seed) {
    // The first line says how to play the run again.
    NoteHost("schedule", {{"seed", *seed}, {"preempt_percent", schedule.preemptPercent}});
  }
  emu::LoadLaptop(scenario.laptop);
  emu::Faults::Instance().Load(scenario.faults);
  InstallConfigFile();
  emu::Laptop::Instance().SetStartEpochMs(scenario.startEpochMs);

  RunResult result;
  const std::int64_t runFor = options.forMs.value_or(scenario.runForMs);
  const LoadedPlugin loaded = LoadPlugin();
  HMODULE manager = loaded.manager;
  HMODULE plugin = loaded.plugin;
  x3::IObject* object = loaded.object;
  result.error = loaded.error;
  if (object) {
    {
      emu::Timeline timeline;
      timeline.OnFactsChanged("config", InstallConfigFile);
      auto* vexPlugin = static_cast<IVexPlugin*>(object);
      const bool initOk = vexPlugin->Init();
      NoteHost("init", {{"result", initOk}});
      result.ok = initOk;
      for (const auto& entry : scenario.timeline) {
        if (entry.atMs > runFor)
          break;
        SleepUntilMs(entry.atMs);
        timeline.Apply(entry);
      }
      SleepUntilMs(runFor);
      vexPlugin->Uninit();
      NoteHost("uninit");
      delete object;
    }  // the requesters leave the bus
  }
  if (plugin) {
    CheckBeforeUnload();
    platform::FreeLibrary(plugin);
    NoteHost("unload");
  }
  if (manager)
    platform::FreeLibrary(manager);
  CheckAfterUnload();
  sched.ReleaseCurrentThread();
  result.transcript = emu::Transcript::Instance().Lines();
  result.seamCalls = emu::Faults::Instance().Counts();
  return result;
}

}  // namespace fdhost
