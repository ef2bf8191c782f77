#include "fdhost/TextTimeline.h"

#include <cstdio>
#include <stdexcept>
#include <vector>

#include "emu/Laptop.h"
#include "fdhost/DiskReplyDecoder.h"
#include "fdhost/EventCatalogue.h"

namespace fdhost {

namespace {

std::string Hex(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%X", value);
  return text;
}

std::uint32_t Number(const emu::Line& value) {
  return static_cast<std::uint32_t>(value.is_string() ? emu::ParseNumber(value)
                                                      : value.get<std::int64_t>());
}

std::string Named(std::uint32_t msg) {
  const std::string name = MessageName(msg);
  return name.empty() ? Hex(msg) : Hex(msg) + " (" + name + ")";
}

std::string Pad(std::string text, std::size_t width) {
  if (text.size() < width)
    text.resize(width, ' ');
  return text;
}

// Who acted: the subsystem of a report, the part of the plug-in that logged, the requester,
// or the kind of the line.
std::string Who(const emu::Line& line) {
  const std::string kind = line.value("kind", "");
  if (kind == "report")
    return EventOf(line.value("event", "")).subsystem;
  if (kind == "log") {
    const std::string function = line.value("function", "");
    for (const auto& [prefix, who] : std::initializer_list<std::pair<const char*, const char*>>{
             {"CAtaSmart", "disk reader"},
             {"CMsgEvent", "dispatcher"},
             {"DeviceDriverErrorDetectEx", "detectors"},
             {"DynamicDll", "Realtek library"},
             {"CFaultDetectPlugin", "plug-in"}}) {
      if (function.rfind(prefix, 0) == 0)
        return who;
    }
    return "plug-in";
  }
  if (kind == "ipc")
    return "bus";
  if (kind == "input")
    return "timeline";
  if (kind == "fault")
    return "FAULT";
  if (kind == "fault_injected")
    return "injected";
  return kind;
}

std::string Rest(const emu::Line& line) {
  emu::Line rest = line;
  for (const char* key : {"t_ms", "kind", "op", "input"})
    rest.erase(key);
  return rest.empty() ? "" : " " + rest.dump();
}

std::string LevelName(int level) {
  switch (level) {
    case 40000:
      return "ERROR";
    case 30000:
      return "WARN";
    case 20000:
      return "INFO";
    case 10000:
      return "DEBUG";
  }
  return std::to_string(level);
}

}  // namespace

std::string TimeStamp(std::int64_t ms) {
  char stamp[48];
  std::snprintf(stamp, sizeof stamp, "%4lld:%02lld:%02lld.%03lld",
                static_cast<long long>(ms / 3600000), static_cast<long long>(ms / 60000 % 60),
                static_cast<long long>(ms / 1000 % 60), static_cast<long long>(ms % 1000));
  return stamp;
}

std::string TextTimeline::Format(const emu::Line& line) {
  const std::string head = TimeStamp(line.value("t_ms", 0LL)) + "  " + Pad(Who(line), 15) + " ";
  std::string what = What(line);
  // Continuation lines (a decoded disk answer) line up under the text.
  const std::string indent(head.size() + 2, ' ');
  for (std::size_t at = what.find('\n'); at != std::string::npos; at = what.find('\n', at + 1))
    what.insert(at + 1, indent);
  return head + what;
}

std::string TextTimeline::What(const emu::Line& line) {
  const std::string kind = line.value("kind", "");
  if (kind == "report") {
    const std::string id = line.value("event", "");
    ++reports_[id];
    std::string out = "report " + id + " " + EventOf(id).meaning + ": " + line.value("content", "");
    if (line.contains("fields") && !line["fields"].empty())
      out += " fields " + line["fields"].dump();
    return out;
  }
  if (kind == "ipc")
    return Answer(line);
  if (kind == "input") {
    const std::string input = line.value("input", "");
    if (input == "ipc_request") {
      const std::uint32_t msg = Number(line["msg"]);
      const std::uint32_t src = Number(line["src"]);
      if (line.contains("reply"))
        pending_[Number(line["reply"])] = {msg, src};
      ++asked_[Named(msg)];
      const std::string payload = line.value("payload_hex", "");
      return "request " + Named(msg) + " from " + Hex(src) +
             (payload.empty() ? "" : ", payload " + payload);
    }
    if (input == "event_log") {
      emu::Line more = line;
      more.erase("provider");
      more.erase("event_id");
      return "System log gets " + line.value("provider", "") + " event " +
             std::to_string(line.value("event_id", 0)) + Rest(more);
    }
    if (input == "broadcast")
      return "broadcast " + Named(Number(line["msg"]));
    return input + Rest(line);
  }
  if (kind == "log") {
    return "[" + LevelName(line.value("level", 0)) + "] " + line.value("text", "") + " (" +
           line.value("function", "") + ")";
  }
  if (kind == "device") {
    const std::string op = line.value("op", "");
    const std::string id = line.value("hardware_id", "");
    ++devices_[id.empty() ? "(the module)" : id][op];
    return op + " " + id +
           (line.contains("gpio") ? " gpio \"" + line.value("gpio", "") + "\"" : "");
  }
  if (kind == "fault") {
    ++faults_;
    return line.value("what", "") + Rest(line);
  }
  if (kind == "debug")
    return line.value("text", "");
  if (kind == "fault_injected") {
    ++injected_;
    const std::string argument = line.value("argument", "");
    return line.value("call", "") + (argument.empty() ? "" : " (" + argument + ")") +
           " made to fail, error " + std::to_string(line.value("error", 0));
  }
  return line.value("op", "") + Rest(line);
}

std::string TextTimeline::Answer(const emu::Line& line) {
  const std::uint32_t dst = line["dst"].get<std::uint32_t>();
  const std::uint32_t msg = line["msg"].get<std::uint32_t>();
  const std::string hex = line.value("payload_hex", "");
  auto request = pending_.find(msg);
  if (request == pending_.end() || request->second.src != dst)
    return "notice " + Named(msg) + " to " + Hex(dst) + (hex.empty() ? "" : ", payload " + hex);
  const std::uint32_t asked = request->second.msg;
  ++answered_[Named(asked)];
  std::string out = "answer to " + Named(asked) + " for " + Hex(dst) + ":";
  std::vector<std::uint8_t> bytes;
  try {
    bytes = emu::FromHex(hex);
  } catch (const std::invalid_argument&) {
  }
  auto u32 = [&bytes](std::size_t at) {
    return static_cast<std::uint32_t>(bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
                                      bytes[at + 3] << 24);
  };
  if (asked >= 0x380001 && asked <= 0x380003) {
    try {
      std::string text = DiskReplyText(DecodeDiskReply(asked, bytes));
      while (!text.empty() && text.back() == '\n')
        text.pop_back();
      return out + "\n" + text;
    } catch (const DecodeError& e) {
      return out + " " + hex + " (" + e.what() + ")";
    }
  }
  if (asked == 0x390024 && bytes.size() == 10) {
    return out + " device type " + std::to_string(static_cast<std::int32_t>(u32(4))) +
           (bytes[8] ? ", switch read" : ", switch not read") + (bytes[9] ? ", on" : ", off");
  }
  if (bytes.size() == 8)
    return out + " value " + std::to_string(u32(4));
  return out + " " + (hex.empty() ? "(empty)" : hex);
}

std::string TextTimeline::Summary() const {
  std::string out = "\nSummary\n  reports:";
  if (reports_.empty())
    out += " none";
  for (const auto& [id, count] : reports_)
    out += "\n    " + id + " x" + std::to_string(count) + "  " + EventOf(id).meaning;
  int asked = 0, answered = 0;
  for (const auto& [name, count] : asked_)
    asked += count;
  for (const auto& [name, count] : answered_)
    answered += count;
  out += "\n  requests: " + std::to_string(asked) + " asked, " + std::to_string(answered) +
         " answered";
  for (const auto& [name, count] : asked_) {
    auto a = answered_.find(name);
    out += "\n    " + name + ": " + std::to_string(count) + " asked, " +
           std::to_string(a == answered_.end() ? 0 : a->second) + " answered";
  }
  out += "\n  devices touched:";
  if (devices_.empty())
    out += " none";
  for (const auto& [device, ops] : devices_) {
    out += "\n    " + device + ":";
    for (const auto& [op, count] : ops)
      out += " " + op + " x" + std::to_string(count);
  }
  out += "\n  injected failures: " + std::to_string(injected_);
  out += "\n  faults: " + std::to_string(faults_) + "\n";
  return out;
}

}  // namespace fdhost
