// Mouse gestures in the pager: switching, dragging windows, moving the pager, the menu.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "config/settings.h"
#include "core/compress.h"
#include "core/desktop.h"
#include "core/movebatch.h"
#include "core/pending.h"
#include "core/sticky.h"
#include "core/switching.h"
#include "core/unmovable.h"
#include "core/windows.h"
#include "core/zorder.h"
#include "pager/pager.h"
#include "platform/text.h"
#include "platform/window.h"

namespace {

constexpr int ClickMargin = 3;

bool UsesRightButton(std::int32_t code) { return (code & GestureRightButton) != 0; }

// A disabled gesture (no code 0 to 7) pairs with no release either.
bool ReleasedBy(std::int32_t setting, bool rightButton) {
    return IsGestureCode(setting) && UsesRightButton(setting) == rightButton;
}

// Mapping pager points back needs a drawn miniature and a screen to map onto; before the
// first full drawing there is neither, and the press does nothing.
bool CanMapPagerPoints() {
    const plat::Rect& m = pager.miniatureRect;
    return m.right > m.left && m.bottom > m.top && desktop.screenWidth > 0 &&
           desktop.screenHeight > 0;
}

int ScreenXUnder(int x) {
    return SaturateToInt32(VirtualToScreenX(PagerToVirtualX(x, pager.miniatureRect)));
}
int ScreenYUnder(int y) {
    return SaturateToInt32(VirtualToScreenY(PagerToVirtualY(y, pager.miniatureRect)));
}

void EndReleasedDrags(bool rightButton) {
    if (ReleasedBy(settings.navMouseDrag, rightButton) ||
        ReleasedBy(settings.navMouseDragDD, rightButton))
        EndWindowDrag();
    if (ReleasedBy(settings.navMouseMove, rightButton)) EndPagerDrag();
}

// The window drawn under pager point (x, y): the uppermost shown one there. Null over empty
// space, and over a window this program may not move (drawn on top, and it would not follow).
plat::Hwnd WindowUnder(int x, int y, plat::Rect* rect) {
    if (!CanMapPagerPoints()) return nullptr;
    const int sx = ScreenXUnder(x);
    const int sy = ScreenYUnder(y);
    plat::Hwnd found = nullptr;
    ForEachWindowBelow(PagerWindow(), [&](plat::Hwnd w) {
        if (!plat::IsWindowVisible(w) || plat::IsIconic(w)) return true;
        plat::Rect r{0, 0, 0, 0};
        if (!plat::GetWindowRect(w, &r)) return true;
        if (sx < r.left || r.right < sx || sy < r.top || r.bottom < sy) return true;
        if (IsCloaked(w)) return true;  // not drawn
        if (!IsUnmovable(w)) {
            found = w;
            *rect = r;
        }
        return false;
    });
    return found;
}

// The window section's commands, above the menu resource's.
constexpr int CmdWindowTitle = 0x7000, CmdShowOnEveryDesktop = 0x7001, CmdFirstDesktop = 0x7100;
// The submenu lists at most this many columns and rows of the grid, around the window's
// desktop: a grid of up to 256 by 256 would make a menu no one can read or the system show.
constexpr int MenuGridSpan = 8;

// First index of a span of at most MenuGridSpan around `at` inside [0, count).
int SpanStart(int at, int count) {
    const int span = std::min(count, MenuGridSpan);
    return std::clamp(at - span / 2, 0, count - span);
}

// The title as a menu item shows it: "&" doubled (it would underline the next letter), tabs
// as spaces (a tab right-aligns what follows), and cut to a menu's width.
std::string MenuTitle(const char* title) {
    constexpr std::size_t MaxBytes = 60;
    const std::size_t length = std::strlen(title);
    const std::size_t cut = Utf8CutLength(title, length, MaxBytes);
    std::string out;
    for (std::size_t i = 0; i < cut; ++i) {
        if (title[i] == '&') out += '&';
        out += title[i] == '\t' ? ' ' : title[i];
    }
    if (cut < length) out += "...";
    if (out.empty()) out = "(untitled window)";
    return out;
}

// Inserts the window section at the top of popup; the desktops listed start at (*c0, *r0).
bool InsertWindowSection(plat::Hmenu popup, plat::Hwnd w, const plat::Rect& r, int* c0, int* r0) {
    plat::Hmenu desktops = plat::CreatePopupMenu();
    if (!desktops) return false;
    const plat::Point centre{static_cast<int>((std::int64_t{r.left} + r.right) / 2),
                             static_cast<int>((std::int64_t{r.top} + r.bottom) / 2)};
    const DesktopCell at = DesktopCellOfPoint(centre.x, centre.y);
    const int columns = std::max(desktop.columns, 1), rows = std::max(desktop.rows, 1);
    *c0 = SpanStart(CellColumn(at), columns);
    *r0 = SpanStart(CellRow(at), rows);
    const int c1 = *c0 + std::min(columns, MenuGridSpan), r1 = *r0 + std::min(rows, MenuGridSpan);
    // Laid out as the grid: one menu column for each of its columns.
    std::uint32_t position = 0;
    for (int c = *c0; c < c1; ++c)
        for (int row = *r0; row < r1; ++row) {
            char name[48];
            std::snprintf(name, sizeof name, "Column %d, row %d", c + 1, row + 1);
            std::uint32_t flags = plat::MF_BYPOSITION | plat::MF_STRING;
            if (c == CellColumn(at) && row == CellRow(at)) flags |= plat::MF_CHECKED;
            if (row == *r0 && c != *c0) flags |= plat::MF_MENUBREAK;
            const int id = CmdFirstDesktop + (c - *c0) * MenuGridSpan + (row - *r0);
            plat::InsertMenu(desktops, position++, flags, static_cast<std::uintptr_t>(id), name);
        }
    const std::string title = MenuTitle(ReadWindowTitle(w).text);
    const auto byPosition = plat::MF_BYPOSITION;
    if (!plat::InsertMenu(popup, 0, byPosition | plat::MF_STRING | plat::MF_GRAYED,
                          CmdWindowTitle, title.c_str()) ||
        !plat::InsertMenu(popup, 1, byPosition | plat::MF_POPUP,
                          reinterpret_cast<std::uintptr_t>(desktops), "&Move to desktop")) {
        plat::DestroyMenu(desktops);
        return false;
    }
    // A window still waiting for its move cannot be marked until the move has landed.
    const std::uint32_t mark = IsSticky(w) ? plat::MF_CHECKED
                               : IsMovePending(w) ? plat::MF_GRAYED
                                                  : 0u;
    plat::InsertMenu(popup, 2, byPosition | plat::MF_STRING | mark, CmdShowOnEveryDesktop,
                     "Show on &every desktop");
    plat::InsertMenu(popup, 3, byPosition | plat::MF_SEPARATOR, 0, nullptr);
    return true;
}

// A choice from the window section is carried out here; any other goes to the pager window
// as the menu itself would have sent it.
void CarryOutMenuChoice(int id, plat::Hwnd w, int c0, int r0) {
    if (id == CmdShowOnEveryDesktop) {
        SetSticky(w, !IsSticky(w));
    } else if (id >= CmdFirstDesktop && id < CmdFirstDesktop + MenuGridSpan * MenuGridSpan) {
        const int i = id - CmdFirstDesktop;
        MoveWindowToDesktop(w, c0 + i / MenuGridSpan, r0 + i % MenuGridSpan);
    } else if (id > 0 && id != CmdWindowTitle) {
        plat::PostMessage(PagerWindow(), plat::WM_COMMAND, static_cast<plat::WParam>(id), 0);
        return;
    } else {
        return;
    }
    plat::InvalidateRect(PagerWindow(), nullptr, 0);
}

}  // namespace

