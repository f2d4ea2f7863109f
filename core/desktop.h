// The virtual screen: the grid of desktops, the current one, and every coordinate conversion.
#pragma once
#include <atomic>
#include <cstdint>

#include "platform/saturate.h"
#include "platform/types.h"

struct DesktopState {
    std::int32_t screenWidth;
    std::int32_t screenHeight;
    std::int32_t workWidth;
    std::int32_t workHeight;
    std::int32_t columns;
    std::int32_t rows;
    std::int32_t currentColumn;
    std::int32_t currentRow;
    // Set while a batch of window moves runs, on whichever thread moves; the poll tick does
    // nothing meanwhile. Relaxed, like edgeSwitching: a hint that publishes no other data.
    std::atomic<std::uint8_t> switching;
    // Set while the poll tick's edge switch runs; a switch then leaves the foreground alone.
    std::atomic<std::uint8_t> edgeSwitching;
    std::uint8_t compressBusy;  // touched only while holding the compress gate
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

// Reads the screen size and work area from the system and stores all four fields. With
// onlyOnSizeChange nothing is stored while the pixel size is the stored one (a taskbar that
// moved alone keeps the work area). A failed measure (no screen device context, or a size of
// 0, which would collapse the grid) stores nothing. Returns whether it stored.
bool MeasureScreen(bool onlyOnSizeChange = false);

int VirtualToPagerX(int vx, const plat::Rect& mini);
int VirtualToPagerY(int vy, const plat::Rect& mini);
// Callers must pass a rectangle of positive width and height.
int PagerToVirtualX(int px, const plat::Rect& mini);
int PagerToVirtualY(int py, const plat::Rect& mini);

bool RectTouchesVirtualScreen(const plat::Rect& r);
bool IsOnCurrentScreen(plat::Hwnd w);
DesktopCell DesktopCellOfPoint(int x, int y);
DesktopCell DesktopCellOfWindow(plat::Hwnd w);

struct FoldResult {
    plat::Rect rect;
    int sx, sy;
    bool moved;
};
FoldResult FoldOntoScreen(const plat::Rect& r);
