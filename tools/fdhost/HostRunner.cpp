#include "fdhost/HostRunner.h"

#include "emu/Laptop.h"
#include "emu/Timeline.h"
#include "emu/VendorHooks.h"
#include "fdhost/ConfigFile.h"
#include "hostapi/X3PluginManager.h"
#include "platform/Module.h"

namespace fdhost {

namespace {

constexpr char kPluginClassId[] = "E6D95242-03DB-4F6B-8CBA-346ED41B643B";

void Note(const std::string& op, emu::Line extra = emu::Line::object()) {
  emu::Line fields = {{"op", op}};
  for (auto& [key, value] : extra.items())
    fields[key] = value;
  emu::Transcript::Instance().Write("host", fields);
}

void SleepUntilMs(std::int64_t ms) {
  emu::Scheduler::Instance().SleepUntilNs(ms * 1000000);
}

}  // namespace

std::uint32_t InterfaceIdOf(const char* interfaceName) {
  std::uint32_t hash = 0;
  for (const char* p = interfaceName; *p; ++p) {
    hash = hash * 33 + static_cast<std::uint32_t>(static_cast<signed char>(*p));
  }
  return hash;
}

RunResult RunScenario(const emu::Scenario& scenario, const RunOptions& options) {
  auto& sched = emu::Scheduler::Instance();
  sched.Reset(options.clock, options.mode);
  emu::Transcript::Instance().Clear();
  emu::LoadLaptop(scenario.laptop);
  InstallConfigFile();
  emu::Laptop::Instance().SetStartEpochMs(scenario.startEpochMs);
  sched.AdoptCurrentThread();

  RunResult result;
  const std::int64_t runFor = options.forMs.value_or(scenario.runForMs);
  HMODULE manager = platform::LoadLibraryExA("PluginsManager.dll", nullptr, 0);
  HMODULE plugin =
      manager ? platform::LoadLibraryExA("DeviceFaultDetectPlugin.dll", nullptr, 0) : nullptr;
  auto create = reinterpret_cast<PFNX3CREATEOBJECTBYCLASSID>(
      platform::GetProcAddress(manager, "x3CreateObjectByClassId"));
  x3::IObject* object = nullptr;
  if (!plugin || !create) {
    result.error = "cannot load the plug-in manager or the plug-in";
  } else if (!create(kPluginClassId, InterfaceIdOf("IVexPlugin"), &object) || !object) {
    result.error = "the plug-in manager could not create the plug-in object";
  }
  if (object) {
    {
      emu::Timeline timeline;
      auto* vexPlugin = static_cast<IVexPlugin*>(object);
      const bool initOk = vexPlugin->Init();
      Note("init", {{"result", initOk}});
      result.ok = initOk;
      for (const auto& entry : scenario.timeline) {
        if (entry.atMs > runFor)
          break;
        SleepUntilMs(entry.atMs);
        timeline.Apply(entry);
      }
      SleepUntilMs(runFor);
      vexPlugin->Uninit();
      Note("uninit");
      delete object;
    }  // the requesters leave the bus
  }
  if (plugin) {
    platform::FreeLibrary(plugin);
    Note("unload");
  }
  if (manager)
    platform::FreeLibrary(manager);
  sched.ReleaseCurrentThread();
  result.transcript = emu::Transcript::Instance().Lines();
  return result;
}

}  // namespace fdhost
