// The event log over Win32 (wevtapi): subscriptions with a structured query, rendering an
// event as XML, closing.
#include "platform/EventLog.h"

#include "Win32.h"
// After <windows.h>.
#include <winevt.h>

namespace platform {

EVT_HANDLE EvtSubscribe(const std::wstring& channel, const std::wstring& query, void* context,
                        EVT_SUBSCRIBE_CALLBACK callback, DWORD flags) {
  static_assert(sizeof(::EVT_HANDLE) == sizeof(EVT_HANDLE));
  static_assert(static_cast<int>(::EvtSubscribeActionDeliver) ==
                static_cast<int>(EvtSubscribeActionDeliver));
  // The seam's callback has Windows's signature in every argument's size and meaning.
  auto windowsCallback =
      reinterpret_cast<::EVT_SUBSCRIBE_CALLBACK>(reinterpret_cast<void (*)()>(callback));
  return ::EvtSubscribe(nullptr, nullptr, channel.c_str(), query.c_str(), nullptr, context,
                        windowsCallback, flags);
}

bool EvtClose(EVT_HANDLE handle) {
  return ::EvtClose(handle) != 0;
}

bool EvtRender(EVT_HANDLE event, DWORD flags, DWORD bufferSize, wchar_t* buffer,
               DWORD* bufferUsed) {
  DWORD used = 0;
  DWORD properties = 0;
  const BOOL ok = ::EvtRender(nullptr, event, flags, bufferSize, buffer, &used, &properties);
  if (bufferUsed)
    *bufferUsed = used;
  return ok != 0;
}

}  // namespace platform
