#pragma once
// The toolkit's paint manager (the control tree of one window) and its notification
// interfaces.
#include "hostapi/DuiLib/UIString.h"
#include "platform/Window.h"

namespace DuiLib {

class CControlUI;

// A notification from a control: "click", "selectchanged", ...
struct TNotifyUI {
  CDuiString sType;
  CDuiString sVirtualWnd;
  CControlUI* pSender = nullptr;
  DWORD dwTimestamp = 0;
  platform::POINT ptMouse;
  platform::WPARAM wParam = 0;
  platform::LPARAM lParam = 0;
};

class INotifyUI {
 public:
  virtual void Notify(TNotifyUI& msg) = 0;

 protected:
  ~INotifyUI() = default;
};

class IMessageFilterUI {
 public:
  virtual platform::LRESULT MessageHandler(platform::UINT uMsg, platform::WPARAM wParam,
                                           platform::LPARAM lParam, bool& bHandled) = 0;

 protected:
  ~IMessageFilterUI() = default;
};

class CPaintManagerUI {
 public:
  CPaintManagerUI();
  ~CPaintManagerUI();
  CPaintManagerUI(const CPaintManagerUI&) = delete;
  CPaintManagerUI& operator=(const CPaintManagerUI&) = delete;

  // The window whose controls this manager paints.
  platform::HWND GetPaintWindow() const;
  // The control of that name, or null.
  CControlUI* FindControl(LPCTSTR name) const;
};

}  // namespace DuiLib
