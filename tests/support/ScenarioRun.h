#pragma once
// Runs a scenario through fdhost's runner (the plug-in loaded as a shared library) and
// picks lines out of the transcript.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fdhost/HostRunner.h"

inline fdhost::RunResult RunJson(const std::string& json,
                                 emu::RunMode mode = emu::RunMode::Deterministic) {
  fdhost::RunOptions options;
  options.mode = mode;
  return fdhost::RunScenario(emu::ParseScenario(json, "test scenario"), options);
}

inline std::vector<emu::Line> OfKind(const fdhost::RunResult& run, const std::string& kind) {
  std::vector<emu::Line> out;
  for (const auto& line : run.transcript) {
    if (line["kind"] == kind)
      out.push_back(line);
  }
  return out;
}

// The times of the lines of a kind whose key has the value.
inline std::vector<std::int64_t> TimesOf(const fdhost::RunResult& run, const std::string& kind,
                                         const std::string& key, const emu::Line& value) {
  std::vector<std::int64_t> out;
  for (const auto& line : OfKind(run, kind)) {
    if (line.contains(key) && line[key] == value)
      out.push_back(line["t_ms"]);
  }
  return out;
}

// A request entry for a timeline.
inline std::string Request(std::int64_t atMs, const std::string& msg, const std::string& payloadHex,
                           const std::string& src = "0x10000",
                           const std::string& reply = "0x10001") {
  return R"({"at_ms": )" + std::to_string(atMs) + R"(, "ipc_request": {"msg": ")" + msg +
         R"(", "src": ")" + src + R"(", "reply": ")" + reply + R"(", "payload_hex": ")" +
         payloadHex + R"("}})";
}

// A shipped scenario (scenarios/), cut short at forMs.
inline fdhost::RunResult RunFileFor(const std::string& name, std::int64_t forMs,
                                    emu::RunMode mode = emu::RunMode::Deterministic) {
  fdhost::RunOptions options;
  options.forMs = forMs;
  options.mode = mode;
  return fdhost::RunScenario(emu::LoadScenarioFile(std::string(FD_SCENARIO_DIR) + "/" + name),
                             options);
}

// Lines written after the host's "uninit" line, other than the host's own.
inline std::vector<emu::Line> AfterUninit(const fdhost::RunResult& run) {
  std::vector<emu::Line> out;
  bool after = false;
  for (const auto& line : run.transcript) {
    if (after && line["kind"] != "host")
      out.push_back(line);
    after = after || (line["kind"] == "host" && line["op"] == "uninit");
  }
  return out;
}
