#include "common/CallbackGate.h"

#include <mutex>

#include "hostapi/UIMainQueue.h"
#include "platform/Mutex.h"

namespace gate {

namespace {

struct Door {
  platform::Mutex mutex;
  platform::ConditionVariable left;
  bool open = true;
  std::size_t inside = 0;
  std::size_t queued = 0;  // jobs handed to the UI thread that have not run yet
};

Door& TheDoor() {
  static Door door;
  return door;
}

}  // namespace

Entry::Entry() {
  Door& door = TheDoor();
  std::lock_guard lock(door.mutex);
  admitted_ = door.open;
  if (admitted_)
    ++door.inside;
}

Entry::~Entry() {
  if (!admitted_)
    return;
  Door& door = TheDoor();
  std::lock_guard lock(door.mutex);
  if (--door.inside == 0)
    door.left.NotifyAll();
}

bool DispatchToUi(std::function<void()> job) {
  Door& door = TheDoor();
  {
    // Once the door is closed nothing is handed over: the stop has stopped waiting for jobs,
    // and a job queued now could run after the plug-in is gone.
    std::lock_guard lock(door.mutex);
    if (!door.open)
      return false;
    ++door.queued;
  }
  auto ran = [] {
    Door& door = TheDoor();
    std::lock_guard lock(door.mutex);
    if (--door.queued == 0)
      door.left.NotifyAll();
  };
  const bool queued = DuiLib::UIMainQueue::getInstance().dispatch([job = std::move(job), ran] {
    if (Entry entry{})
      job();
    ran();
  });
  if (!queued)
    ran();
  return queued;
}

void Open() {
  Door& door = TheDoor();
  std::lock_guard lock(door.mutex);
  door.open = true;
}

void CloseAndDrain() {
  Door& door = TheDoor();
  std::unique_lock lock(door.mutex);
  door.open = false;
  door.left.Wait(lock, [&door] { return door.inside == 0 && door.queued == 0; });
}

std::size_t Inside() {
  Door& door = TheDoor();
  std::lock_guard lock(door.mutex);
  return door.inside;
}

}  // namespace gate
