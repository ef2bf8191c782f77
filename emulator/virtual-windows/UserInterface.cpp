// Windows, messages and the jobs of the toolkit's main queue on one user-interface thread, and
// the device notifications of its windows.
#include "emu/UserInterface.h"
#include "emu/Faults.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>

#include "emu/Mailbox.h"
#include "emu/Scheduler.h"
#include "emu/Transcript.h"
#include "hostapi/StringConv.h"
#include "platform/LastError.h"
#include "platform/Window.h"

namespace emu {

namespace {

using namespace platform;

// One piece of work for the UI thread: a job of the main queue, or a message for a window.
// A sent message carries where its caller waits for the result.
struct UiItem {
  std::function<void()> job;
  HWND window = nullptr;
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  std::shared_ptr<std::vector<std::uint8_t>> payload;  // what lParam points into
  struct Reply {
    LRESULT result = 0;
    bool done = false;
    Condition answered{"the window's thread to answer a sent message"};
  };
  Reply* reply = nullptr;
};

struct Window {
  std::wstring className;
  std::wstring title;
  WNDPROC procedure = nullptr;
  RECT rect;  // on the screen
};

struct Notification {
  HWND window;
  Guid classGuid;
};

struct State {
  std::mutex mu;  // the tables below; never held while a procedure runs
  std::map<std::pair<HMODULE, std::wstring>, WNDCLASSEXW> classes;
  std::map<HWND, Window> windows;
  std::map<HDEVNOTIFY, Notification> notifications;
  std::uintptr_t nextHandle = 0x10000;
};

State& Tables() {
  static auto* state = new State();
  return *state;
}

std::string Utf8(const std::wstring& text) {
  return DE::UnicodeToUTF8(text);
}

void Note(const char* op, Line fields) {
  fields["op"] = op;
  Transcript::Instance().Write("window", fields);
}

WNDPROC ProcedureOf(HWND window) {
  std::lock_guard lock(Tables().mu);
  auto it = Tables().windows.find(window);
  return it == Tables().windows.end() ? nullptr : it->second.procedure;
}

void Handle(UiItem& item) {
  if (item.job) {
    item.job();
    return;
  }
  LRESULT result = 0;
  if (WNDPROC procedure = ProcedureOf(item.window))
    result = procedure(item.window, item.message, item.wParam, item.lParam);
  if (item.reply) {
    auto& sched = Scheduler::Instance();
    std::unique_lock lock(sched.Lock());
    item.reply->result = result;
    item.reply->done = true;
    item.reply->answered.NotifyAll();
  }
}

Mailbox<UiItem>& Thread() {
  // Never destroyed: the host's UI thread outlives every plug-in.
  static auto* mailbox = new Mailbox<UiItem>(&Handle, "user-interface thread");
  return *mailbox;
}

}  // namespace

std::size_t UserInterface::BroadcastDeviceChange(bool arrival, const Guid& classGuid,
                                                 const std::u16string& interfacePath) {
  return SendDeviceChange(arrival ? DBT_DEVICEARRIVAL : DBT_DEVICEREMOVECOMPLETE,
                          DBT_DEVTYP_DEVICEINTERFACE, classGuid, interfacePath);
}

std::size_t UserInterface::SendDeviceChange(WPARAM wParam, std::uint32_t headerType,
                                            const Guid& classGuid,
                                            const std::u16string& interfacePath) {
  constexpr WPARAM DBT_DEVNODES_CHANGED = 0x0007;
  constexpr std::size_t kHeaderSize = 12;  // DEV_BROADCAST_HDR: size, device type, reserved
  constexpr std::size_t kVolumeSize = 18;  // DEV_BROADCAST_VOLUME: the header, mask, flags
  const bool toClass = wParam != DBT_DEVNODES_CHANGED && headerType == DBT_DEVTYP_DEVICEINTERFACE;
  std::vector<HWND> targets;
  {
    std::lock_guard lock(Tables().mu);
    if (toClass) {
      for (const auto& [handle, n] : Tables().notifications) {
        if (n.classGuid == classGuid && Tables().windows.count(n.window))
          targets.push_back(n.window);
      }
    } else {
      for (const auto& [handle, window] : Tables().windows)
        targets.push_back(handle);
    }
  }
  for (HWND window : targets) {
    std::shared_ptr<std::vector<std::uint8_t>> payload;
    if (toClass) {
      // The header with the name after it, as the broadcast carries it.
      payload = std::make_shared<std::vector<std::uint8_t>>(
          offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name) +
          (interfacePath.size() + 1) * sizeof(char16_t));
      DEV_BROADCAST_DEVICEINTERFACE_W header{};
      header.dbcc_size = static_cast<DWORD>(payload->size());
      header.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
      header.dbcc_classguid = classGuid;
      std::memcpy(payload->data(), &header, offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name));
      std::memcpy(payload->data() + offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name),
                  interfacePath.c_str(), (interfacePath.size() + 1) * sizeof(char16_t));
    } else if (wParam != DBT_DEVNODES_CHANGED) {
      // Another kind of header: its size and type, the rest zero (a volume's unit mask too).
      const std::size_t size = headerType == 2 ? kVolumeSize : kHeaderSize;
      payload = std::make_shared<std::vector<std::uint8_t>>(size);
      const DWORD fields[2] = {static_cast<DWORD>(size), headerType};
      std::memcpy(payload->data(), fields, sizeof fields);
    }
    UiItem item;
    item.window = window;
    item.message = WM_DEVICECHANGE;
    item.wParam = wParam;
    item.lParam = payload ? reinterpret_cast<LPARAM>(payload->data()) : 0;
    item.payload = payload;
    Thread().Push(std::move(item));
  }
  Line line;
  if (wParam == DBT_DEVICEARRIVAL || wParam == DBT_DEVICEREMOVECOMPLETE)
    line["event"] = wParam == DBT_DEVICEARRIVAL ? "arrival" : "removal";
  else
    line["wparam"] = wParam;
  if (toClass)
    line["class_guid"] = Utf8(StringFromGUID2(classGuid));
  else if (wParam != DBT_DEVNODES_CHANGED)
    line["header_type"] = headerType;
  line["windows"] = targets.size();
  Note("device_change", std::move(line));
  return targets.size();
}

