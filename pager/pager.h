// The pager window: placement, drawing and mouse handling.
#pragma once
#include <cstdint>

#include "core/desktop.h"
#include "platform/types.h"

struct SnapshotEntry {
    SnapshotEntry* next;
    plat::Hwnd window;
    plat::Rect rect;
};

struct WindowDrag {
    plat::Hwnd window;  // null when no drag is in progress
    int startLeft, startTop;
    DesktopCell startCell;
    int pressX, pressY;
    int viewColumn, viewRow;  // the desktop shown at the press
    bool snap;
};

struct PagerDrag {
    bool active;
    int startLeft, startTop;
    int pressX, pressY;
    plat::Hwnd previousCapture;
};

struct PagerState {
    volatile bool expanded;
    SnapshotEntry* snapshot;      // WindowSnapshot, topmost first
    plat::Rect miniatureRect;     // client rectangle of the last full drawing
    WindowDrag windowDrag;
    PagerDrag pagerDrag;
};
extern PagerState pager;

// The pager window handle (also in settings.pagerWindow).
extern plat::Hwnd PagerWindow;

constexpr int CollapsedSize = 9;

// Placement and sizing
void PlacePagerAtCorner();
void RestorePagerPosition();
// Re-measures the screen and keeps the pager on it; force stores the measure (and re-places
// the pager) even when the size is unchanged. A failed measure changes nothing.
void CheckDisplaySize(bool force = false);
void ExpandPager(bool takeForeground);
void CheckPagerLeave();
void RememberPagerSize();
plat::Point CollapsedPosition();  // for the current "Corner" and screen

// Rendering
void PaintPager(plat::Hdc target, bool onlyIfChanged);
bool TakeWindowSnapshot(bool compareFirst);
void FreeWindowSnapshot();

// Mouse and menu
void TrackPagerMouse(int x, int y);
void DispatchPagerButton(int code, int x, int y);
void PagerLeftButtonUp();
void PagerRightButtonUp();
void SwitchToDesktopAt(int x, int y);
void BeginWindowDrag(int x, int y);
void BeginSnappingWindowDrag(int x, int y);
void EndWindowDrag();
void BeginPagerDrag(int x, int y);
void MovePagerWithMouse(int x, int y);
void EndPagerDrag();
void ShowPagerMenu(int x, int y);

// Resets all pager state (start-up and tests).
void ResetPagerState();
