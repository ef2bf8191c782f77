#pragma once
// The host's user-interface thread: one tracked thread with a message queue that runs the
// jobs of the toolkit's main queue and the window procedures of every window, and the device
// notifications registered for those windows. It lives as long as the process.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/Window.h"

namespace emu {

class UserInterface {
 public:
  // WM_DEVICECHANGE with a device-interface header, queued on the UI thread for every window
  // registered for the class. Returns how many windows it goes to.
  static std::size_t BroadcastDeviceChange(bool arrival, const platform::Guid& classGuid,
                                           const std::u16string& interfacePath);
  // Any WM_DEVICECHANGE: with a device-interface header (type 5) it goes to the windows
  // registered for the class, as above; any other header type (a volume, a port, a handle)
  // and DBT_DEVNODES_CHANGED (no header at all) go to every window, as Windows broadcasts
  // them to all top-level windows.
  static std::size_t SendDeviceChange(platform::WPARAM wParam, std::uint32_t headerType,
                                      const platform::Guid& classGuid,
                                      const std::u16string& interfacePath);
  // A message another process posts to every window of the class: wParam and lParam are
  // its raw numbers (pointers into that process mean nothing here). With pointee bytes (a
  // WM_DEVICECHANGE header), lParam points to a copy of them instead, as the system's copy
  // of a header sent across processes does, padded with zeros to the size its first field
  // states (up to 64 KiB). Returns how many windows it goes to.
  static std::size_t PostFromAnotherProcess(const std::string& windowClass, platform::UINT message,
                                            platform::WPARAM wParam, platform::LPARAM lParam,
                                            const std::vector<std::uint8_t>& pointee);
  // What is still open: windows ("class \"title\"") and device notifications (class GUIDs).
  static std::vector<std::string> OpenWindows();
  static std::vector<std::string> OpenNotifications();
  // Queues a job for the user-interface thread (the toolkit's main queue); false when it
  // cannot be queued.
  static bool Post(std::function<void()> job);
  // Moves a window without a line in the transcript (a toolkit placing its own window).
  static void SetWindowRect(void* window, const platform::RECT& rect);
  // Forgets windows, classes and notifications of an earlier run (between scenario runs).
  static void Reset();
};

}  // namespace emu
