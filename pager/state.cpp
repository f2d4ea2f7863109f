// The pager's globals, kept apart so that code needing only them links nothing else.
#include "pager/pager.h"

PagerState pager;
plat::Hwnd PagerWindow;

void ResetPagerState() {
    // The snapshot is freed here rather than through the renderer so that the settings
    // load does not pull the drawing code in.
    SnapshotEntry* e = pager.snapshot;
    while (e) {
        SnapshotEntry* next = e->next;
        delete e;
        e = next;
    }
    pager.snapshot = nullptr;
    pager.expanded = false;
    pager.miniatureRect = plat::Rect{0, 0, 0, 0};
    pager.windowDrag = WindowDrag{};
    pager.pagerDrag = PagerDrag{false, 0, 0, 0, 0, nullptr};
}
