#pragma once
// The plug-in object the host creates: Init brings the plug-in to life, Uninit stops what
// the dispatcher started.
#include "hostapi/X3Object.h"

class FixpRemindRestartManager;

class CFaultDetectPlugin : public IVexPlugin {
 public:
  CFaultDetectPlugin() = default;
  ~CFaultDetectPlugin() override;

  const char* GetClassId() const override;
  const char* GetClassTypeName() const override;

  bool Init() override;
  void Uninit() override;
  bool Reserved1() override { return true; }
  bool Reserved2() override { return true; }

  // True when the EventLog service configuration needs the user's repair.
  static bool CheckForFix();

 private:
  // Runs on its own thread 10 s after Init on products that ask for it.
  static void StartupFixCheck(CFaultDetectPlugin* plugin);
  // On the user-interface thread: creates the prompt and asks the host to pop it up.
  void ShowRemindWindow();

  FixpRemindRestartManager* m_pRemindWnd = nullptr;
};
