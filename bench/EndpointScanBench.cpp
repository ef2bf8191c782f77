// The display audio endpoint walk over a registry of many render endpoints, none of them the
// display audio's: every endpoint key and its property key are opened and read.
#include <benchmark/benchmark.h>

#include <cstdio>

#include "DeviceMonitor/AudioDeviceMoudle.h"
#include "emu/VirtualRegistry.h"

namespace {

nlohmann::json Endpoints(int count) {
  nlohmann::json keys = nlohmann::json::object();
  const std::string render =
      "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\MMDevices\\Audio\\Render\\";
  for (int i = 0; i < count; ++i) {
    char id[64];
    std::snprintf(id, sizeof id, "{0.0.0.00000000}.{%08x-6b7e-4d21-9a55-0c8e4b7f2d11}", i);
    keys[render + id] = {{"DeviceState", 1}};
    keys[render + id + "\\Properties"] = {
        {"{a45c254e-df1c-4efd-8020-67d146a850e0},2",
         "Speakers (USB Audio " + std::to_string(i) + ")"},
        {"{b3f8fa53-0004-438e-9003-51a46e139bfc},6", "USB Audio Device"},
        {"{9c119480-ddc2-4954-a150-5bd240d454ad},1", 0}};
  }
  return keys;
}

void BM_DisplayAudioEndpointScan(benchmark::State& state) {
  emu::VirtualRegistry::Instance().Load(Endpoints(static_cast<int>(state.range(0))));
  for (auto _ : state)
    benchmark::DoNotOptimize(HasDisplayAudioEndpoint());
  state.SetComplexityN(state.range(0));
  emu::VirtualRegistry::Instance().Load(nlohmann::json::object());
}

BENCHMARK(BM_DisplayAudioEndpointScan)
    ->RangeMultiplier(4)
    ->Range(64, 4096)
    ->Arg(1000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

}  // namespace
