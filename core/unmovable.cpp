#include "core/unmovable.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <vector>

#include "platform/kernel.h"
#include "platform/window.h"

namespace {

// The process is kept with the handle: a handle the system gives to a new window of another
// program does not inherit the mark.
struct Entry {
    plat::Hwnd window;
    std::uint32_t process;
};

// Moves fail on the main thread, the move thread and the dialog thread alike.
std::mutex lock;
std::vector<Entry> entries;
// Read without the lock by every walk: almost always 0.
std::atomic<int> count{0};

// Beyond this, entries of windows that are gone are ended before another is added.
constexpr std::size_t PruneAt = 64;

std::uint32_t ProcessOf(plat::Hwnd w) {
    std::uint32_t process = 0;
    plat::GetWindowThreadProcessId(w, &process);
    return process;
}

void PruneLocked() {
    entries.erase(std::remove_if(entries.begin(), entries.end(),
                                 [](const Entry& e) { return ProcessOf(e.window) != e.process; }),
                  entries.end());
    count.store(static_cast<int>(entries.size()), std::memory_order_relaxed);
}

}  // namespace

bool NoteFailedMove(plat::Hwnd w) {
    if (!w || plat::GetLastError() != static_cast<std::uint32_t>(plat::ERROR_ACCESS_DENIED))
        return false;
    const std::uint32_t process = ProcessOf(w);
    if (!process) return false;  // gone meanwhile
    std::lock_guard<std::mutex> hold(lock);
    for (Entry& e : entries)
        if (e.window == w) {
            e.process = process;
            return true;
        }
    if (entries.size() >= PruneAt) PruneLocked();
    entries.push_back({w, process});
    count.store(static_cast<int>(entries.size()), std::memory_order_relaxed);
    return true;
}

bool IsUnmovable(plat::Hwnd w) {
    if (count.load(std::memory_order_relaxed) == 0 || !w) return false;
    std::uint32_t process = 0;
    {
        std::lock_guard<std::mutex> hold(lock);
        const auto it = std::find_if(entries.begin(), entries.end(),
                                     [w](const Entry& e) { return e.window == w; });
        if (it == entries.end()) return false;
        process = it->process;
    }
    return ProcessOf(w) == process;
}

void ForgetGoneUnmovable() {
    if (count.load(std::memory_order_relaxed) == 0) return;
    std::lock_guard<std::mutex> hold(lock);
    PruneLocked();
}

void ResetUnmovable() {
    std::lock_guard<std::mutex> hold(lock);
    entries.clear();
    count.store(0, std::memory_order_relaxed);
}
