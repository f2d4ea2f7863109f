// The virtual screen: the grid of desktops, the current one, and every coordinate conversion.
#pragma once
#include <atomic>
#include <cstdint>

#include "platform/saturate.h"
#include "platform/types.h"

// One monitor as the last measure found it, in screen coordinates.
struct MonitorArea {
    plat::Rect rect;
    plat::Rect work;
    std::int32_t dpi;
    bool primary;
};
constexpr int MaxMonitors = 16;

// The unit of the grid: the rectangle spanning every monitor (the virtual screen of the
// system), and its monitors. With one monitor it is that monitor, at (0, 0).
struct ScreenGeometry {
    std::int32_t originX, originY;  // top-left corner in screen coordinates; may be negative
    std::int32_t width, height;
    std::int32_t monitorCount;      // 0 when not measured; at most MaxMonitors
    MonitorArea monitors[MaxMonitors];
};
bool operator==(const ScreenGeometry& a, const ScreenGeometry& b);
inline bool operator!=(const ScreenGeometry& a, const ScreenGeometry& b) { return !(a == b); }

struct DesktopState {
    // The size of every desktop: the virtual screen's.
    std::int32_t screenWidth;
    std::int32_t screenHeight;
    // Right and bottom end of the work area along the virtual screen's right and bottom
    // edges, counted from the origin.
    std::int32_t workWidth;
    std::int32_t workHeight;
    std::int32_t originX;
    std::int32_t originY;
    std::int32_t monitorCount;
    MonitorArea monitors[MaxMonitors];
    std::int32_t columns;
    std::int32_t rows;
    std::int32_t currentColumn;
    std::int32_t currentRow;
    // Set while a batch of window moves runs; the poll tick does nothing meanwhile. Atomic
    // (relaxed, a hint that publishes no other data) for the fold of a crash on another
    // thread, which waits for the main thread's batch to land.
    std::atomic<std::uint8_t> switching;
    // Set while the poll tick's edge switch runs; a switch then leaves the foreground alone.
    std::uint8_t edgeSwitching;
    std::uint8_t compressBusy;  // a compress runs; one asked for inside it is dropped
    plat::Hwnd lastForeground;
};
extern DesktopState desktop;

// Every field as at program start: no screen measured, no grid, desktop (0, 0), no batch.
void ResetDesktopState();

// Column in bits 0-7, row in bits 8-15.
using DesktopCell = std::uint32_t;
inline int CellColumn(DesktopCell c) { return static_cast<int>(c & 0xFF); }
inline int CellRow(DesktopCell c) { return static_cast<int>((c >> 8) & 0xFF); }

// position + offset, saturated; offsets are products of 32-bit values, so the sum fits 64 bits.
constexpr int OffsetCoordinate(int position, std::int64_t offset) {
    return SaturateToInt32(position + offset);
}

// Reads the virtual screen, its monitors and the work area from the system and stores them.
// With onlyOnSizeChange nothing is stored while the geometry (origin, size and monitors) is
// the stored one (a taskbar that moved alone keeps the work area). A failed measure (no
// screen device context, or a size of 0, which would collapse the grid) stores nothing.
// Returns whether it stored.
bool MeasureScreen(bool onlyOnSizeChange = false);
// The geometry the system reports now, and whether it could be read; stores nothing.
bool ReadScreenGeometry(ScreenGeometry& g, std::int32_t& workWidth, std::int32_t& workHeight);
ScreenGeometry CurrentGeometry();  // as stored in `desktop`
void StoreGeometry(const ScreenGeometry& g, std::int32_t workWidth, std::int32_t workHeight);

// Screen x and y to virtual coordinates (origin at the top-left of desktop (0, 0)) and back.
std::int64_t ScreenToVirtualX(std::int64_t x);
std::int64_t ScreenToVirtualY(std::int64_t y);
std::int64_t VirtualToScreenX(std::int64_t vx);
std::int64_t VirtualToScreenY(std::int64_t vy);

// The stored monitor holding the point, or null; the nearest one with nearest set.
const MonitorArea* MonitorAt(const ScreenGeometry& g, plat::Point p, bool nearest);
// The answer points into g: a temporary would leave it dangling.
const MonitorArea* MonitorAt(ScreenGeometry&& g, plat::Point p, bool nearest) = delete;
// The point moved onto the nearest monitor of g, at least inset pixels inside it.
plat::Point OntoMonitor(const ScreenGeometry& g, plat::Point p, int inset);

int VirtualToPagerX(int vx, const plat::Rect& mini);
int VirtualToPagerY(int vy, const plat::Rect& mini);
// Callers must pass a rectangle of positive width and height.
int PagerToVirtualX(int px, const plat::Rect& mini);
int PagerToVirtualY(int py, const plat::Rect& mini);

bool RectTouchesVirtualScreen(const plat::Rect& r);
// The window's centre lies in the work area of a monitor.
bool IsOnCurrentScreen(plat::Hwnd w);
DesktopCell DesktopCellOfPoint(int x, int y);
DesktopCell DesktopCellOfWindow(plat::Hwnd w);

// How many desktops of `size` right of (below) the current one a span [low, high] lies, by
// its exact centre, with the current desktop starting at origin: the fold's count, negated.
std::int64_t DesktopsAway(std::int64_t low, std::int64_t high, std::int64_t origin,
                          std::int64_t size);

struct FoldResult {
    plat::Rect rect;
    int sx, sy;
    bool moved;
};
FoldResult FoldOntoScreen(const plat::Rect& r);
