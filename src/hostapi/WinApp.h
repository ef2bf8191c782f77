#pragma once
// The Windows class framework's application object, as far as a plug-in module uses it.
#include "platform/WinTypes.h"

class CWinApp {
 public:
  CWinApp();
  virtual ~CWinApp();
  virtual BOOL InitInstance();
  virtual int ExitInstance();

  HMODULE m_hInstance = nullptr;
};
