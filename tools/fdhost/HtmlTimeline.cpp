#include "fdhost/HtmlTimeline.h"

#include <algorithm>
#include <cstdio>
#include <exception>

#include "emu/Laptop.h"
#include "fdhost/EventCatalogue.h"
#include "fdhost/HtmlTimelinePage.h"

namespace fdhost {

namespace {

// Text safe inside an HTML element.
std::string EscapeHtml(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '&':
        out += "&amp;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

// JSON safe inside a script element: no "</" may end it early.
std::string JsonForScript(const nlohmann::json& value) {
  std::string text = value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '<' && i + 1 < text.size() && text[i + 1] == '/') {
      out += "<\\/";
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

// A field as text, whether the scenario gave it as text or as a number.
std::string Text(const emu::Line& line, const char* key) {
  if (!line.contains(key))
    return "";
  return line[key].is_string() ? line[key].get<std::string>() : line[key].dump();
}

// The name of a message id given as text or number; empty when unknown or unreadable.
std::string NameOf(const emu::Line& value) {
  try {
    return MessageName(static_cast<std::uint32_t>(emu::ParseNumber(value)));
  } catch (const std::exception&) {
    return "";
  }
}

// The short text beside a mark.
std::string Label(const emu::Line& line) {
  const std::string kind = line.value("kind", "");
  if (kind == "report") {
    const std::string id = Text(line, "event");
    return id + " " + EventOf(id).meaning;
  }
  if (kind == "ipc") {
    const auto msg = line["msg"].get<std::uint32_t>();
    const std::string name = MessageName(msg);
    char text[64];
    std::snprintf(text, sizeof text, "post 0x%X to 0x%X", msg, line["dst"].get<std::uint32_t>());
    return name.empty() ? text : std::string(text) + " (" + name + ")";
  }
  if (kind == "input") {
    const std::string input = line.value("input", "");
    if (input == "ipc_request" || input == "broadcast") {
      const std::string name = line.contains("msg") ? NameOf(line["msg"]) : "";
      return (input == "broadcast" ? "broadcast " : "request ") + Text(line, "msg") +
             (name.empty() ? "" : " (" + name + ")");
    }
    if (input == "event_log")
      return Text(line, "provider") + " event " + Text(line, "event_id");
    return input;
  }
  if (kind == "log")
    return Text(line, "text");
  if (kind == "fault")
    return "FAULT " + Text(line, "what");
  const std::string op = Text(line, "op");
  const std::string device = Text(line, "hardware_id");
  return (op.empty() ? kind : op) + (device.empty() ? "" : " " + device);
}

}  // namespace

namespace {

// The lanes, top to bottom, with the line kinds and timeline inputs each shows; the last
// lane takes every other line.
struct Lane {
  const char* name;
  std::vector<std::string> kinds;
  std::vector<std::string> inputs;
};

const std::vector<Lane>& LaneTable() {
  static const std::vector<Lane> lanes = {
      {"requests and replies", {"ipc", "bus"}, {"ipc_request", "broadcast"}},
      {"reports", {"report"}, {}},
      {"device operations", {"device"}, {}},
      {"windows and notifications", {"window", "ui"}, {"device_event", "ui"}},
      {"registry and firmware", {"registry", "firmware_variable"}, {}},
      {"event log", {"eventlog"}, {"event_log"}},
      {"vendor libraries", {"vendor"}, {"vendor_event"}},
      {"processes, services and files", {"process", "service", "file"}, {"file"}},
      {"logs", {"log", "debug"}, {}},
      {"injected failures", {"fault_injected"}, {}},
      {"host", {"host", "fault"}, {}},
      {"other", {}, {}},
  };
  return lanes;
}

bool Contains(const std::vector<std::string>& list, const std::string& item) {
  return std::find(list.begin(), list.end(), item) != list.end();
}

}  // namespace

const std::vector<std::string>& HtmlLanes() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> out;
    for (const auto& lane : LaneTable())
      out.push_back(lane.name);
    return out;
  }();
  return names;
}

std::size_t HtmlLaneOf(const emu::Line& line) {
  const std::string kind = line.value("kind", "");
  const std::string input = kind == "input" ? line.value("input", "") : "";
  const auto& lanes = LaneTable();
  for (std::size_t i = 0; i + 1 < lanes.size(); ++i) {
    if (input.empty() ? Contains(lanes[i].kinds, kind) : Contains(lanes[i].inputs, input))
      return i;
  }
  return lanes.size() - 1;
}

void WriteHtmlTimeline(std::ostream& out, const std::string& title,
                       const std::vector<emu::Line>& lines) {
  // Marks as [time, lane, label, details], in time order as the transcript has them.
  nlohmann::json marks = nlohmann::json::array();
  for (const auto& line : lines) {
    emu::Line details = line;
    details.erase("t_ms");
    marks.push_back({line.value("t_ms", 0LL), HtmlLaneOf(line), Label(line), details.dump()});
  }
  out << kHtmlPageHead << EscapeHtml(title) << kHtmlPageBody
      << "<script type=\"application/json\" id=\"lanes\">" << JsonForScript(HtmlLanes())
      << "</script>\n<script type=\"application/json\" id=\"marks\">" << JsonForScript(marks)
      << "</script>\n"
      << kHtmlPageScript;
}

}  // namespace fdhost
