#include "ipc/EventLogCallback.h"

namespace ipc {

DWORD EventLogCallback(platform::EVT_SUBSCRIBE_NOTIFY_ACTION, void*, platform::EVT_HANDLE) {
  // Records are rendered, parsed and handed to the disk monitor and the Bluetooth handler
  // once the event-log renderer exists; until then a delivered record is acknowledged only.
  return 0;
}

}  // namespace ipc
