#pragma once
// The Windows event log API: subscriptions to a channel with a structured query.
#include <functional>
#include <string>

#include "platform/WinTypes.h"

namespace platform {

using EVT_HANDLE = void*;

constexpr DWORD EvtSubscribeToFutureEvents = 1;
constexpr DWORD EvtSubscribeStartAtOldestRecord = 2;

enum EVT_SUBSCRIBE_NOTIFY_ACTION { EvtSubscribeActionError = 0, EvtSubscribeActionDeliver = 1 };

// The subscription callback: action, context, and the event handle (valid during the call).
using EVT_SUBSCRIBE_CALLBACK = DWORD (*)(EVT_SUBSCRIBE_NOTIFY_ACTION action, void* context,
                                         EVT_HANDLE event);

// EvtSubscribe(nullptr session, nullptr signal, channel, query, nullptr bookmark, context,
// callback, flags). Null on failure (GetLastError tells why).
EVT_HANDLE EvtSubscribe(const std::wstring& channel, const std::wstring& query, void* context,
                        EVT_SUBSCRIBE_CALLBACK callback, DWORD flags);

// EvtClose.
bool EvtClose(EVT_HANDLE handle);

constexpr DWORD EvtRenderEventXml = 1;
// EvtRender(nullptr, event, EvtRenderEventXml, bufferSize, buffer, &bufferUsed, &count):
// sizes in bytes. A buffer that is too small (or none) fails with ERROR_INSUFFICIENT_BUFFER
// and the size needed in bufferUsed.
bool EvtRender(EVT_HANDLE event, DWORD flags, DWORD bufferSize, wchar_t* buffer, DWORD* bufferUsed);

}  // namespace platform
