// Serializer bulk writes against memcpy of the same bytes into a fresh buffer.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "ipc/IPCDataIO.h"

namespace {

void BM_MemcpyBaseline(benchmark::State& state) {
  const std::size_t size = static_cast<std::size_t>(state.range(0));
  const std::vector<std::uint8_t> source(size, 0x5A);
  for (auto _ : state) {
    auto* buffer = new std::uint8_t[size];
    std::memcpy(buffer, source.data(), size);
    benchmark::DoNotOptimize(buffer);
    delete[] buffer;
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

// One payload written with one WriteBytes call.
void BM_SerializerOneWrite(benchmark::State& state) {
  const std::size_t size = static_cast<std::size_t>(state.range(0));
  const std::vector<std::uint8_t> source(size, 0x5A);
  for (auto _ : state) {
    tagIPC_MESSAGE_ITEM item;
    CIPCDataIO io(64, CIPCDataIO::kSerialize, false, &item);
    io.WriteBytes(source.data(), static_cast<std::uint32_t>(size));
    benchmark::DoNotOptimize(item.pData);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

// The same payload in runs of range(1) bytes: the buffer grows to the next 64-byte block
// on every run, as the wire format's capacity rule asks, so longer payloads copy more.
void BM_SerializerChunkedWrites(benchmark::State& state) {
  const std::size_t size = static_cast<std::size_t>(state.range(0));
  const std::size_t chunk = static_cast<std::size_t>(state.range(1));
  const std::vector<std::uint8_t> source(size, 0x5A);
  for (auto _ : state) {
    tagIPC_MESSAGE_ITEM item;
    CIPCDataIO io(64, CIPCDataIO::kSerialize, false, &item);
    for (std::size_t at = 0; at < size; at += chunk) {
      io.WriteBytes(source.data() + at, static_cast<std::uint32_t>(chunk));
    }
    benchmark::DoNotOptimize(item.pData);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

BENCHMARK(BM_MemcpyBaseline)->Arg(64 << 10)->Arg(1 << 20);
BENCHMARK(BM_SerializerOneWrite)->Arg(64 << 10)->Arg(1 << 20);
BENCHMARK(BM_SerializerChunkedWrites)
    ->Args({64 << 10, 4096})
    ->Args({1 << 20, 4096})
    ->Args({64 << 10, 64});

}  // namespace
