// The toolkit's windows: a Windows window per object, whose procedure hands each message to
// the object's HandleMessage; WindowImplBase builds its controls from its layout when the
// window is created.
#include <set>
#include <stdexcept>

#include "ToolkitState.h"
#include "emu/UserInterface.h"

namespace emu::toolkit {

namespace {

// Class names outlive whoever registered them: the window class keeps a pointer to its name.
const wchar_t* StableClassName(const std::wstring& name) {
  static auto* names = new std::set<std::wstring>();
  std::lock_guard lock(Tables().mu);
  return names->insert(name).first->c_str();
}

DuiLib::CWindowWnd* ObjectOf(platform::HWND window) {
  std::lock_guard lock(Tables().mu);
  auto it = Tables().byHandle.find(window);
  return it == Tables().byHandle.end() ? nullptr : it->second;
}

std::string ClassOf(platform::HWND window) {
  std::lock_guard lock(Tables().mu);
  auto it = Tables().records.find(window);
  return it == Tables().records.end() ? std::string() : it->second.className;
}

}  // namespace

void PlaceWindow(platform::HWND window, const platform::RECT& rect) {
  UserInterface::SetWindowRect(window, rect);
}

}  // namespace emu::toolkit

namespace DuiLib {

using emu::toolkit::Note;
using emu::toolkit::Tables;
using emu::toolkit::Utf8;

bool CNotifyPump::NotifyPump(TNotifyUI&) {
  return false;  // no virtual windows in the stand-in
}

CWindowWnd::CWindowWnd() {
  std::lock_guard lock(Tables().mu);
  Tables().alive[this] = "(not created)";
}

CWindowWnd::~CWindowWnd() {
  platform::HWND window = m_hWnd;
  {
    std::lock_guard lock(Tables().mu);
    Tables().alive.erase(this);
    // The object is going: the window's last messages no longer reach it.
    Tables().byHandle.erase(window);
    Tables().records.erase(window);
  }
  if (window)
    platform::DestroyWindow(window);
}

platform::HWND CWindowWnd::Create(platform::HWND parent, LPCTSTR name, DWORD style, DWORD exStyle,
                                  int x, int y, int cx, int cy) {
  const std::wstring className = GetWindowClassName();
  platform::WNDCLASSEXW windowClass;
  windowClass.lpfnWndProc = &CWindowWnd::WindowProc;
  windowClass.lpszClassName = emu::toolkit::StableClassName(className);
  // A class registered by an earlier window stays registered.
  platform::RegisterClassExW(windowClass);
  platform::HWND window = platform::CreateWindowExW(exStyle, className.c_str(), name, style, x, y,
                                                    cx, cy, parent, nullptr, nullptr, nullptr);
  if (!window)
    return nullptr;
  {
    std::lock_guard lock(Tables().mu);
    Tables().alive[this] = Utf8(className);
    Tables().byHandle[window] = this;
    Tables().records[window] = {Utf8(className), false, nullptr};
  }
  m_hWnd = window;
  if (platform::SendMessageW(window, platform::WM_CREATE, 0, 0) == -1) {
    platform::DestroyWindow(window);  // the window refused its creation
    return nullptr;
  }
  return m_hWnd;
}

void CWindowWnd::ShowWindow(bool bShow, bool bTakeFocus) {
  const char* op = bShow ? "show" : "hide";
  if (!m_hWnd) {
    Note(op, {{"window", Utf8(GetWindowClassName())}, {"effect", "none: no window yet"}});
    return;
  }
  std::string className;
  {
    std::lock_guard lock(Tables().mu);
    auto& record = Tables().records[m_hWnd];
    record.visible = bShow;
    className = record.className;
  }
  Note(op, {{"window", className}, {"take_focus", bTakeFocus}});
}

void CWindowWnd::Close(platform::UINT nRet) {
  if (m_hWnd)
    platform::PostMessageW(m_hWnd, platform::WM_CLOSE, nRet, 0);
}

void CWindowWnd::CenterWindow() {
  platform::RECT rect;
  if (!platform::GetWindowRect(m_hWnd, &rect))
    return;
  const auto screen = emu::toolkit::CurrentScreen();
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  const int left = (screen.width - width) / 2;
  const int top = (screen.height - height) / 2;
  emu::toolkit::PlaceWindow(m_hWnd, {left, top, left + width, top + height});
}

platform::LRESULT CWindowWnd::SendMessage(platform::UINT uMsg, platform::WPARAM wParam,
                                          platform::LPARAM lParam) {
  return platform::SendMessageW(m_hWnd, uMsg, wParam, lParam);
}

platform::LRESULT CWindowWnd::HandleMessage(platform::UINT uMsg, platform::WPARAM wParam,
                                            platform::LPARAM lParam) {
  if (uMsg == platform::WM_CLOSE) {
    Note("close", {{"window", emu::toolkit::ClassOf(m_hWnd)}, {"result", wParam}});
    platform::DestroyWindow(m_hWnd);
    return 0;
  }
  return platform::DefWindowProcW(m_hWnd, uMsg, wParam, lParam);
}

void CWindowWnd::OnFinalMessage(platform::HWND) {}

platform::LRESULT CWindowWnd::WindowProc(platform::HWND hWnd, platform::UINT uMsg,
                                         platform::WPARAM wParam, platform::LPARAM lParam) {
  CWindowWnd* self = emu::toolkit::ObjectOf(hWnd);
  if (!self)
    return platform::DefWindowProcW(hWnd, uMsg, wParam, lParam);
  const platform::LRESULT result = self->HandleMessage(uMsg, wParam, lParam);
  if (uMsg == platform::WM_DESTROY) {
    {
      std::lock_guard lock(Tables().mu);
      Tables().byHandle.erase(hWnd);
      Tables().records.erase(hWnd);
    }
    self->m_hWnd = nullptr;
    self->OnFinalMessage(hWnd);
  }
  return result;
}

WindowImplBase::WindowImplBase() = default;
WindowImplBase::~WindowImplBase() = default;

void WindowImplBase::InitWindow() {}
void WindowImplBase::OnFinalMessage(platform::HWND) {}

void WindowImplBase::Notify(TNotifyUI& msg) {
  NotifyPump(msg);
}

platform::LRESULT WindowImplBase::MessageHandler(platform::UINT, platform::WPARAM, platform::LPARAM,
                                                 bool& bHandled) {
  bHandled = false;
  return 0;
}

CControlUI* WindowImplBase::CreateControl(LPCTSTR) {
  return nullptr;
}

LPCTSTR WindowImplBase::QueryControlText(LPCTSTR, LPCTSTR) {
  return nullptr;
}

platform::LRESULT WindowImplBase::HandleMessage(platform::UINT uMsg, platform::WPARAM wParam,
                                                platform::LPARAM lParam) {
  if (uMsg == platform::WM_CREATE) {
    auto& tree = emu::toolkit::TreeOf(m_pm);
    const std::string className = emu::toolkit::ClassOf(m_hWnd);
    try {
      tree.layout = emu::toolkit::LoadLayout(
          std::wstring(GetSkinFolder().GetData()) + GetSkinFile().GetData(), false);
    } catch (const std::runtime_error& e) {
      Note("layout_error", {{"window", className}, {"error", e.what()}});
      return -1;
    }
    tree.window = m_hWnd;
    tree.className = className;
    for (auto& control : tree.layout.controls)
      control->SetManager(&m_pm);
    {
      std::lock_guard lock(Tables().mu);
      Tables().records[m_hWnd].manager = &m_pm;
    }
    emu::toolkit::PlaceWindow(m_hWnd, {0, 0, tree.layout.width, tree.layout.height});
    CenterWindow();
    platform::RECT rect;
    platform::GetWindowRect(m_hWnd, &rect);
    Note("create",
         {{"window", className},
          {"layout", tree.layout.name},
          {"rect", {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top}}});
    InitWindow();
    return 0;
  }
  if (uMsg == platform::WM_SYSKEYDOWN && wParam == platform::VK_F4) {
    // What Windows does with Alt+F4 unless the window keeps it: the window is closed.
    Close(1);
    return 0;
  }
  return CWindowWnd::HandleMessage(uMsg, wParam, lParam);
}

}  // namespace DuiLib