std::size_t UserInterface::PostFromAnotherProcess(const std::string& windowClass, UINT message,
                                                  WPARAM wParam, LPARAM lParam,
                                                  const std::vector<std::uint8_t>& pointee) {
  constexpr std::size_t kMaxCopy = 64 * 1024;
  std::vector<HWND> targets;
  {
    std::lock_guard lock(Tables().mu);
    for (const auto& [handle, window] : Tables().windows) {
      if (Utf8(window.className) == windowClass)
        targets.push_back(handle);
    }
  }
  for (HWND window : targets) {
    UiItem item;
    item.window = window;
    item.message = message;
    item.wParam = wParam;
    item.lParam = lParam;
    if (!pointee.empty()) {
      DWORD stated = 0;
      std::memcpy(&stated, pointee.data(), std::min(pointee.size(), sizeof stated));
      item.payload = std::make_shared<std::vector<std::uint8_t>>(pointee);
      if (stated > item.payload->size())
        item.payload->resize(std::min<std::size_t>(stated, kMaxCopy));
      item.lParam = reinterpret_cast<LPARAM>(item.payload->data());
    }
    Thread().Push(std::move(item));
  }
  Note("foreign_message", {{"class", windowClass},
                           {"message", message},
                           {"wparam", wParam},
                           {"windows", targets.size()}});
  return targets.size();
}

std::vector<std::string> UserInterface::OpenWindows() {
  std::lock_guard lock(Tables().mu);
  std::vector<std::string> out;
  for (const auto& [handle, w] : Tables().windows)
    out.push_back(Utf8(w.className) + " \"" + Utf8(w.title) + "\"");
  return out;
}

std::vector<std::string> UserInterface::OpenNotifications() {
  std::lock_guard lock(Tables().mu);
  std::vector<std::string> out;
  for (const auto& [handle, n] : Tables().notifications)
    out.push_back(Utf8(StringFromGUID2(n.classGuid)));
  return out;
}

