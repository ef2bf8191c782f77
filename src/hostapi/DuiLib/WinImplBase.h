#pragma once
// The toolkit's ready-made window: loads its layout from a skin file when created, keeps the
// controls in a paint manager and routes their notifications to Notify.
#include "hostapi/DuiLib/UIBase.h"
#include "hostapi/DuiLib/UIControl.h"
#include "hostapi/DuiLib/UIManager.h"

namespace DuiLib {

// Creates controls of kinds the layout builder does not know.
class IDialogBuilderCallback {
 public:
  virtual CControlUI* CreateControl(LPCTSTR pstrClass) = 0;

 protected:
  ~IDialogBuilderCallback() = default;
};

// Gives the text of a control whose layout names a text id.
class IQueryControlText {
 public:
  virtual LPCTSTR QueryControlText(LPCTSTR lpstrId, LPCTSTR lpstrType) = 0;

 protected:
  ~IQueryControlText() = default;
};

class WindowImplBase : public CWindowWnd,
                       public CNotifyPump,
                       public INotifyUI,
                       public IMessageFilterUI,
                       public IDialogBuilderCallback,
                       public IQueryControlText {
 public:
  WindowImplBase();
  ~WindowImplBase() override;

  // Called once the window is created and its layout loaded.
  virtual void InitWindow();
  void OnFinalMessage(platform::HWND hWnd) override;
  void Notify(TNotifyUI& msg) override;
  platform::LRESULT MessageHandler(platform::UINT uMsg, platform::WPARAM wParam,
                                   platform::LPARAM lParam, bool& bHandled) override;
  CControlUI* CreateControl(LPCTSTR pstrClass) override;
  LPCTSTR QueryControlText(LPCTSTR lpstrId, LPCTSTR lpstrType) override;

 protected:
  // The layout file, relative to the skin folder, and that folder.
  virtual CDuiString GetSkinFile() = 0;
  virtual CDuiString GetSkinFolder() = 0;
  // WM_CREATE loads the layout and calls InitWindow; Alt+F4 and WM_CLOSE close the window.
  platform::LRESULT HandleMessage(platform::UINT uMsg, platform::WPARAM wParam,
                                  platform::LPARAM lParam) override;

  CPaintManagerUI m_pm;
};

}  // namespace DuiLib
