// Taking windows along: notepad carried with Ctrl+Alt+Shift+arrows, a window sent to another
// desktop through the pager menu driven by the keyboard, and a window shown on every desktop
// through switches, Close and a new start.
#include "e2e/scene.h"

namespace e2e {

namespace {

const wchar_t PinProperty[] = L"ParmenaShownOnEveryDesktop";

// Ctrl+Alt+Shift+vk. Wine may drop a modifier after a focus change: when no window moved, the
// chord never reached Parmena and is sent once more.
std::string Carry(WORD vk, const std::vector<Expected>& expected, const std::vector<SIZE>& sizes) {
    const std::vector<RECT> before = [&] {
        std::vector<HWND> hs;
        for (const Expected& e : expected) hs.push_back(e.hwnd);
        return Rects(hs);
    }();
    std::string why;
    for (int attempt = 0; attempt < 2; ++attempt) {
        for (WORD k : {WORD(VK_CONTROL), WORD(VK_MENU), WORD(VK_SHIFT), vk}) KeyDown(k);
        for (WORD k : {vk, WORD(VK_SHIFT), WORD(VK_MENU), WORD(VK_CONTROL)}) KeyUp(k);
        why = WaitPositions(expected, sizes, 5000);
        if (why.empty()) return why;
        bool moved = false;
        for (size_t i = 0; i < expected.size(); ++i) {
            const RECT r = RectOf(expected[i].hwnd);
            moved = moved || r.left != before[i].left || r.top != before[i].top;
        }
        if (moved) return why;
        Info("Ctrl+Alt+Shift chord moved nothing (attempt %d): sent again", attempt + 1);
    }
    return why;
}

bool Foreground(HWND w) {
    SetForegroundWindow(w);
    return WaitFor(5000, [&] { return GetForegroundWindow() == w && Responsive(w, 1000); });
}

std::vector<HWND> VisibleMenus() {
    std::vector<HWND> out;
    for (HWND m = FindWindowExA(nullptr, nullptr, "#32768", nullptr); m;
         m = FindWindowExA(nullptr, m, "#32768", nullptr))
        if (IsWindowVisible(m)) out.push_back(m);
    return out;
}

// Wine leaves the X pointer where SendInput last found it, over the pager after a menu there,
// and reports it once the cursor is still: SetCursorPos moves the X pointer out as well.
std::string LeavePager(Parmena& p) {
    SetCursorPos(512, 700);
    return CollapsePager(p);
}

void Tap(WORD vk) {
    KeyDown(vk);
    KeyUp(vk);
}

// Right press and release over w's miniature in the expanded pager; waits for the menu.
std::string OpenWindowMenu(Parmena& p, HWND w) {
    const std::string why = ExpandPager(p);
    if (!why.empty()) return why;
    const POINT c = MiniatureCentre(p.pager, w);
    const POINT at = OnPager(p.pager, c.x, c.y);
    MoveMouseTo(at.x, at.y);
    MouseButton(true, true);
    MouseButton(true, false);
    if (!WaitFor(3000, [] { return !VisibleMenus().empty(); })) return "a right click on the window opened no menu";
    Sleep(300);  // the menu paints after it shows
    return "";
}

std::vector<Expected> WithStill(const std::vector<HWND>& ws, const std::vector<RECT>& base, int dx, int dy,
                                HWND still) {
    std::vector<Expected> out = Shifted(ws, base, dx, dy);
    for (size_t i = 0; i < ws.size(); ++i)
        if (ws[i] == still) out[i] = {still, int(base[i].left), int(base[i].top)};
    return out;
}

void CarryNotepad(Parmena& p) {
    Outcome o;
    const std::vector<HWND> ws = scene.Managed();
    const std::vector<RECT> base = Rects(ws);
    const int W = scene.screenW;
    o.Expect(SettleAnchor(p.pager));
    if (o.Check(Foreground(scene.notepad), "notepad did not become the foreground window")) {
        if (o.Expect(Carry(VK_RIGHT, WithStill(ws, base, -W, 0, scene.notepad), Sizes(base)),
                     "Ctrl+Alt+Shift+Right with notepad in front")) {
            Shot("carry-notepad-right");
            o.Check(GetForegroundWindow() == scene.notepad, "notepad lost the foreground");
            // Follow-active must not take the view back: nothing moves for a while.
            Sleep(600);
            o.Expect(WaitPositions(WithStill(ws, base, -W, 0, scene.notepad), Sizes(base), 0),
                     "half a second after the carry");
            o.Expect(Carry(VK_LEFT, Shifted(ws, base, 0, 0), Sizes(base)), "Ctrl+Alt+Shift+Left with notepad in front");
        }
    }
    Report("carry_notepad", o);
}

void PagerMenuMove(Parmena& p) {
    Outcome o;
    const HWND one = scene.one->hwnd;
    const std::vector<HWND> ws = scene.Managed();
    const std::vector<RECT> base = Rects(ws);
    const RECT home = RectOf(one);
    if (o.Expect(OpenWindowMenu(p, one), "opening the menu")) {
        Shot("pager-window-menu");
        Tap('M');  // "Move to desktop": its submenu opens with the first desktop selected
        o.Check(WaitFor(3000, [] { return VisibleMenus().size() >= 2; }), "M opened no submenu");
        Sleep(300);
        Shot("pager-window-menu-desktops");
        for (int i = 0; i < 3; ++i) Tap(VK_DOWN);  // column 1 holds three rows: column 2, row 1
        Tap(VK_RETURN);
        std::vector<Expected> want = Shifted(ws, base, 0, 0);
        for (Expected& e : want)
            if (e.hwnd == one) e.left += scene.screenW;
        // The others staying put shows the view did not change.
        o.Expect(WaitPositions(want, Sizes(base), 5000), "choosing Column 2, row 1 with the keyboard");
    }
    for (int i = 0; i < 2 && !VisibleMenus().empty(); ++i) Tap(VK_ESCAPE);
    o.Expect(LeavePager(p), "after the mouse left the pager");
    PutOnDesktop(one, home, 0, 0);
    Report("pager_menu_move", o);
}

void ShownOnEveryDesktop(Parmena& p) {
    Outcome o;
    const HWND two = scene.two->hwnd;
    const std::vector<HWND> ws = scene.Managed();
    const std::vector<RECT> base = Rects(ws);
    const int W = scene.screenW, H = scene.screenH;
    if (o.Expect(OpenWindowMenu(p, two), "opening the menu")) {
        Tap('E');  // "Show on every desktop"
        o.Check(WaitFor(3000, [] { return VisibleMenus().empty(); }), "the menu did not close");
        // The pager may have collapsed while the menu held the pointer.
        if (o.Expect(ExpandPager(p), "expanding the pager again")) ShotAfterPaint(p.pager, "pager-pin");
        o.Check(GetPropW(two, PinProperty) != nullptr, "the window carries no mark");
    }
    o.Expect(LeavePager(p), "after the mouse left the pager");
    o.Expect(SettleAnchor(p.pager));
    if (o.Ok() && o.Expect(SwitchByHotkey(VK_RIGHT, WithStill(ws, base, -W, 0, two), Sizes(base), 5000),
                           "Ctrl+Alt+Right"))
        o.Expect(SwitchByHotkey(VK_DOWN, WithStill(ws, base, -W, -H, two), Sizes(base), 5000), "Ctrl+Alt+Down");
    PostMessageA(p.pager, WM_COMMAND, 103, 0);
    DWORD code = 1;
    o.Check(WaitExit(p, 20000, &code) && code == 0, "Parmena did not close cleanly");
    o.Expect(WaitPositions(Shifted(ws, base, 0, 0), Sizes(base), 5000), "after Close");
    // A new start reads the mark back from the window.
    const std::string why = StartParmena(p);
    if (o.Expect(why, "Parmena did not start again") && o.Expect(SettleAnchor(p.pager))) {
        if (o.Expect(SwitchByHotkey(VK_RIGHT, WithStill(ws, base, -W, 0, two), Sizes(base), 5000),
                     "Ctrl+Alt+Right after the new start"))
            o.Expect(SwitchByHotkey(VK_LEFT, Shifted(ws, base, 0, 0), Sizes(base), 5000), "Ctrl+Alt+Left back");
    }
    Report("shown_on_every_desktop", o);
}

}  // namespace

std::vector<const char*> TakeAlongScenarioNames() {
    return {"carry_notepad", "pager_menu_move", "shown_on_every_desktop"};
}

void RunTakeAlongScenarios() {
    // The pager stays expanded only while the pointer is over it: the defaults.
    Parmena p;
    const std::string why = StartParmena(p);
    if (!why.empty()) {
        for (const char* s : TakeAlongScenarioNames()) ReportFail(s, "Parmena did not start: %s", why.c_str());
    } else {
        CarryNotepad(p);
        PagerMenuMove(p);
        ShownOnEveryDesktop(p);
    }
    if (Running(p)) {
        PostMessageA(p.pager, WM_COMMAND, 103, 0);
        DWORD code = 0;
        WaitExit(p, 20000, &code);
    }
    EndParmena(p);
    // The mark lives as long as the window: later scenarios need it gone.
    RemovePropW(scene.two->hwnd, PinProperty);
}

int RunTakeAlongOnly() {
    std::string plan = "PLAN";
    for (const char* s : TakeAlongScenarioNames()) plan += std::string(" ") + s;
    std::printf("%s\n", plan.c_str());
    std::fflush(stdout);
    guardChords = true;
    const std::string why = SetUpScene(false);
    if (why.empty() && ParmenaPresent())
        RunTakeAlongScenarios();
    else
        for (const char* s : TakeAlongScenarioNames()) ReportFail(s, "set-up failed: %s", why.c_str());
    TearDownScene();
    return FailCount() ? 1 : 0;
}

}  // namespace e2e