std::int32_t PressGesture(std::uint32_t msg, plat::WParam keys) {
    std::int32_t code = 0;
    if (msg == plat::WM_LBUTTONDBLCLK || msg == plat::WM_RBUTTONDBLCLK) code |= GestureDoubleClick;
    if (msg == plat::WM_RBUTTONDOWN || msg == plat::WM_RBUTTONDBLCLK) code |= GestureRightButton;
    if (keys & plat::MK_SHIFT) code |= GestureShift;
    return code;
}

void DispatchPagerButton(std::int32_t code, int x, int y) {
    if (settings.navMouseSwitch == code) SwitchToDesktopAt(x, y);
    if (settings.navMouseDrag == code) BeginWindowDrag(x, y);
    if (settings.navMouseDragDD == code) BeginSnappingWindowDrag(x, y);
    if (settings.navMouseMenu == code) ShowPagerMenu(x, y);
    if (settings.navMouseMove == code) BeginPagerDrag(x, y);
}

void SwitchToDesktopAt(int x, int y) {
    plat::Rect c{0, 0, 0, 0};
    plat::GetClientRect(PagerWindow(), &c);
    const int left = c.left + ClickMargin, top = c.top + ClickMargin;
    const std::int64_t width = static_cast<std::int64_t>(c.right) - ClickMargin - left;
    const std::int64_t height = static_cast<std::int64_t>(c.bottom) - ClickMargin - top;
    // A pager too small to leave a positive area inside the margin maps no click.
    if (width <= 0 || height <= 0) return;
    const int columns = std::max(desktop.columns, 1);
    const int rows = std::max(desktop.rows, 1);

    std::int64_t column = (static_cast<std::int64_t>(x) - left) * columns / width;
    std::int64_t row = (static_cast<std::int64_t>(y) - top) * rows / height;
    if (column == desktop.currentColumn && row == desktop.currentRow) return;
    column = std::clamp<std::int64_t>(column, 0, columns - 1);
    row = std::clamp<std::int64_t>(row, 0, rows - 1);

    // A step beyond any int saturates, and so is refused like any other too long one.
    MoveViewBy(SaturateToInt32(column - desktop.currentColumn),
               SaturateToInt32(row - desktop.currentRow));
    plat::InvalidateRect(PagerWindow(), nullptr, 0);
}

