// Load and unload of the shared library. Only the shared library has this file: the unit
// tests link the same code statically and drive the exports themselves.
#include "platform/Module.h"
#include "platform/ModuleEntry.h"
#include "platform/Thread.h"
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
  // No thread may run the module's code once it is unmapped: stop them while everything
  // they use still exists, then leave the plug-in manager.
  platform::ShutdownModuleThreads();
  App().ExitInstance();
}

}  // namespace

PLATFORM_MODULE_ENTRY(OnAttach, OnDetach)