void UserInterface::SetWindowRect(HWND window, const RECT& rect) {
  std::lock_guard lock(Tables().mu);
  auto it = Tables().windows.find(window);
  if (it != Tables().windows.end())
    it->second.rect = rect;
}

void UserInterface::Reset() {
  std::lock_guard lock(Tables().mu);
  Tables().classes.clear();
  Tables().windows.clear();
  Tables().notifications.clear();
}

bool UserInterface::Post(std::function<void()> job) {
  UiItem item;
  item.job = std::move(job);
  Thread().Push(std::move(item));
  return true;
}

}  // namespace emu

namespace platform {

using emu::Tables;

ATOM RegisterClassExW(const WNDCLASSEXW& windowClass) {
  if (windowClass.cbSize != sizeof(WNDCLASSEXW) || !windowClass.lpfnWndProc ||
      !windowClass.lpszClassName || !*windowClass.lpszClassName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const std::wstring name = windowClass.lpszClassName;
  if (const auto error =
          emu::InjectedFault(emu::FaultOf("RegisterClassExW"), [&] { return emu::Utf8(name); })) {
    SetLastError(static_cast<DWORD>(*error));
    return 0;
  }
  {
    std::lock_guard lock(Tables().mu);
    auto key = std::make_pair(windowClass.hInstance, name);
    if (Tables().classes.count(key)) {
      SetLastError(ERROR_CLASS_ALREADY_EXISTS);
      return 0;
    }
    Tables().classes[key] = windowClass;
  }
  emu::Note("register_class", {{"class", emu::Utf8(name)}, {"style", windowClass.style}});
  return 0xC000;
}

BOOL UnregisterClassW(const wchar_t* className, HMODULE instance) {
  std::lock_guard lock(Tables().mu);
  return className && Tables().classes.erase({instance, className}) ? 1 : 0;
}

HWND CreateWindowExW(DWORD exStyle, const wchar_t* className, const wchar_t* windowName,
                     DWORD style, int x, int y, int width, int height, HWND, void*,
                     HMODULE instance, void*) {
  constexpr DWORD ERROR_CANNOT_FIND_WND_CLASS = 1407;
  HWND window = nullptr;
  emu::Window w;
  if (const auto error = emu::InjectedFault(emu::FaultOf("CreateWindowExW"), [&] {
        return className ? emu::Utf8(className) : std::string();
      })) {
    SetLastError(static_cast<DWORD>(*error));
    return nullptr;
  }
  {
    std::lock_guard lock(Tables().mu);
    auto it = className ? Tables().classes.find({instance, className}) : Tables().classes.end();
    if (it == Tables().classes.end()) {
      SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
      return nullptr;
    }
    w = {className, windowName ? windowName : L"", it->second.lpfnWndProc,
         RECT{x, y, x + width, y + height}};
    window = reinterpret_cast<HWND>(Tables().nextHandle++);
    Tables().windows[window] = w;
  }
  emu::Note("create", {{"class", emu::Utf8(w.className)},
                       {"title", emu::Utf8(w.title)},
                       {"style", style},
                       {"ex_style", exStyle},
                       {"rect", {x, y, width, height}}});
  return window;
}

LRESULT SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!emu::ProcedureOf(window)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  auto& thread = emu::Thread();
  if (thread.OnOwnThread())
    return emu::ProcedureOf(window)(window, message, wParam, lParam);
  emu::UiItem::Reply reply;
  emu::UiItem item;
  item.window = window;
  item.message = message;
  item.wParam = wParam;
  item.lParam = lParam;
  item.reply = &reply;
  thread.Push(std::move(item));
  auto& sched = emu::Scheduler::Instance();
  std::unique_lock lock(sched.Lock());
  reply.answered.Wait(lock, [&reply] { return reply.done; });
  return reply.result;
}

BOOL PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!emu::ProcedureOf(window)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  emu::UiItem item;
  item.window = window;
  item.message = message;
  item.wParam = wParam;
  item.lParam = lParam;
  emu::Thread().Push(std::move(item));
  return 1;
}

