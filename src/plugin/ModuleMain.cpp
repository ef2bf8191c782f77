// Load and unload of the shared library. Only the shared library has this file: the unit
// tests link the same code statically and drive the exports themselves.
#include "platform/Module.h"
#include "platform/ModuleEntry.h"
#include "plugin/PluginApp.h"

namespace {

CPluginApp& App() {
  static CPluginApp app;
  return app;
}

void OnAttach() {
  App().m_hInstance = platform::GetModuleHandleFromAddress(reinterpret_cast<const void*>(&App));
  App().InitInstance();
}

void OnDetach() {
  // Only leaves the plug-in manager: the entry point never waits (on Windows it runs under
  // the loader lock). The plug-in's threads were stopped and joined by Uninit.
  App().ExitInstance();
}

}  // namespace

PLATFORM_MODULE_ENTRY(OnAttach, OnDetach)
