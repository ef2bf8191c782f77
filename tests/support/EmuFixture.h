#pragma once
// A fresh emulator for each test: virtual clock at 0, healthy laptop, empty transcript, and
// the test's thread tracked so that it can wait on the virtual clock.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "emu/Laptop.h"
#include "emu/Processes.h"
#include "emu/Scheduler.h"
#include "emu/Transcript.h"
#include "emu/VendorHooks.h"

class EmuTest : public ::testing::Test {
 protected:
  void SetUp() override { Start(emu::RunMode::Deterministic); }
  void TearDown() override {
    auto& sched = emu::Scheduler::Instance();
    emu::ProcessTable::Instance().EndAll();
    sched.StopModuleThreads();  // lets every module thread of the test return
    sched.JoinModuleThreads();
    sched.AllowModuleThreads();
    sched.ReleaseCurrentThread();
  }

  void Start(emu::RunMode mode) {
    auto& sched = emu::Scheduler::Instance();
    sched.ReleaseCurrentThread();
    sched.Reset(emu::ClockMode::Virtual, mode);
    emu::Transcript::Instance().Clear();
    emu::LoadLaptop(nullptr);
    emu::Laptop::Instance().SetStartEpochMs(1772352000000);  // 2026-03-01T08:00:00Z
    sched.AdoptCurrentThread();
  }

  static std::vector<emu::Line> Lines(const char* kind) {
    return emu::Transcript::Instance().Lines(kind);
  }
};
