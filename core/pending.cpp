#include "core/pending.h"

#include <cstdint>
#include <mutex>

#include "core/desktop.h"
#include "platform/kernel.h"

namespace {

struct Entry {
    plat::Hwnd window;   // null: free slot
    int requests;        // requests the move thread still holds; 0: arrived or given up
    int x, y;            // target of the last request
    std::int64_t endedAt;  // when requests dropped to 0 after a move, in counter ticks; else 0
    bool arrived;
};

std::mutex lock;
Entry entries[PendingMoveCapacity];

std::int64_t Now() {
    std::int64_t t = 0;
    plat::QueryPerformanceCounter(&t);
    return t;
}

std::int64_t GraceTicks() {
    std::int64_t f = 0;
    if (!plat::QueryPerformanceFrequency(&f) || f <= 0) f = 1000;
    return f / 1000 * LateArrivalGraceMs;
}

Entry* Find(plat::Hwnd w) {
    if (!w) return nullptr;
    for (Entry& e : entries)
        if (e.window == w) return &e;
    return nullptr;
}

// A free slot, else the one that ended longest ago; null when every slot is still pending.
Entry* Slot() {
    Entry* oldest = nullptr;
    for (Entry& e : entries) {
        if (!e.window) return &e;
        if (e.requests == 0 && (!oldest || e.endedAt < oldest->endedAt)) oldest = &e;
    }
    return oldest;
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
    if (!e) e = Slot();
    if (!e) return;
    *e = Entry{w, 1, x, y, 0, false};
}

void EndPendingMove(plat::Hwnd w, bool arrived) {
    std::lock_guard<std::mutex> hold(lock);
    Entry* e = Find(w);
    if (!e || e->requests == 0) return;
    if (--e->requests > 0) return;
    e->arrived = arrived;
    e->endedAt = Now();
    if (!arrived) e->window = nullptr;
}

bool IsMovePending(plat::Hwnd w) {
    std::lock_guard<std::mutex> hold(lock);
    const Entry* e = Find(w);
    return e && e->requests > 0;
}

bool PendingMoveTarget(plat::Hwnd w, int* x, int* y) {
    std::lock_guard<std::mutex> hold(lock);
    const Entry* e = Find(w);
    if (!e || e->requests == 0) return false;
    if (x) *x = e->x;
    if (y) *y = e->y;
    return true;
}

bool ArrivedLate(plat::Hwnd w) {
    std::lock_guard<std::mutex> hold(lock);
    const Entry* e = Find(w);
    return e && e->requests == 0 && e->arrived && Now() - e->endedAt <= GraceTicks();
}

bool AnyMovePending() {
    std::lock_guard<std::mutex> hold(lock);
    for (const Entry& e : entries)
        if (e.window && e.requests > 0) return true;
    return false;
}

void ResetPendingMoves() {
    std::lock_guard<std::mutex> hold(lock);
    for (Entry& e : entries) e = Entry{nullptr, 0, 0, 0, 0, false};
}
