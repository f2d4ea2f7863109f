// The poll timer's tick.
#include "app/app.h"
#include "config/settings.h"
#include "core/desktop.h"
#include "core/poll.h"
#include "core/session.h"
#include "pager/pager.h"
#include "platform/gdi.h"
#include "platform/window.h"

void PollTick() {
    RetryTrayIcon();
    if (desktop.switching.load(std::memory_order_relaxed)) return;
    RefreshSessionRecordWhenSettled();
    if (PagerExpanded() && !pager.pagerDrag.active) CheckPagerLeave();
    if (!PagerExpanded() && settings.switchAtBorders && EdgeSwitch()) return;
    if (settings.followActive) FollowActive();
    if (!settings.collapsePager || PagerExpanded()) {
        plat::Hdc dc = plat::GetDC(PagerWindow());
        if (dc) {
            PaintPager(dc, true);
            plat::ReleaseDC(PagerWindow(), dc);
        }
    }
}
