#include "emu/Transcript.h"

#include <cstdio>
#include <stdexcept>

#include "emu/Scheduler.h"

namespace emu {

Transcript& Transcript::Instance() {
  static Transcript* instance = new Transcript();
  return *instance;
}

void Transcript::Clear() {
  std::lock_guard lock(mu_);
  lines_.clear();
}

void Transcript::Write(std::string_view kind, Line fields) {
  WriteAt(Scheduler::Instance().NowNs() / 1000000, kind, std::move(fields));
}

void Transcript::WriteAt(std::int64_t tMs, std::string_view kind, Line fields) {
  Line line;
  line["t_ms"] = tMs;
  line["kind"] = kind;
  for (auto& [key, value] : fields.items())
    line[key] = std::move(value);
  std::lock_guard lock(mu_);
  if (sink_)
    sink_(line);
  if (keepLines_)
    lines_.push_back(std::move(line));
}

void Transcript::SetSink(std::function<void(const Line&)> sink, bool keepLines) {
  std::lock_guard lock(mu_);
  sink_ = std::move(sink);
  keepLines_ = keepLines;
}

std::vector<Line> Transcript::Lines() const {
  std::lock_guard lock(mu_);
  return lines_;
}

std::vector<Line> Transcript::Lines(std::string_view kind) const {
  std::lock_guard lock(mu_);
  std::vector<Line> out;
  for (const auto& line : lines_) {
    if (line["kind"] == kind)
      out.push_back(line);
  }
  return out;
}

std::string ToHex(const unsigned char* data, std::size_t size) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  out.reserve(size * 2);
  for (std::size_t i = 0; i < size; ++i) {
    out.push_back(digits[data[i] >> 4]);
    out.push_back(digits[data[i] & 0x0F]);
  }
  return out;
}

std::vector<unsigned char> FromHex(std::string_view hex) {
  auto nibble = [](char c) -> int {
    if (c >= '0' && c <= '9')
      return c - '0';
    if (c >= 'a' && c <= 'f')
      return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
      return c - 'A' + 10;
    return -1;
  };
  std::vector<unsigned char> out;
  std::size_t i = 0;
  while (i < hex.size()) {
    if (hex[i] == ' ' || hex[i] == '\n' || hex[i] == '\t') {
      ++i;
      continue;
    }
    if (i + 1 >= hex.size() || nibble(hex[i]) < 0 || nibble(hex[i + 1]) < 0) {
      throw std::invalid_argument("bad hex text near offset " + std::to_string(i));
    }
    out.push_back(static_cast<unsigned char>(nibble(hex[i]) << 4 | nibble(hex[i + 1])));
    i += 2;
  }
  return out;
}

namespace {

std::string Hex32(const Line& value) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%x", value.get<unsigned>());
  return buf;
}

std::string Describe(const Line& line) {
  const std::string kind = line.value("kind", "");
  if (kind == "ipc") {
    return "to " + Hex32(line["dst"]) + " msg " + Hex32(line["msg"]) + " payload " +
           line.value("payload_hex", "");
  }
  if (kind == "report") {
    std::string out = line.value("event", "") + " " + line.value("content", "");
    if (!line["fields"].empty())
      out += " fields " + line["fields"].dump();
    return out;
  }
  if (kind == "log") {
    return "[" + std::to_string(line.value("level", 0)) + "] " + line.value("text", "") + " (" +
           line.value("function", "") + ")";
  }
  if (kind == "debug")
    return line.value("text", "");
  Line rest = line;
  rest.erase("t_ms");
  rest.erase("kind");
  return rest.dump();
}

}  // namespace

std::string FormatTextLine(const Line& line) {
  const long long ms = line.value("t_ms", 0LL);
  char stamp[48];
  std::snprintf(stamp, sizeof stamp, "%4lld:%02lld:%02lld.%03lld", ms / 3600000, ms / 60000 % 60,
                ms / 1000 % 60, ms % 1000);
  char kind[32];
  std::snprintf(kind, sizeof kind, "%-9s", line.value("kind", "").c_str());
  return std::string(stamp) + "  " + kind + " " + Describe(line);
}

}  // namespace emu
