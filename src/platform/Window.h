#pragma once
// Windows and messages (user32), device notifications, and the GUID text of ole32: the calls
// of a hidden window that receives device-interface arrival and removal. The notification
// filter and broadcast headers are raw bytes laid out as in a 64-bit Windows process
// (names in UTF-16).
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/WinTypes.h"

namespace platform {

using HWND = void*;
using HDEVNOTIFY = void*;
using UINT = std::uint32_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using ATOM = std::uint16_t;
using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);

constexpr UINT WM_CREATE = 0x0001;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_SYSKEYDOWN = 0x0104;
constexpr UINT WM_DEVICECHANGE = 0x0219;
constexpr UINT WM_USER = 0x0400;
constexpr WPARAM VK_F4 = 0x73;
constexpr UINT CS_VREDRAW = 0x0001;
constexpr UINT CS_HREDRAW = 0x0002;
constexpr DWORD WS_OVERLAPPEDWINDOW = 0x00CF0000;
constexpr WPARAM DBT_DEVICEARRIVAL = 0x8000;
constexpr WPARAM DBT_DEVICEREMOVECOMPLETE = 0x8004;
constexpr DWORD DBT_DEVTYP_DEVICEINTERFACE = 5;
constexpr DWORD DEVICE_NOTIFY_WINDOW_HANDLE = 0;
constexpr DWORD ERROR_CLASS_ALREADY_EXISTS = 1410;
constexpr DWORD ERROR_INVALID_WINDOW_HANDLE = 1400;

struct POINT {
  LONG x = 0;
  LONG y = 0;
};

struct RECT {
  LONG left = 0;
  LONG top = 0;
  LONG right = 0;
  LONG bottom = 0;
};

// WNDCLASSEXW, as far as callers fill it.
struct WNDCLASSEXW {
  UINT cbSize = sizeof(WNDCLASSEXW);
  UINT style = 0;
  WNDPROC lpfnWndProc = nullptr;
  int cbClsExtra = 0;
  int cbWndExtra = 0;
  HMODULE hInstance = nullptr;
  void* hIcon = nullptr;
  void* hCursor = nullptr;
  void* hbrBackground = nullptr;
  const wchar_t* lpszMenuName = nullptr;
  const wchar_t* lpszClassName = nullptr;
  void* hIconSm = nullptr;
};

// DEV_BROADCAST_DEVICEINTERFACE_W: the filter of RegisterDeviceNotificationW (size 32) and
// the header of a device-interface broadcast, whose UTF-16 name runs on past the struct.
struct DEV_BROADCAST_DEVICEINTERFACE_W {
  DWORD dbcc_size;
  DWORD dbcc_devicetype;
  DWORD dbcc_reserved;
  Guid dbcc_classguid;
  char16_t dbcc_name[1];
};
static_assert(sizeof(DEV_BROADCAST_DEVICEINTERFACE_W) == 32);
static_assert(offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_classguid) == 12);
static_assert(offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name) == 28);

// RegisterClassExW: 0 on failure (GetLastError: ERROR_CLASS_ALREADY_EXISTS, ...).
ATOM RegisterClassExW(const WNDCLASSEXW& windowClass);
// UnregisterClassW.
BOOL UnregisterClassW(const wchar_t* className, HMODULE instance);
// CreateWindowExW: the window belongs to the calling thread, which must run its messages.
HWND CreateWindowExW(DWORD exStyle, const wchar_t* className, const wchar_t* windowName,
                     DWORD style, int x, int y, int width, int height, HWND parent, void* menu,
                     HMODULE instance, void* param);
// SendMessageW: runs the window procedure on the window's thread and waits for its result.
// 0 for a null or destroyed window.
LRESULT SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// PostMessageW: queues the message for the window's thread.
BOOL PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT DefWindowProcW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
BOOL DestroyWindow(HWND window);
// GetWindowRect: the window's rectangle in screen coordinates.
BOOL GetWindowRect(HWND window, RECT* rect);
// ClientToScreen: a point of the window's client area into screen coordinates.
BOOL ClientToScreen(HWND window, POINT* point);
// MoveWindow: new position and size, in screen coordinates for a top-level window.
BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL repaint);
void PostQuitMessage(int exitCode);
// RegisterDeviceNotificationW with a DEV_BROADCAST_DEVICEINTERFACE_W filter.
HDEVNOTIFY RegisterDeviceNotificationW(HWND recipient, const void* filter, DWORD flags);
BOOL UnregisterDeviceNotification(HDEVNOTIFY notification);
// StringFromGUID2: "{0850302A-B344-4FDA-9BE9-90576B8D46F0}", upper case, with braces.
std::wstring StringFromGUID2(const Guid& guid);

}  // namespace platform
