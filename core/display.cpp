#include "core/display.h"

#include <algorithm>
#include <cstdint>

#include "core/session.h"
#include "platform/window.h"

namespace {

using I64 = std::int64_t;

// A maximized window's frame lies outside its monitor by up to this much.
constexpr int FrameSlack = 8;

// How many desktops right of (or below) the current one a window lies: the fold rule's count.
I64 DesktopsAway(I64 low, I64 high, I64 origin, I64 size) {
    if (size <= 0) return 0;
    const I64 sum = low + high - 2 * origin, step = 2 * size;
    if (sum < 0) return -((-sum + step - 1) / step);
    if (sum > step) return (sum - step + step - 1) / step;
    return 0;
}

I64 ClampTo(I64 v, I64 lo, I64 hi) { return v < lo ? lo : (v > hi ? hi : v); }

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
        const I64 width = I64{r.right} - r.left;
        const I64 left = I64{now.originX} - FrameSlack;
        const I64 right = I64{now.originX} + now.width - width + FrameSlack;
        x = ClampTo(x, left, std::max(left, right));
        const I64 top = I64{now.originY} - FrameSlack;
        y = ClampTo(y, top, std::max(top, I64{now.originY} + now.height - titleHeight));
        // Inside the bounding rectangle may still be off every monitor of unequal sizes.
        const plat::Point bar{SaturateToInt32(x + std::min<I64>(width, 2 * titleHeight) / 2),
                              SaturateToInt32(y + titleHeight / 2)};
        const plat::Point onto = OntoMonitor(now, bar, titleHeight / 2);
        x += I64{onto.x} - bar.x;
        y += I64{onto.y} - bar.y;
        const int toX = SaturateToInt32(x + kx * now.width);
        const int toY = SaturateToInt32(y + ky * now.height);
        if (toX == r.left && toY == r.top) continue;
        out.push_back(PlannedMove{c.window, toX, toY, r.left, r.top, !c.answered});
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
