// The HTML page of a long run: writing it for 100,000 transcript lines, and loading the page
// of a busy month in headless Chromium (skipped where Chromium is not installed).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "BusyLaptop.h"
#include "emu/Transcript.h"
#include "fdhost/HostRunner.h"
#include "fdhost/HtmlTimeline.h"

namespace {

// The transcript of the busy month, run once.
const std::vector<emu::Line>& BusyMonthLines() {
  static const std::vector<emu::Line> lines = [] {
    std::vector<emu::Line> kept;
    emu::Transcript::Instance().SetSink([&kept](const emu::Line& line) { kept.push_back(line); },
                                        false);
    fdhost::RunScenario(emu::ParseScenario(busylaptop::Scenario(30), "busy month"), {});
    emu::Transcript::Instance().SetSink(nullptr, true);
    return kept;
  }();
  return lines;
}

// 100,000 lines: the busy month's lines, repeated one month later each time.
std::vector<emu::Line> HundredThousandLines() {
  const auto& month = BusyMonthLines();
  std::vector<emu::Line> lines;
  const std::int64_t monthMs = 30LL * 86400000;
  for (std::int64_t round = 0; lines.size() < 100000; ++round) {
    for (const auto& line : month) {
      if (lines.size() == 100000)
        break;
      emu::Line copy = line;
      copy["t_ms"] = line.value("t_ms", 0LL) + round * monthMs;
      lines.push_back(std::move(copy));
    }
  }
  return lines;
}

void BM_HtmlPageOfHundredThousandLines(benchmark::State& state) {
  const auto lines = HundredThousandLines();
  std::size_t bytes = 0;
  for (auto _ : state) {
    std::ostringstream out;
    fdhost::WriteHtmlTimeline(out, "benchmark", lines);
    bytes = out.str().size();
  }
  state.counters["lines"] = static_cast<double>(lines.size());
  state.counters["page_MiB"] = static_cast<double>(bytes) / (1 << 20);
}

void BM_BusyMonthPageLoadsInChromium(benchmark::State& state) {
  if (std::system("command -v chromium >/dev/null 2>&1") != 0) {
    state.SkipWithError("chromium is not installed");
    return;
  }
  const auto dir = std::filesystem::temp_directory_path() / "fd-html-bench";
  std::filesystem::create_directories(dir);
  {
    std::ofstream page(dir / "page.html");
    fdhost::WriteHtmlTimeline(page, "busy month", BusyMonthLines());
  }
  const std::string command =
      "chromium --headless --no-sandbox --disable-gpu --disable-background-networking "
      "--disable-component-update --disable-sync --no-first-run --user-data-dir=" +
      (dir / "profile").string() + " --dump-dom file://" + (dir / "page.html").string() +
      " 2>/dev/null | grep -q 'data-ready=\"1\"'";
  for (auto _ : state) {
    if (std::system(command.c_str()) != 0)
      state.SkipWithError("the page did not finish loading");
  }
  state.counters["lines"] = static_cast<double>(BusyMonthLines().size());
  std::filesystem::remove_all(dir);
}

BENCHMARK(BM_HtmlPageOfHundredThousandLines)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_BusyMonthPageLoadsInChromium)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();

}  // namespace
