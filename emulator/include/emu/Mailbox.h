#pragma once
// A queue drained in order by a tracked thread of its own, started with the first item: the
// receiving thread of an IPC client, the callback thread of an event-log subscription. The
// handler is a module's callback: each call is marked as one.
//
// The queue's state is shared with its thread, so the mailbox may be destroyed (even from
// its own handler) while the thread still has to wake up and leave; closing waits only for
// an item that is being handled, never for the thread to exit.
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "emu/Scheduler.h"

namespace emu {

template <class Item>
class Mailbox {
 public:
  Mailbox(std::function<void(Item&)> handle, std::string threadName)
      : state_(std::make_shared<State>(std::move(handle), std::move(threadName))) {}
  ~Mailbox() { Close(); }
  Mailbox(const Mailbox&) = delete;
  Mailbox& operator=(const Mailbox&) = delete;

  // Queues the item; dropped once the mailbox is closed. A sender the scheduler does not
  // know is adopted first: the clock must not move while it still works.
  void Push(Item item) {
    auto& sched = Scheduler::Instance();
    if (!sched.IsCurrentThreadTracked() && sched.IsVirtual())
      sched.AdoptCurrentThread();
    bool start = false;
    {
      std::unique_lock lock(sched.Lock());
      if (state_->closed)
        return;
      state_->queue.push_back(std::move(item));
      start = !state_->started;
      state_->started = true;
      state_->arrived.NotifyOne();
    }
    if (start) {
      sched.StartThread([state = state_] { Run(*state); }, Scheduler::ThreadKind::Host,
                        state_->threadName);
    }
  }

  // After Close no item is handled any more. It waits for the item in hand, unless it is
  // called from that very handling.
  void Close() {
    auto& sched = Scheduler::Instance();
    std::unique_lock lock(sched.Lock());
    State& s = *state_;
    s.closed = true;
    s.arrived.NotifyAll();
    if (current_ != &s)
      s.handled.Wait(lock, [&s] { return !s.handling; });
  }

  // True on the thread that drains this mailbox.
  bool OnOwnThread() const { return current_ == state_.get(); }

 private:
  struct State {
    State(std::function<void(Item&)> h, std::string name)
        : handle(std::move(h)),
          threadName(std::move(name)),
          arrived("the next item for " + threadName, true),
          handled("the item in hand of " + threadName) {}
    std::function<void(Item&)> handle;
    std::string threadName;
    std::deque<Item> queue;
    Condition arrived, handled;
    bool closed = false, started = false, handling = false;
  };

  static void Run(State& s) {
    current_ = &s;
    auto& sched = Scheduler::Instance();
    for (;;) {
      std::optional<Item> item;
      {
        std::unique_lock lock(sched.Lock());
        s.arrived.Wait(lock, [&s] { return s.closed || !s.queue.empty(); });
        if (s.closed)
          break;
        item.emplace(std::move(s.queue.front()));
        s.queue.pop_front();
        s.handling = true;
      }
      {
        // The item goes inside the mark too: it may hold a module's code (a job's closure).
        CallbackScope inside;
        s.handle(*item);
        item.reset();
      }
      std::unique_lock lock(sched.Lock());
      s.handling = false;
      s.handled.NotifyAll();
    }
    current_ = nullptr;
  }

  static thread_local const void* current_;
  std::shared_ptr<State> state_;
};

template <class Item>
thread_local const void* Mailbox<Item>::current_ = nullptr;

}  // namespace emu
