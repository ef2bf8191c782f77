#pragma once
// The transcript as a story for people: aligned columns (time, who acted, what happened),
// reports with the meaning of their event id, requests and their answers by name, disk
// answers decoded, and a summary at the end.
#include <cstdint>
#include <map>
#include <string>

#include "emu/Transcript.h"

namespace fdhost {

class TextTimeline {
 public:
  // One transcript line as text (several lines for a decoded disk answer), without the
  // final newline.
  std::string Format(const emu::Line& line);
  // Reports by event id, requests answered, devices touched, faults.
  std::string Summary() const;

 private:
  std::string What(const emu::Line& line);
  std::string Answer(const emu::Line& line);

  struct Request {
    std::uint32_t msg;
    std::uint32_t src;
  };
  std::map<std::uint32_t, Request> pending_;  // reply id -> the request waiting for it
  std::map<std::string, int> reports_;
  std::map<std::string, int> asked_, answered_;
  std::map<std::string, std::map<std::string, int>> devices_;  // device -> op -> count
  int faults_ = 0;
  int injected_ = 0;  // failures the scenario injected
};

// "   1:02:03.004" for 3723004 ms.
std::string TimeStamp(std::int64_t ms);

}  // namespace fdhost
