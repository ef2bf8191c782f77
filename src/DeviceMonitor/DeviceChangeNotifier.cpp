#include "DeviceMonitor/DeviceChangeNotifier.h"

#include <algorithm>
#include <cstring>

#include "common/CallbackGate.h"
#include "common/Log.h"
#include "platform/Sleep.h"
#include "platform/Text.h"
#include "plugin/Exports.h"

namespace {

constexpr wchar_t kClassName[] = L"VirtualWnd_DeviceChanged";
constexpr wchar_t kTitle[] = L"DeviceChanged";
constexpr int kWindowWaitRounds = 1000;
constexpr std::uint32_t kWindowWaitStepMs = 10;

}  // namespace

DeviceChangeNotifier& DeviceChangeNotifier::Instance() {
  static DeviceChangeNotifier notifier;
  return notifier;
}

platform::HWND DeviceChangeNotifier::Window() const {
  return window_.load();
}

void DeviceChangeNotifier::CreateOnUiThread() {
  using namespace platform;
  WNDCLASSEXW windowClass;
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = &DeviceChangeNotifier::WindowProc;
  windowClass.hInstance = x3plugin::PublishedInstanceHandle();
  windowClass.lpszClassName = kClassName;
  if (!RegisterClassExW(windowClass))
    return;
  window_ = CreateWindowExW(0, kClassName, kTitle, WS_OVERLAPPEDWINDOW, 0, 0, 10, 10, nullptr,
                            nullptr, windowClass.hInstance, nullptr);
}

void DeviceChangeNotifier::EnsureNotifyWindow() {
  if (window_.load())
    return;
  gate::DispatchToUi([this] { CreateOnUiThread(); });
  for (int round = 0; round < kWindowWaitRounds && !window_.load(); ++round) {
    if (!platform::Sleep(kWindowWaitStepMs))
      return;  // stopping
  }
}

bool DeviceChangeNotifier::Asked(const void* classGuid, const void* listener) {
  std::lock_guard lock(askedMutex_);
  return std::find(asked_.begin(), asked_.end(), std::make_pair(classGuid, listener)) !=
         asked_.end();
}

void DeviceChangeNotifier::IgnoreForged(platform::UINT message) {
  if (!forgedLogged_.exchange(true))
    LOG_WARN("ignored message " + std::to_string(message) + " not sent by this plug-in");
}

bool DeviceChangeNotifier::RegisterListener(const platform::Guid& classGuid,
                                            IDeviceChangeListener* listener) {
  {
    std::lock_guard lock(askedMutex_);
    const std::pair<const void*, const void*> pair{&classGuid, listener};
    if (std::find(asked_.begin(), asked_.end(), pair) == asked_.end())
      asked_.push_back(pair);
  }
  return platform::SendMessageW(window_.load(), kRegisterMessage,
                                reinterpret_cast<platform::WPARAM>(&classGuid),
                                reinterpret_cast<platform::LPARAM>(listener)) != 0;
}

void DeviceChangeNotifier::UnregisterListener(const platform::Guid& classGuid,
                                              IDeviceChangeListener* listener) {
  platform::SendMessageW(window_.load(), kUnregisterMessage,
                         reinterpret_cast<platform::WPARAM>(&classGuid),
                         reinterpret_cast<platform::LPARAM>(listener));
}

void DeviceChangeNotifier::CloseWindow() {
  platform::HWND window = window_.exchange(nullptr);
  if (!window)
    return;
  platform::SendMessageW(window, platform::WM_CLOSE, 0, 0);
  // The window is gone: nothing else touches the map now.
  for (auto& [guid, entry] : entries_)
    platform::UnregisterDeviceNotification(entry.notification);
  entries_.clear();
  platform::UnregisterClassW(kClassName, x3plugin::PublishedInstanceHandle());
}

std::vector<IDeviceChangeListener*> DeviceChangeNotifier::ListenersOf(
    const std::wstring& guidText) const {
  auto it = entries_.find(guidText);
  return it == entries_.end() ? std::vector<IDeviceChangeListener*>{} : it->second.listeners;
}

