// Event-log records through the plug-in's callback (render, UTF-8, parse, count) against a
// bare rapidxml parse of the same record text.
#include <benchmark/benchmark.h>

#include <rapidxml/rapidxml.hpp>

#include <vector>

#include "emu/EventLogService.h"
#include "emu/Laptop.h"
#include "emu/Scheduler.h"
#include "emu/VendorHooks.h"
#include "ipc/EventLogCallback.h"

namespace {

emu::EventRecord DiskRecord() {
  emu::EventRecord r;
  r.provider = "Disk";
  r.eventId = 51;
  r.timeMs = 1772352000000;
  r.recordId = 4711;
  return r;
}

void BM_EventLogCallback(benchmark::State& state) {
  emu::Scheduler::Instance().Reset(emu::ClockMode::Real, emu::RunMode::Parallel);
  emu::LoadLaptop(nullptr);
  emu::EventRecord record = DiskRecord();
  // The first record of an id is reported (with no disk: a WARN line); the rest only count.
  ipc::EventLogCallback(platform::EvtSubscribeActionDeliver, nullptr, &record);
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        ipc::EventLogCallback(platform::EvtSubscribeActionDeliver, nullptr, &record));
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_BareParse(benchmark::State& state) {
  const std::string xml = emu::EventLogService::RenderXml(DiskRecord());
  for (auto _ : state) {
    std::vector<char> text(xml.begin(), xml.end());
    text.push_back('\0');
    rapidxml::xml_document<> doc;
    doc.parse<0>(text.data());
    benchmark::DoNotOptimize(doc.first_node());
  }
  state.SetItemsProcessed(state.iterations());
}

BENCHMARK(BM_EventLogCallback);
BENCHMARK(BM_BareParse);

}  // namespace
