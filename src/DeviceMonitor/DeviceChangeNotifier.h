#pragma once
// The hub of device-interface notifications: a hidden window on the host's user-interface
// thread, a map from interface class GUID text to the listeners registered for it, and one
// device notification per class. Registration and unregistration reach the window's thread
// through SendMessageW; all map changes and listener calls happen there.
#include <atomic>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "DeviceMonitor/DeviceChangeLister.h"
#include "platform/Mutex.h"
#include "platform/Window.h"

class DeviceChangeNotifier {
 public:
  static constexpr platform::UINT kRegisterMessage = 2025;
  static constexpr platform::UINT kUnregisterMessage = 2026;

  static DeviceChangeNotifier& Instance();

  // Asks the UI thread for the window (once) and waits up to 10 s for it.
  void EnsureNotifyWindow();
  platform::HWND Window() const;

  // SendMessageW of 2025 / 2026 for the class and listener; the register result.
  bool RegisterListener(const platform::Guid& classGuid, IDeviceChangeListener* listener);
  void UnregisterListener(const platform::Guid& classGuid, IDeviceChangeListener* listener);

  // At the stop: drops every remaining notification, closes the window and unregisters its
  // class, so that nothing of the plug-in stays reachable from the UI thread.
  void CloseWindow();

  // For tests: the listeners of a class, by its GUID text.
  std::vector<IDeviceChangeListener*> ListenersOf(const std::wstring& guidText) const;

 private:
  DeviceChangeNotifier() = default;
  static platform::LRESULT WindowProc(platform::HWND window, platform::UINT message,
                                      platform::WPARAM wParam, platform::LPARAM lParam);
  platform::LRESULT OnRegister(const platform::Guid* classGuid, IDeviceChangeListener* listener);
  void OnUnregister(const platform::Guid* classGuid, IDeviceChangeListener* listener);
  void OnDeviceChange(platform::WPARAM wParam, platform::LPARAM lParam);
  void CreateOnUiThread();
  // Whether messages 2025 / 2026 carry a (class, listener) pair this plug-in asked for. Any
  // process that can post to a window can post these numbers; their pointers are compared,
  // never followed, unless they are ours.
  bool Asked(const void* classGuid, const void* listener);
  void IgnoreForged(platform::UINT message);

  struct Entry {
    std::vector<IDeviceChangeListener*> listeners;
    platform::HDEVNOTIFY notification = nullptr;
  };
  std::atomic<platform::HWND> window_{nullptr};
  platform::Mutex askedMutex_;
  std::vector<std::pair<const void*, const void*>> asked_;  // (class GUID, listener)
  std::atomic<bool> forgedLogged_{false};
  std::map<std::wstring, Entry> entries_;  // touched only on the UI thread
};