void BeginWindowDrag(int x, int y) {
    plat::Rect r{0, 0, 0, 0};
    const plat::Hwnd w = WindowUnder(x, y, &r);
    if (!w) return;
    WindowDrag& d = pager.windowDrag;
    d.startLeft = r.left;
    d.startTop = r.top;
    d.startCell = DesktopCellOfWindow(w);
    d.pressX = x;
    d.pressY = y;
    d.viewColumn = desktop.currentColumn;
    d.viewRow = desktop.currentRow;
    d.window = w;
    d.snap = false;
}

void BeginSnappingWindowDrag(int x, int y) {
    BeginWindowDrag(x, y);
    pager.windowDrag.snap = true;
}

void EndWindowDrag() {
    // Dragged onto another desktop, a window shown on every desktop is wanted there instead.
    const plat::Hwnd w = pager.windowDrag.window;
    if (w && IsSticky(w) && !IsOnCurrentScreen(w)) SetSticky(w, false);
    pager.windowDrag.window = nullptr;
}

void TrackPagerMouse(int x, int y) {
    WindowDrag& d = pager.windowDrag;
    // A switch since the press moved the window and the view, so the drag's start no longer
    // holds: following it would carry the window a desktop away from where the user sees it,
    // and follow-active after it. A double-click whose first release never reached the pager
    // did exactly that.
    if (d.window && (d.viewColumn != desktop.currentColumn || d.viewRow != desktop.currentRow))
        EndWindowDrag();
    if (!PagerExpanded()) {
        ExpandPager(true);
    } else if (d.window && CanMapPagerPoints() && !WindowMovesStopped()) {
        const plat::Rect& m = pager.miniatureRect;
        int left = OffsetCoordinate(d.startLeft, static_cast<std::int64_t>(PagerToVirtualX(x, m)) -
                                                     PagerToVirtualX(d.pressX, m));
        int top = OffsetCoordinate(d.startTop, static_cast<std::int64_t>(PagerToVirtualY(y, m)) -
                                                   PagerToVirtualY(d.pressY, m));
        if (d.snap || plat::IsZoomed(d.window)) {
            // Whole desktops only, so a maximized window stays aligned with one.
            const DesktopCell cell = DesktopCellOfPoint(ScreenXUnder(x), ScreenYUnder(y));
            left = OffsetCoordinate(
                d.startLeft, static_cast<std::int64_t>(CellColumn(cell) - CellColumn(d.startCell)) *
                                 desktop.screenWidth);
            top = OffsetCoordinate(
                d.startTop, static_cast<std::int64_t>(CellRow(cell) - CellRow(d.startCell)) *
                                desktop.screenHeight);
        }
        // A window the system will not let us move is marked: no later drag starts on it.
        // Asynchronous: the dragged window's program may hang, and the main thread must not
        // wait for it.
        if (!MoveWindowAsync(d.window, left, top))
            NoteFailedMove(d.window);
        plat::InvalidateRect(PagerWindow(), nullptr, 0);
    }
    if (pager.pagerDrag.active) {
        // Activating another window mid-drag takes the capture and with it the release.
        if (plat::GetCapture() == PagerWindow())
            MovePagerWithMouse(x, y);
        else
            EndPagerDrag();
    }
}

