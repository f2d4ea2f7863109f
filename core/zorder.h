// The one way through the Z-order of top-level windows. Other programs create, destroy and
// restack windows while a walk runs, so every walk survives a window destroyed under it and
// a Z-order that comes back round on itself.
#pragma once
#include <cstdint>
#include <type_traits>

#include "platform/types.h"
#include "platform/window.h"

// A Z-order walk longer than this is going round in circles.
constexpr int MaxWalkSteps = 65536;

// The window after `w` in `direction` (GW_HWNDNEXT or GW_HWNDPREV), read after `w` was
// handled. `prefetched` is what followed `w` before: the walk goes on from there if `w` was
// destroyed meanwhile, instead of ending at the stale handle.
inline plat::Hwnd NextInZOrder(plat::Hwnd w, plat::Hwnd prefetched, std::uint32_t direction) {
    return plat::IsWindow(w) ? plat::GetWindow(w, direction) : prefetched;
}

// Calls visit(w); a visit that returns bool decides whether the walk goes on.
template <typename Visit>
bool VisitGoesOn(Visit& visit, plat::Hwnd w) {
    if constexpr (std::is_same_v<decltype(visit(w)), bool>) {
        return visit(w);
    } else {
        visit(w);
        return true;
    }
}

// Visits windows from `first` in `direction` until the walk ends, reaches `end`, comes back to
// `first` or a visit returns false.
template <typename Visit>
void WalkZOrder(plat::Hwnd first, std::uint32_t direction, plat::Hwnd end, Visit&& visit) {
    plat::Hwnd w = first;
    for (int steps = 0; w && w != end && steps < MaxWalkSteps; ++steps) {
        const plat::Hwnd prefetched = plat::GetWindow(w, direction);
        if (!VisitGoesOn(visit, w)) return;
        w = NextInZOrder(w, prefetched, direction);
        if (w == first) return;
    }
}

// The top-level windows below `top`, uppermost first.
template <typename Visit>
void ForEachWindowBelow(plat::Hwnd top, Visit&& visit) {
    WalkZOrder(plat::GetWindow(top, plat::GW_HWNDNEXT), plat::GW_HWNDNEXT, top, visit);
}

// Every top-level window except `skip`, uppermost first.
template <typename Visit>
void ForEachTopLevelWindow(plat::Hwnd skip, Visit&& visit) {
    WalkZOrder(plat::GetTopWindow(nullptr), plat::GW_HWNDNEXT, nullptr,
               [&](plat::Hwnd w) { return w == skip || VisitGoesOn(visit, w); });
}

// Every top-level window, lowest first: the order in which later ones cover earlier ones.
template <typename Visit>
void ForEachWindowFromBottom(Visit&& visit) {
    const plat::Hwnd top = plat::GetTopWindow(nullptr);
    const plat::Hwnd bottom = top ? plat::GetWindow(top, plat::GW_HWNDLAST) : nullptr;
    WalkZOrder(bottom, plat::GW_HWNDPREV, nullptr, visit);
}
