#pragma once
// Listeners of device-interface arrival and removal, one per watched class, and what each
// runs for which event.
#include <cstdint>
#include <string>

#include "platform/WinTypes.h"

class IDeviceChangeListener {
 public:
  // The events a listener hears.
  static constexpr std::uint32_t kArrival = 1;
  static constexpr std::uint32_t kRemoval = 2;

  virtual void OnDeviceChange(const std::wstring& devicePath, const platform::Guid& classGuid,
                              std::uint32_t event) = 0;

 protected:
  ~IDeviceChangeListener() = default;
};

class DeviceChangeLister : public IDeviceChangeListener {
 public:
  explicit constexpr DeviceChangeLister(std::uint32_t deviceType) : m_deviceType(deviceType) {}
  void OnDeviceChange(const std::wstring& devicePath, const platform::Guid& classGuid,
                      std::uint32_t event) override;

 private:
  std::uint32_t m_deviceType;
};

// Creates the hidden window if needed and registers the Bluetooth, network and monitor
// listeners, and the USB one where the product supports "orba_plugin_hardware_report".
// True when the first three registrations all succeeded.
bool RegisterDeviceListeners();
// Unregisters the Bluetooth and network listeners, and with that plug-in support the USB
// and monitor ones.
void UnregisterDeviceListeners();
