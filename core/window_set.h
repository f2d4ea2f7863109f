// A set of windows kept for as long as each lives: the process is kept with the handle, so a
// handle the system gives to a new window of another program does not inherit the membership.
#pragma once
#include <atomic>
#include <mutex>
#include <vector>

#include "platform/types.h"

struct WindowSetEntry {
    plat::Hwnd window;
    std::uint32_t process;
};

// Used from the main, move and dialog threads alike.
struct WindowSet {
    std::mutex lock;
    std::vector<WindowSetEntry> entries;
    // Read without the lock by every walk: almost always 0.
    std::atomic<int> count{0};
};

// False when w is gone.
bool AddToWindowSet(WindowSet& s, plat::Hwnd w);
bool RemoveFromWindowSet(WindowSet& s, plat::Hwnd w);
bool InWindowSet(WindowSet& s, plat::Hwnd w);
// Ends the entries of windows that are gone.
void PruneWindowSet(WindowSet& s);
void ClearWindowSet(WindowSet& s);
std::vector<plat::Hwnd> WindowSetMembers(WindowSet& s);
