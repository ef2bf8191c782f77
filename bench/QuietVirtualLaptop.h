#pragma once
// For a benchmark on the virtual clock: the benchmark's thread tracked, the clock at 0, the
// healthy laptop, and a transcript that keeps no lines (a long run needs no memory for them).
// Everything goes back as it was when the object goes.
#include "emu/Laptop.h"
#include "emu/Scheduler.h"
#include "emu/Transcript.h"
#include "emu/VendorHooks.h"

class QuietVirtualLaptop {
 public:
  QuietVirtualLaptop() {
    auto& sched = emu::Scheduler::Instance();
    sched.AdoptCurrentThread("benchmark");
    sched.Reset(emu::ClockMode::Virtual, emu::RunMode::Deterministic);
    emu::Transcript::Instance().SetSink(nullptr, false);
    emu::LoadLaptop(nullptr);
  }
  ~QuietVirtualLaptop() { emu::Transcript::Instance().SetSink(nullptr, true); }
  QuietVirtualLaptop(const QuietVirtualLaptop&) = delete;
  QuietVirtualLaptop& operator=(const QuietVirtualLaptop&) = delete;
};
