#pragma once
// The fix-remind dialog's manager: asks the host to pop the prompt up, repairs the EventLog
// service registration when the user asks, and asks the host to restart Windows. (The
// prompt's window comes with the host's window toolkit.)
class CIPCMessageClient;

class FixpRemindRestartManager {
 public:
  // Posts through the client (the dispatcher singleton); not owned.
  void SetIpcClient(CIPCMessageClient* client) { m_pIpcClient = client; }

  // Asks the pop-up client 0x40000 (message 0x40003) to show this window.
  void PostPoPupMsgToMC();
  // Asks client 0x30000 (message 0xF0006, no payload) to restart Windows.
  void RestartNow();

  // Registers the event log service library again ("ServiceDll" as an expandable string);
  // a failure is only logged.
  static void FixNow();

 private:
  CIPCMessageClient* m_pIpcClient = nullptr;
};
