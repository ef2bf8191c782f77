// fdhost: plays the laptop-management service around the plug-in.
//   fdhost run [SCENARIO.json] [options]     (fdhost run --help)
//   fdhost decode REQUEST_ID PAYLOAD_HEX
//   fdhost facts
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "emu/Faults.h"
#include "emu/Laptop.h"
#include "emu/Scheduler.h"
#include "emu/Transcript.h"
#include "fdhost/DiskReplyDecoder.h"
#include "fdhost/HostRunner.h"
#include "fdhost/HtmlTimeline.h"
#include "fdhost/TextTimeline.h"
#include "fdhost/sim/SimCommand.h"
#include "fdhost/sim/Swarm.h"

namespace {

constexpr char kUsage[] =
    "usage: fdhost run [SCENARIO.json] [options]   play a scenario (the demo laptop without one)\n"
    "       fdhost decode REQUEST_ID PAYLOAD_HEX   a disk answer (0x380001, 0x380002, 0x380003) "
    "as text\n"
    "       fdhost facts                           the laptop's declared facts as Markdown "
    "tables\n"
    "       fdhost sim [options]                   a swarm of random laptops, each run judged "
    "(fdhost sim --help)\n"
    "       fdhost --help | fdhost run --help\n";

constexpr char kRunHelp[] =
    "fdhost run [SCENARIO.json] [options]\n"
    "\n"
    "Loads the plug-in manager and the plug-in as shared libraries, creates the plug-in object,\n"
    "calls Init, plays the scenario's timeline on the virtual clock, calls Uninit at the end and\n"
    "unloads. Without a file it plays the built-in demo laptop (scenarios/demo-laptop-day.json).\n"
    "Every line of the transcript is written as it happens.\n"
    "\n"
    "options:\n"
    "  --for MS            stop (Uninit and unload) after MS virtual milliseconds instead of the\n"
    "                      scenario's run_for_ms\n"
    "  --format jsonl|text jsonl (the default): one JSON object per line; text: a timeline for\n"
    "                      people, with the meaning of each report, requests and answers by name,\n"
    "                      disk answers decoded and a summary at the end\n"
    "  --transcript FILE   write the transcript there instead of standard output\n"
    "  --html FILE         also write the run as one self-contained HTML page: a lane per\n"
    "                      subsystem on a virtual-time axis, details on hover or click, zoom\n"
    "                      from the whole run down to milliseconds\n"
    "  --parallel          let ready threads run at once (to shake out races) instead of one at\n"
    "                      a time in a fixed order\n"
    "  --real-time         use the machine's clock instead of the virtual one\n"
    "  --help              this text\n"
    "\n"
    "exit status: 0 done; 1 the plug-in could not be loaded or Init failed; 2 bad arguments or\n"
    "scenario file; 3 the run deadlocked (the report names each thread and what it waits for)\n";

int Usage() {
  std::cerr << kUsage;
  return 2;
}

int Unknown(const std::string& arg) {
  std::cerr << "fdhost: unknown option \"" << arg << "\" (fdhost run --help lists them)\n";
  return 2;
}

// Opens the file when a path is given; says why not and returns false when it cannot.
bool OpenOutput(std::ofstream& out, const std::string& path) {
  if (path.empty())
    return true;
  out.open(path);
  if (!out)
    std::cerr << "fdhost: cannot write " << path << "\n";
  return static_cast<bool>(out);
}

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

int Run(int argc, char** argv) {
  std::string scenarioPath;
  std::string transcriptPath;
  std::string htmlPath;
  std::string format = "jsonl";
  fdhost::RunOptions options;
  for (int i = 2; i < argc; ++i) {
    const std::string arg = argv[i];
    auto next = [&](std::string& value) {
      if (i + 1 >= argc)
        return false;
      value = argv[++i];
      return true;
    };
    std::string value;
    if (arg == "--help" || arg == "-h") {
      std::cout << kRunHelp;
      return 0;
    } else if (arg == "--for") {
      if (!next(value))
        return Unknown(arg + " without milliseconds");
      try {
        options.forMs = std::stoll(value);
      } catch (const std::exception&) {
        std::cerr << "fdhost: --for takes milliseconds, not \"" << value << "\"\n";
        return 2;
      }
    } else if (arg == "--transcript") {
      if (!next(transcriptPath))
        return Unknown(arg + " without a file");
    } else if (arg == "--html") {
      if (!next(htmlPath))
        return Unknown(arg + " without a file");
    } else if (arg == "--format") {
      if (!next(format) || (format != "jsonl" && format != "text"))
        return Unknown(arg + " " + format);
    } else if (arg == "--seed") {
      if (!next(value))
        return Unknown(arg + " without a number");
      try {
        std::size_t used = 0;
        options.seed = std::stoull(value, &used, 0);
        if (used != value.size() || value[0] == '-')
          throw std::invalid_argument(value);
      } catch (const std::exception&) {
        std::cerr << "fdhost: --seed takes a whole number, not \"" << value << "\"\n";
        return 2;
      }
    } else if (arg == "--parallel") {
      options.mode = emu::RunMode::Parallel;
    } else if (arg == "--real-time") {
      options.clock = emu::ClockMode::Real;
    } else if (!arg.empty() && arg[0] != '-' && scenarioPath.empty()) {
      scenarioPath = arg;
    } else {
      return Unknown(arg);
    }
  }

  if (options.seed &&
      (options.mode == emu::RunMode::Parallel || options.clock == emu::ClockMode::Real)) {
    std::cerr << "fdhost: --seed orders the threads of a serial run on the virtual clock; it "
                 "does not go with --parallel or --real-time\n";
    return 2;
  }
  emu::Scenario scenario;
  try {
    scenario = scenarioPath.empty() ? fdhost::DemoScenario() : emu::LoadScenarioFile(scenarioPath);
  } catch (const emu::ScenarioError& e) {
    std::cerr << "fdhost: " << e.what() << "\n";
    return 2;
  }

  std::ofstream file, html;
  if (!OpenOutput(file, transcriptPath) || !OpenOutput(html, htmlPath))
    return 2;
  // Each line goes out as it is written, so a crash or a deadlock keeps every line before it.
  std::ostream& out = transcriptPath.empty() ? std::cout : file;
  const bool text = format == "text";
  fdhost::TextTimeline timeline;
  std::vector<emu::Line> kept;  // for the HTML page
  const bool keep = html.is_open();
  emu::Transcript::Instance().SetSink(
      [&out, &timeline, &kept, text, keep](const emu::Line& line) {
        out << (text ? timeline.Format(line) : line.dump()) << std::endl;
        if (keep)
          kept.push_back(line);
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
  if (text)
    out << timeline.Summary();
  if (keep) {
    // The file's name, not where it lies: pages look the same from every folder.
    const std::string name = scenario.name.substr(scenario.name.find_last_of("/\\") + 1);
    fdhost::WriteHtmlTimeline(html, "fdhost run " + name, kept);
    if (!html.flush()) {
      std::cerr << "fdhost: cannot write " << htmlPath << "\n";
      return 2;
    }
  }
  if (!result.ok) {
    std::cerr << "fdhost: " << (result.error.empty() ? "Init returned false" : result.error)
              << "\n";
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    std::cout << kUsage << "\n" << kRunHelp;
    return 0;
  }
  if (argc >= 2 && std::strcmp(argv[1], "decode") == 0)
    return Decode(argc, argv);
  if (argc == 2 && std::strcmp(argv[1], "facts") == 0) {
    std::cout << "Laptop facts:\n\n"
              << emu::FactTableMarkdown(false) << "\nDisks:\n\n"
              << emu::FactTableMarkdown(true) << "\nCalls that can fail:\n\n"
              << emu::FaultTableMarkdown();
    return 0;
  }
  if (argc >= 2 && std::strcmp(argv[1], "sim") == 0)
    return fdhost::sim::SimCommand(argc, argv);
  if (argc == 5 && std::strcmp(argv[1], "sim-child") == 0) {  // one run of the swarm
    return fdhost::sim::PlayScenarioChild(argv[2], std::atoi(argv[3]),
                                          std::strcmp(argv[4], "parallel") == 0);
  }
  if (argc < 2 || std::strcmp(argv[1], "run") != 0)
    return Usage();
  return Run(argc, argv);
}
