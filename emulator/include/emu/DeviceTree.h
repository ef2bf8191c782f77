#pragma once
// The virtual laptop's present devices, as Windows' device tree would list them: the Wi-Fi
// card, the Bluetooth adapter, the attached monitors and the scenario's "devices" list.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/WinTypes.h"

namespace emu {

struct TreeDevice {
  std::string classGuid;  // "{4D36E96C-E325-11CE-BFC1-08002BE10318}", upper case
  std::vector<std::string> hardwareIds;
  std::uint32_t readError = 0;              // reading its hardware ids fails with this
  std::vector<std::string> softComponents;  // its software components
  std::uint32_t uninstallResult = 0;        // what uninstalling it answers
  int listIndex = -1;                       // its place in "devices"; -1 for the others
};

inline constexpr char kMonitorClass[] = "{4D36E96E-E325-11CE-BFC1-08002BE10318}";

std::vector<TreeDevice> DeviceTree();

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" in upper case, as the tree keeps classes.
std::string GuidText(const platform::Guid& guid);
// "{0850302A-B344-4FDA-9BE9-90576B8D46F0}" into a GUID; throws std::invalid_argument.
platform::Guid ParseGuid(const std::string& text);

// Uninstalls the first present device of the class with the hardware id (letter case
// ignored): it leaves the tree until the next hardware rescan. Returns the device's scripted
// result, or ERROR_NO_SUCH_DEVINST when there is no such device.
std::uint32_t UninstallDevice(const std::string& hardwareId, const std::string& classGuid);

// A hardware rescan: every uninstalled device is found again, then the "rescan" effect runs.
void RescanDevices();

}  // namespace emu
