#include "fdhost/EventCatalogue.h"

#include <map>

namespace fdhost {

EventInfo EventOf(const std::string& eventId) {
  static const std::map<std::string, EventInfo> catalogue = {
      {"608001010", {"Wi-Fi", "no Wi-Fi card found"}},
      {"608001011", {"Wi-Fi", "Wi-Fi card has a problem code"}},
      {"608001013", {"Wi-Fi", "Wi-Fi card disabled and enabled again"}},
      {"608001014", {"Wi-Fi", "Wi-Fi module re-powered through its GPIO line"}},
      {"608001015", {"Wi-Fi", "Wi-Fi repair requested from the firmware"}},
      {"608001016", {"Wi-Fi", "Wi-Fi repair fail count cleared"}},
      {"608005010", {"fix check", "EventLog service needs the user's repair"}},
      {"608005011", {"fix dialog", "user chose Fix now"}},
      {"608005012", {"fix dialog", "user chose Next"}},
      {"608005013", {"fix dialog", "user chose Restart now"}},
      {"608005014", {"fix dialog", "user chose to be reminded later"}},
      {"609001033", {"Bluetooth", "Bluetooth adapter unnamed, not in the USB class"}},
      {"609001034", {"Bluetooth", "Bluetooth adapter unnamed, in the USB class"}},
      {"609001035", {"Bluetooth", "Bluetooth adapter reports an error state"}},
      {"609001036", {"Bluetooth", "Bluetooth module re-powered"}},
      {"609001042", {"Bluetooth", "BTHUSB error in the System log"}},
      {"609001043", {"Bluetooth", "Bluetooth module re-powered after a BTHUSB error"}},
      {"609001044", {"Realtek", "Realtek Bluetooth reset attempts"}},
      {"609001045", {"Realtek", "Realtek reset refused: too soon after the last"}},
      {"615001001", {"disk monitor", "disk S.M.A.R.T. detail and error counts"}},
      {"624000023", {"display audio", "display audio device repaired"}},
      {"627001001", {"USB report", "device types on the ports of a USB hub"}},
      {"627002001", {"monitor report", "monitor device types"}},
      {"627003001", {"touchpad", "touchpad error code"}},
      {"627003002", {"touchpad", "touchpad report limit reached"}},
  };
  auto it = catalogue.find(eventId);
  return it == catalogue.end() ? EventInfo{"plug-in", "unknown event"} : it->second;
}

std::string MessageName(std::uint32_t msgId) {
  static const std::map<std::uint32_t, const char*> names = {
      {0x380001, "hard disks"},
      {0x380002, "SSDs"},
      {0x380003, "disk features"},
      {0x380007, "Bluetooth back after a Realtek reset"},
      {0x380008, "Bluetooth removed after a Realtek reset"},
      {0x380009, "Realtek reset begins"},
      {0x390005, "WMI value"},
      {0x390007, "hot-key and OSD service recovery"},
      {0x39000A, "Wi-Fi repair"},
      {0x39000C, "Wi-Fi driver reinstall"},
      {0x39000E, "winsock reset"},
      {0x390010, "enable devices"},
      {0x390012, "disable devices"},
      {0x390014, "reset device drivers"},
      {0x390017, "hardware rescan"},
      {0x39001A, "start a service"},
      {0x390024, "BIOS switch"},
      {0xA0004, "re-check broadcast"},
  };
  auto it = names.find(msgId);
  return it == names.end() ? "" : it->second;
}

}  // namespace fdhost
