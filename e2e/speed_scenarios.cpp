// Scenarios of a fresh Parmena: the pager's first double-click, and hung windows that must
// neither be activated after a switch nor pull the view back when they finally move.
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

}  // namespace

std::vector<const char*> SpeedScenarioNames() { return {"pager_fresh_double_click", "hung_no_yank"}; }

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
}

}  // namespace e2e
