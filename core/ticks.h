// The performance counter, for the waits and ages measured in core.
#pragma once
#include <cstdint>

std::int64_t CounterNow();
// Ticks per second; 1000 where the system reports no usable frequency.
std::int64_t CounterPerSecond();
inline std::int64_t MsToTicks(std::int64_t ms) { return CounterPerSecond() * ms / 1000; }
