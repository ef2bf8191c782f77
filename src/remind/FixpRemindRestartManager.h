#pragma once
// The fix-remind prompt: a toolkit window that offers to repair the EventLog service
// registration ("fix" face) and then a restart of Windows ("restart" face), or to be put
// off for a while. The host's pop-up client shows it when asked; every choice is reported.
// All its operations run on the toolkit's user-interface thread.
#include <cstdint>

#include "hostapi/DuiLib/UIlib.h"

class CIPCMessageClient;

class FixpRemindRestartManager : public DuiLib::WindowImplBase {
 public:
  FixpRemindRestartManager() = default;
  ~FixpRemindRestartManager() override;

  // Posts through the client (the dispatcher singleton); not owned.
  void SetIpcClient(CIPCMessageClient* client) { m_pIpcClient = client; }

  // Asks the pop-up client 0x40000 (message 0x40003) to show this window.
  void PostPoPupMsgToMC();
  // Asks client 0x30000 (message 0xF0006, no payload) to restart Windows.
  void RestartNow();
  // Registers the event log service library again ("ServiceDll" as an expandable string);
  // a failure is only logged.
  static void FixNow();

  void ShowFixState();
  void ShowRestartState();
  // Opens the delay menu right above the delay button.
  void ShowDelayMenu();
  // 0, 1, 2: hide for 10 minutes, an hour, four hours; any other index closes the prompt.
  void OnDelayChosen(int index);
  // A pop-up request again after the delay (on the user-interface thread).
  void ScheduleRepopup(std::uint32_t milliseconds);

  void Notify(DuiLib::TNotifyUI& msg) override;
  void InitWindow() override;

 protected:
  DuiLib::LPCTSTR GetWindowClassName() const override;
  platform::LRESULT HandleMessage(platform::UINT uMsg, platform::WPARAM wParam,
                                  platform::LPARAM lParam) override;
  DuiLib::CDuiString GetSkinFile() override;
  DuiLib::CDuiString GetSkinFolder() override;

 private:
  CIPCMessageClient* m_pIpcClient = nullptr;
  DuiLib::CMenuWnd* m_pDelayMenu = nullptr;  // owned; replaced each time the menu opens
};
