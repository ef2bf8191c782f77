#include "fdhost/PluginObject.h"

#include "hostapi/X3PluginManager.h"
#include "platform/Module.h"

namespace fdhost {

namespace {
constexpr char kPluginClassId[] = "E6D95242-03DB-4F6B-8CBA-346ED41B643B";
}  // namespace

std::uint32_t InterfaceIdOf(const char* interfaceName) {
  std::uint32_t hash = 0;
  for (const char* p = interfaceName; *p; ++p) {
    hash = hash * 33 + static_cast<std::uint32_t>(static_cast<signed char>(*p));
  }
  return hash;
}

void NoteHost(const std::string& op, emu::Line extra) {
  emu::Line fields = {{"op", op}};
  for (auto& [key, value] : extra.items())
    fields[key] = value;
  emu::Transcript::Instance().Write("host", fields);
}

LoadedPlugin LoadPlugin() {
  LoadedPlugin loaded;
  loaded.manager = platform::LoadLibraryExA("PluginsManager.dll", nullptr, 0);
  loaded.plugin = loaded.manager
                      ? platform::LoadLibraryExA("DeviceFaultDetectPlugin.dll", nullptr, 0)
                      : nullptr;
  auto create = platform::ProcAs<PFNX3CREATEOBJECTBYCLASSID>(
      platform::GetProcAddress(loaded.manager, "x3CreateObjectByClassId"));
  if (!loaded.plugin || !create) {
    loaded.error = "cannot load the plug-in manager or the plug-in";
  } else if (!create(kPluginClassId, InterfaceIdOf("IVexPlugin"), &loaded.object) ||
             !loaded.object) {
    loaded.error = "the plug-in manager could not create the plug-in object";
    loaded.object = nullptr;
  }
  return loaded;
}

}  // namespace fdhost
