// Windows and messages (user32), device notifications, and the GUID text (ole32) over Win32.
// The seam's records and window procedure have Windows's layout and calling convention on
// 64-bit Windows; handles are the same pointers.
#include <cstring>

#include "platform/Window.h"

#include "Win32.h"
// After <windows.h>.
#include <dbt.h>
#include <objbase.h>

namespace platform {

namespace {
::HWND Wnd(HWND window) {
  return static_cast<::HWND>(window);
}
}  // namespace

ATOM RegisterClassExW(const WNDCLASSEXW& windowClass) {
  static_assert(sizeof(::WNDCLASSEXW) == sizeof(WNDCLASSEXW));
  ::WNDCLASSEXW c{};
  c.cbSize = sizeof c;
  c.style = windowClass.style;
  c.lpfnWndProc = reinterpret_cast<::WNDPROC>(windowClass.lpfnWndProc);
  c.cbClsExtra = windowClass.cbClsExtra;
  c.cbWndExtra = windowClass.cbWndExtra;
  c.hInstance = windowClass.hInstance;
  c.hIcon = static_cast<HICON>(windowClass.hIcon);
  c.hCursor = static_cast<HCURSOR>(windowClass.hCursor);
  c.hbrBackground = static_cast<HBRUSH>(windowClass.hbrBackground);
  c.lpszMenuName = windowClass.lpszMenuName;
  c.lpszClassName = windowClass.lpszClassName;
  c.hIconSm = static_cast<HICON>(windowClass.hIconSm);
  return ::RegisterClassExW(&c);
}

BOOL UnregisterClassW(const wchar_t* className, HMODULE instance) {
  return ::UnregisterClassW(className, instance);
}

HWND CreateWindowExW(DWORD exStyle, const wchar_t* className, const wchar_t* windowName,
                     DWORD style, int x, int y, int width, int height, HWND parent, void* menu,
                     HMODULE instance, void* param) {
  return ::CreateWindowExW(exStyle, className, windowName, style, x, y, width, height, Wnd(parent),
                           static_cast<HMENU>(menu), instance, param);
}

LRESULT SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return ::SendMessageW(Wnd(window), message, wParam, lParam);
}

BOOL PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return ::PostMessageW(Wnd(window), message, wParam, lParam);
}

LRESULT DefWindowProcW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return ::DefWindowProcW(Wnd(window), message, wParam, lParam);
}

BOOL DestroyWindow(HWND window) {
  return ::DestroyWindow(Wnd(window));
}

BOOL GetWindowRect(HWND window, RECT* rect) {
  static_assert(sizeof(::RECT) == sizeof(RECT));
  return ::GetWindowRect(Wnd(window), reinterpret_cast<::RECT*>(rect));
}

BOOL ClientToScreen(HWND window, POINT* point) {
  static_assert(sizeof(::POINT) == sizeof(POINT));
  return ::ClientToScreen(Wnd(window), reinterpret_cast<::POINT*>(point));
}

BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL repaint) {
  return ::MoveWindow(Wnd(window), x, y, width, height, repaint);
}

void PostQuitMessage(int exitCode) {
  ::PostQuitMessage(exitCode);
}

HDEVNOTIFY RegisterDeviceNotificationW(HWND recipient, const void* filter, DWORD flags) {
  static_assert(sizeof(::DEV_BROADCAST_DEVICEINTERFACE_W) ==
                sizeof(DEV_BROADCAST_DEVICEINTERFACE_W));
  return ::RegisterDeviceNotificationW(recipient, const_cast<void*>(filter), flags);
}

BOOL UnregisterDeviceNotification(HDEVNOTIFY notification) {
  return ::UnregisterDeviceNotification(notification);
}

std::wstring StringFromGUID2(const Guid& guid) {
  ::GUID windowsGuid;
  std::memcpy(&windowsGuid, &guid, sizeof windowsGuid);
  wchar_t text[40] = {};
  const int n = ::StringFromGUID2(windowsGuid, text, 40);
  return n > 0 ? std::wstring(text, static_cast<std::size_t>(n - 1)) : std::wstring();
}

}  // namespace platform
