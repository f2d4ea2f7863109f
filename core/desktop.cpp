#include "core/desktop.h"

#include <cstdint>
#include <limits>

#include "platform/gdi.h"
#include "platform/window.h"

DesktopState desktop;

namespace {

using I64 = std::int64_t;

std::uint64_t Magnitude(I64 v) {
    return v < 0 ? 0u - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
}

// a * b / c, truncating. A product that does not fit 64 bits arises only when c is a pager
// rectangle size (below 2^33), so its quotient is far outside 32 bits: only the sign matters.
I64 MulDiv64(I64 a, I64 b, I64 c) {
    if (c == 0) return 0;
    std::uint64_t ma = Magnitude(a), mb = Magnitude(b);
    if (ma != 0 && mb > static_cast<std::uint64_t>(std::numeric_limits<I64>::max()) / ma) {
        bool negative = (a < 0) != (b < 0);
        if (c < 0) negative = !negative;
        return negative ? -(I64{1} << 40) : (I64{1} << 40);
    }
    return (a * b) / c;
}

// Clamps one grid index the way cells are packed: 0 .. min(count, 256) - 1.
I64 ClampIndex(I64 v, I64 count) {
    if (count > 256) count = 256;
    if (count < 1) count = 1;
    if (v < 0) v = 0;
    if (v >= count) v = count - 1;
    return v;
}

// Number of whole screens (towards the centre) that brings twice the centre, sum, into
// [0, 2 * size]; the closed form of adding or subtracting size one screen at a time.
I64 FoldSteps(I64 sum, I64 size) {
    if (size <= 0) return 0;
    const I64 step = 2 * size;
    if (sum < 0) return (-sum + step - 1) / step;
    if (sum > step) return -((sum - step + step - 1) / step);
    return 0;
}

plat::Point Centre(const plat::Rect& r) {
    I64 cx = static_cast<I64>(r.left) + (static_cast<I64>(r.right) - r.left) / 2;
    I64 cy = static_cast<I64>(r.top) + (static_cast<I64>(r.bottom) - r.top) / 2;
    return plat::Point{SaturateToInt32(cx), SaturateToInt32(cy)};
}

struct ScreenMeasure {
    std::int32_t screenWidth, screenHeight, workWidth, workHeight;
    bool valid;
};

ScreenMeasure ReadScreenMeasure() {
    ScreenMeasure m{};
    plat::Hdc dc = plat::GetDC(nullptr);
    m.screenWidth = plat::GetDeviceCaps(dc, plat::HORZRES);
    m.screenHeight = plat::GetDeviceCaps(dc, plat::VERTRES);
    m.workWidth = plat::GetSystemMetrics(plat::SM_CXFULLSCREEN);
    m.workHeight =
        SaturateToInt32(static_cast<I64>(plat::GetSystemMetrics(plat::SM_CYFULLSCREEN)) +
                        plat::GetSystemMetrics(plat::SM_CYCAPTION));
    m.valid = dc && m.screenWidth > 0 && m.screenHeight > 0;
    if (dc) plat::ReleaseDC(nullptr, dc);
    return m;
}

}  // namespace

void ResetDesktopState() {
    desktop.screenWidth = desktop.screenHeight = 0;
    desktop.workWidth = desktop.workHeight = 0;
    desktop.columns = desktop.rows = 0;
    desktop.currentColumn = desktop.currentRow = 0;
    desktop.switching.store(0, std::memory_order_relaxed);
    desktop.edgeSwitching.store(0, std::memory_order_relaxed);
    desktop.compressBusy = 0;
    desktop.lastForeground = nullptr;
}

bool MeasureScreen(bool onlyOnSizeChange) {
    const ScreenMeasure m = ReadScreenMeasure();
    if (!m.valid) return false;
    if (onlyOnSizeChange && m.screenWidth == desktop.screenWidth &&
        m.screenHeight == desktop.screenHeight)
        return false;
    desktop.screenWidth = m.screenWidth;
    desktop.screenHeight = m.screenHeight;
    desktop.workWidth = m.workWidth;
    desktop.workHeight = m.workHeight;
    return true;
}

