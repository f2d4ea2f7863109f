#include "core/ticks.h"

#include "platform/kernel.h"

std::int64_t CounterNow() {
    std::int64_t t = 0;
    plat::QueryPerformanceCounter(&t);
    return t;
}

std::int64_t CounterPerSecond() {
    std::int64_t perSecond = 0;
    if (!plat::QueryPerformanceFrequency(&perSecond) || perSecond <= 0) perSecond = 1000;
    return perSecond;
}
