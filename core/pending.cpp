#include "core/pending.h"

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <vector>

#include "core/desktop.h"
#include "core/ticks.h"
#include "platform/window.h"

namespace {

struct Entry {
    plat::Hwnd window;
    int requests;        // requests the move thread still holds; 0: arrived or given up
    int x, y;            // target of the last request
    std::int64_t endedAt;  // when requests dropped to 0 after a move, in counter ticks; else 0
    bool arrived;
};

std::mutex lock;
// Grows with the hung windows: a hand-over left unrecorded would make its window look as if it
// stayed, and it could be given the foreground on its way out.
std::vector<Entry> entries;

Entry* Find(plat::Hwnd w) {
    if (!w) return nullptr;
    for (Entry& e : entries)
        if (e.window == w) return &e;
    return nullptr;
}

// Drops what no one can ask about any more: windows that are gone (a program that died hung
// never answers) and arrivals older than the grace.
void Prune() {
    const std::int64_t now = CounterNow(), grace = MsToTicks(LateArrivalGraceMs);
    entries.erase(std::remove_if(entries.begin(), entries.end(),
                                 [&](const Entry& e) {
                                     if (!plat::IsWindow(e.window)) return true;
                                     return e.requests == 0 && (!e.arrived || now - e.endedAt > grace);
                                 }),
                  entries.end());
}

}  // namespace

void NotePendingMove(plat::Hwnd w, int x, int y, int fromX, int fromY) {
    if (!w) return;
    std::lock_guard<std::mutex> hold(lock);
    Entry* e = Find(w);
    if (e && e->requests > 0) {
        e->x = OffsetCoordinate(e->x, static_cast<std::int64_t>(x) - fromX);
        e->y = OffsetCoordinate(e->y, static_cast<std::int64_t>(y) - fromY);
        ++e->requests;
        return;
    }
    if (e) {
        *e = Entry{w, 1, x, y, 0, false};
        return;
    }
    Prune();
    entries.push_back(Entry{w, 1, x, y, 0, false});
}

void EndPendingMove(plat::Hwnd w, bool arrived) {
    std::lock_guard<std::mutex> hold(lock);
    Entry* e = Find(w);
    if (!e || e->requests == 0) return;
    if (--e->requests > 0) return;
    e->arrived = arrived;
    e->endedAt = CounterNow();
}

bool IsMovePending(plat::Hwnd w) {
    std::lock_guard<std::mutex> hold(lock);
    const Entry* e = Find(w);
    return e && e->requests > 0 && plat::IsWindow(w);
}

bool PendingMoveTarget(plat::Hwnd w, int* x, int* y) {
    std::lock_guard<std::mutex> hold(lock);
    const Entry* e = Find(w);
    if (!e || e->requests == 0) return false;
    if (x) *x = e->x;
    if (y) *y = e->y;
    return true;
}

bool PendingMoveTargetNoWait(plat::Hwnd w, int* x, int* y) {
    std::unique_lock<std::mutex> hold(lock, std::try_to_lock);
    if (!hold.owns_lock()) return false;
    const Entry* e = Find(w);
    if (!e || e->requests == 0) return false;
    *x = e->x;
    *y = e->y;
    return true;
}

bool ArrivedLate(plat::Hwnd w) {
    std::lock_guard<std::mutex> hold(lock);
    const Entry* e = Find(w);
    return e && e->requests == 0 && e->arrived && CounterNow() - e->endedAt <= MsToTicks(LateArrivalGraceMs);
}

bool AnyMovePending() {
    std::lock_guard<std::mutex> hold(lock);
    Prune();
    for (const Entry& e : entries)
        if (e.requests > 0) return true;
    return false;
}

void ResetPendingMoves() {
    std::lock_guard<std::mutex> hold(lock);
    std::vector<Entry>().swap(entries);
}
