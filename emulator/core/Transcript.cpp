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
  addresses_.clear();
}

std::uint64_t Transcript::StableAddress(std::uint64_t address) {
  if (address == 0)
    return 0;
  std::lock_guard lock(mu_);
  return addresses_.try_emplace(address, addresses_.size() + 1).first->second;
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

}  // namespace emu
