#include "plugin/PluginApp.h"

#include "plugin/Exports.h"

BOOL CPluginApp::InitInstance() {
  CWinApp::InitInstance();
  return x3InitPlugin(m_hInstance, nullptr) ? 1 : 0;
}

int CPluginApp::ExitInstance() {
  x3FreePlugin();
  return CWinApp::ExitInstance();
}
