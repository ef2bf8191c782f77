#pragma once
// The toolkit's window: a Windows window whose messages go to the object's HandleMessage,
// and the pump that hands notifications to a window's virtual windows.
#include "hostapi/DuiLib/UIManager.h"
#include "hostapi/DuiLib/UIString.h"
#include "platform/Window.h"

namespace DuiLib {

class CNotifyPump {
 public:
  virtual ~CNotifyPump() = default;
  // Hands the notification to the virtual window it names; false when none takes it.
  virtual bool NotifyPump(TNotifyUI& msg);
};

class CWindowWnd {
 public:
  CWindowWnd();
  virtual ~CWindowWnd();
  CWindowWnd(const CWindowWnd&) = delete;
  CWindowWnd& operator=(const CWindowWnd&) = delete;

  platform::HWND GetHWND() const { return m_hWnd; }
  operator platform::HWND() const { return m_hWnd; }  // NOLINT(google-explicit-constructor)

  // Registers the class of GetWindowClassName and creates the window; null on failure.
  platform::HWND Create(platform::HWND parent, LPCTSTR name, DWORD style, DWORD exStyle, int x = 0,
                        int y = 0, int cx = 0, int cy = 0);
  // Shows or hides a created window; nothing for a window not created yet.
  void ShowWindow(bool bShow = true, bool bTakeFocus = true);
  // Closes the window (it is destroyed); result is what a modal loop would return.
  void Close(platform::UINT nRet = 1);
  void CenterWindow();
  platform::LRESULT SendMessage(platform::UINT uMsg, platform::WPARAM wParam = 0,
                                platform::LPARAM lParam = 0);

 protected:
  virtual LPCTSTR GetWindowClassName() const = 0;
  virtual platform::LRESULT HandleMessage(platform::UINT uMsg, platform::WPARAM wParam,
                                          platform::LPARAM lParam);
  virtual void OnFinalMessage(platform::HWND hWnd);

  // The procedure of every toolkit window: finds the object and calls its HandleMessage.
  static platform::LRESULT WindowProc(platform::HWND hWnd, platform::UINT uMsg,
                                      platform::WPARAM wParam, platform::LPARAM lParam);

  platform::HWND m_hWnd = nullptr;
};

}  // namespace DuiLib
