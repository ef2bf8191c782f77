#pragma once
// Waits. Every wait of the plug-in goes through these so that the emulator's virtual
// clock sees it. A wait ends early once the module stops (on any thread, also on a host
// thread inside a callback): the call then returns false and the caller must return at its
// next step.
#include <cstdint>

namespace platform {

// Sleep(ms). Returns true after the full wait, false when the module is stopping.
bool Sleep(std::uint32_t milliseconds);

// std::this_thread::sleep_until on the steady clock (deadline from SteadyNowNs()).
bool SleepUntilSteadyNs(std::int64_t deadlineNs);

// True once the module's stop has begun (threads should wind down).
bool IsModuleStopping();

}  // namespace platform
