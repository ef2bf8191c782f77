#pragma once
// The toolkit's pop-up menu: a window built from a menu layout whose items are menu
// elements. A click on an item sends WM_MENUCLICK to the window of the paint manager the
// menu was opened for, with the element as the first parameter.
#include <map>

#include "hostapi/DuiLib/UIBase.h"
#include "hostapi/DuiLib/UIControl.h"

namespace DuiLib {

constexpr platform::UINT WM_MENUCLICK = platform::WM_USER + 121;

// Where the menu opens against its point.
enum MenuAlignment : DWORD {
  eMenuAlignment_Left = 1 << 1,
  eMenuAlignment_Top = 1 << 2,
  eMenuAlignment_Right = 1 << 3,
  eMenuAlignment_Bottom = 1 << 4,
};

class CMenuElementUI : public CControlUI {};

// A layout given by its file name.
class STRINGorID {
 public:
  STRINGorID(LPCTSTR text) : m_lpstr(text) {}  // NOLINT(google-explicit-constructor)
  LPCTSTR m_lpstr;
};

class CMenuWnd : public CWindowWnd {
 public:
  CMenuWnd();
  ~CMenuWnd() override;

  // Loads the layout and opens the menu at the screen point.
  void Init(CMenuElementUI* pOwner, STRINGorID xml, platform::POINT point,
            CPaintManagerUI* pMainPaintManager,
            std::map<CDuiString, bool>* pMenuCheckInfo = nullptr,
            DWORD dwAlignment = eMenuAlignment_Left | eMenuAlignment_Top);

 protected:
  LPCTSTR GetWindowClassName() const override;
  platform::LRESULT HandleMessage(platform::UINT uMsg, platform::WPARAM wParam,
                                  platform::LPARAM lParam) override;
};

}  // namespace DuiLib
