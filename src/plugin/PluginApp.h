#pragma once
// The module's application object: its start and end hooks attach the module to the
// plug-in manager and detach it again.
#include "hostapi/WinApp.h"

class CPluginApp : public CWinApp {
 public:
  BOOL InitInstance() override;
  int ExitInstance() override;
};
