// The toolkit's main queue: jobs for the host's user-interface thread, which the operating
// system's side runs (the virtual Windows on Linux, a message loop on Windows).
#include "emu/Faults.h"
#include "emu/UserInterface.h"
#include "hostapi/UIMainQueue.h"

namespace DuiLib {

UIMainQueue& UIMainQueue::getInstance() {
  static UIMainQueue queue;
  return queue;
}

bool UIMainQueue::dispatch(std::function<void()> job) {
  if (!job || emu::InjectedFault(emu::FaultOf("UIMainQueue::dispatch")))
    return false;
  return emu::UserInterface::Post(std::move(job));
}

}  // namespace DuiLib
