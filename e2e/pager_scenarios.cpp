// Scenarios that work Parmena through the pager with the mouse, the screen borders and
// activation of a window on another desktop.
#include "e2e/scene.h"

namespace e2e {

POINT OnPager(HWND pager, int x, int y) {
    POINT pt{x, y};
    ClientToScreen(pager, &pt);
    return pt;
}

POINT MiniatureCentre(HWND pager, HWND w) {
    const SIZE c = ClientSize(pager);
    const RECT r = RectOf(w);
    return POINT{(r.left + r.right) / 2 * c.cx / (3 * scene.screenW),
                 (r.top + r.bottom) / 2 * c.cy / (3 * scene.screenH)};
}

namespace {

const POINT Neutral = {512, 700};  // a spot no test window covers on desktop (0,0)

RECT CollapsedRect() {
    const int W = scene.screenW;
    return RECT{W - 8, -1, W + 1, 8};
}

RECT FullRect() {
    DWORD xs = 192, ys = 144;
    ReadDword("Preferences", "XSize", &xs);
    ReadDword("Preferences", "YSize", &ys);
    const int left = scene.screenW - int(xs) + GetSystemMetrics(SM_CXFRAME);
    const int top = -GetSystemMetrics(SM_CYFRAME);
    return RECT{left, top, left + int(xs), top + int(ys)};
}

std::string WaitPagerRect(HWND pager, const RECT& want, DWORD timeoutMs) {
    if (WaitFor(timeoutMs, [&] {
            const RECT r = RectOf(pager);
            return EqualRect(&r, &want) != 0;
        }))
        return "";
    return Format("the pager is at %s, expected %s", RectText(RectOf(pager)).c_str(), RectText(want).c_str());
}

int ToVirtualX(int px, int cx) { return 3 * scene.screenW * px / cx; }
int ToVirtualY(int py, int cy) { return 3 * scene.screenH * py / cy; }

void PagerCollapsed(Parmena& p) {
    Outcome o;
    o.Expect(WaitPagerRect(p.pager, CollapsedRect(), 3000), "at start-up");
    o.Check(IsWindowVisible(p.pager) != 0, "the pager is not visible");
    Report("pager_collapsed", o);
}

void PagerExpand(Parmena& p) {
    Outcome o;
    if (o.Expect(ExpandPager(p), "with the mouse in the top-right corner")) ShotAfterPaint(p.pager, "pager-expanded");
    o.Expect(CollapsePager(p), "after the mouse left the pager");
    Report("pager_expand", o);
}

void PagerDoubleClick(Parmena& p) {
    Outcome o;
    const std::vector<HWND> ws = scene.Managed();
    const std::vector<RECT> base = Rects(ws);
    const int W = scene.screenW, H = scene.screenH;
    if (o.Expect(ExpandPager(p), "expanding the pager")) {
        // Centre of cell (1,1) under the click mapping, which leaves a 3-pixel margin.
        const SIZE c = ClientSize(p.pager);
        const POINT at = OnPager(p.pager, 3 + (c.cx - 6) / 2, 3 + (c.cy - 6) / 2);
        MoveMouseTo(at.x, at.y);
        Click();
        Click();
        if (o.Expect(WaitPositions(Shifted(ws, base, -W, -H), Sizes(base), 5000), "after a double-click on desktop (1,1)"))
            ShotAfterPaint(p.pager, "pager-after-double-click");
    }
    o.Expect(CollapsePager(p), "after the mouse left the pager");
    o.Expect(SettleAnchor(p.pager));
    if (o.Expect(SwitchByHotkey(VK_LEFT, Shifted(ws, base, 0, -H), Sizes(base), 5000),
                 "switching back with Ctrl+Alt+Left"))
        o.Expect(SwitchByHotkey(VK_UP, Shifted(ws, base, 0, 0), Sizes(base), 5000), "switching back with Ctrl+Alt+Up");
    Report("pager_double_click", o);
}

// Wine leaves the X pointer where SendInput found the cursor and reports it once the cursor has
// been still for 100 ms: a drag held still while its effect is awaited jumps back there, and a
// pager thread that reads its move after that sees the pointer far outside. SetCursorPos moves
// the X pointer to the drag's end.
void HoldPointerAt(POINT at) { SetCursorPos(at.x, at.y); }

// Default gesture: a left press starts a drag by whole desktops.
void PagerDrag(Parmena& p) {
    Outcome o;
    const HWND one = scene.one->hwnd;
    const RECT start = RectOf(one);
    const std::vector<SIZE> size = Sizes({start});
    if (o.Expect(ExpandPager(p), "expanding the pager")) {
        const SIZE c = ClientSize(p.pager);
        const POINT from = MiniatureCentre(p.pager, one);
        POINT at = OnPager(p.pager, from.x, from.y);
        MoveMouseTo(at.x, at.y);
        MouseButton(false, true);
        for (int step = 1; step <= 4; ++step) {
            at = OnPager(p.pager, from.x + c.cx / 3 * step / 4, from.y);
            MoveMouseTo(at.x, at.y);
        }
        HoldPointerAt(at);
        o.Expect(WaitPositions({{one, int(start.left) + scene.screenW, int(start.top)}}, size, 5000),
                 "dragging the miniature one cell to the right");
        MouseButton(false, false);
        // Released: going back over the start point and leaving must not move the window again.
        at = OnPager(p.pager, from.x, from.y);
        MoveMouseTo(at.x, at.y);
    }
    o.Expect(CollapsePager(p), "after the mouse left the pager");
    o.Expect(WaitPositions({{one, int(start.left) + scene.screenW, int(start.top)}}, size, 0),
             "after the release and leaving the pager");
    PutOnDesktop(one, start, 0, 0);
    Report("pager_drag", o);
}

bool ShiftHeld() { return (GetAsyncKeyState(VK_SHIFT) & 0x8000) != 0; }

// When a window of Parmena takes the focus, Wine brings its modifier state in line with the X
// server's, where no Shift is held: the Shift the driver pressed can be dropped without any key
// event, and the press then reaches the pager as a plain one. Shift goes down once the pager's
// thread has answered after the expansion, and again if it was dropped meanwhile.
bool HoldShift(HWND pager) {
    for (int attempt = 1;; ++attempt) {
        KeyDown(VK_SHIFT);
        if (Responsive(pager, 2000) && ShiftHeld()) return true;
        if (attempt == 3) return false;
        Info("Wine dropped the Shift the driver holds (attempt %d): pressed again", attempt);
    }
}

// Shift + left press drags freely, by the virtual distance the pointer covers in the miniature.
void PagerFreeDrag(Parmena& p) {
    Outcome o;
    const HWND two = scene.two->hwnd;
    const RECT start = RectOf(two);
    const std::vector<SIZE> size = Sizes({start});
    Expected want{two, int(start.left), int(start.top)};
    bool expanded = o.Expect(ExpandPager(p), "expanding the pager");
    if (expanded) {
        const SIZE c = ClientSize(p.pager);
        const POINT from = MiniatureCentre(p.pager, two);
        const POINT to = {from.x + 12, from.y + 6};
        want.left += ToVirtualX(to.x, c.cx) - ToVirtualX(from.x, c.cx);
        want.top += ToVirtualY(to.y, c.cy) - ToVirtualY(from.y, c.cy);
        for (int attempt = 1; expanded; ++attempt) {
            POINT at = OnPager(p.pager, from.x, from.y);
            MoveMouseTo(at.x, at.y);
            o.Check(HoldShift(p.pager), "Wine dropped the Shift the driver holds three times");
            MouseButton(false, true);
            for (int step = 1; step <= 3; ++step) {
                at = OnPager(p.pager, from.x + (to.x - from.x) * step / 3, from.y + (to.y - from.y) * step / 3);
                MoveMouseTo(at.x, at.y);
            }
            HoldPointerAt(at);
            const std::string why = WaitPositions({want}, size, 5000);
            const bool dropped = !ShiftHeld();
            MouseButton(false, false);
            KeyUp(VK_SHIFT);
            // A drag that acted is never repeated: only a press that lost its Shift is.
            const RECT now = RectOf(two);
            if (why.empty() || !dropped || !EqualRect(&now, &start) || attempt == 2) {
                o.Expect(why, "dragging the miniature with Shift held");
                break;
            }
            Info("Wine dropped the Shift inside the drag and no window moved: dragged again");
            expanded = o.Expect(ExpandPager(p), "expanding the pager again");
        }
    }
    o.Expect(CollapsePager(p), "after the mouse left the pager");
    o.Expect(WaitPositions({want}, size, 0), "after the release and leaving the pager");
    SetWindowPos(two, nullptr, start.left, start.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    WaitPositions({{two, int(start.left), int(start.top)}}, size, 5000);
    Report("pager_free_drag", o);
}

// Both buttons held, pushed against the right border: one desktop right, cursor to x = 8.
void EdgeSwitch(Parmena& p) {
    Outcome o;
    const std::vector<HWND> ws = scene.Managed();
    const std::vector<RECT> base = Rects(ws);
    o.Expect(SettleAnchor(p.pager));
    // Press on the anchor's client area: it stays put and keeps the foreground.
    const SIZE ac = ClientSize(anchor);
    POINT press{ac.cx / 2, ac.cy / 2};
    ClientToScreen(anchor, &press);
    MoveMouseTo(press.x, press.y);
    MouseButton(false, true);
    MouseButton(true, true);
    MoveMouseTo(scene.screenW - 1, press.y);
    o.Expect(WaitPositions(Shifted(ws, base, -scene.screenW, 0), Sizes(base), 5000),
             "with both buttons held at the right border");
    POINT cur{-1, -1};
    const bool cursorMoved = WaitFor(3000, [&] { return GetCursorPos(&cur) && cur.x == 8 && cur.y == press.y; });
    o.Check(cursorMoved, "after the edge switch the cursor is at (%ld,%ld), expected (8,%ld)", cur.x, cur.y, press.y);
    MouseButton(true, false);
    MouseButton(false, false);
    Shot("after-edge-switch");
    MoveMouseTo(Neutral.x, Neutral.y);
    o.Expect(SettleAnchor(p.pager));
    o.Expect(SwitchByHotkey(VK_LEFT, Shifted(ws, base, 0, 0), Sizes(base), 5000), "switching back with Ctrl+Alt+Left");
    Report("edge_switch", o);
}

void FollowActive(Parmena& p) {
    Outcome o;
    const std::vector<HWND> ws = scene.Managed();
    const RECT twoHome = RectOf(scene.two->hwnd);
    o.Check(PutOnDesktop(scene.two->hwnd, twoHome, 1, 0), "could not place a window on desktop (1,0)");
    const std::vector<RECT> base = Rects(ws);
    o.Expect(SettleAnchor(p.pager));
    SetForegroundWindow(scene.two->hwnd);
    o.Expect(WaitPositions(Shifted(ws, base, -scene.screenW, 0), Sizes(base), 5000),
             "after activating a window on desktop (1,0)");
    o.Expect(SettleAnchor(p.pager));
    o.Expect(SwitchByHotkey(VK_LEFT, Shifted(ws, base, 0, 0), Sizes(base), 5000), "switching back with Ctrl+Alt+Left");
    PutOnDesktop(scene.two->hwnd, twoHome, 0, 0);
    Report("follow_active", o);
}

}  // namespace

SIZE ClientSize(HWND w) {
    RECT c{0, 0, 0, 0};
    GetClientRect(w, &c);
    return SIZE{c.right, c.bottom};
}

void Click() {
    MouseButton(false, true);
    MouseButton(false, false);
}

std::string ExpandPager(Parmena& p) {
    MoveMouseTo(scene.screenW - 4, 3);
    return WaitPagerRect(p.pager, FullRect(), 3000);
}

std::string CollapsePager(Parmena& p) {
    MoveMouseTo(Neutral.x, Neutral.y);
    return WaitPagerRect(p.pager, CollapsedRect(), 3000);
}

std::vector<const char*> PagerScenarioNames() {
    return {"pager_collapsed", "pager_expand", "pager_double_click", "pager_drag",
            "pager_free_drag", "edge_switch",  "follow_active"};
}

void RunPagerScenarios(Parmena& p) {
    MoveMouseTo(Neutral.x, Neutral.y);
    PagerCollapsed(p);
    PagerExpand(p);
    PagerDoubleClick(p);
    PagerDrag(p);
    PagerFreeDrag(p);
    EdgeSwitch(p);
    FollowActive(p);
}

}  // namespace e2e
