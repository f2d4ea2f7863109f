#include "core/window_set.h"

#include <algorithm>

#include "platform/window.h"

namespace {

// Beyond this, entries of windows that are gone are ended before another is added.
constexpr std::size_t PruneAt = 64;

std::uint32_t ProcessOf(plat::Hwnd w) {
    std::uint32_t process = 0;
    plat::GetWindowThreadProcessId(w, &process);
    return process;
}

void PruneLocked(WindowSet& s) {
    s.entries.erase(std::remove_if(s.entries.begin(), s.entries.end(),
                                   [](const WindowSetEntry& e) {
                                       return ProcessOf(e.window) != e.process;
                                   }),
                    s.entries.end());
    s.count.store(static_cast<int>(s.entries.size()), std::memory_order_relaxed);
}

}  // namespace

bool AddToWindowSet(WindowSet& s, plat::Hwnd w) {
    const std::uint32_t process = w ? ProcessOf(w) : 0;
    if (!process) return false;
    std::lock_guard<std::mutex> hold(s.lock);
    for (WindowSetEntry& e : s.entries)
        if (e.window == w) {
            e.process = process;
            return true;
        }
    if (s.entries.size() >= PruneAt) PruneLocked(s);
    s.entries.push_back({w, process});
    s.count.store(static_cast<int>(s.entries.size()), std::memory_order_relaxed);
    return true;
}

bool RemoveFromWindowSet(WindowSet& s, plat::Hwnd w) {
    if (s.count.load(std::memory_order_relaxed) == 0) return false;
    std::lock_guard<std::mutex> hold(s.lock);
    const auto it = std::find_if(s.entries.begin(), s.entries.end(),
                                 [w](const WindowSetEntry& e) { return e.window == w; });
    if (it == s.entries.end()) return false;
    s.entries.erase(it);
    s.count.store(static_cast<int>(s.entries.size()), std::memory_order_relaxed);
    return true;
}

bool InWindowSet(WindowSet& s, plat::Hwnd w) {
    if (s.count.load(std::memory_order_relaxed) == 0 || !w) return false;
    std::uint32_t process = 0;
    {
        std::lock_guard<std::mutex> hold(s.lock);
        const auto it = std::find_if(s.entries.begin(), s.entries.end(),
                                     [w](const WindowSetEntry& e) { return e.window == w; });
        if (it == s.entries.end()) return false;
        process = it->process;
    }
    return ProcessOf(w) == process;
}

void PruneWindowSet(WindowSet& s) {
    if (s.count.load(std::memory_order_relaxed) == 0) return;
    std::lock_guard<std::mutex> hold(s.lock);
    PruneLocked(s);
}

void ClearWindowSet(WindowSet& s) {
    std::lock_guard<std::mutex> hold(s.lock);
    s.entries.clear();
    s.count.store(0, std::memory_order_relaxed);
}

std::vector<plat::Hwnd> WindowSetMembers(WindowSet& s) {
    std::vector<plat::Hwnd> out;
    std::lock_guard<std::mutex> hold(s.lock);
    for (const WindowSetEntry& e : s.entries) out.push_back(e.window);
    return out;
}