void BeginPagerDrag(int x, int y) {
    // A pager that collapses into its corner cannot be moved.
    if (settings.collapsePager) return;
    PagerDrag& d = pager.pagerDrag;
    plat::Point p{x, y};
    plat::ClientToScreen(PagerWindow(), &p);
    d.pressX = p.x;
    d.pressY = p.y;
    plat::Rect r{0, 0, 0, 0};
    plat::GetWindowRect(PagerWindow(), &r);
    d.startLeft = r.left;
    d.startTop = r.top;
    d.previousCapture = plat::SetCapture(PagerWindow());
    d.active = true;
}

void MovePagerWithMouse(int x, int y) {
    const PagerDrag& d = pager.pagerDrag;
    plat::Point p{x, y};
    plat::ClientToScreen(PagerWindow(), &p);
    plat::SetWindowPos(PagerWindow(), nullptr,
                       OffsetCoordinate(d.startLeft, static_cast<std::int64_t>(p.x) - d.pressX),
                       OffsetCoordinate(d.startTop, static_cast<std::int64_t>(p.y) - d.pressY),
                       0, 0, plat::QuietMoveFlags);
}

void EndPagerDrag() {
    PagerDrag& d = pager.pagerDrag;
    if (d.previousCapture)
        plat::SetCapture(d.previousCapture);
    else
        plat::ReleaseCapture();
    // Forgotten, so that a later release without a drag hands the capture to no stale window.
    d.previousCapture = nullptr;
    plat::Rect r{0, 0, 0, 0};
    if (plat::GetWindowRect(PagerWindow(), &r)) {
        WriteDword(settingsKeys.preferences, PagerXPosName, r.left);
        WriteDword(settingsKeys.preferences, PagerYPosName, r.top);
    }
    d.active = false;
}

void PagerLeftButtonUp() { EndReleasedDrags(false); }

void PagerRightButtonUp() { EndReleasedDrags(true); }

void ShowPagerMenu(int x, int y) {
    // A window under the point of an expanded pager gets its own section at the top.
    plat::Rect r{0, 0, 0, 0};
    const plat::Hwnd target = PagerExpanded() && plat::IsWindowVisible(PagerWindow())
                                  ? WindowUnder(x, y, &r)
                                  : nullptr;
    // The menu lies in the module the pager window was created by.
    const auto module = reinterpret_cast<plat::Hinstance>(
        plat::GetWindowLongPtr(PagerWindow(), plat::GWLP_HINSTANCE));
    plat::Hmenu menu = plat::LoadMenu(module, plat::MakeIntResource(MenuResource));
    if (!menu) return;
    plat::Hmenu popup = plat::GetSubMenu(menu, 0);
    if (popup) {
        if (settingsDialogOpen.load(std::memory_order_relaxed) ||
            aboutDialogOpen.load(std::memory_order_relaxed)) {
            plat::EnableMenuItem(popup, CmdAbout, plat::MF_BYCOMMAND | plat::MF_GRAYED);
            plat::EnableMenuItem(popup, CmdSettings, plat::MF_BYCOMMAND | plat::MF_GRAYED);
        }
        // From the tray the pager is hidden and the point is already on the screen.
        plat::Point p{x, y};
        if (plat::IsWindowVisible(PagerWindow())) plat::ClientToScreen(PagerWindow(), &p);
        const std::uint32_t button =
            UsesRightButton(settings.navMouseMenu) ? plat::TPM_RIGHTBUTTON : plat::TPM_LEFTBUTTON;
        int c0 = 0, r0 = 0;
        if (target && InsertWindowSection(popup, target, r, &c0, &r0)) {
            const int id = plat::TrackPopupMenu(
                popup, button | plat::TPM_RETURNCMD | plat::TPM_NONOTIFY, p.x, p.y, 0,
                PagerWindow(), nullptr);
            CarryOutMenuChoice(id, target, c0, r0);
        } else {
            plat::TrackPopupMenu(popup, button, p.x, p.y, 0, PagerWindow(), nullptr);
        }
    }
    plat::DestroyMenu(menu);
}
