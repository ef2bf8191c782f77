// Decoding throughput: IDENTIFY + S.M.A.R.T. data + thresholds into a finished record, for an
// ATA SSD, and an NVMe Identify Controller + SMART / Health log.
#include <benchmark/benchmark.h>

#include "DiskRecordDecode.h"
#include "emu/DiskImages.h"

namespace {

const nlohmann::json kSsd = nlohmann::json::parse(R"({
  "model": "Samsung SSD 860 EVO 500GB", "serial": "S3Z1NB0K000001", "firmware": "RVT04B6Q",
  "rotation": 1, "trim": true,
  "attributes": [{"id": 5}, {"id": 9, "raw": 12345}, {"id": 12, "raw": 321}, {"id": 177, "raw": 7},
                 {"id": 179}, {"id": 181}, {"id": 182}, {"id": 183}, {"id": 187}, {"id": 190, "raw": 30},
                 {"id": 194, "raw": 35}, {"id": 195}, {"id": 199}, {"id": 235}, {"id": 241, "raw": 99999}]})");

void BM_DecodeAtaRecord(benchmark::State& state) {
  const auto identify = emu::BuildIdentify(kSsd);
  const auto data = emu::BuildSmartData(kSsd);
  const auto thresholds = emu::BuildSmartThresholds(kSsd);
  for (auto _ : state) {
    smart::ATA_SMART_INFO asi;
    diskrecord::DecodeAta(asi, identify.data(), data.data(), thresholds.data());
    benchmark::DoNotOptimize(asi.Temperature);
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_DecodeNvmeRecord(benchmark::State& state) {
  const nlohmann::json disk = {{"model", "Samsung SSD 970 EVO Plus 1TB"},
                               {"log", {{"temperature_k", 310}, {"power_on_hours", 1234}}}};
  const auto identify = emu::BuildNvmeIdentify(disk);
  const auto log = emu::BuildNvmeLog(disk);
  for (auto _ : state) {
    smart::ATA_SMART_INFO asi;
    diskrecord::DecodeNvme(asi, identify.data(), log.data());
    benchmark::DoNotOptimize(asi.Temperature);
  }
  state.SetItemsProcessed(state.iterations());
}

BENCHMARK(BM_DecodeAtaRecord);
BENCHMARK(BM_DecodeNvmeRecord);

}  // namespace
