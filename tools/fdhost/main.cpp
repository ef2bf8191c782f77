// fdhost: plays the laptop-management service around the plug-in.
//   fdhost run [SCENARIO.json] [--for MS] [--transcript FILE] [--format jsonl|text]
//              [--parallel] [--real-time]
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>

#include "emu/Scheduler.h"
#include "emu/Transcript.h"
#include "fdhost/DiskReplyDecoder.h"
#include "fdhost/HostRunner.h"

namespace {

int Usage() {
  std::cerr << "usage: fdhost run [SCENARIO.json] [--for MS] [--transcript FILE]"
               " [--format jsonl|text] [--parallel] [--real-time]\n"
               "       fdhost decode 0x380001|0x380002|0x380003 PAYLOAD_HEX\n";
  return 2;
}

}  // namespace

// fdhost decode REQUEST_ID HEX: a disk information reply as text.
int Decode(int argc, char** argv) {
  if (argc != 4)
    return Usage();
  try {
    const auto request = static_cast<std::uint32_t>(std::stoul(argv[2], nullptr, 0));
    const auto reply = fdhost::DecodeDiskReply(request, emu::FromHex(argv[3]));
    std::cout << fdhost::DiskReplyText(reply);
    return 0;
  } catch (const std::exception& e) {
    std::cerr << "fdhost: " << e.what() << "\n";
    return 1;
  }
}

int main(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], "decode") == 0)
    return Decode(argc, argv);
  if (argc < 2 || std::strcmp(argv[1], "run") != 0)
    return Usage();
  std::string scenarioPath;
  std::string transcriptPath;
  std::string format = "jsonl";
  fdhost::RunOptions options;
  for (int i = 2; i < argc; ++i) {
    const std::string arg = argv[i];
    auto next = [&]() -> std::string { return i + 1 < argc ? argv[++i] : ""; };
    if (arg == "--for") {
      const std::string value = next();
      try {
        options.forMs = std::stoll(value);
      } catch (const std::exception&) {
        std::cerr << "fdhost: --for takes milliseconds, not \"" << value << "\"\n";
        return 2;
      }
    } else if (arg == "--transcript") {
      transcriptPath = next();
    } else if (arg == "--format") {
      format = next();
      if (format != "jsonl" && format != "text")
        return Usage();
    } else if (arg == "--parallel") {
      options.mode = emu::RunMode::Parallel;
    } else if (arg == "--real-time") {
      options.clock = emu::ClockMode::Real;
    } else if (!arg.empty() && arg[0] != '-' && scenarioPath.empty()) {
      scenarioPath = arg;
    } else {
      return Usage();
    }
  }

  emu::Scenario scenario;
  try {
    scenario = scenarioPath.empty() ? fdhost::DemoScenario() : emu::LoadScenarioFile(scenarioPath);
  } catch (const emu::ScenarioError& e) {
    std::cerr << "fdhost: " << e.what() << "\n";
    return 2;
  }
  std::ofstream file;
  if (!transcriptPath.empty()) {
    file.open(transcriptPath);
    if (!file) {
      std::cerr << "fdhost: cannot write " << transcriptPath << "\n";
      return 2;
    }
  }
  // Each line goes out as it is written, so a crash or a deadlock keeps every line before it.
  std::ostream& out = transcriptPath.empty() ? std::cout : file;
  emu::Transcript::Instance().SetSink(
      [&out, text = format == "text"](const emu::Line& line) {
        out << (text ? emu::FormatTextLine(line) : line.dump()) << std::endl;
      },
      false);
  emu::Scheduler::Instance().SetDeadlockHandler(
      [&out](const std::string& report, std::int64_t nowMs) {
        emu::Transcript::Instance().WriteAt(nowMs, "fault", {{"what", report}});
        out.flush();
        std::cerr << "fdhost: " << report << std::endl;
        std::_Exit(3);
      });
  const fdhost::RunResult result = fdhost::RunScenario(scenario, options);
  emu::Transcript::Instance().SetSink(nullptr);
  if (!result.ok) {
    std::cerr << "fdhost: " << (result.error.empty() ? "Init returned false" : result.error)
              << "\n";
    return 1;
  }
  return 0;
}
