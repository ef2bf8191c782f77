#include "common/CallbackGate.h"

#include <mutex>

#include "platform/Mutex.h"

namespace gate {

namespace {

struct Door {
  platform::Mutex mutex;
  platform::ConditionVariable left;
  bool open = true;
  std::size_t inside = 0;
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

void Open() {
  Door& door = TheDoor();
  std::lock_guard lock(door.mutex);
  door.open = true;
}

void CloseAndDrain() {
  Door& door = TheDoor();
  std::unique_lock lock(door.mutex);
  door.open = false;
  door.left.Wait(lock, [&door] { return door.inside == 0; });
}

std::size_t Inside() {
  Door& door = TheDoor();
  std::lock_guard lock(door.mutex);
  return door.inside;
}

}  // namespace gate
