// The virtual clock: order of wake-ups, mutex hand-offs, determinism, and the early end of
// module threads' waits at unload.
#include <gtest/gtest.h>

#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "EmuFixture.h"
#include "platform/Clock.h"
#include "platform/Mutex.h"
#include "platform/Sleep.h"
#include "platform/Thread.h"

namespace {

std::int64_t NowMs() {
  return emu::Scheduler::Instance().NowNs() / 1000000;
}

// Counts finished threads; Wait returns when n have finished.
class Joiner {
 public:
  void Done() {
    std::unique_lock lock(emu::Scheduler::Instance().Lock());
    ++done_;
    cond_.NotifyAll();
  }
  void Wait(int n) {
    std::unique_lock lock(emu::Scheduler::Instance().Lock());
    cond_.Wait(lock, [&] { return done_ >= n; });
  }

 private:
  int done_ = 0;
  emu::Condition cond_;
};

class SchedulerTest : public EmuTest {};

// The threads that still have something to do (queues waiting for work, such as the host's
// user-interface thread that earlier tests started, do not count).
std::vector<std::string> NotIdle(std::vector<std::string> threads) {
  std::erase_if(threads,
                [](const std::string& t) { return t.find("(idle)") != std::string::npos; });
  return threads;
}

TEST_F(SchedulerTest, SleepersWakeInDeadlineOrderAtTheirDeadline) {
  std::vector<std::string> events;  // touched only by the one running thread
  Joiner joiner;
  for (int delay : {3000, 1000, 2000, 1000}) {
    platform::StartDetachedThread([&, delay] {
      platform::Sleep(static_cast<std::uint32_t>(delay));
      events.push_back(std::to_string(delay) + "@" + std::to_string(NowMs()));
      joiner.Done();
    });
  }
  joiner.Wait(4);
  EXPECT_EQ(events, (std::vector<std::string>{"1000@1000", "1000@1000", "2000@2000", "3000@3000"}));
  EXPECT_EQ(platform::GetSystemTimeMs(), 1772352000000u + 3000);
  EXPECT_EQ(platform::GetTickCount64(), 60000u + 3000);  // the laptop booted a minute before
}

TEST_F(SchedulerTest, TwentyFiveVirtualHoursPassWithoutWaiting) {
  Joiner joiner;
  int ticks = 0;
  platform::StartDetachedThread([&] {
    while (NowMs() < 25LL * 3600 * 1000) {
      platform::Sleep(60000);
      ++ticks;
    }
    joiner.Done();
  });
  joiner.Wait(1);
  EXPECT_EQ(ticks, 1500);
  EXPECT_EQ(NowMs(), 90000000);
  EXPECT_TRUE(platform::SleepUntilSteadyNs(platform::SteadyNowNs() + 600'000'000'000));
  EXPECT_EQ(NowMs(), 90600000);
}

TEST_F(SchedulerTest, MutexWaitLetsTheClockRunAndHandsOverInOrder) {
  platform::Mutex mutex;
  std::vector<std::string> events;
  Joiner joiner;
  platform::StartDetachedThread([&] {
    std::lock_guard lock(mutex);
    events.push_back("A holds");
    platform::Sleep(10000);
    events.push_back("A leaves @" + std::to_string(NowMs()));
    joiner.Done();
  });
  for (const char* name : {"B", "C"}) {
    platform::StartDetachedThread([&, name] {
      std::lock_guard lock(mutex);
      events.push_back(std::string(name) + " holds @" + std::to_string(NowMs()));
      EXPECT_FALSE(mutex.try_lock());
      joiner.Done();
    });
  }
  joiner.Wait(3);
  EXPECT_EQ(events, (std::vector<std::string>{"A holds", "A leaves @10000", "B holds @10000",
                                              "C holds @10000"}));
  EXPECT_TRUE(mutex.try_lock());
  mutex.unlock();
}

// A small workload of sleeps, hand-offs and new threads; returns what happened in order.
std::vector<std::string> Workload() {
  std::vector<std::string> events;
  platform::Mutex mutex;
  Joiner joiner;
  for (int t = 0; t < 4; ++t) {
    platform::StartDetachedThread([&, t] {
      for (int i = 0; i < 5; ++i) {
        {
          std::lock_guard lock(mutex);
          events.push_back(std::to_string(t) + ":" + std::to_string(i) + "@" +
                           std::to_string(NowMs()));
        }
        platform::Sleep(static_cast<std::uint32_t>((t * 7 + i * 3) % 5) * 100);
      }
      joiner.Done();
    });
  }
  joiner.Wait(4);
  return events;
}

TEST_F(SchedulerTest, DeterministicModeReplaysExactly) {
  const auto first = Workload();
  Start(emu::RunMode::Deterministic);
  const auto second = Workload();
  EXPECT_EQ(first.size(), 20u);
  EXPECT_EQ(first, second);
}

TEST_F(SchedulerTest, ParallelModeRunsBusyThreadsTogether) {
  Start(emu::RunMode::Parallel);
  platform::Mutex mutex;
  long total = 0;
  Joiner joiner;
  for (int t = 0; t < 4; ++t) {
    platform::StartDetachedThread([&] {
      for (int i = 0; i < 200; ++i) {
        std::lock_guard lock(mutex);
        ++total;
      }
      platform::Sleep(5000);
      joiner.Done();
    });
  }
  joiner.Wait(4);
  EXPECT_EQ(total, 800);
  EXPECT_EQ(NowMs(), 5000);
}

TEST_F(SchedulerTest, StopEndsEveryPlugInSleepJoinsModuleThreadsAndRefusesNewOnes) {
  auto& sched = emu::Scheduler::Instance();
  std::vector<std::string> events;
  Joiner hostDone;
  platform::StartDetachedThread([&] {
    const bool full = platform::Sleep(600000);
    events.push_back(std::string(full ? "slept" : "stopped") + "@" + std::to_string(NowMs()));
    // A thread that ignores the answer and waits again is let go at once.
    events.push_back(platform::Sleep(1000) ? "slept again" : "stopped again");
  });
  // A host thread sleeping inside plug-in code is cut short as well.
  sched.StartThread(
      [&] {
        events.push_back(platform::Sleep(600000) ? "host slept" : "host stopped");
        hostDone.Done();
      },
      emu::Scheduler::ThreadKind::Host);
  platform::Sleep(5);
  sched.StopModuleThreads();
  sched.JoinModuleThreads();
  hostDone.Wait(1);
  EXPECT_EQ(events, (std::vector<std::string>{"stopped@5", "stopped again", "host stopped"}));
  EXPECT_EQ(NowMs(), 5);
  EXPECT_TRUE(platform::IsModuleStopping());
  EXPECT_FALSE(platform::Sleep(10));

  bool ran = false;
  EXPECT_FALSE(platform::StartDetachedThread([&] { ran = true; }));
  sched.SleepUntilNs(sched.NowNs() + 10'000'000);
  EXPECT_FALSE(ran);
  EXPECT_EQ(NotIdle(sched.WaitForOthersToFinish()), std::vector<std::string>{});

  sched.AllowModuleThreads();
  EXPECT_TRUE(platform::StartDetachedThread([&] { ran = true; }));
  sched.JoinModuleThreads();
  EXPECT_TRUE(ran);
}

// A wait with a deadline ends either way: woken through its list, at the deadline, or at the
// module's stop; the other half of the wait is gone afterwards.
TEST_F(SchedulerTest, TimedWaitsEndWokenTimedOutOrStopped) {
  auto& sched = emu::Scheduler::Instance();
  emu::WaitList list("a process to end");
  std::vector<std::string> events;
  Joiner joiner;
  auto waitFor = [&](std::int64_t ms, bool interruptible, const char* name) {
    sched.StartThread(
        [&, ms, interruptible, name] {
          std::unique_lock lock(sched.Lock());
          const auto reason = sched.BlockUntil(lock, list, ms * 1000000, interruptible);
          lock.unlock();
          const char* how = reason == emu::WakeReason::Normal    ? "woken"
                            : reason == emu::WakeReason::Timeout ? "timed out"
                                                                 : "stopped";
          events.push_back(std::string(name) + " " + how + "@" + std::to_string(NowMs()));
          joiner.Done();
        },
        emu::Scheduler::ThreadKind::Host);
  };
  waitFor(1000, false, "a");
  waitFor(5000, false, "b");
  waitFor(9000, true, "c");
  platform::Sleep(2000);
  {
    std::unique_lock lock(sched.Lock());
    EXPECT_TRUE(sched.WakeOne(list));  // b: a has left the list at its deadline
  }
  joiner.Wait(2);
  platform::Sleep(1000);  // the woken b no longer times out at 5000
  sched.StopModuleThreads();
  joiner.Wait(3);
  EXPECT_EQ(events,
            (std::vector<std::string>{"a timed out@1000", "b woken@2000", "c stopped@3000"}));
  std::unique_lock lock(sched.Lock());
  EXPECT_FALSE(sched.WakeOne(list));
  // A deadline already due returns at once.
  EXPECT_EQ(sched.BlockUntil(lock, list, 0, false), emu::WakeReason::Timeout);
  EXPECT_EQ(sched.BlockUntil(lock, list, 100'000'000'000, true), emu::WakeReason::Stopping);
}

TEST_F(SchedulerTest, RealClockModeSleepsForReal) {
  auto& sched = emu::Scheduler::Instance();
  sched.ReleaseCurrentThread();
  sched.Reset(emu::ClockMode::Real, emu::RunMode::Parallel);
  const auto before = sched.NowNs();
  Joiner joiner;
  platform::StartDetachedThread([&] {
    platform::Sleep(20);
    joiner.Done();
  });
  joiner.Wait(1);
  EXPECT_GE(sched.NowNs() - before, 20'000'000);
}

}  // namespace

namespace {

class SchedulerGuards : public EmuTest {};

TEST_F(SchedulerGuards, ResetRefusesWhileAnotherThreadStillSleeps) {
  auto& sched = emu::Scheduler::Instance();
  platform::StartDetachedThread([] { platform::Sleep(600000); });
  platform::Sleep(1);
  try {
    sched.Reset(emu::ClockMode::Virtual, emu::RunMode::Deterministic);
    ADD_FAILURE() << "Reset accepted a sleeping thread";
  } catch (const std::logic_error& e) {
    EXPECT_NE(std::string(e.what()).find("module thread"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("sleeping until 600000 ms"), std::string::npos);
  }
  sched.StopModuleThreads();
  sched.JoinModuleThreads();
}

TEST_F(SchedulerGuards, SleepersWithTheSameDeadlineAfterAResetAreAllKept) {
  // The sleep order keeps counting across resets: no two sleepers ever share a key.
  auto& sched = emu::Scheduler::Instance();
  Joiner joiner;
  for (int i = 0; i < 3; ++i) {
    platform::StartDetachedThread([&] {
      platform::Sleep(100);
      joiner.Done();
    });
  }
  joiner.Wait(3);
  sched.Reset(emu::ClockMode::Virtual, emu::RunMode::Deterministic);
  Joiner again;
  for (int i = 0; i < 3; ++i) {
    platform::StartDetachedThread([&] {
      platform::Sleep(100);
      again.Done();
    });
  }
  again.Wait(3);
  EXPECT_EQ(NowMs(), 100);
}

TEST_F(SchedulerGuards, AnUntrackedThreadIsAdoptedStraightIntoItsWait) {
  auto& sched = emu::Scheduler::Instance();
  const std::size_t before = sched.TrackedCount();
  emu::Condition cond("the test's flag");
  bool flag = false;
  Joiner joiner;
  std::thread outsider([&] {
    {
      std::unique_lock lock(sched.Lock());
      cond.Wait(lock, [&] { return flag; });
    }
    joiner.Done();
  });
  while (sched.TrackedCount() < before + 1)
    std::this_thread::yield();
  {
    std::unique_lock lock(sched.Lock());
    flag = true;
    cond.NotifyAll();
  }
  joiner.Wait(1);
  outsider.join();
  EXPECT_EQ(sched.TrackedCount(), before);
}

// Two threads take two mutexes in opposite order.
void LockInOppositeOrder() {
  auto& sched = emu::Scheduler::Instance();
  sched.AdoptCurrentThread("test thread");
  sched.Reset(emu::ClockMode::Virtual, emu::RunMode::Deterministic);
  platform::Mutex first;
  platform::Mutex second;
  platform::StartDetachedThread([&] {
    std::lock_guard a(first);
    platform::Sleep(10);
    std::lock_guard b(second);
  });
  std::lock_guard b(second);
  platform::Sleep(10);
  std::lock_guard a(first);
}

TEST(SchedulerDeathTest, ADeadlockIsReportedWithWhoWaitsOnWhat) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_DEATH(LockInOppositeOrder(),
               "deadlock: no thread can run and none sleeps.*test thread #[0-9]+: waits for a "
               "plug-in mutex.*module thread #[0-9]+: waits for a plug-in mutex");
}

}  // namespace
