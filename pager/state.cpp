// The pager's globals.
#include "pager/pager.h"

PagerState pager;

void ResetPagerState() {
    FreeWindowSnapshot();
    SetPagerExpanded(false);
    pager.miniatureRect = plat::Rect{0, 0, 0, 0};
    pager.windowDrag = WindowDrag{};
    pager.pagerDrag = PagerDrag{false, 0, 0, 0, 0, nullptr};
}
