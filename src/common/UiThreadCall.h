#pragma once
// Runs a piece of the plug-in's own stop on the host's user-interface thread and waits for
// it: what the plug-in created there (its windows) is destroyed there, in turn with whatever
// else that thread is doing with them. Must not be called on the user-interface thread.
#include <functional>

namespace uithread {

// False when the job could not be handed over (then it has not run).
bool CallAndWait(std::function<void()> job);

}  // namespace uithread
