#pragma once
// The common callback of the plug-in's System event-log subscriptions.
#include "platform/EventLog.h"

namespace ipc {

DWORD EventLogCallback(platform::EVT_SUBSCRIBE_NOTIFY_ACTION action, void* context,
                       platform::EVT_HANDLE event);

}  // namespace ipc
