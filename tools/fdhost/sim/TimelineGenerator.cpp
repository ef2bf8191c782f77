// Random timelines: requests of every id with good and malformed payloads, broadcasts,
// devices coming and going, event-log records (broken ones too), vendor library callbacks in
// bursts, a person at the prompt, fact changes and files, spread over the run; the unload
// comes at a random moment, often right after an input.
#include <algorithm>
#include <cstdio>
#include <string>

#include "emu/Transcript.h"
#include "fdhost/sim/Generator.h"

namespace fdhost::sim {

namespace {

using nlohmann::json;

constexpr std::uint32_t kReplyBase = 0x70000000;  // reply ids the plug-in never sends by itself
constexpr char kDefaultWifiCard[] = "PCI\\VEN_8086&DEV_2725&SUBSYS_00248086";

std::string Utf16Hex(const std::string& text, bool terminated) {
  std::vector<unsigned char> bytes;
  for (const char c : text) {
    bytes.push_back(static_cast<unsigned char>(c));
    bytes.push_back(0);
  }
  if (terminated)
    bytes.insert(bytes.end(), {0, 0});
  return emu::ToHex(bytes.data(), bytes.size());
}

std::string ToHex(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%X", value);
  return text;
}

// A payload for the request id: what the host sends, or something malformed.
std::string PayloadFor(emu::Random& random, std::uint32_t msg) {
  if (random.Chance(15))
    return random.Chance(50) ? "" : RandomHex(random, random.Below(700));
  switch (msg) {
    case 0x390010:
    case 0x390012:
    case 0x390014:
    case 0x390024:
      return random.Pick(std::vector<std::string>{"00", "01", "02", "03", "05", "07", "ff", "80"});
    case 0x39001A: {
      const std::string name = random.Pick(
          std::vector<std::string>{"Winmgmt", "Spooler", "OSDMainService", "NoSuchService", ""});
      if (random.Chance(10))
        return Utf16Hex(std::string(random.Pick(std::vector<int>{259, 260, 261}), 'A'), false);
      return Utf16Hex(name, random.Chance(80));
    }
    default:
      return "";
  }
}

json Request(emu::Random& random, std::uint32_t& nextReply) {
  static const std::vector<std::uint32_t> ids = {
      0x380001, 0x380002, 0x380003, 0x39000A, 0x390005, 0x390007, 0x390010, 0x390012,
      0x39001A, 0x39000E, 0x39000C, 0x390014, 0x390017, 0x390024, 0x390099, 0xA0004};
  const std::uint32_t msg = random.Pick(ids);
  return {{"msg", ToHex(msg)},
          {"src", random.Chance(80) ? "0x10000" : "0x20000"},
          {"reply", ToHex(nextReply++)},
          {"payload_hex", PayloadFor(random, msg)}};
}

json DeviceEvent(emu::Random& random) {
  if (random.Chance(5))
    return {{"wparam", 7}};
  if (random.Chance(5))
    return {{"wparam", random.Pick(std::vector<int>{0x8001, 0x8003})}, {"interface", "usb"}};
  if (random.Chance(5))
    return {{"event", "arrival"}, {"interface", "usb"}, {"header_type", 2}};
  const std::string event = random.Chance(60) ? "arrival" : "removal";
  const std::string device =
      random.Pick(std::vector<std::string>{"bluetooth", "network", "usb", "monitor"});
  json body = {{"event", event}, {"interface", device}};
  if (device == "monitor" && random.Chance(70))
    body["monitor"] = {{"hardware_id", "MONITOR\\VLM2799"}, {"address", 9001}};
  return body;
}

json EventLogRecord(emu::Random& random) {
  static const std::vector<std::pair<std::string, int>> records = {
      {"Disk", 7},    {"Disk", 51},  {"Disk", 11}, {"volmgr", 161},
      {"volmgr", 49}, {"BTHUSB", 7}, {"Ntfs", 55}};
  const auto& [provider, id] = random.Pick(records);
  json body = {{"provider", provider}, {"event_id", id}};
  if (random.Chance(15))
    body["count"] = random.Pick(std::vector<int>{2, 10, 99, 100, 150});
  if (random.Chance(10))
    body["minutes_ago"] = random.Between(1, 600);
  if (random.Chance(5))
    body["xml"] = random.Pick(std::vector<std::string>{"<Event><System>", "", "not xml"});
  if (random.Chance(5))
    body["render_error"] = 122;
  return body;
}

// A message another process posts to the plug-in's hidden window: its private numbers with
// pointers of its own, or a device change with a header of any size.
json ForeignMessage(emu::Random& random) {
  if (random.Chance(50)) {
    return {{"message", random.Pick(std::vector<int>{2025, 2026})},
            {"wparam", random.Next() >> random.Below(64)},
            {"lparam", random.Next() >> random.Below(64)}};
  }
  return {{"message", 0x219},
          {"wparam", random.Pick(std::vector<int>{0x8000, 0x8004, 7})},
          {"header_hex", RandomHex(random, random.Below(40))}};
}

json VendorEvent(emu::Random& random) {
  if (random.Chance(40))
    return {{"library", "realtek"}, {"code", random.Pick(std::vector<int>{0, 1, 2})}};
  json body = {{"library", "touchpad"}, {"code", random.Between(0, 9)}};
  if (random.Chance(40)) {
    body["count"] = random.Pick(std::vector<int>{5, 99, 100, 101, 250});
    body["interval_ms"] = random.Pick(std::vector<int>{0, 1000, 40000});
  }
  return body;
}

json UserAction(emu::Random& random) {
  switch (random.Below(3)) {
    case 0:
      return {
          {"click", random.Pick(std::vector<std::string>{"btnFixNow", "btnNext", "btnRestartNow",
                                                         "btnDelay", "btnFolder", "btnNoSuch"})}};
    case 1:
      return {{"key", "alt+f4"}};
    default:
      return {{"choose", random.Pick(std::vector<json>{"0", "1", "2", "3", "7", "", nullptr})}};
  }
}

// A change of the laptop while the plug-in runs. The Wi-Fi card goes or comes back, as a
// card does, but never turns into another one.
json FactChange(emu::Random& random, const json& laptop) {
  switch (random.Below(7)) {
    case 0:
      return {{"wifi.problem_code", random.Pick(std::vector<int>{0, 10, 43})}};
    case 1: {
      const std::string card = laptop["wifi"].value("hardware_id", std::string());
      return {{"wifi.hardware_id", random.Chance(50) ? ""
                                   : card.empty()    ? std::string(kDefaultWifiCard)
                                                     : card}};
    }
    case 2:
      return {{"bluetooth.name", ""}, {"bluetooth.hardware_id", ""}};
    case 3:
      return {{"bluetooth.error_state", random.Pick(std::vector<int>{0, 10})}};
    case 4:
      return {{"config.usb.ReportUsbDeviceType", random.Chance(50) ? "0" : "1"}};
    case 5:
      return {{"wmi_methods.1540.output_hex", random.Chance(50) ? "0001" : "0102"}};
    default:
      return {{"touchpad.firmware", random.Chance(50) ? "1.2.3.4" : "9.9.9.9"}};
  }
}

}  // namespace

void GenerateTimeline(emu::Random& random, Generated& out) {
  json& s = out.scenario;
  const std::int64_t length = s["run_for_ms"].get<std::int64_t>();
  json timeline = json::array();
  std::uint32_t nextReply = kReplyBase;
  const auto count = random.Between(3, 40);
  for (std::int64_t i = 0; i < count; ++i) {
    // Early inputs meet the start-up jobs; the rest spread over the run.
    const std::int64_t at =
        random.Chance(25) ? random.Between(0, 15000) : random.Between(0, length);
    json entry = {{"at_ms", at}};
    const auto kind = random.Below(21);
    if (kind < 8)
      entry["ipc_request"] = Request(random, nextReply);
    else if (kind < 9)
      entry["broadcast"] = {{"msg", random.Chance(85) ? "0xA0004" : "0xA0009"}};
    else if (kind < 12)
      entry["device_event"] = DeviceEvent(random);
    else if (kind < 14)
      entry["event_log"] = EventLogRecord(random);
    else if (kind < 16)
      entry["vendor_event"] = VendorEvent(random);
    else if (kind < 18)
      entry["ui"] = UserAction(random);
    else if (kind < 19)
      entry["set"] = FactChange(random, s);
    else if (kind < 20)
      entry["file"] = {{"path", "C:\\Windows\\OriginalDriver\\WifiDriver\\22.200.0.6.exe"},
                       {"text", "MZ"}};
    else
      entry["window_message"] = ForeignMessage(random);
    timeline.push_back(entry);
    // Now and then the same input comes again in a burst, a few milliseconds apart, so that
    // its handlers overlap (requests get reply ids of their own).
    if (random.Chance(8)) {
      for (std::int64_t copy = random.Between(1, 4); copy > 0; --copy) {
        json again = entry;
        again["at_ms"] = at + random.Between(0, 50);
        if (again.contains("ipc_request"))
          again["ipc_request"]["reply"] = ToHex(nextReply++);
        timeline.push_back(again);
      }
    }
  }
  std::stable_sort(timeline.begin(), timeline.end(), [](const json& a, const json& b) {
    return a["at_ms"].get<std::int64_t>() < b["at_ms"].get<std::int64_t>();
  });
  // The unload: at the planned end, or while an input is still being handled.
  if (!timeline.empty() && random.Chance(35)) {
    const auto& victim = timeline[random.Below(timeline.size())];
    s["run_for_ms"] = victim["at_ms"].get<std::int64_t>() + random.Between(0, 3000);
    out.choices.push_back(
        "unload " +
        std::to_string(s["run_for_ms"].get<std::int64_t>() - victim["at_ms"].get<std::int64_t>()) +
        " ms after an input");
  }
  // Sometimes the host restarts the plug-in on the way (a service restart): the laptop, its
  // registry and files stay as they are.
  if (random.Chance(15)) {
    const std::int64_t end = s["run_for_ms"].get<std::int64_t>();
    json restarts = json::array();
    for (std::int64_t i = random.Between(1, 2); i > 0; --i)
      restarts.push_back(random.Between(0, end));
    s["restarts_at_ms"] = restarts;
    out.choices.push_back(std::to_string(restarts.size()) + " restart(s)");
  }
  s["timeline"] = timeline;
  out.choices.push_back(std::to_string(count) + " inputs");
}

}  // namespace fdhost::sim
