// The performance counter, for the waits and ages measured in core.
#pragma once
#include <cstdint>

#include "platform/kernel.h"

inline std::int64_t CounterNow() {
    std::int64_t t = 0;
    plat::QueryPerformanceCounter(&t);
    return t;
}

// Ticks per second; 1000 where the system reports no usable frequency.
inline std::int64_t CounterPerSecond() {
    std::int64_t perSecond = 0;
    if (!plat::QueryPerformanceFrequency(&perSecond) || perSecond <= 0) perSecond = 1000;
    return perSecond;
}

inline std::int64_t MsToTicks(std::int64_t ms) { return CounterPerSecond() * ms / 1000; }