LRESULT DefWindowProcW(HWND, UINT, WPARAM, LPARAM) {
  return 0;
}

BOOL DestroyWindow(HWND window) {
  WNDPROC procedure = emu::ProcedureOf(window);
  if (!procedure) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  procedure(window, WM_DESTROY, 0, 0);
  std::string name;
  {
    std::lock_guard lock(Tables().mu);
    name = emu::Utf8(Tables().windows[window].className);
    Tables().windows.erase(window);
  }
  emu::Note("destroy", {{"class", name}});
  return 1;
}

BOOL GetWindowRect(HWND window, RECT* rect) {
  std::lock_guard lock(Tables().mu);
  auto it = Tables().windows.find(window);
  if (it == Tables().windows.end() || !rect) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  *rect = it->second.rect;
  return 1;
}

BOOL ClientToScreen(HWND window, POINT* point) {
  // The toolkit's windows have no frame: the client area is the whole window.
  std::lock_guard lock(Tables().mu);
  auto it = Tables().windows.find(window);
  if (it == Tables().windows.end() || !point)
    return 0;
  point->x += it->second.rect.left;
  point->y += it->second.rect.top;
  return 1;
}

BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL repaint) {
  std::string name;
  {
    std::lock_guard lock(Tables().mu);
    auto it = Tables().windows.find(window);
    if (it == Tables().windows.end()) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return 0;
    }
    it->second.rect = RECT{x, y, x + width, y + height};
    name = emu::Utf8(it->second.className);
  }
  emu::Transcript::Instance().Write("ui", {{"op", "move"},
                                           {"window", name},
                                           {"rect", {x, y, width, height}},
                                           {"repaint", repaint != 0}});
  return 1;
}

void PostQuitMessage(int exitCode) {
  // The host's loop serves other windows too; it notes the request and goes on.
  emu::Note("quit_posted", {{"exit_code", exitCode}});
}

HDEVNOTIFY RegisterDeviceNotificationW(HWND recipient, const void* filter, DWORD flags) {
  if (!emu::ProcedureOf(recipient)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  DEV_BROADCAST_DEVICEINTERFACE_W header{};
  if (filter)
    std::memcpy(&header, filter, sizeof header);
  if (!filter || flags != DEVICE_NOTIFY_WINDOW_HANDLE || header.dbcc_size < sizeof header ||
      header.dbcc_devicetype != DBT_DEVTYP_DEVICEINTERFACE) {
    SetLastError(::ERROR_INVALID_DATA);
    return nullptr;
  }
  if (const auto error = emu::InjectedFault(emu::FaultOf("RegisterDeviceNotificationW"), [&] {
        return emu::Utf8(StringFromGUID2(header.dbcc_classguid));
      })) {
    SetLastError(static_cast<DWORD>(*error));
    return nullptr;
  }
  HDEVNOTIFY handle = nullptr;
  {
    std::lock_guard lock(Tables().mu);
    handle = reinterpret_cast<HDEVNOTIFY>(Tables().nextHandle++);
    Tables().notifications[handle] = {recipient, header.dbcc_classguid};
  }
  emu::Note("register_notification",
            {{"class_guid", emu::Utf8(StringFromGUID2(header.dbcc_classguid))}});
  return handle;
}

BOOL UnregisterDeviceNotification(HDEVNOTIFY notification) {
  Guid guid{};
  {
    std::lock_guard lock(Tables().mu);
    auto it = Tables().notifications.find(notification);
    if (it == Tables().notifications.end()) {
      SetLastError(6);  // ERROR_INVALID_HANDLE
      return 0;
    }
    guid = it->second.classGuid;
    Tables().notifications.erase(it);
  }
  emu::Note("unregister_notification", {{"class_guid", emu::Utf8(StringFromGUID2(guid))}});
  return 1;
}

std::wstring StringFromGUID2(const Guid& g) {
  wchar_t text[40];
  std::swprintf(text, 40, L"{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g.data1, g.data2,
                g.data3, g.data4[0], g.data4[1], g.data4[2], g.data4[3], g.data4[4], g.data4[5],
                g.data4[6], g.data4[7]);
  return text;
}

}  // namespace platform
