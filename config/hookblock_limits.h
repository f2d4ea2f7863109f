// Bounds for what is read from the block shared with the mouse-hook library. Any process can
// write that block, so every reader clamps. Header only: the hook library includes it too.
#pragma once
#include <cstddef>
#include <cstdint>

constexpr int MaxProgramEntries = 1024;

constexpr std::int32_t ClampProgramEntryCount(std::int32_t count) {
    return count < 0 ? 0 : (count > MaxProgramEntries ? MaxProgramEntries : count);
}

// Length of a name field that another process may have left without its terminator.
inline std::size_t BoundedNameLength(const char* field, std::size_t size) {
    std::size_t n = 0;
    while (n < size && field[n] != 0) ++n;
    return n;
}
