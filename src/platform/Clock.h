#pragma once
// Clocks. On the emulator they read the virtual clock; on Windows the system clocks.
#include <cstdint>

namespace platform {

// GetSystemTimeAsFileTime, expressed as milliseconds since 1970-01-01 UTC.
std::uint64_t GetSystemTimeMs();

// The same clock in whole seconds since 1970-01-01 UTC (time(nullptr)).
std::int64_t GetSystemTimeSeconds();

// GetTickCount64: milliseconds since the machine started.
std::uint64_t GetTickCount64();

// QueryPerformanceCounter as nanoseconds of a monotonic clock (std::chrono::steady_clock).
std::int64_t SteadyNowNs();

}  // namespace platform
