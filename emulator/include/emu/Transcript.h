#pragma once
// Everything the plug-in does to the outside world, in virtual-time order, one JSON object
// per line. Every line has t_ms (milliseconds since Init) and kind.
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

namespace emu {

using Line = nlohmann::ordered_json;

class Transcript {
 public:
  static Transcript& Instance();

  void Clear();
  void Write(std::string_view kind, Line fields);
  // For callers that hold the scheduler lock (and so cannot read the clock).
  void WriteAt(std::int64_t tMs, std::string_view kind, Line fields);
  // Each line is also handed to the sink as it is written, in order (fdhost prints and
  // flushes it, so a crash keeps every line up to it). Without keeping, only the sink sees
  // the lines: a long run then needs no memory for them.
  void SetSink(std::function<void(const Line&)> sink, bool keepLines = true);
  std::vector<Line> Lines() const;
  // Lines of one kind (a copy).
  std::vector<Line> Lines(std::string_view kind) const;
  // A machine address as a small number that stays the same from run to run: 1 for the
  // first address seen since Clear, 2 for the next, and so on; 0 stays 0. Transcripts show
  // object addresses this way so that two runs of a scenario print the same bytes.
  std::uint64_t StableAddress(std::uint64_t address);

 private:
  Transcript() = default;
  mutable std::mutex mu_;
  std::vector<Line> lines_;
  std::map<std::uint64_t, std::uint64_t> addresses_;
  std::function<void(const Line&)> sink_;
  bool keepLines_ = true;
};

// Lower-case hex of the bytes.
std::string ToHex(const unsigned char* data, std::size_t size);
// The bytes of a hex text (blanks allowed between bytes); throws std::invalid_argument.
std::vector<unsigned char> FromHex(std::string_view hex);

}  // namespace emu
