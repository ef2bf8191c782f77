// The toolkit's pop-up menu: a window built from a menu layout, opened with its top-left
// corner at the given screen point (its owner usually moves it afterwards), closed by a
// choice.
#include <stdexcept>

#include "ToolkitState.h"

struct DuiLib::CMenuWnd::State {
  emu::toolkit::Layout layout;
  DuiLib::CPaintManagerUI* owner = nullptr;
};

namespace DuiLib {

using emu::toolkit::Note;
using emu::toolkit::Tables;

CMenuWnd::CMenuWnd() : state_(std::make_unique<State>()) {
  std::lock_guard lock(Tables().mu);
  Tables().menus.insert(this);
}

CMenuWnd::~CMenuWnd() {
  std::lock_guard lock(Tables().mu);
  Tables().menus.erase(this);
}

LPCTSTR CMenuWnd::GetWindowClassName() const {
  return L"MenuWnd";
}

platform::LRESULT CMenuWnd::HandleMessage(platform::UINT uMsg, platform::WPARAM wParam,
                                          platform::LPARAM lParam) {
  return CWindowWnd::HandleMessage(uMsg, wParam, lParam);
}

void CMenuWnd::Init(CMenuElementUI*, STRINGorID xml, platform::POINT point,
                    CPaintManagerUI* pMainPaintManager, std::map<CDuiString, bool>*,
                    DWORD dwAlignment) {
  try {
    state_->layout = emu::toolkit::LoadLayout(xml.m_lpstr ? xml.m_lpstr : L"", true);
  } catch (const std::runtime_error& e) {
    Note("layout_error", {{"window", "MenuWnd"}, {"error", e.what()}});
    return;
  }
  state_->owner = pMainPaintManager;
  const auto& layout = state_->layout;
  platform::HWND parent = pMainPaintManager ? pMainPaintManager->GetPaintWindow() : nullptr;
  if (!Create(parent, L"", 0, 0, point.x, point.y, layout.width, layout.height))
    return;
  {
    std::lock_guard lock(Tables().mu);
    Tables().records[m_hWnd].visible = true;
  }
  Note("menu", {{"window", "MenuWnd"},
                {"layout", layout.name},
                {"point", {point.x, point.y}},
                {"flags", dwAlignment},
                {"rect", {point.x, point.y, layout.width, layout.height}}});
}

}  // namespace DuiLib

namespace emu::toolkit {

// The open menu of the window, its owner, or null.
DuiLib::CMenuWnd* OpenMenuOf(platform::HWND owner) {
  std::lock_guard lock(Tables().mu);
  for (DuiLib::CMenuWnd* menu : Tables().menus) {
    if (menu->GetHWND() && menu->Items().owner && menu->Items().owner->GetPaintWindow() == owner)
      return menu;
  }
  return nullptr;
}

// The menu's item carrying the user data, or null.
DuiLib::CMenuElementUI* MenuItemWith(DuiLib::CMenuWnd& menu, const std::wstring& userData) {
  for (auto& control : menu.Items().layout.controls) {
    if (control->GetUserData() == userData.c_str())
      return static_cast<DuiLib::CMenuElementUI*>(control.get());
  }
  return nullptr;
}

}  // namespace emu::toolkit
