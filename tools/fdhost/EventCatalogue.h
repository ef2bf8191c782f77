#pragma once
// Names for people: what each report event id means and which subsystem sends it, and what
// each request and notice id asks or tells.
#include <cstdint>
#include <string>

namespace fdhost {

struct EventInfo {
  const char* subsystem;  // "Wi-Fi", "Bluetooth", "disk monitor", ...
  const char* meaning;    // "Wi-Fi card has a problem code", ...
};

// Unknown ids give {"plug-in", "unknown event"}.
EventInfo EventOf(const std::string& eventId);

// "BIOS switch" for 0x390024, "Realtek reset begins" for 0x380009, ...; empty when unknown.
std::string MessageName(std::uint32_t msgId);

}  // namespace fdhost
