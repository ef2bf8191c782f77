// The host's user-interface thread on Windows: the toolkit's main-queue jobs run in order on
// one thread of their own, which also runs the procedures of the windows created there, and a
// plug-in's quit message does not end it.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "hostapi/UIMainQueue.h"
#include "platform/Window.h"

// After the platform headers (see backends/win32/Win32.h).
#include <windows.h>

namespace {

// Waits (up to 10 s) for the jobs dispatched before it to have run.
bool Drain() {
  std::atomic<bool> done{false};
  DuiLib::UIMainQueue::getInstance().dispatch([&done] { done = true; });
  for (int i = 0; i < 1000 && !done; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return done;
}

platform::LRESULT Procedure(platform::HWND window, platform::UINT message, platform::WPARAM wParam,
                            platform::LPARAM lParam) {
  if (message == WM_DESTROY) {
    platform::PostQuitMessage(0);  // as the plug-in's device change window does
    return 0;
  }
  return platform::DefWindowProcW(window, message, wParam, lParam);
}

TEST(UiThread, JobsRunInOrderOnOneThreadThatOutlivesAQuitMessage) {
  std::vector<int> order;
  std::vector<DWORD> threads;
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(DuiLib::UIMainQueue::getInstance().dispatch([&, i] {
      order.push_back(i);
      threads.push_back(GetCurrentThreadId());
    }));
  }
  EXPECT_FALSE(DuiLib::UIMainQueue::getInstance().dispatch(nullptr));
  ASSERT_TRUE(Drain());
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));
  ASSERT_EQ(threads.size(), 3u);
  EXPECT_EQ(threads[0], threads[2]);
  EXPECT_NE(threads[0], GetCurrentThreadId());

  // A window of the UI thread, closed from there: its WM_DESTROY posts a quit message.
  std::atomic<platform::HWND> window{nullptr};
  DuiLib::UIMainQueue::getInstance().dispatch([&window] {
    platform::WNDCLASSEXW windowClass;
    windowClass.lpfnWndProc = &Procedure;
    windowClass.lpszClassName = L"FdUiThreadTest";
    platform::RegisterClassExW(windowClass);
    window = platform::CreateWindowExW(0, L"FdUiThreadTest", L"", 0, 0, 0, 10, 10, nullptr, nullptr,
                                       nullptr, nullptr);
  });
  ASSERT_TRUE(Drain());
  ASSERT_NE(window.load(), nullptr);
  // Sent from this thread, run on the window's.
  EXPECT_EQ(platform::SendMessageW(window.load(), WM_CLOSE, 0, 0), 0);
  EXPECT_TRUE(Drain());  // the queue still runs jobs after the quit message
}

}  // namespace
