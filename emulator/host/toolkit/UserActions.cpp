// What a person does to a shown toolkit window: clicks a control, presses Alt+F4, chooses an
// item of the window's open menu. Done on the UI thread, as the toolkit would; an action the
// screen does not allow (no such window shown, a hidden control, no open menu) is a
// "not_done" line.
#include "ToolkitState.h"
#include "emu/Toolkit.h"
#include "platform/Text.h"

namespace emu {

namespace {

using toolkit::Tables;

struct Target {
  platform::HWND window = nullptr;
  DuiLib::WindowImplBase* object = nullptr;
  DuiLib::CPaintManagerUI* manager = nullptr;
};

// The shown window of the class (any shown window built from a layout without one).
Target ShownWindow(const std::string& className) {
  std::lock_guard lock(Tables().mu);
  for (const auto& [window, record] : Tables().records) {
    if (!record.visible || !record.manager || (!className.empty() && record.className != className))
      continue;
    auto it = Tables().byHandle.find(window);
    if (it != Tables().byHandle.end())
      return {window, dynamic_cast<DuiLib::WindowImplBase*>(it->second), record.manager};
  }
  return {};
}

void NotDone(const nlohmann::json& action, const std::string& reason) {
  Line fields = {{"action", action}, {"reason", reason}};
  toolkit::Note("not_done", std::move(fields));
}

bool Shown(DuiLib::CPaintManagerUI& manager, DuiLib::CControlUI* control) {
  const auto& parents = toolkit::TreeOf(manager).layout.parents;
  for (; control; control = parents.count(control) ? parents.at(control) : nullptr) {
    if (!control->IsVisible())
      return false;
  }
  return true;
}

void Click(const Target& target, const nlohmann::json& action) {
  const std::wstring name = platform::Utf8ToWide(action["click"].get<std::string>());
  DuiLib::CControlUI* control = target.manager->FindControl(name.c_str());
  if (!control)
    return NotDone(action, "the window has no such control");
  if (!Shown(*target.manager, control))
    return NotDone(action, "the control is hidden");
  DuiLib::TNotifyUI msg;
  msg.sType = L"click";
  msg.pSender = control;
  target.object->Notify(msg);
}

void Choose(const Target& target, const nlohmann::json& action) {
  const DuiLib::CMenuWnd* menu = toolkit::OpenMenuOf(target.window);
  if (!menu)
    return NotDone(action, "the window has no open menu");
  // An item of the host's own menu layout may carry user data that the emulator's layout
  // has not: such a choice acts as an item carrying it.
  DuiLib::CMenuElementUI stray;
  DuiLib::CMenuElementUI* item = nullptr;
  if (!action["choose"].is_null()) {
    const std::wstring userData = platform::Utf8ToWide(action["choose"].get<std::string>());
    item = toolkit::MenuItemWith(*menu, userData);
    if (!item) {
      stray.SetUserData(userData.c_str());
      item = &stray;
    }
  }
  // The menu closes, then its owner hears of the choice.
  platform::SendMessageW(menu->GetHWND(), platform::WM_CLOSE, 0, 0);
  platform::SendMessageW(target.window, DuiLib::WM_MENUCLICK,
                         reinterpret_cast<platform::WPARAM>(item), 0);
}

void Perform(const nlohmann::json& action) {
  const Target target = ShownWindow(action.value("window", ""));
  if (!target.object)
    return NotDone(action, "no such window is shown");
  if (action.contains("click"))
    Click(target, action);
  else if (action.contains("key"))
    platform::SendMessageW(target.window, platform::WM_SYSKEYDOWN, platform::VK_F4,
                           0x20000000);  // bit 29: Alt is down
  else
    Choose(target, action);
}

}  // namespace

std::string Toolkit::CheckAction(const nlohmann::json& action) {
  if (!action.is_object())
    return "\"ui\" takes an object";
  if (action.contains("window") && !action["window"].is_string())
    return "\"window\" is the window's class name";
  const int given = static_cast<int>(action.contains("click")) +
                    static_cast<int>(action.contains("key")) +
                    static_cast<int>(action.contains("choose"));
  if (given != 1)
    return "needs one of \"click\", \"key\", \"choose\"";
  if (action.contains("click") && !action["click"].is_string())
    return "\"click\" is a control's name";
  if (action.contains("key") && action["key"] != "alt+f4")
    return "\"key\" is \"alt+f4\"";
  if (action.contains("choose") && !action["choose"].is_string() && !action["choose"].is_null())
    return "\"choose\" is a menu item's user data (text) or null";
  return {};
}

void Toolkit::Act(const nlohmann::json& action) {
  DuiLib::UIMainQueue::getInstance().dispatch([action] { Perform(action); });
}

std::vector<std::string> Toolkit::LiveWindows() {
  std::lock_guard lock(Tables().mu);
  std::vector<std::string> out;
  for (const auto& [object, className] : Tables().alive)
    out.push_back(className);
  return out;
}

void Toolkit::Reset() {
  std::lock_guard lock(Tables().mu);
  Tables().alive.clear();
  Tables().byHandle.clear();
  Tables().records.clear();
}

}  // namespace emu
