#pragma once
// The host window toolkit's main queue: jobs for the user-interface thread of the host
// process, which runs the message loop of every window the plug-in shows.
#include <functional>

namespace DuiLib {

class UIMainQueue {
 public:
  static UIMainQueue& getInstance();
  // Hands the job to the user-interface thread; it runs there later, in order.
  bool dispatch(std::function<void()> job);
};

}  // namespace DuiLib
