#pragma once
// A non-recursive mutex (SRWLOCK in exclusive mode) usable with std::lock_guard and
// std::unique_lock, and a condition variable on it (CONDITION_VARIABLE with
// SleepConditionVariableSRW). On the emulator a thread waiting for either lets the virtual
// clock run.
#include <mutex>

namespace platform {

class Mutex {
 public:
  Mutex();
  ~Mutex();
  Mutex(const Mutex&) = delete;
  Mutex& operator=(const Mutex&) = delete;

  void lock();
  void unlock();
  bool try_lock();

 private:
  friend class ConditionVariable;
  void* impl_;
};

class ConditionVariable {
 public:
  ConditionVariable();
  ~ConditionVariable();
  ConditionVariable(const ConditionVariable&) = delete;
  ConditionVariable& operator=(const ConditionVariable&) = delete;

  // SleepConditionVariableSRW(INFINITE): releases the held mutex, waits for a wake-up,
  // takes the mutex again. Not cut short by the module's stop: it waits for a state change.
  void Wait(std::unique_lock<Mutex>& lock);
  template <class Pred>
  void Wait(std::unique_lock<Mutex>& lock, Pred pred) {
    while (!pred())
      Wait(lock);
  }
  // WakeAllConditionVariable.
  void NotifyAll();

 private:
  void* impl_;
};

}  // namespace platform
