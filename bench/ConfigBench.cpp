// ReadFuncSwitch on a 4 KiB configuration (it reads, deciphers and parses on every call)
// against the bare decipher of the same stored bytes.
#include <benchmark/benchmark.h>

#include "config/ConfigCipher.h"
#include "config/FuncSwitchConfig.h"
#include "emu/Laptop.h"
#include "emu/Scheduler.h"
#include "emu/VendorHooks.h"
#include "emu/VirtualDrive.h"

namespace {

std::string FourKiBConfig() {
  std::string xml = "<?xml version=\"1.0\"?>\n<config>\n";
  for (int section = 0; xml.size() < 4000; ++section) {
    xml += "  <filler" + std::to_string(section) + ">";
    for (int key = 0; key < 8; ++key)
      xml += "<Key" + std::to_string(key) + ">0</Key" + std::to_string(key) + ">";
    xml += "</filler" + std::to_string(section) + ">\n";
  }
  return xml +
         "  <realtek><IsSupportRealtekCallback>1</IsSupportRealtekCallback></realtek>\n</config>\n";
}

std::vector<std::uint8_t> Install() {
  emu::Scheduler::Instance().Reset(emu::ClockMode::Real, emu::RunMode::Parallel);
  emu::LoadLaptop(nullptr);
  const auto stored = config::SealConfigText(FourKiBConfig());
  emu::VirtualDrive::Instance().WriteFile(
      "C:\\Program Files\\Velmora\\Service\\config\\DeviceFuncSwitchConf.xml", stored);
  return stored;
}

void BM_ReadFuncSwitch(benchmark::State& state) {
  const auto stored = Install();
  for (auto _ : state) {
    benchmark::DoNotOptimize(config::ReadFuncSwitch("realtek", "IsSupportRealtekCallback"));
  }
  state.SetItemsProcessed(state.iterations());
  state.counters["stored_bytes"] = static_cast<double>(stored.size());
}

void BM_DecipherOnly(benchmark::State& state) {
  const auto stored = Install();
  std::vector<std::uint8_t> out(stored.size());
  for (auto _ : state) {
    std::uint32_t length = static_cast<std::uint32_t>(out.size());
    config::ConfigCipherDecrypt(
        stored.data() + config::kInitialBlockOffset, stored.data() + config::kHeaderSize,
        static_cast<std::uint32_t>(stored.size() - config::kHeaderSize), out.data(), length);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_ParseOnly(benchmark::State& state) {
  const std::string xml = FourKiBConfig();
  for (auto _ : state) {
    std::string value;
    benchmark::DoNotOptimize(
        config::FindConfigValue(xml, "realtek", "IsSupportRealtekCallback", value));
  }
  state.SetItemsProcessed(state.iterations());
}

BENCHMARK(BM_ReadFuncSwitch);
BENCHMARK(BM_DecipherOnly);
BENCHMARK(BM_ParseOnly);

}  // namespace
