#include "core/display.h"

#include <algorithm>
#include <cstdint>

#include "core/session.h"
#include "platform/window.h"

namespace {

using I64 = std::int64_t;

// A maximized window's frame lies outside its monitor by up to this much.
constexpr I64 FrameSlack = 8;

I64 ClampTo(I64 v, I64 lo, I64 hi) { return v < lo ? lo : (v > hi ? hi : v); }

// Where a window's near edge may go along one axis: its title bar inside the desktop, and its
// centre on it, or the window would change desktops. Where both cannot hold, the desktop wins.
struct Span {
    I64 lo, hi, centreLo, centreHi;
    I64 Clamp(I64 v) const {
        return lo <= hi ? ClampTo(v, lo, hi) : ClampTo(v, centreLo, centreHi);
    }
};

Span Fit(I64 origin, I64 size, I64 extent, I64 titleLo, I64 titleHi) {
    Span s{};
    s.centreLo = origin - extent / 2;
    s.centreHi = origin + size - 1 - extent / 2;
    s.lo = std::max(titleLo, s.centreLo);
    s.hi = std::min(titleHi, s.centreHi);
    return s;
}

}  // namespace

std::vector<PlannedMove> PlanRelayout(const std::vector<SwitchCandidate>& candidates,
                                      const ScreenGeometry& before, const ScreenGeometry& now,
                                      int titleHeight) {
    std::vector<PlannedMove> out;
    for (const SwitchCandidate& c : candidates) {
        if (!c.managed) continue;
        const plat::Rect& r = c.rect;
        const I64 kx = DesktopsAway(r.left, r.right, before.originX, before.width);
        const I64 ky = DesktopsAway(r.top, r.bottom, before.originY, before.height);
        // Where the window shows while its desktop is the current one: screen coordinates do
        // not move with the virtual screen's corner, so a monitor added on the left leaves it.
        I64 x = r.left - kx * before.width, y = r.top - ky * before.height;
        const I64 width = I64{r.right} - r.left, height = I64{r.bottom} - r.top;
        // A frame that lay past an edge of the old desktop (a maximized window's) may lie as
        // far past the new one; nothing else may, or it would show on the neighbouring desktop.
        const I64 leftOver = ClampTo(I64{before.originX} - x, 0, FrameSlack);
        const I64 rightOver = ClampTo(x + width - before.originX - before.width, 0, FrameSlack);
        const I64 topOver = ClampTo(I64{before.originY} - y, 0, FrameSlack);
        // Wider than the desktop: its left end, with the title, stays in.
        const I64 titleRight = std::max(I64{now.originX} + now.width - width + rightOver,
                                        std::min(x, I64{now.originX}));
        const Span sx = Fit(now.originX, now.width, width, now.originX - leftOver, titleRight);
        const Span sy = Fit(now.originY, now.height, height, now.originY - topOver,
                            I64{now.originY} + now.height - titleHeight);
        x = sx.Clamp(x);
        y = sy.Clamp(y);
        // Inside the bounding rectangle may still be off every monitor of unequal sizes.
        const plat::Point bar{SaturateToInt32(x + std::min<I64>(width, 2 * titleHeight) / 2),
                              SaturateToInt32(y + titleHeight / 2)};
        const plat::Point onto = OntoMonitor(now, bar, titleHeight / 2);
        x = ClampTo(x + onto.x - bar.x, sx.centreLo, sx.centreHi);
        y = ClampTo(y + onto.y - bar.y, sy.centreLo, sy.centreHi);
        const int toX = SaturateToInt32(x + kx * now.width);
        const int toY = SaturateToInt32(y + ky * now.height);
        if (toX == r.left && toY == r.top) continue;
        out.push_back(PlannedMove{c.window, toX, toY, r.left, r.top, !c.answered || c.pending});
    }
    return out;
}

void ChangeGeometry(const ScreenGeometry& before, const ScreenGeometry& now,
                    std::int32_t workWidth, std::int32_t workHeight) {
    StoreGeometry(now, workWidth, workHeight);
    RefreshSessionRecord();
    // Nothing was laid out under a geometry never measured.
    if (before.width <= 0 || before.height <= 0) return;
    const int titleHeight = std::max(8, plat::GetSystemMetrics(plat::SM_CYCAPTION) +
                                            plat::GetSystemMetrics(plat::SM_CYFRAME));
    MoveManagedWindows([&](const std::vector<SwitchCandidate>& candidates) {
        return PlanRelayout(candidates, before, now, titleHeight);
    });
}

bool FollowDisplayChange() {
    ScreenGeometry now{};
    std::int32_t workWidth = 0, workHeight = 0;
    if (!ReadScreenGeometry(now, workWidth, workHeight)) return false;
    const ScreenGeometry before = CurrentGeometry();
    if (now == before) return false;
    ChangeGeometry(before, now, workWidth, workHeight);
    return true;
}
