#pragma once
// A queue drained in order by a tracked thread of its own, started with the first item: the
// receiving thread of an IPC client, the callback thread of an event-log subscription.
#include <deque>
#include <functional>
#include <utility>

#include "emu/Scheduler.h"

namespace emu {

template <class Item>
class Mailbox {
 public:
  explicit Mailbox(std::function<void(Item&)> handle) : handle_(std::move(handle)) {}
  ~Mailbox() { Close(); }
  Mailbox(const Mailbox&) = delete;
  Mailbox& operator=(const Mailbox&) = delete;

  // Queues the item; dropped once the mailbox is closed.
  void Push(Item item) {
    auto& sched = Scheduler::Instance();
    bool start = false;
    {
      std::unique_lock lock(sched.Lock());
      if (closed_)
        return;
      queue_.push_back(std::move(item));
      start = !started_;
      started_ = true;
      arrived_.NotifyOne();
    }
    if (start)
      sched.StartThread([this] { Run(); }, Scheduler::ThreadKind::Host);
  }

  // After Close no item is handled any more; it waits for the item in hand, unless it is
  // called from that very handling.
  void Close() {
    auto& sched = Scheduler::Instance();
    std::unique_lock lock(sched.Lock());
    closed_ = true;
    arrived_.NotifyAll();
    if (started_ && current_ != this)
      stopped_.Wait(lock, [this] { return finished_; });
  }

  // True on the thread that drains this mailbox.
  bool OnOwnThread() const { return current_ == this; }

 private:
  void Run() {
    current_ = this;
    auto& sched = Scheduler::Instance();
    for (;;) {
      Item item;
      {
        std::unique_lock lock(sched.Lock());
        arrived_.Wait(lock, [this] { return closed_ || !queue_.empty(); });
        if (closed_)
          break;
        item = std::move(queue_.front());
        queue_.pop_front();
      }
      handle_(item);
    }
    std::unique_lock lock(sched.Lock());
    finished_ = true;
    stopped_.NotifyAll();
  }

  static thread_local const void* current_;
  std::function<void(Item&)> handle_;
  std::deque<Item> queue_;
  Condition arrived_, stopped_;
  bool closed_ = false, started_ = false, finished_ = false;
};

template <class Item>
thread_local const void* Mailbox<Item>::current_ = nullptr;

}  // namespace emu
