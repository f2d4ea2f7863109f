// Scenarios of a fresh Parmena: the pager's first double-click, hung windows that must neither
// be activated after a switch nor pull the view back when they finally move, and fast presses
// that must not crawl through every desktop.
#include <algorithm>

#include "e2e/scene.h"

namespace e2e {

namespace {

constexpr int HungCount = 4;
constexpr DWORD StallMs = 4000;

// Any of the windows back at its place before the switch.
bool AnyBackHome(const std::vector<HWND>& ws, const std::vector<RECT>& base) {
    for (size_t i = 0; i < ws.size(); ++i) {
        const RECT r = RectOf(ws[i]);
        if (r.left == base[i].left && r.top == base[i].top) return true;
    }
    return false;
}

// As a new user does it: into the corner, to the middle of cell (1,0), double-click. A window
// of desktop (1,0) lies under the pointer there.
void FreshDoubleClick(Parmena& p, HWND underPointer) {
    Outcome o;
    std::vector<HWND> ws = scene.Managed();
    ws.push_back(underPointer);
    const std::vector<RECT> base = Rects(ws);
    const int W = scene.screenW;
    if (o.Expect(ExpandPager(p), "expanding the pager")) {
        const SIZE c = ClientSize(p.pager);
        POINT at{3 + (c.cx - 6) / 2, 3 + (c.cy - 6) / 6};
        ClientToScreen(p.pager, &at);
        MoveMouseTo(at.x, at.y);
        Click();
        Click();
        if (o.Expect(WaitPositions(Shifted(ws, base, -W, 0), Sizes(base), 5000),
                     "after a double-click on desktop (1,0)")) {
            Sleep(1500);
            o.Expect(WaitPositions(Shifted(ws, base, -W, 0), Sizes(base), 0),
                     "1.5 s after the double-click (exactly one desktop to the right)");
        }
    }
    o.Expect(CollapsePager(p), "after the mouse left the pager");
    o.Expect(SettleAnchor(p.pager));
    o.Expect(SwitchByHotkey(VK_LEFT, Shifted(ws, base, 0, 0), Sizes(base), 5000), "switching back with Ctrl+Alt+Left");
    Report("pager_fresh_double_click", o);
}

void HungNoYank(Parmena& p, WindowThread& hung) {
    Outcome o;
    const int W = scene.screenW;
    const std::vector<HWND> ws = scene.Managed();
    const std::vector<RECT> base = Rects(ws);
    std::vector<HWND> hs;
    for (TestWindow* t : hung.windows) hs.push_back(t->hwnd);
    const std::vector<RECT> hungBase = Rects(hs);

    // Without the anchor above everything, the switch's activation looks at the windows left
    // on the screen, and those are the hung ones.
    ShowWindow(anchor, SW_HIDE);
    SetForegroundWindow(scene.one->hwnd);
    WaitFor(3000, [] { return GetForegroundWindow() == scene.one->hwnd; });
    // Parmena's poll must have seen that foreground before the switch, or it follows it back.
    Sleep(400);
    if (!o.Check(StallThread(hung, StallMs), "the test windows could not be made to hang")) {
        ShowWindow(anchor, SW_SHOWNOACTIVATE);
        Report("hung_no_yank", o);
        return;
    }
    SendHotkey(VK_RIGHT);
    if (o.Expect(WaitPositions(Shifted(ws, base, -W, 0), Sizes(base), 5000), "the responsive windows after Ctrl+Alt+Right")) {
        // The pager stays full size in this run; its next tick draws the pending windows.
        Sleep(300);
        ShotAfterPaint(p.pager, "pager-pending");
        o.Check(WaitForSingleObject(hung.stalled, 0) == WAIT_OBJECT_0, "the windows answered before the picture");
    }
    o.Expect(WaitPositions(Shifted(hs, hungBase, -W, 0), Sizes(hungBase), StallMs + 5000),
             "the hung windows after they answered again");
    const bool yanked = WaitFor(3000, [&] { return AnyBackHome(ws, base); });
    if (yanked) DumpTimeline(8000);
    o.Check(!yanked, "within 3 s of the hung windows' arrival the view switched back by itself (%s)",
            ParmenaDesktopText().c_str());
    ShowWindow(anchor, SW_SHOWNOACTIVATE);
    o.Expect(SettleAnchor(p.pager));
    std::vector<HWND> all = ws;
    std::vector<RECT> allBase = base;
    all.insert(all.end(), hs.begin(), hs.end());
    allBase.insert(allBase.end(), hungBase.begin(), hungBase.end());
    if (!yanked)
        o.Expect(SwitchByHotkey(VK_LEFT, Shifted(all, allBase, 0, 0), Sizes(allBase), 5000), "switching back with Ctrl+Alt+Left");
    Report("hung_no_yank", o);
}

constexpr int FastWindows = 100;
constexpr int FastPresses = 5;
constexpr int FastPairs = 5;

// Ctrl+Alt held while the arrow is pressed `times` times, as fast as input can be sent (a few
// milliseconds in all, well within 50).
void TapArrow(WORD vk, int times) {
    // One SendInput call: one call per key let the presses trickle in over tens of milliseconds
    // on a loaded machine, and a switch began before the last of them had come.
    std::vector<INPUT> in = {Key(VK_CONTROL, false), Key(VK_MENU, false)};
    for (int i = 0; i < times; ++i) {
        in.push_back(Key(vk, false));
        in.push_back(Key(vk, true));
    }
    in.push_back(Key(VK_MENU, true));
    in.push_back(Key(VK_CONTROL, true));
    SendInput(UINT(in.size()), in.data(), sizeof(INPUT));
    Mark("Ctrl+Alt+arrow 0x%02x pressed %d times", vk, times);
}

// On a 9x1 grid with 100 windows, five quick presses of Ctrl+Alt+Right land exactly five
// desktops on, in about the time of one switch. Single switches and five presses take turns,
// five of each, and the median of the pairs' ratios is printed against the goal of 1.5. The
// check itself is 2.5: under Wine one batch of the same windows can take twice as long as the one
// before it, so ratios of 1.7 to 2.5 come by chance, while presses taken one by one cost five
// switches (3.5 times one, measured on the program before it took them together).
void FastPressesOneSwitch(Parmena& p, const std::vector<TestWindow*>& ws) {
    Outcome o;
    const int W = scene.screenW;
    std::vector<HWND> all = scene.Managed();
    for (TestWindow* t : ws) all.push_back(t->hwnd);
    const std::vector<RECT> base = Rects(all);
    std::vector<double> ratios;
    for (int i = 0; i < FastPairs && o.Ok(); ++i) {
        o.Expect(SettleAnchor(p.pager));
        const Timing one = Timed("one switch", ws, -W, [] { SendHotkey(VK_RIGHT); }, false);
        if (!o.Check(one.last >= 0, "a single Ctrl+Alt+Right did not bring every window one desktop on")) break;
        o.Expect(SwitchByHotkey(VK_LEFT, Shifted(all, base, 0, 0), Sizes(base), 10000), "switching back");
        o.Expect(SettleAnchor(p.pager));
        const Timing t = Timed("five presses", ws, -FastPresses * W, [] { TapArrow(VK_RIGHT, FastPresses); }, false);
        Info("fast presses: one switch of %d windows %.1f ms, five presses %.1f ms until the first and %.1f ms until "
             "the last window arrived (%.2fx)", FastWindows, one.last, t.first, t.last, t.last / one.last);
        if (!o.Check(t.last >= 0, "after five presses not every window reached desktop (5,0)")) break;
        ratios.push_back(t.last / one.last);
        Sleep(500);
        o.Expect(WaitPositions(Shifted(all, base, -FastPresses * W, 0), Sizes(base), 0),
                 "half a second after the five presses (exactly five desktops on)");
        o.Expect(SettleAnchor(p.pager));
        TapArrow(VK_LEFT, FastPresses);
        o.Expect(WaitPositions(Shifted(all, base, 0, 0), Sizes(base), 10000), "after five presses of Ctrl+Alt+Left");
    }
    if (o.Ok()) {
        std::sort(ratios.begin(), ratios.end());
        const double median = ratios[ratios.size() / 2];
        Info("fast presses: median of %d pairs %.2f times one switch (goal 1.5)", FastPairs, median);
        o.Check(median <= 2.5, "five presses took %.2f times one switch (median of %d pairs): not taken together", median,
                FastPairs);
    }
    Report("fast_presses_one_switch", o);
}

}  // namespace

std::vector<const char*> SpeedScenarioNames() {
    return {"pager_fresh_double_click", "hung_no_yank", "fast_presses_one_switch"};
}

void RunSpeedScenarios() {
    WindowThread hung, other;
    bool ready = StartWindowThread(hung) && StartWindowThread(other);
    const int W = scene.screenW, H = scene.screenH;
    TestWindow* cell = ready ? CreateTestWindow(other, "E2E cell 1,0", W + W / 2 - 200, H / 2 - 150, 400, 300,
                                                RGB(150, 220, 150))
                             : nullptr;
    ready = ready && cell;
    for (int i = 0; ready && i < HungCount; ++i)
        // Low on the screen, where no other window covers their outlines in the pager.
        ready = CreateTestWindow(hung, Format("hung %d", i).c_str(), 700 + 60 * i, 655 + 8 * i, 150, 90,
                                 RGB(230, 140 + 20 * i, 120)) != nullptr;
    MoveMouseTo(512, 700);
    for (int run = 0; run < 2; ++run) {
        const char* name = SpeedScenarioNames()[run];
        // The second run keeps the pager full size, so that a picture shows what it draws.
        if (run == 1) WriteDword("Preferences", "MinimizeTolvo", 0);
        Parmena p;
        const std::string why = ready ? StartParmena(p) : "the hung test windows could not be created";
        if (!why.empty()) {
            ReportFail(name, "cannot run: %s", why.c_str());
        } else {
            if (run == 0)
                FreshDoubleClick(p, cell->hwnd);
            else
                HungNoYank(p, hung);
            PostMessageA(p.pager, WM_COMMAND, 103, 0);
            DWORD code;
            WaitExit(p, 30000, &code);
        }
        EndParmena(p);
    }
    WriteDword("Preferences", "MinimizeTolvo", 1);
    StopWindowThread(hung);
    StopWindowThread(other);

    WindowThread many;
    std::vector<TestWindow*> ws;
    bool made = StartWindowThread(many);
    for (int i = 0; made && i < FastWindows; ++i) {
        TestWindow* t = CreateTestWindow(many, Format("fast %d", i).c_str(), 20 + (i % 20) * 42, 20 + (i / 20) * 42,
                                         120, 80, RGB(160 + i % 90, 200, 240 - i % 80));
        made = t != nullptr;
        ws.push_back(t);
    }
    WriteDword("Preferences", "XResolution", 9);
    WriteDword("Preferences", "YResolution", 1);
    Parmena p;
    const std::string why = made ? StartParmena(p) : "the test windows could not be created";
    if (!why.empty()) {
        ReportFail("fast_presses_one_switch", "cannot run: %s", why.c_str());
    } else {
        FastPressesOneSwitch(p, ws);
        PostMessageA(p.pager, WM_COMMAND, 103, 0);
        DWORD code;
        WaitExit(p, 30000, &code);
    }
    EndParmena(p);
    WriteDword("Preferences", "XResolution", 3);
    WriteDword("Preferences", "YResolution", 3);
    StopWindowThread(many);
}

}  // namespace e2e
