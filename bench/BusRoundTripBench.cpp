// Round trips of a BIOS switch request (answered on the receiving thread) over the
// in-process bus, on the real clock: post, handler, reply, requester wakes.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <mutex>

#include "emu/Bus.h"
#include "emu/Laptop.h"
#include "emu/Scheduler.h"
#include "emu/Transcript.h"
#include "emu/VendorHooks.h"
#include "ipc/MsgEvent.h"

namespace {

class Requester : public emu::BusEndpoint {
 public:
  explicit Requester(std::uint32_t id) { emu::Bus::Instance().Join(id, this); }
  ~Requester() override { emu::Bus::Instance().Leave(this); }
  void Deliver(emu::BusMessage) override {
    std::unique_lock lock(emu::Scheduler::Instance().Lock());
    ++replies_;
    arrived_.NotifyOne();
  }
  void WaitFor(long count) {
    std::unique_lock lock(emu::Scheduler::Instance().Lock());
    arrived_.Wait(lock, [&] { return replies_ >= count; });
  }

 private:
  long replies_ = 0;
  emu::Condition arrived_;
};

// Sends the request again and again and waits for each answer.
void RoundTrips(benchmark::State& state, std::uint32_t msg, std::vector<std::uint8_t> payload,
                const nlohmann::json& laptop) {
  auto& sched = emu::Scheduler::Instance();
  sched.Reset(emu::ClockMode::Real, emu::RunMode::Parallel);
  emu::LoadLaptop(laptop);
  emu::Transcript::Instance().Clear();
  CMsgEvent::GetInstance()->Register();

  Requester requester(0x10000);
  emu::BusMessage request;
  request.dst = CMsgEvent::kClientId;
  request.src = 0x10000;
  request.msg = msg;
  request.reply = 0x10001;
  request.hasPayload = !payload.empty();
  request.payload = std::move(payload);
  long sent = 0;
  for (auto _ : state) {
    emu::Bus::Instance().Send(request);
    requester.WaitFor(++sent);
    if (sent % 8192 == 0)
      emu::Transcript::Instance().Clear();  // keep memory flat
  }
  state.SetItemsProcessed(state.iterations());
  CMsgEvent::GetInstance()->Uninit();
  sched.StopModuleThreads();
  sched.JoinModuleThreads();
  sched.AllowModuleThreads();
}

void BM_BiosSwitchRoundTrip(benchmark::State& state) {
  RoundTrips(state, 0x390024, {0x01}, nullptr);
}

// A whole disk discovery and the feature records of two disks per request.
void BM_DiskSummaryRoundTrip(benchmark::State& state) {
  RoundTrips(state, 0x380003, {}, nlohmann::json::parse(R"({"disks": [
      {"number": 0, "kind": "nvme", "model": "Velmora NVMe SSD"},
      {"number": 1, "model": "Velmora Disk", "attributes": [{"id": 9, "raw": 100}]}]})"));
}

// Disable and enable again every display adapter of a laptop with that many: the answer
// comes after 2 × N device operations (each finds its device by hardware id among all).
void BM_DisableEnableRoundTrip(benchmark::State& state) {
  const auto count = static_cast<int>(state.range(0));
  nlohmann::json devices = nlohmann::json::array();
  for (int i = 0; i < count; ++i) {
    char id[48];
    std::snprintf(id, sizeof id, "PCI\\VEN_8086&DEV_%04X", i);
    devices.push_back(
        {{"class", "{4D36E968-E325-11CE-BFC1-08002BE10318}"}, {"hardware_ids", {id}}});
  }
  RoundTrips(state, 0x390012, {0x07}, {{"devices", devices}});
  state.counters["device_ops_per_s"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * 2 * count, benchmark::Counter::kIsRate);
}

BENCHMARK(BM_BiosSwitchRoundTrip)->UseRealTime();
BENCHMARK(BM_DisableEnableRoundTrip)->Arg(10)->Arg(50)->Arg(200)->UseRealTime();
BENCHMARK(BM_DiskSummaryRoundTrip)->UseRealTime();

}  // namespace
