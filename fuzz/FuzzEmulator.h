#pragma once
// Shared set-up of the fuzz targets that need the virtual laptop: a healthy laptop, the
// fuzzing thread tracked on the virtual clock, and a way to let every thread an input
// started finish before the next input.
#include "emu/Laptop.h"
#include "emu/Scheduler.h"
#include "emu/Transcript.h"
#include "emu/VendorHooks.h"

namespace fuzzsupport {

inline void StartEmulator() {
  auto& sched = emu::Scheduler::Instance();
  sched.AdoptCurrentThread("fuzzer");
  sched.Reset(emu::ClockMode::Virtual, emu::RunMode::Deterministic);
  emu::LoadLaptop(nullptr);
  emu::Laptop::Instance().SetStartEpochMs(1772352000000);
  // Nothing reads the lines; keeping them would grow without end.
  emu::Transcript::Instance().SetSink(nullptr, false);
}

// Ends the waits of the threads the input started and waits for them.
inline void FinishThreads() {
  auto& sched = emu::Scheduler::Instance();
  sched.StopModuleThreads();
  sched.JoinModuleThreads();
  sched.WaitForOthersToFinish();
  sched.AllowModuleThreads();
}

}  // namespace fuzzsupport
