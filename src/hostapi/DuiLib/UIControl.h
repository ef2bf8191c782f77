#pragma once
// A control of a toolkit window: name, position in the window's client area, text,
// visibility and the user data a layout may give it.
#include "hostapi/DuiLib/UIString.h"
#include "platform/Window.h"

namespace DuiLib {

class CPaintManagerUI;

class CControlUI {
 public:
  CControlUI();
  virtual ~CControlUI();
  CControlUI(const CControlUI&) = delete;
  CControlUI& operator=(const CControlUI&) = delete;

  virtual CDuiString GetName() const;
  virtual void SetName(LPCTSTR name);
  virtual const platform::RECT& GetPos() const;
  virtual void SetPos(platform::RECT rc);
  virtual CDuiString GetText() const;
  virtual void SetText(LPCTSTR text);
  virtual bool IsVisible() const;
  virtual void SetVisible(bool visible = true);
  virtual CDuiString GetUserData();
  virtual void SetUserData(LPCTSTR text);

  void SetManager(CPaintManagerUI* manager) { m_pManager = manager; }
  CPaintManagerUI* GetManager() const { return m_pManager; }

 protected:
  CPaintManagerUI* m_pManager = nullptr;
  CDuiString m_sName;
  CDuiString m_sText;
  CDuiString m_sUserData;
  platform::RECT m_rcItem;
  bool m_bVisible = true;
};

}  // namespace DuiLib
