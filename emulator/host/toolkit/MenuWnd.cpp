// The toolkit's pop-up menu: a window built from a menu layout, opened with its top-left
// corner at the given screen point (its owner usually moves it afterwards), closed by a
// choice.
#include <stdexcept>

#include "ToolkitState.h"

namespace DuiLib {

using emu::toolkit::Note;
using emu::toolkit::Tables;

CMenuWnd::CMenuWnd() {
  std::lock_guard lock(Tables().mu);
  Tables().menuItems[this] = std::make_unique<emu::toolkit::MenuItems>();
}

CMenuWnd::~CMenuWnd() {
  std::unique_ptr<emu::toolkit::MenuItems> items;  // its controls go outside the lock
  std::lock_guard lock(Tables().mu);
  if (auto it = Tables().menuItems.find(this); it != Tables().menuItems.end()) {
    items = std::move(it->second);
    Tables().menuItems.erase(it);
  }
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
  auto& items = emu::toolkit::ItemsOf(*this);
  try {
    items.layout = emu::toolkit::LoadLayout(xml.m_lpstr ? xml.m_lpstr : L"", true);
  } catch (const std::runtime_error& e) {
    Note("layout_error", {{"window", "MenuWnd"}, {"error", e.what()}});
    return;
  }
  items.owner = pMainPaintManager;
  const auto& layout = items.layout;
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
MenuItems& ItemsOf(const DuiLib::CMenuWnd& menu) {
  std::lock_guard lock(Tables().mu);
  return *Tables().menuItems.at(&menu);
}

const DuiLib::CMenuWnd* OpenMenuOf(platform::HWND owner) {
  std::vector<std::pair<const DuiLib::CMenuWnd*, DuiLib::CPaintManagerUI*>> menus;
  {
    std::lock_guard lock(Tables().mu);
    for (const auto& [menu, items] : Tables().menuItems)
      menus.emplace_back(menu, items->owner);
  }
  for (const auto& [menu, manager] : menus) {
    if (menu->GetHWND() && manager && manager->GetPaintWindow() == owner)
      return menu;
  }
  return nullptr;
}

// The menu's item carrying the user data, or null.
DuiLib::CMenuElementUI* MenuItemWith(const DuiLib::CMenuWnd& menu, const std::wstring& userData) {
  for (auto& control : ItemsOf(menu).layout.controls) {
    if (control->GetUserData() == userData.c_str())
      return static_cast<DuiLib::CMenuElementUI*>(control.get());
  }
  return nullptr;
}

}  // namespace emu::toolkit
