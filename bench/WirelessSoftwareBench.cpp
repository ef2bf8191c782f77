// The wireless software search over the Uninstall keys of a computer with many packages:
// every subkey is opened and its display name read; the few wireless ones are read whole.
#include <benchmark/benchmark.h>

#include <cstdio>

#include "emu/VirtualRegistry.h"
#include "repair/ProcessWifiRepair.h"

namespace {

nlohmann::json UninstallKeys(int count) {
  nlohmann::json keys = nlohmann::json::object();
  for (int i = 0; i < count; ++i) {
    char key[160];
    std::snprintf(
        key, sizeof key,
        "HKLM\\SOFTWARE\\%sMicrosoft\\Windows\\CurrentVersion\\Uninstall\\{%08X-1111-2222-"
        "3333-444455556666}",
        i % 2 ? "WOW6432Node\\" : "", i);
    const bool wireless = i % 100 == 0;
    keys[key] = {{"DisplayName",
                  wireless ? "Intel(R) PROSet/Wireless software" : "Package " + std::to_string(i)},
                 {"Publisher", "Vendor"},
                 {"DisplayVersion", "1.0." + std::to_string(i)},
                 {"UninstallString", "MsiExec.exe /X{00000000-1111-2222-3333-444455556666}"},
                 {"EstimatedSize", 1024}};
  }
  return keys;
}

void BM_FindWirelessSoftwareEntries(benchmark::State& state) {
  emu::VirtualRegistry::Instance().Load(UninstallKeys(static_cast<int>(state.range(0))));
  std::size_t found = 0;
  for (auto _ : state) {
    std::vector<WirelessSoftwareEntry> entries;
    FindWirelessSoftwareEntries(entries);
    found = entries.size();
  }
  state.counters["entries"] = static_cast<double>(found);
  state.SetComplexityN(state.range(0));
  emu::VirtualRegistry::Instance().Load(nlohmann::json::object());
}

BENCHMARK(BM_FindWirelessSoftwareEntries)
    ->Arg(250)
    ->Arg(500)
    ->Arg(1000)
    ->Arg(2000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

}  // namespace
