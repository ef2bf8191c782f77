#pragma once
// The fix-remind dialog's manager: the repair of the EventLog service registration the user
// asks for. (The dialog's window comes with the host's window toolkit.)

class FixpRemindRestartManager {
 public:
  // Registers the event log service library again ("ServiceDll" as an expandable string);
  // a failure is only logged.
  static void FixNow();
};
