// The win32 backend's threads, waits and locks, run under wine: the module's stop ends a
// sleep at once and refuses new threads, the join waits for every thread to have left, the
// locks exclude, and the clocks read the machine's time.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <ctime>
#include <mutex>
#include <thread>

#include "platform/Clock.h"
#include "platform/Mutex.h"
#include "platform/Sleep.h"
#include "platform/Thread.h"

namespace {

using Clock = std::chrono::steady_clock;

class ThreadsTest : public ::testing::Test {
 protected:
  void TearDown() override {
    platform::StopModuleThreads();
    platform::JoinModuleThreads();
    platform::RestartModuleThreads();
  }
};

TEST_F(ThreadsTest, TheStopEndsASleepAtOnceAndRefusesNewThreads) {
  std::atomic<int> result{-1};
  ASSERT_TRUE(platform::StartDetachedThread([&result] { result = platform::Sleep(600000); }));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  const auto start = Clock::now();
  platform::StopModuleThreads();
  EXPECT_TRUE(platform::IsModuleStopping());
  platform::JoinModuleThreads();
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
  EXPECT_EQ(result.load(), 0);  // the ten-minute sleep said "stopping"
  EXPECT_FALSE(platform::StartDetachedThread([] {}));
  EXPECT_FALSE(platform::Sleep(1000));  // any wait ends at once while stopping
  platform::RestartModuleThreads();
  EXPECT_FALSE(platform::IsModuleStopping());
  EXPECT_TRUE(platform::Sleep(1));
  EXPECT_TRUE(platform::StartDetachedThread([] {}));
}

TEST_F(ThreadsTest, TheJoinWaitsForEveryThread) {
  std::atomic<int> done{0};
  for (int i = 0; i < 40; ++i) {
    ASSERT_TRUE(platform::StartDetachedThread([&done] {
      platform::Sleep(20);
      ++done;
    }));
  }
  platform::JoinModuleThreads();
  EXPECT_EQ(done.load(), 40);
  // Threads that have long returned are joined too (their handles were kept until then).
  platform::JoinModuleThreads();
}

TEST_F(ThreadsTest, LocksExcludeAndConditionsWake) {
  platform::Mutex mutex;
  platform::ConditionVariable changed;
  int counter = 0;
  bool ready = false;
  for (int i = 0; i < 8; ++i) {
    platform::StartDetachedThread([&] {
      for (int n = 0; n < 1000; ++n) {
        std::lock_guard lock(mutex);
        ++counter;
      }
      std::lock_guard lock(mutex);
      if (counter == 8000) {
        ready = true;
        changed.NotifyAll();
      }
    });
  }
  {
    std::unique_lock lock(mutex);
    changed.Wait(lock, [&] { return ready; });
    EXPECT_EQ(counter, 8000);
  }
  platform::JoinModuleThreads();
  EXPECT_TRUE(mutex.try_lock());
  mutex.unlock();
}

TEST_F(ThreadsTest, ClocksReadTheMachinesTime) {
  const auto now = static_cast<std::int64_t>(std::time(nullptr));
  EXPECT_LE(std::llabs(platform::GetSystemTimeSeconds() - now), 2);
  const std::int64_t a = platform::SteadyNowNs();
  ASSERT_TRUE(platform::Sleep(20));
  const std::int64_t b = platform::SteadyNowNs();
  EXPECT_GE(b - a, 15'000'000);  // the sleep lasted
  EXPECT_GT(platform::GetTickCount64(), 0u);
}

}  // namespace
