// Drawing the miniature: off-screen, in one transfer, and only when a window changed.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "config/settings.h"
#include "core/desktop.h"
#include "core/pending.h"
#include "core/sticky.h"
#include "core/unmovable.h"
#include "core/windows.h"
#include "core/zorder.h"
#include "pager/pager.h"
#include "platform/gdi.h"
#include "platform/window.h"

namespace {

// Deletes the GDI object it holds (pen, brush, bitmap, region, font) when it goes.
struct OwnedGdi {
    explicit OwnedGdi(plat::Hgdi h) : handle(h) {}
    ~OwnedGdi() {
        if (handle) plat::DeleteObject(handle);
    }
    OwnedGdi(const OwnedGdi&) = delete;
    OwnedGdi& operator=(const OwnedGdi&) = delete;
    plat::Hgdi get() const { return handle; }
    plat::Hgdi handle;
};

// Keeps an object selected into a context; the one it replaced goes back when it goes, so
// nothing is deleted while selected.
struct Selection {
    Selection(plat::Hdc dc, plat::Hgdi object)
        : dc(dc), previous(object ? plat::SelectObject(dc, object) : nullptr) {}
    ~Selection() {
        if (previous) plat::SelectObject(dc, previous);
    }
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;
    plat::Hdc dc;
    plat::Hgdi previous;
};

struct MemoryDc {
    explicit MemoryDc(plat::Hdc like) : dc(plat::CreateCompatibleDC(like)) {}
    ~MemoryDc() {
        if (dc) plat::DeleteDC(dc);
    }
    MemoryDc(const MemoryDc&) = delete;
    MemoryDc& operator=(const MemoryDc&) = delete;
    plat::Hdc dc;
};

// The Z-order as last read, topmost first; kept so that a tick finding no change allocates
// nothing.
std::vector<plat::Hwnd> zorder;

// Far outside any pager bitmap, yet safe for 16-bit GDI coordinates.
constexpr std::int64_t CoordinateLimit = 16000;

// The grid as it stands at the start of one drawing.
struct Geometry {
    std::int64_t width, height;  // virtual screen size
    std::int64_t originX, originY;
    int columns, rows;
    int cx, cy;
    plat::Rect r;                // client rectangle drawn into
};

Geometry ReadGeometry(const plat::Rect& r) {
    return Geometry{desktop.screenWidth, desktop.screenHeight, desktop.originX, desktop.originY,
                    desktop.columns,     desktop.rows,         desktop.currentColumn,
                    desktop.currentRow,  r};
}

// Beyond this many outlines the cells are too small to show monitors in.
constexpr std::int64_t MaxMonitorOutlines = 4096;

// A stored grid of zero cells or a screen without size has nothing to map onto: the
// pager then shows its background only.
bool HasGrid(const Geometry& g) {
    return g.width > 0 && g.height > 0 && g.columns > 0 && g.rows > 0;
}

int ClampCoordinate(int v) {
    return static_cast<int>(std::clamp<std::int64_t>(v, -CoordinateLimit, CoordinateLimit));
}
int ToPagerX(const Geometry& g, std::int64_t vx) {
    return ClampCoordinate(VirtualToPagerX(SaturateToInt32(vx), g.r));
}
int ToPagerY(const Geometry& g, std::int64_t vy) {
    return ClampCoordinate(VirtualToPagerY(SaturateToInt32(vy), g.r));
}

// The pens and brushes of one drawing, in the colours of the settings.
struct Tools {
    OwnedGdi buttonFace{plat::CreateSolidBrush(plat::GetSysColor(plat::COLOR_BTNFACE))};
    OwnedGdi background{plat::CreateSolidBrush(settings.background)};
    OwnedGdi window{plat::CreateSolidBrush(settings.window)};
    OwnedGdi caption{plat::CreateSolidBrush(settings.windowCaption)};
    OwnedGdi framePen{plat::CreatePen(plat::PS_SOLID, 0, settings.windowFrame)};
    OwnedGdi gridPen{plat::CreatePen(plat::PS_DOT, 0, settings.grid)};
    OwnedGdi outlinePen{plat::CreatePen(plat::PS_SOLID, 2, settings.grid)};
    // Outline of a window that will follow when its program answers; dotted, as dashes are
    // longer than a miniature's side.
    OwnedGdi pendingPen{plat::CreatePen(plat::PS_DOT, 0, settings.windowFrame)};
    // Hatching over a window this program may not move.
    OwnedGdi unmovable{plat::CreateHatchBrush(plat::HS_BDIAGONAL, settings.windowFrame)};
    OwnedGdi pin{plat::CreateSolidBrush(settings.windowText)};  // of a window on every desktop
};

// A pin at the right end of the title strip: a head and a needle below it, small enough for
// the miniatures of a 3 x 3 pager; left out only where it would cover the whole strip.
void DrawPin(plat::Hdc mem, const plat::Rect& strip, plat::Hgdi brush) {
    const int height = strip.bottom - strip.top;
    const int head = std::clamp(height / 3, 3, 5);
    if (strip.right - strip.left < head + 4 || height < head + 2) return;
    const int x = strip.right - head - 1, y = strip.top + 1;
    const plat::Rect h{x, y, x + head, y + head};
    plat::FillRect(mem, &h, brush);
    const plat::Rect needle{x + head / 2, y + head, x + head / 2 + 1, y + head + head / 2 + 2};
    plat::FillRect(mem, &needle, brush);
}

// A window whose move the move thread holds is drawn where it is heading, as a dotted outline
// with its title and nothing filled.
void DrawWindow(plat::Hdc mem, const Geometry& g, plat::Hwnd w, const Tools& t,
                plat::Hgdi font, bool checkPending) {
    const WindowTitle wt = ReadWindowTitle(w);
    const char* title = wt.text;
    if (settings.hideProgramManager && std::strcmp(title, "Program Manager") == 0) return;
    const int length = static_cast<int>(std::strlen(title));

    plat::Rect wr{0, 0, 0, 0};
    if (!plat::GetWindowRect(w, &wr)) return;  // closed while the drawing walks the list
    int targetX = 0, targetY = 0;
    const bool pending =
        checkPending && t.pendingPen.get() && PendingMoveTarget(w, &targetX, &targetY);
    if (pending) {
        const std::int64_t width = static_cast<std::int64_t>(wr.right) - wr.left;
        const std::int64_t height = static_cast<std::int64_t>(wr.bottom) - wr.top;
        wr = plat::Rect{targetX, targetY, OffsetCoordinate(targetX, width),
                        OffsetCoordinate(targetY, height)};
    }
    const std::int64_t ox = static_cast<std::int64_t>(g.cx) * g.width - g.originX;
    const std::int64_t oy = static_cast<std::int64_t>(g.cy) * g.height - g.originY;
    const int left = ToPagerX(g, ox + wr.left);
    const int right = ToPagerX(g, ox + wr.right);
    const int top = ToPagerY(g, oy + wr.top);
    const int bottom = ToPagerY(g, oy + wr.bottom);
    if (pending) {
        plat::SelectObject(mem, t.pendingPen.get());
        plat::SelectObject(mem, plat::GetStockObject(plat::NULL_BRUSH));
        plat::Rectangle(mem, left, top, right, bottom);
        plat::SelectObject(mem, t.window.get());
        plat::SelectObject(mem, t.framePen.get());
    } else {
        plat::Rectangle(mem, left, top, right, bottom);
        if (t.unmovable.get() && IsUnmovable(w)) {
            // The background mode is transparent: only the hatch lines cover the fill.
            const plat::Rect inner{left + 1, top + 1, right - 1, bottom - 1};
            plat::FillRect(mem, &inner, t.unmovable.get());
        }
    }

    // Measured with the context's own font: the strip height follows the system font.
    plat::Rect strip{left + 1, top + 1, right - 1, bottom - 1};
    plat::Size extent{0, 0};
    plat::GetTextExtentPoint(mem, title, length, &extent);
    if (strip.bottom - strip.top >= extent.cy + 2) strip.bottom = strip.top + extent.cy + 1;

    const int saved = plat::SaveDC(mem);
    if (!pending) plat::FillRect(mem, &strip, t.caption.get());
    {
        // The context keeps a copy of the clip region.
        const OwnedGdi clip(
            plat::CreateRectRgn(strip.left + 1, strip.top + 1, strip.right - 1, strip.bottom - 1));
        if (clip.get()) plat::SelectClipRgn(mem, clip.get());
    }
    const std::uint32_t oldColor = plat::SetTextColor(mem, settings.windowText);
    {
        const Selection titleFont(mem, font);
        plat::TextOut(mem, strip.left + 1, strip.top + 1, title, length);
    }
    plat::SetTextColor(mem, oldColor);
    plat::RestoreDC(mem, saved);
    if (t.pin.get() && IsSticky(w)) DrawPin(mem, strip, t.pin.get());
}

// The titles' font at the pager's DPI: the stored font is at 96 DPI. Null: use the stored one.
plat::Hgdi CreateScaledFont() {
    const int dpi = PagerDpi();
    if (dpi == 96 || dpi <= 0) return nullptr;
    plat::LogFont lf = settings.font;
    lf.lfHeight = ScaleToDpi(lf.lfHeight, dpi);
    lf.lfWidth = ScaleToDpi(lf.lfWidth, dpi);
    return plat::CreateFontIndirect(&lf);
}

void DrawWindows(plat::Hdc mem, const Geometry& g, const Tools& t) {
    const OwnedGdi scaled(CreateScaledFont());
    const plat::Hgdi font = scaled.get() ? scaled.get() : settings.pagerFont;
    const bool checkPending = AnyMovePending();
    // Bottom first, so that upper windows cover lower ones.
    for (auto e = pager.snapshot.rbegin(); e != pager.snapshot.rend(); ++e)
        if (e->shown && e->window != PagerWindow())
            DrawWindow(mem, g, e->window, t, font, checkPending);
}

void DrawGrid(plat::Hdc mem, const Geometry& g) {
    for (int i = 1; i < g.rows; ++i) {
        const int y = ToPagerY(g, i * g.height);
        plat::MoveToEx(mem, g.r.left, y, nullptr);
        plat::LineTo(mem, g.r.right, y);
    }
    for (int i = 1; i < g.columns; ++i) {
        const int x = ToPagerX(g, i * g.width);
        plat::MoveToEx(mem, x, g.r.top, nullptr);
        plat::LineTo(mem, x, g.r.bottom);
    }
}

// Each monitor's outline in every cell, so the user sees which monitor a window is on. One
// monitor's outline would be the cell itself.
void DrawMonitorOutlines(plat::Hdc mem, const Geometry& g) {
    const int n = std::min(desktop.monitorCount, MaxMonitors);
    if (n < 2 || std::int64_t{g.columns} * g.rows * n > MaxMonitorOutlines) return;
    const OwnedGdi pen(plat::CreatePen(plat::PS_SOLID, 0, settings.grid));
    if (!pen.get()) return;
    const Selection outline(mem, pen.get());
    const Selection hollow(mem, plat::GetStockObject(plat::NULL_BRUSH));
    for (int row = 0; row < g.rows; ++row)
        for (int column = 0; column < g.columns; ++column)
            for (int i = 0; i < n; ++i) {
                const plat::Rect& m = desktop.monitors[i].rect;
                const std::int64_t x = column * g.width - g.originX;
                const std::int64_t y = row * g.height - g.originY;
                plat::Rectangle(mem, ToPagerX(g, x + m.left), ToPagerY(g, y + m.top),
                                ToPagerX(g, x + m.right), ToPagerY(g, y + m.bottom));
            }
}

// Sides on the pager's outer edge are left out.
void DrawCurrentOutline(plat::Hdc mem, const Geometry& g) {
    const int x0 = ToPagerX(g, g.cx * g.width);
    const int x1 = ToPagerX(g, (g.cx + 1) * g.width);
    const int y0 = ToPagerY(g, g.cy * g.height);
    const int y1 = ToPagerY(g, (g.cy + 1) * g.height);
    auto line = [mem](int ax, int ay, int bx, int by) {
        plat::MoveToEx(mem, ax, ay, nullptr);
        plat::LineTo(mem, bx, by);
    };
    if (g.cx > 0) line(x0, y0, x0, y1);
    if (g.cx < g.columns - 1) line(x1, y0, x1, y1);
    if (g.cy > 0) line(x0, y0, x1, y0);
    if (g.cy < g.rows - 1) line(x0, y1, x1, y1);
}

// What the miniature shows of a window. A window hidden or cloaked where it stands changes
// nothing else that could be seen, and one style read answers for shown and minimized.
SnapshotEntry ReadEntry(plat::Hwnd w) {
    SnapshotEntry e{w, {0, 0, 0, 0}, false};
    plat::GetWindowRect(w, &e.rect);
    const auto style = static_cast<std::uint32_t>(plat::GetWindowLongPtr(w, plat::GWL_STYLE));
    e.shown = (style & plat::WS_VISIBLE) && !(style & plat::WS_MINIMIZE) && !IsCloaked(w);
    return e;
}

bool SnapshotMatches() {
    ReadTopLevelWindows(zorder);
    if (zorder.size() != pager.snapshot.size()) return false;
    for (std::size_t i = 0; i < zorder.size(); ++i) {
        const SnapshotEntry& was = pager.snapshot[i];
        if (was.window != zorder[i]) return false;
        const SnapshotEntry now = ReadEntry(zorder[i]);
        if (std::memcmp(&now.rect, &was.rect, sizeof now.rect) != 0 || now.shown != was.shown)
            return false;
    }
    return true;
}

// Rebuilt in place: a changed window costs no allocation unless the number of windows grew.
void RebuildSnapshot() {
    ReadTopLevelWindows(zorder);
    pager.snapshot.resize(zorder.size());
    for (std::size_t i = 0; i < zorder.size(); ++i) pager.snapshot[i] = ReadEntry(zorder[i]);
}

}  // namespace

