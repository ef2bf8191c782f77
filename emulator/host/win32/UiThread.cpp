// The host's user-interface thread on Windows: one thread with a message loop, started with
// the first job, that runs the toolkit's main-queue jobs (posted to it as thread messages) and
// the procedures of every window created on it. It lives as long as the process, as the
// host's does. (On the Linux build the virtual Windows has this thread.)
#include <functional>
#include <memory>

#include "emu/UserInterface.h"

// After the platform headers, whose constants the SDK's macros would rewrite.
#include <windows.h>

namespace {

constexpr UINT kRunJob = WM_APP + 1;

DWORD WINAPI Loop(void* ready) {
  MSG message;
  // The first call of a message function gives the thread its queue; only then may jobs be
  // posted to it.
  PeekMessageW(&message, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
  SetEvent(static_cast<HANDLE>(ready));
  for (;;) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == -1)
      return 1;
    // A quit message (got 0) comes from a window of a plug-in that ends its own loop; the
    // host's thread serves the other windows and jobs on, as long as the process lives.
    if (got == 0)
      continue;
    if (!message.hwnd && message.message == kRunJob) {
      std::unique_ptr<std::function<void()>> job(
          reinterpret_cast<std::function<void()>*>(message.lParam));
      (*job)();
      continue;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

DWORD UiThreadId() {
  static const DWORD id = [] {
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    DWORD threadId = 0;
    HANDLE thread = CreateThread(nullptr, 0, &Loop, ready, 0, &threadId);
    if (thread) {
      WaitForSingleObject(ready, INFINITE);
      CloseHandle(thread);
    }
    CloseHandle(ready);
    return threadId;
  }();
  return id;
}

}  // namespace

namespace emu {

bool UserInterface::Post(std::function<void()> job) {
  auto* posted = new std::function<void()>(std::move(job));
  if (!PostThreadMessageW(UiThreadId(), kRunJob, 0, reinterpret_cast<LPARAM>(posted))) {
    delete posted;
    return false;
  }
  return true;
}

void UserInterface::SetWindowRect(void* window, const platform::RECT& rect) {
  ::MoveWindow(static_cast<HWND>(window), rect.left, rect.top, rect.right - rect.left,
               rect.bottom - rect.top, TRUE);
}

}  // namespace emu
