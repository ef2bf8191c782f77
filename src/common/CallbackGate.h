#pragma once
// The door through which the host's threads come into the plug-in: IPC handlers, event-log
// callbacks, vendor library callbacks, jobs and window procedures on the user-interface
// thread. Each call holds a gate::Entry for as long as it runs inside. The stop
// closes the door and waits until every thread inside has left, so nothing of the plug-in
// runs on a host thread once its state goes away.
#include <cstddef>
#include <functional>

namespace gate {

class Entry {
 public:
  Entry();
  ~Entry();
  Entry(const Entry&) = delete;
  Entry& operator=(const Entry&) = delete;
  // False once the door is closed: the caller returns without doing anything.
  explicit operator bool() const { return admitted_; }

 private:
  bool admitted_;
};

// Hands a job to the host's user-interface thread. It runs inside the door (or not at all
// once the door is closed), and the stop waits for every job handed over to have run. False,
// and nothing handed over, once the door is closed.
bool DispatchToUi(std::function<void()> job);

// Opens the door (a new life of the plug-in).
void Open();
// Refuses new entries and returns once no thread is inside and every job handed to the UI
// thread has run. Waits of the threads inside are ended by the module's stop, which must
// already have begun.
void CloseAndDrain();
// Threads inside now (for tests).
std::size_t Inside();

}  // namespace gate
