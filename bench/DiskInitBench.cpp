// One full disk discovery (CAtaSmart::Init) on machines of 1, 8 and 64 virtual SATA disks,
// on the real clock; the emulator's answers are cheap, so this is the plug-in's own cost.
#include <benchmark/benchmark.h>

#include "emu/Laptop.h"
#include "emu/Scheduler.h"
#include "emu/VendorHooks.h"
#include "smart/CAtaSmart.h"

namespace {

nlohmann::json Machine(int disks) {
  nlohmann::json list = nlohmann::json::array();
  for (int n = 0; n < disks; ++n) {
    nlohmann::json attributes = nlohmann::json::array();
    for (int id : {1, 5, 9, 12, 194, 197, 198, 199})
      attributes.push_back({{"id", id}, {"raw", n + id}});
    list.push_back({{"number", n},
                    {"model", "Velmora Disk " + std::to_string(n)},
                    {"serial", "VD" + std::to_string(n)},
                    {"attributes", attributes}});
  }
  return {{"disks", list}};
}

void BM_DiskInit(benchmark::State& state) {
  const int disks = static_cast<int>(state.range(0));
  emu::Scheduler::Instance().Reset(emu::ClockMode::Real, emu::RunMode::Parallel);
  emu::LoadLaptop(Machine(disks));
  for (auto _ : state) {
    smart::CAtaSmart reader;
    reader.Init(0, 0, nullptr);
    if (static_cast<int>(reader.vars.size()) != disks)
      state.SkipWithError("disks missing");
    benchmark::DoNotOptimize(reader.vars.data());
  }
  state.counters["disks"] = disks;
  state.SetComplexityN(disks);
}

BENCHMARK(BM_DiskInit)
    ->Arg(1)
    ->Arg(8)
    ->Arg(64)
    ->Unit(benchmark::kMicrosecond)
    ->Complexity(benchmark::oN);

}  // namespace