void FreeWindowSnapshot() { std::vector<SnapshotEntry>().swap(pager.snapshot); }

bool TakeWindowSnapshot(bool compareFirst) {
    if (compareFirst && SnapshotMatches()) return false;
    RebuildSnapshot();
    return true;
}

void PaintPager(plat::Hdc target, bool onlyIfChanged) {
    if (!PagerExpanded()) CheckDisplaySize();
    if (!TakeWindowSnapshot(onlyIfChanged)) return;

    const Tools tools;
    plat::Rect r{0, 0, 0, 0};
    plat::GetClientRect(PagerWindow(), &r);
    const MemoryDc memory(target);
    const plat::Hdc mem = memory.dc;
    if (!mem) return;
    const OwnedGdi bitmap(plat::CreateCompatibleBitmap(target, r.right - r.left, r.bottom - r.top));
    const Selection drawnOn(mem, bitmap.get());
    plat::SetBkMode(mem, plat::TRANSPARENT);

    if (!PagerExpanded() && settings.collapsePager) {
        plat::FillRect(mem, &r, tools.buttonFace.get());
    } else {
        plat::FillRect(mem, &r, tools.background.get());
        const Selection brush(mem, tools.window.get());
        const Selection pen(mem, tools.framePen.get());
        const Geometry g = ReadGeometry(r);
        if (HasGrid(g)) {
            DrawWindows(mem, g, tools);
            DrawMonitorOutlines(mem, g);
            plat::SelectObject(mem, tools.gridPen.get());
            DrawGrid(mem, g);
            plat::SelectObject(mem, tools.outlinePen.get());
            DrawCurrentOutline(mem, g);
        }
        pager.miniatureRect = r;
    }

    plat::Rect c{0, 0, 0, 0};
    plat::GetClientRect(PagerWindow(), &c);
    plat::BitBlt(target, c.left, c.top, c.right - c.left, c.bottom - c.top, mem, c.left, c.top,
                 plat::SRCCOPY);
}
