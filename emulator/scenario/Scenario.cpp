#include "emu/Scenario.h"

#include "emu/DeviceTree.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <fstream>
#include <iomanip>
#include <sstream>

#include "emu/Faults.h"
#include "emu/Laptop.h"
#include "emu/Toolkit.h"
#include "emu/Transcript.h"

namespace emu {

namespace {

const char* const kKinds[] = {"ipc_request",  "broadcast", "set", "device_event",  "event_log",
                              "vendor_event", "file",      "ui",  "window_message"};

std::string Where(std::size_t index) {
  return "timeline[" + std::to_string(index) + "]";
}

void RequireNumber(const nlohmann::json& body, const char* key, bool required,
                   const std::string& where) {
  if (!body.contains(key)) {
    if (required)
      throw ScenarioError(where + ": \"" + key + "\" is missing");
    return;
  }
  try {
    ParseNumber(body[key]);
  } catch (const std::invalid_argument& e) {
    throw ScenarioError(where + ": \"" + key + "\": " + e.what());
  }
}

void CheckEntry(const TimelineEntry& entry, const std::string& where) {
  const auto& body = entry.body;
  if (entry.kind == "set") {
    if (!body.is_object())
      throw ScenarioError(where + ": \"set\" takes an object of paths");
    for (const auto& [path, value] : body.items()) {
      if (const std::string wrong = CheckFactAt(path, value); !wrong.empty())
        throw ScenarioError(where + ": set: " + wrong);
    }
    return;
  }
  if (!body.is_object())
    throw ScenarioError(where + ": \"" + entry.kind + "\" takes an object");
  if (entry.kind == "ipc_request" || entry.kind == "broadcast") {
    RequireNumber(body, "msg", true, where);
    RequireNumber(body, "src", entry.kind == "ipc_request", where);
    RequireNumber(body, "reply", false, where);
    RequireNumber(body, "dst", false, where);
    if (body.contains("payload_hex")) {
      if (!body["payload_hex"].is_string())
        throw ScenarioError(where + ": payload_hex is text");
      try {
        FromHex(body["payload_hex"].get<std::string>());
      } catch (const std::invalid_argument& e) {
        throw ScenarioError(where + ": payload_hex: " + e.what());
      }
    }
  } else if (entry.kind == "device_event") {
    static const char* const interfaces[] = {"bluetooth", "network", "usb", "monitor"};
    const std::string event = body.value("event", "");
    const std::string iface = body.value("interface", "");
    RequireNumber(body, "wparam", false, where);
    RequireNumber(body, "header_type", false, where);
    if (event != "arrival" && event != "removal" && !body.contains("wparam")) {
      throw ScenarioError(where + ": \"event\" is \"arrival\" or \"removal\" (or give \"wparam\")");
    }
    // Headers of other types, and DBT_DEVNODES_CHANGED, go to every window: no class.
    const bool interfaceHeader =
        (!body.contains("header_type") || ParseNumber(body["header_type"]) == 5) &&
        !(body.contains("wparam") && ParseNumber(body["wparam"]) == 7);
    if (body.contains("monitor")) {
      const auto& monitor = body["monitor"];
      if (!monitor.is_object())
        throw ScenarioError(where +
                            ": \"monitor\" is { \"hardware_id\": text, \"address\": number }");
      if (monitor.contains("hardware_id") && !monitor["hardware_id"].is_string())
        throw ScenarioError(where + ": monitor.hardware_id is text");
      RequireNumber(monitor, "address", false, where + ": monitor");
    }
    if (body.contains("class_guid")) {
      // A class of its own, watched or not: the GUID must read as one.
      try {
        ParseGuid(body.value("class_guid", ""));
      } catch (const std::invalid_argument& e) {
        throw ScenarioError(where + ": class_guid: " + e.what());
      }
    } else if (interfaceHeader && std::find(std::begin(interfaces), std::end(interfaces), iface) ==
                                      std::end(interfaces)) {
      throw ScenarioError(where +
                          ": \"interface\" is bluetooth, network, usb or monitor (or give "
                          "\"class_guid\")");
    }
  } else if (entry.kind == "window_message") {
    RequireNumber(body, "message", true, where);
    RequireNumber(body, "wparam", false, where);
    RequireNumber(body, "lparam", false, where);
    if (body.contains("window") && !body["window"].is_string())
      throw ScenarioError(where + ": \"window\" is a window class name");
    if (body.contains("header_hex")) {
      if (!body["header_hex"].is_string())
        throw ScenarioError(where + ": header_hex is text");
      try {
        FromHex(body["header_hex"].get<std::string>());
      } catch (const std::invalid_argument& e) {
        throw ScenarioError(where + ": header_hex: " + e.what());
      }
    }
  } else if (entry.kind == "vendor_event") {
    if (!body.contains("library") || !body["library"].is_string()) {
      throw ScenarioError(where + ": \"library\" text is missing");
    }
    RequireNumber(body, "code", false, where);
    RequireNumber(body, "count", false, where);
    RequireNumber(body, "interval_ms", false, where);
    if (body.contains("count") &&
        (ParseNumber(body["count"]) < 1 || ParseNumber(body["count"]) > 10000))
      throw ScenarioError(where + ": \"count\" is 1 to 10000");
    if (body.contains("interval_ms") && ParseNumber(body["interval_ms"]) < 0)
      throw ScenarioError(where + ": \"interval_ms\" is negative");
  } else if (entry.kind == "file") {
    if (!body.contains("path") || !body["path"].is_string())
      throw ScenarioError(where + ": \"path\" text is missing");
    const auto isText = [&](const char* key) {
      return body.contains(key) && body[key].is_string();
    };
    if (!body.value("delete", false) && !isText("text") && !isText("link_to"))
      throw ScenarioError(where +
                          ": \"text\" (the content), \"link_to\" or \"delete\": true is missing");
    if (body.contains("kind") && body["kind"] != "symbolic" && body["kind"] != "hard")
      throw ScenarioError(where + ": \"kind\" is \"symbolic\" or \"hard\"");
  } else if (entry.kind == "ui") {
    if (const std::string wrong = Toolkit::CheckAction(body); !wrong.empty())
      throw ScenarioError(where + ": ui: " + wrong);
  } else if (entry.kind == "event_log") {
    RequireNumber(body, "event_id", true, where);
    if (!body.contains("provider") || !body["provider"].is_string()) {
      throw ScenarioError(where + ": \"provider\" text is missing");
    }
  }
}

}  // namespace

BusMessage RequestMessageOf(const nlohmann::json& body) {
  BusMessage m;
  m.msg = static_cast<std::uint32_t>(ParseNumber(body["msg"]));
  if (body.contains("src"))
    m.src = static_cast<std::uint32_t>(ParseNumber(body["src"]));
  if (body.contains("reply"))
    m.reply = static_cast<std::uint32_t>(ParseNumber(body["reply"]));
  m.dst = body.contains("dst") ? static_cast<std::uint32_t>(ParseNumber(body["dst"])) : 0x380000;
  m.payload = FromHex(body.value("payload_hex", ""));
  m.hasPayload = !m.payload.empty();  // an empty payload arrives as a null pointer
  return m;
}

std::int64_t ParseUtcTime(const std::string& text) {
  std::tm tm{};
  std::istringstream in(text);
  in >> std::get_time(&tm, "%Y-%m-%dT%H:%M:%S");
  if (in.fail())
    throw ScenarioError("start_time \"" + text + "\" is not YYYY-MM-DDTHH:MM:SSZ");
  std::string rest;
  in >> rest;
  if (rest != "Z")
    throw ScenarioError("start_time \"" + text + "\" must end in Z (UTC)");
  using namespace std::chrono;
  const sys_days day{year{tm.tm_year + 1900} / month{static_cast<unsigned>(tm.tm_mon + 1)} /
                     tm.tm_mday};
  const auto time = day + hours{tm.tm_hour} + minutes{tm.tm_min} + seconds{tm.tm_sec};
  return duration_cast<milliseconds>(time.time_since_epoch()).count();
}

namespace {

Scenario ParseDocument(const nlohmann::json& doc, const std::string& name) {
  if (!doc.is_object())
    throw ScenarioError(name + ": a scenario is a JSON object");
  Scenario s;
  s.name = name;
  try {
    s.startEpochMs = ParseUtcTime(doc.value("start_time", "2026-03-01T08:00:00Z"));
    s.runForMs = doc.contains("run_for_ms") ? ParseNumber(doc["run_for_ms"]) : 60000;
  } catch (const std::invalid_argument& e) {
    throw ScenarioError(name + ": run_for_ms: " + e.what());
  } catch (const ScenarioError& e) {
    throw ScenarioError(name + ": " + e.what());
  }
  if (s.runForMs < 0)
    throw ScenarioError(name + ": run_for_ms is negative");
  if (doc.contains("restarts_at_ms")) {
    const auto& restarts = doc["restarts_at_ms"];
    if (!restarts.is_array())
      throw ScenarioError(name + ": restarts_at_ms is a list of times");
    for (const auto& at : restarts) {
      try {
        s.restartsAtMs.push_back(ParseNumber(at));
      } catch (const std::invalid_argument& e) {
        throw ScenarioError(name + ": restarts_at_ms: " + e.what());
      }
      if (s.restartsAtMs.back() < 0)
        throw ScenarioError(name + ": restarts_at_ms: a time is negative");
    }
    std::sort(s.restartsAtMs.begin(), s.restartsAtMs.end());
  }
  if (doc.contains("schedule_seed")) {
    const auto& seed = doc["schedule_seed"];
    if (!seed.is_number_unsigned())
      throw ScenarioError(name + ": schedule_seed is a whole number, 0 or more");
    s.scheduleSeed = seed.get<std::uint64_t>();
  }
  const auto timeline = doc.value("timeline", nlohmann::json::array());
  if (!timeline.is_array())
    throw ScenarioError(name + ": timeline is a list");
  for (std::size_t i = 0; i < timeline.size(); ++i) {
    const auto& item = timeline[i];
    const std::string where = name + ": " + Where(i);
    if (!item.is_object() || !item.contains("at_ms")) {
      throw ScenarioError(where + ": each entry is an object with at_ms");
    }
    TimelineEntry entry;
    try {
      entry.atMs = ParseNumber(item["at_ms"]);
    } catch (const std::invalid_argument& e) {
      throw ScenarioError(where + ": at_ms: " + e.what());
    }
    if (entry.atMs < 0)
      throw ScenarioError(where + ": at_ms is negative");
    for (const char* kind : kKinds) {
      if (!item.contains(kind))
        continue;
      if (!entry.kind.empty())
        throw ScenarioError(where + ": one input per entry");
      entry.kind = kind;
      entry.body = item[kind];
    }
    if (entry.kind.empty()) {
      throw ScenarioError(
          where +
          ": needs one of ipc_request, broadcast, set, device_event, event_log, vendor_event, "
          "file, ui, window_message");
    }
    CheckEntry(entry, where);
    s.timeline.push_back(std::move(entry));
  }
  std::stable_sort(s.timeline.begin(), s.timeline.end(),
                   [](const TimelineEntry& a, const TimelineEntry& b) { return a.atMs < b.atMs; });
  s.laptop = doc;
  s.faults = doc.value("faults", nlohmann::json());
  try {
    Faults::Validate(s.faults);
  } catch (const std::invalid_argument& e) {
    throw ScenarioError(name + ": " + e.what());
  }
  for (const char* core : {"start_time", "run_for_ms", "timeline", "description", "faults",
                           "schedule_seed", "restarts_at_ms"}) {
    s.laptop.erase(core);
  }
  if (const std::string wrong = CheckFacts(s.laptop); !wrong.empty())
    throw ScenarioError(name + ": " + wrong);
  return s;
}

}  // namespace

Scenario ParseScenario(const std::string& jsonText, const std::string& name) {
  nlohmann::json doc;
  try {
    doc = nlohmann::json::parse(jsonText);
  } catch (const nlohmann::json::exception& e) {
    // Also numbers too large for a double ("1E7172"), which the parser reports apart.
    throw ScenarioError(name + ": not JSON: " + e.what());
  }
  try {
    return ParseDocument(doc, name);
  } catch (const nlohmann::json::exception& e) {
    throw ScenarioError(name + ": a value of the wrong type: " + e.what());
  } catch (const std::out_of_range& e) {
    throw ScenarioError(name + ": a number out of range: " + e.what());
  }
}

Scenario LoadScenarioFile(const std::string& path) {
  std::ifstream in(path);
  if (!in)
    throw ScenarioError(path + ": cannot be read");
  std::stringstream text;
  text << in.rdbuf();
  return ParseScenario(text.str(), path);
}

}  // namespace emu