platform::LRESULT DeviceChangeNotifier::WindowProc(platform::HWND window, platform::UINT message,
                                                   platform::WPARAM wParam,
                                                   platform::LPARAM lParam) {
  using namespace platform;
  auto& self = Instance();
  switch (message) {
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    case WM_CLOSE:
      DestroyWindow(window);
      return 0;
    case WM_DEVICECHANGE:
      // The one message from outside the plug-in: it comes in through the gate.
      if (gate::Entry entry{})
        self.OnDeviceChange(wParam, lParam);
      return 0;
    case kRegisterMessage:
    case kUnregisterMessage: {
      // Only the pairs the plug-in itself sends; any other numbers are not followed.
      const auto* classGuid = reinterpret_cast<const Guid*>(wParam);
      auto* listener = reinterpret_cast<IDeviceChangeListener*>(lParam);
      if (!self.Asked(classGuid, listener)) {
        self.IgnoreForged(message);
        return 0;
      }
      if (message == kRegisterMessage)
        return self.OnRegister(classGuid, listener);
      self.OnUnregister(classGuid, listener);
      return 0;
    }
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

platform::LRESULT DeviceChangeNotifier::OnRegister(const platform::Guid* classGuid,
                                                   IDeviceChangeListener* listener) {
  using namespace platform;
  if (!listener || !classGuid)
    return 0;
  const std::wstring key = StringFromGUID2(*classGuid);
  if (auto it = entries_.find(key); it != entries_.end()) {
    auto& list = it->second.listeners;
    if (std::find(list.begin(), list.end(), listener) == list.end())
      list.push_back(listener);
    return 1;
  }
  DEV_BROADCAST_DEVICEINTERFACE_W filter{};
  filter.dbcc_size = sizeof filter;
  filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  filter.dbcc_classguid = *classGuid;
  HDEVNOTIFY notification =
      RegisterDeviceNotificationW(window_.load(), &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
  if (!notification)
    return 0;
  entries_[key] = {{listener}, notification};
  return 1;
}

void DeviceChangeNotifier::OnUnregister(const platform::Guid* classGuid,
                                        IDeviceChangeListener* listener) {
  if (!listener || !classGuid)
    return;
  auto it = entries_.find(platform::StringFromGUID2(*classGuid));
  if (it == entries_.end())
    return;
  auto& list = it->second.listeners;
  if (auto found = std::find(list.begin(), list.end(), listener); found != list.end())
    list.erase(found);
  if (list.empty()) {
    platform::UnregisterDeviceNotification(it->second.notification);
    entries_.erase(it);
  }
}

void DeviceChangeNotifier::OnDeviceChange(platform::WPARAM wParam, platform::LPARAM lParam) {
  using namespace platform;
  const std::uint32_t event = wParam == DBT_DEVICEARRIVAL          ? IDeviceChangeListener::kArrival
                              : wParam == DBT_DEVICEREMOVECOMPLETE ? IDeviceChangeListener::kRemoval
                                                                   : 0;
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(lParam);
  if (!event || !bytes)
    return;
  // The size first, then the common header (size, device type, reserved) only when the size
  // covers it; other types (a volume, a port) are shorter than a device-interface header and
  // must not be read as one, and nothing is read past the stated size, which for an
  // interface is what Windows sends: the header and a name of at most 32,767 units.
  DWORD size = 0;
  std::memcpy(&size, bytes, sizeof size);
  const std::size_t start = offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name);
  constexpr std::size_t kMaxName = 32768 * sizeof(char16_t);
  if (size < start || size > start + kMaxName)
    return;
  DWORD common[2];
  std::memcpy(common, bytes, sizeof common);
  if (common[1] != DBT_DEVTYP_DEVICEINTERFACE)
    return;
  DEV_BROADCAST_DEVICEINTERFACE_W header;
  std::memcpy(&header, bytes, start);
  // The zero-terminated UTF-16 name after the header, within its stated size.
  std::u16string name;
  for (std::size_t at = start; at + 1 < header.dbcc_size; at += 2) {
    const char16_t unit = static_cast<char16_t>(bytes[at] | bytes[at + 1] << 8);
    if (unit == 0)
      break;
    name.push_back(unit);
  }
  auto it = entries_.find(StringFromGUID2(header.dbcc_classguid));
  if (it == entries_.end())
    return;
  const std::wstring path = Utf16ToWide(name);
  const auto listeners = it->second.listeners;  // a listener may change the map
  for (IDeviceChangeListener* listener : listeners)
    listener->OnDeviceChange(path, header.dbcc_classguid, event);
}
