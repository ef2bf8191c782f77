#pragma once
// A non-recursive mutex (SRWLOCK in exclusive mode) usable with std::lock_guard and
// std::unique_lock. On the emulator a thread waiting for it lets the virtual clock run.
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
  void* impl_;
};

}  // namespace platform
