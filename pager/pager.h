// The pager window: placement, drawing and mouse handling.
#pragma once
#include <cstdint>
#include <vector>

#include "config/settings.h"
#include "core/desktop.h"
#include "platform/types.h"

struct SnapshotEntry {
    plat::Hwnd window;
    plat::Rect rect;
    bool shown;  // visible, not minimized, not cloaked: drawn in the miniature
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
    bool expanded;
    std::vector<SnapshotEntry> snapshot;  // topmost first
    plat::Rect miniatureRect;             // client rectangle of the last full drawing
    WindowDrag windowDrag;
    PagerDrag pagerDrag;
};
extern PagerState pager;

// Relaxed: the flag publishes no other data, and the next poll tick acts on whatever it reads.
inline bool PagerExpanded() { return pager.expanded; }
inline void SetPagerExpanded(bool on) { pager.expanded = on; }

// The pager window handle; the settings record holds it, since the dialog library reads it there.
inline plat::Hwnd PagerWindow() { return settings.pagerWindow; }

constexpr int CollapsedSize = 9;

// The values of "Corner": the screen corner the pager belongs to. Any other stored value places
// it like CornerTopLeft.
enum PagerCorner : std::int32_t {
    CornerTopLeft = 1,
    CornerTopRight = 2,
    CornerBottomLeft = 3,
    CornerBottomRight = 4
};

// A press on the pager as the five gesture settings ("NavMouseSwitch" and its kin) store it: its
// bits summed, 0 a plain left press. A stored value outside 0 to 7 turns its action off.
enum GestureBit : std::int32_t { GestureDoubleClick = 1, GestureRightButton = 2, GestureShift = 4 };
constexpr bool IsGestureCode(std::int32_t v) {
    return v >= 0 && v <= (GestureDoubleClick | GestureRightButton | GestureShift);
}
// The code of a button press message on the pager; keys: its wParam (MK_SHIFT).
std::int32_t PressGesture(std::uint32_t msg, plat::WParam keys);

// The pager menu (a resource of the program) and its commands, which the main window carries out.
constexpr int MenuResource = 101;
constexpr int CmdAbout = 101, CmdSettings = 102, CmdClose = 103, CmdCompress = 104,
              CmdResetPositions = 105, CmdHelp = 107;

// Placement and sizing
void PlacePagerAtCorner();
void RestorePagerPosition();
// Re-measures the screen and keeps the pager on it; force stores the measure (and re-places
// the pager) even when the size is unchanged. A failed measure changes nothing.
void CheckDisplaySize(bool force = false);
// Whether a change was put off because a batch of moves ran; clears the mark. The timer asks.
bool TakeDeferredDisplayChange();
void ExpandPager(bool takeForeground);
void CheckPagerLeave();
void RememberPagerSize();
plat::Point CollapsedPosition();  // for the current "Corner" and screen
// Sizes are stored at 96 DPI and shown at the DPI of the pager's monitor.
int ScaleToDpi(int value, int dpi);
int UnscaleFromDpi(int value, int dpi);
int PagerDpi();          // of the monitor the pager is on
int CollapsedPixels();   // the collapsed square's side at its corner's DPI
// WM_DPICHANGED: re-measures and re-places the pager at the new scale; suggested is the
// system's rectangle, taken when the pager has no corner to go to.
void PagerDpiChanged(const plat::Rect* suggested);

// Rendering
void PaintPager(plat::Hdc target, bool onlyIfChanged);
bool TakeWindowSnapshot(bool compareFirst);
void FreeWindowSnapshot();

// Mouse and menu
void TrackPagerMouse(int x, int y);
// Runs every action whose gesture setting holds `code` (PressGesture).
void DispatchPagerButton(std::int32_t code, int x, int y);
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
