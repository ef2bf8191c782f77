// The gate host threads pass to enter plug-in code: the stop closes it, waits for the threads
// inside (whose waits the stop ends) and keeps everyone else out until it opens again.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "EmuFixture.h"
#include "common/CallbackGate.h"
#include "platform/Sleep.h"
#include "platform/Thread.h"

namespace {

class CallbackGateTest : public EmuTest {
 protected:
  void TearDown() override {
    gate::Open();
    EmuTest::TearDown();
  }
};

TEST_F(CallbackGateTest, TheStopWaitsForTheThreadsInsideAndKeepsOthersOut) {
  auto& sched = emu::Scheduler::Instance();
  std::vector<std::string> events;
  // A host thread inside a callback, in a long wait.
  sched.StartThread(
      [&] {
        gate::Entry entry;
        ASSERT_TRUE(entry);
        events.push_back(platform::Sleep(600000) ? "slept" : "woken by the stop");
        events.push_back("left");
      },
      emu::Scheduler::ThreadKind::Host, "callback thread");
  platform::Sleep(5);
  EXPECT_EQ(gate::Inside(), 1u);

  platform::StopModuleThreads();
  gate::CloseAndDrain();
  EXPECT_EQ(events, (std::vector<std::string>{"woken by the stop", "left"}));
  EXPECT_EQ(gate::Inside(), 0u);
  EXPECT_EQ(sched.NowNs(), 5'000'000);  // no virtual time spent waiting

  // Latecomers are turned away, on any thread.
  bool admitted = true;
  sched.StartThread([&] { admitted = static_cast<bool>(gate::Entry{}); },
                    emu::Scheduler::ThreadKind::Host);
  sched.WaitForOthersToFinish();
  EXPECT_FALSE(admitted);

  platform::RestartModuleThreads();
  gate::Open();
  gate::Entry again;
  EXPECT_TRUE(again);
}

}  // namespace