int VirtualToPagerX(int vx, const plat::Rect& mini) {
    I64 span = static_cast<I64>(desktop.screenWidth) * desktop.columns;
    if (span == 0) return mini.left;
    return SaturateToInt32(mini.left +
                           MulDiv64(vx, static_cast<I64>(mini.right) - mini.left, span));
}

int VirtualToPagerY(int vy, const plat::Rect& mini) {
    I64 span = static_cast<I64>(desktop.screenHeight) * desktop.rows;
    if (span == 0) return mini.top;
    return SaturateToInt32(mini.top +
                           MulDiv64(vy, static_cast<I64>(mini.bottom) - mini.top, span));
}

int PagerToVirtualX(int px, const plat::Rect& mini) {
    I64 width = static_cast<I64>(mini.right) - mini.left;
    I64 span = static_cast<I64>(desktop.columns) * desktop.screenWidth;
    return SaturateToInt32(MulDiv64(span, static_cast<I64>(px) - mini.left, width));
}

int PagerToVirtualY(int py, const plat::Rect& mini) {
    I64 height = static_cast<I64>(mini.bottom) - mini.top;
    I64 span = static_cast<I64>(desktop.rows) * desktop.screenHeight;
    return SaturateToInt32(MulDiv64(span, static_cast<I64>(py) - mini.top, height));
}

bool RectTouchesVirtualScreen(const plat::Rect& r) {
    if (r.right < r.left || r.bottom < r.top) return false;
    I64 vLeft = -static_cast<I64>(desktop.currentColumn) * desktop.screenWidth;
    I64 vRight = vLeft + static_cast<I64>(desktop.columns) * desktop.screenWidth;
    I64 vTop = -static_cast<I64>(desktop.currentRow) * desktop.screenHeight;
    I64 vBottom = vTop + static_cast<I64>(desktop.rows) * desktop.screenHeight;
    return r.right >= vLeft && r.left < vRight && r.bottom >= vTop && r.top < vBottom;
}

bool IsOnCurrentScreen(plat::Hwnd w) {
    plat::Rect r{};
    if (!plat::GetWindowRect(w, &r)) return false;
    plat::Point c = Centre(r);
    return c.x >= 0 && c.x < desktop.workWidth && c.y >= 0 && c.y < desktop.workHeight;
}

DesktopCell DesktopCellOfPoint(int x, int y) {
    const I64 sw = desktop.screenWidth, sh = desktop.screenHeight;
    const I64 cols = desktop.columns, rows = desktop.rows;
    // A degenerate screen size has no cells to divide into: stay on the current one.
    I64 column = sw > 0 ? (x + cols * sw) / sw - cols + desktop.currentColumn
                        : static_cast<I64>(desktop.currentColumn);
    I64 row = sh > 0 ? (y + rows * sh) / sh - rows + desktop.currentRow
                     : static_cast<I64>(desktop.currentRow);
    column = ClampIndex(column, cols);
    row = ClampIndex(row, rows);
    return static_cast<DesktopCell>(column + row * 256);
}

DesktopCell DesktopCellOfWindow(plat::Hwnd w) {
    plat::Rect r{};
    plat::GetWindowRect(w, &r);
    plat::Point c = Centre(r);
    return DesktopCellOfPoint(c.x, c.y);
}

FoldResult FoldOntoScreen(const plat::Rect& r) {
    const I64 sw = desktop.screenWidth, sh = desktop.screenHeight;
    I64 kx = FoldSteps(static_cast<I64>(r.left) + r.right, sw);
    I64 ky = FoldSteps(static_cast<I64>(r.top) + r.bottom, sh);
    FoldResult f{};
    f.rect.left = SaturateToInt32(r.left + kx * sw);
    f.rect.right = SaturateToInt32(r.right + kx * sw);
    f.rect.top = SaturateToInt32(r.top + ky * sh);
    f.rect.bottom = SaturateToInt32(r.bottom + ky * sh);
    f.sx = SaturateToInt32(kx);
    f.sy = SaturateToInt32(ky);
    f.moved = kx != 0 || ky != 0;
    return f;
}
