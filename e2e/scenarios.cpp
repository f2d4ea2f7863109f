// Scenarios against the real parmena.exe: start-up, hotkey switching, a hung window, the
// single-instance test and the three ways of closing.
#include <cstdio>

#include "e2e/driver.h"
#include "e2e/scene.h"

namespace e2e {

Scene scene;


std::vector<HWND> Scene::Managed() const {
    std::vector<HWND> ws;
    for (TestWindow* t : {one, two, three, stuck})
        if (t) ws.push_back(t->hwnd);
    if (notepad) ws.push_back(notepad);
    return ws;
}

std::string SetUpScene(bool withHungThread) {
    scene.screenW = GetSystemMetrics(SM_CXSCREEN);
    scene.screenH = GetSystemMetrics(SM_CYSCREEN);
    Info("screen %dx%d", scene.screenW, scene.screenH);
    if (scene.screenW != 1024 || scene.screenH != 768)
        return Format("the screen is %dx%d, not the 1024x768 virtual desktop", scene.screenW, scene.screenH);

    // The foreign window first: it takes the foreground, which the anchor takes back later.
    if (!LaunchProcess("", "notepad.exe", &scene.notepadPi))
        return Format("cannot start Wine's notepad (error %lu)", GetLastError());
    if (!WaitFor(20000, [] {
            return (scene.notepad = FindProcessWindow(scene.notepadPi.dwProcessId, "Notepad", nullptr, true)) != nullptr;
        }))
        return "Wine's notepad did not open a window within 20 s";
    SetWindowPos(scene.notepad, nullptr, 600, 380, 380, 260, SWP_NOZORDER | SWP_NOACTIVATE);
    if (!WaitFor(5000, [] { RECT r = RectOf(scene.notepad); return r.left == 600 && r.top == 380; }))
        return "notepad did not take its test position";

    if (!StartWindowThread(scene.windows)) return "cannot start the test window thread";
    scene.one = CreateTestWindow(scene.windows, "E2E one", 60, 70, 300, 200, RGB(250, 200, 200));
    scene.two = CreateTestWindow(scene.windows, "E2E two", 400, 110, 280, 220, RGB(200, 250, 200));
    scene.three = CreateTestWindow(scene.windows, "E2E three", 150, 420, 320, 180, RGB(200, 200, 250));
    TestWindow* a = CreateTestWindow(scene.windows, "E2E anchor", 10, 680, 170, 60, RGB(250, 250, 160), true);
    anchor = a ? a->hwnd : nullptr;
    if (anchor) anchorHome = POINT{RectOf(anchor).left, RectOf(anchor).top};
    if (!scene.one || !scene.two || !scene.three || !anchor) return "cannot create the test windows";
    if (withHungThread &&
        (!StartWindowThread(scene.hungThread) ||
         !(scene.stuck = CreateTestWindow(scene.hungThread, "E2E hung", 720, 60, 260, 160, RGB(240, 180, 240)))))
        return "cannot create the window whose thread will hang";
    SetCursorPos(scene.screenW / 2, scene.screenH - 20);
    return "";
}

void TearDownScene() {
    if (scene.notepad) PostMessageA(scene.notepad, WM_CLOSE, 0, 0);
    if (scene.notepadPi.hProcess) {
        if (WaitForSingleObject(scene.notepadPi.hProcess, 10000) != WAIT_OBJECT_0)
            TerminateProcess(scene.notepadPi.hProcess, 1);
        CloseHandle(scene.notepadPi.hProcess);
        CloseHandle(scene.notepadPi.hThread);
    }
    StopWindowThread(scene.hungThread);
    StopWindowThread(scene.windows);
    anchor = nullptr;
    scene = Scene{};
}

// Places a window at base shifted by whole desktops, without going through Parmena.
bool PutOnDesktop(HWND w, const RECT& base, int column, int row) {
    const int x = base.left + column * scene.screenW, y = base.top + row * scene.screenH;
    SetWindowPos(w, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return WaitFor(5000, [&] { RECT r = RectOf(w); return r.left == x && r.top == y; });
}

namespace {

// The driver's own tools under this Wine: if these fail, the product scenarios mean nothing.
void HarnessSelfCheck() {
    Outcome o;
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
    if (o.Check(RegisterHotKey(nullptr, 0xB000, MOD_CONTROL | MOD_ALT, VK_F12) != 0,
                "cannot register a probe hotkey (error %lu)", GetLastError())) {
        SendHotkey(VK_F12);
        const bool arrived =
            WaitFor(3000, [&] { return PeekMessageA(&msg, nullptr, WM_HOTKEY, WM_HOTKEY, PM_REMOVE) != 0; });
        o.Check(arrived, "Ctrl+Alt+F12 sent with SendInput did not arrive as WM_HOTKEY");
        UnregisterHotKey(nullptr, 0xB000);
    }
    for (POINT pt : {POINT{1016, 0}, POINT{1023, 767}, POINT{0, 0}, POINT{512, 384}, POINT{8, 100}}) {
        MoveMouseTo(pt.x, pt.y);
        POINT at{-1, -1};
        const bool there = WaitFor(2000, [&] { return GetCursorPos(&at) && at.x == pt.x && at.y == pt.y; });
        o.Check(there, "a mouse move to (%ld,%ld) put the cursor at (%ld,%ld)", pt.x, pt.y, at.x, at.y);
    }
    SetCursorPos(scene.screenW / 2, scene.screenH - 20);
    DWORD_PTR r;
    if (o.Check(StallThread(scene.hungThread, 20000), "the test thread did not stall")) {
        o.Check(!SendMessageTimeoutA(scene.stuck->hwnd, WM_NULL, 0, 0, SMTO_NORMAL, 100, &r),
                "a stalled test window still answered");
        UnstallThread(scene.hungThread);
    }
    o.Check(SendMessageTimeoutA(scene.stuck->hwnd, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &r) != 0,
            "the test window did not answer after its thread went on");
    o.Expect(Screenshot("scene"));
    Report("harness_selfcheck", o);
}

// ---------------------------------------------------------------- session 1

bool FirstStart(Parmena& p, std::string* why) {
    Outcome o;
    o.Check(DeleteTree(HKEY_CURRENT_USER, RegRoot) && !KeyExists(""),
            "could not clear HKCU\\%s before the first start", RegRoot);
    *why = StartParmena(p, "about-box");
    o.Check(p.aboutSeen, "no dialog captioned \"About Parmena\" appeared at start-up (%s)",
            why->empty() ? "the start went on without it" : why->c_str());
    o.Expect(*why);
    for (const char* k : {"", "Preferences", "Colors", "Font", "Window Positions", "Middle Button", "Shortcuts"})
        o.Check(KeyExists(k), "HKCU\\%s%s%s was not created", RegRoot, *k ? "\\" : "", k);
    if (p.pager) {
        o.Check(TitleOf(p.pager) == "Parmena", "the pager window's title is \"%s\"", TitleOf(p.pager).c_str());
        o.Check((GetWindowLongA(p.pager, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0, "the pager is not topmost");
    }
    Report("first_start", o);
    return why->empty();
}

void HotkeySwitch(Parmena& p) {
    Outcome o;
    o.Expect(SettleAnchor(p.pager));
    const std::vector<HWND> ws = scene.Managed();
    const std::vector<RECT> base = Rects(ws);
    const std::vector<SIZE> sizes = Sizes(base);
    const RECT anchorBase = RectOf(anchor), pagerBase = RectOf(p.pager);

    if (o.Expect(SwitchByHotkey(VK_RIGHT, Shifted(ws, base, -scene.screenW, 0), sizes, 5000), "after Ctrl+Alt+Right"))
        Shot("after-switch");
    const RECT anchorNow = RectOf(anchor), pagerNow = RectOf(p.pager);
    o.Check(EqualRect(&anchorBase, &anchorNow) != 0, "the topmost window above the pager moved to %s",
            RectText(anchorNow).c_str());
    o.Check(EqualRect(&pagerBase, &pagerNow) != 0, "the pager moved from %s to %s", RectText(pagerBase).c_str(),
            RectText(pagerNow).c_str());

    o.Expect(SwitchByHotkey(VK_LEFT, Shifted(ws, base, 0, 0), sizes, 5000), "after Ctrl+Alt+Left");
    Report("hotkey_switch", o);
}

// Hotkeys are handled in the order sent, so a refused step shows in where the next one lands.
void HotkeyGridEdges(Parmena& p) {
    Outcome o;
    o.Expect(SettleAnchor(p.pager));
    const std::vector<HWND> ws = scene.Managed();
    const std::vector<RECT> base = Rects(ws);
    const std::vector<SIZE> sizes = Sizes(base);
    const int W = scene.screenW, H = scene.screenH;
    struct Step {
        WORD keys[3];
        int column, row;
        const char* what;
    } steps[] = {
        {{VK_LEFT, VK_UP, VK_RIGHT}, 1, 0, "Left and Up on desktop (0,0), then Right"},
        {{VK_RIGHT, VK_RIGHT, VK_DOWN}, 2, 1, "Right twice from column 1 (the second at the last column), then Down"},
        {{VK_DOWN, VK_DOWN, VK_LEFT}, 1, 2, "Down twice from row 1 (the second at the last row), then Left"},
        {{VK_UP, VK_UP, VK_LEFT}, 0, 0, "Up twice and Left back to desktop (0,0)"},
    };
    for (const Step& s : steps) {
        for (WORD k : s.keys) SendHotkey(k);
        const std::string context = Format("%s: desktop (%d,%d) expected on screen", s.what, s.column, s.row);
        if (!o.Expect(WaitPositions(Shifted(ws, base, -s.column * W, -s.row * H), sizes, 5000), context.c_str()))
            break;
    }
    Report("hotkey_grid_edges", o);
}

void HungWindow(Parmena& p) {
    Outcome o;
    o.Expect(SettleAnchor(p.pager));
    std::vector<HWND> ws = {scene.one->hwnd, scene.two->hwnd, scene.three->hwnd, scene.notepad};
    const std::vector<RECT> base = Rects(ws);
    const std::vector<SIZE> sizes = Sizes(base);
    const HWND stuck = scene.stuck->hwnd;
    const RECT stuckBase = RectOf(stuck);
    const int W = scene.screenW;

    if (!o.Check(StallThread(scene.hungThread, 60000), "the test thread could not be made to hang")) {
        Report("hung_window", o);
        return;
    }
    const double t0 = NowMs();
    SendHotkey(VK_RIGHT);
    const std::string othersMoved = WaitPositions(Shifted(ws, base, -W, 0), sizes, 10000);
    const double t1 = NowMs();
    const bool stillHung = WaitForSingleObject(scene.hungThread.stalled, 0) == WAIT_OBJECT_0;
    if (!othersMoved.empty()) {
        // When the unmoved windows' own threads answer, it is the switch itself that waits.
        const bool othersAnswer = Responsive(scene.one->hwnd, 1000) && Responsive(scene.notepad, 1000);
        o.Expect(othersMoved, Format("while one window was hung the other windows did not all move (%s)",
                                     othersAnswer ? "their threads answer, so the switch itself is held up"
                                                  : "their threads do not answer either")
                                  .c_str());
    }
    o.Check(stillHung, "the hung thread was released before the other windows had moved");
    if (othersMoved.empty()) Info("with one hung window the other windows arrived %.0f ms after the hotkey", t1 - t0);

    UnstallThread(scene.hungThread);
    o.Expect(WaitPositions({{stuck, int(stuckBase.left) - W, int(stuckBase.top)}}, Sizes({stuckBase}), 10000),
             "the hung window did not reach its target after answering again");

    SendHotkey(VK_LEFT);
    ws.push_back(stuck);
    std::vector<RECT> all = base;
    all.push_back(stuckBase);
    o.Expect(WaitPositions(Shifted(ws, all, 0, 0), Sizes(all), 5000), "after switching back");
    Report("hung_window", o);
}

void SecondInstance(Parmena& p) {
    Outcome o;
    PROCESS_INFORMATION pi;
    if (!o.Check(LaunchProcess(appDir + "\\parmena.exe", "parmena.exe", &pi), "cannot start a second parmena.exe")) {
        Report("second_instance", o);
        return;
    }
    std::string text;
    const bool boxSeen = DismissDialog(pi.dwProcessId, "Another Parm found", 30000, &text);
    o.Check(boxSeen, "no message box captioned \"Another Parm found\" (dialogs of the second process: %s)",
            DialogsOf(pi.dwProcessId).c_str());
    if (boxSeen)
        o.Check(text == "You can only have one instance of Parmena running!", "the message box says \"%s\"",
                text.c_str());
    o.Check(!FindProcessWindow(pi.dwProcessId, "ParmClass", nullptr, false), "the second instance made a pager window");
    DWORD code = 1234;
    const bool ended = WaitForSingleObject(pi.hProcess, 15000) == WAIT_OBJECT_0;
    if (ended) GetExitCodeProcess(pi.hProcess, &code);
    o.Check(ended, "the second instance did not end within 15 s");
    // 0: the program the user wanted runs.
    if (ended) o.Check(code == 0, "the second instance ended with exit code %lu, not 0", code);
    if (!ended) TerminateProcess(pi.hProcess, 99);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);

    o.Check(Running(p) && IsWindow(p.pager) && Responsive(p.pager, 5000), "the first instance stopped running");
    // The first instance must still switch: its shared block and hotkeys were left alone.
    o.Expect(SettleAnchor(p.pager));
    const std::vector<HWND> ws = scene.Managed();
    const std::vector<RECT> base = Rects(ws);
    o.Expect(SwitchByHotkey(VK_RIGHT, Shifted(ws, base, -scene.screenW, 0), Sizes(base), 5000),
             "the first instance no longer switches");
    o.Expect(SwitchByHotkey(VK_LEFT, Shifted(ws, base, 0, 0), Sizes(base), 5000), "switching back");
    Report("second_instance", o);
}

// Common end of the close scenarios: exit code 0 and every window where it belongs.
void ExpectExit(Outcome& o, Parmena& p, const std::vector<Expected>& expected, const std::vector<SIZE>& sizes,
                const char* how) {
    DWORD code = 1234;
    const bool ended = WaitExit(p, 20000, &code);
    o.Check(ended, "Parmena did not end within 20 s of %s (dialogs: %s)", how, DialogsOf(p.pi.dwProcessId).c_str());
    if (ended) o.Check(code == 0, "Parmena ended with exit code %lu after %s", code, how);
    o.Expect(WaitPositions(expected, sizes, 5000), Format("after %s", how).c_str());
}

void CloseFromMenu(Parmena& p) {
    Outcome o;
    const std::vector<HWND> ws = scene.Managed();
    const std::vector<RECT> base = Rects(ws);
    // Two windows on other desktops, (1,0) and (2,1): folding brings both back where they were.
    o.Check(PutOnDesktop(scene.two->hwnd, base[1], 1, 0) && PutOnDesktop(scene.three->hwnd, base[2], 2, 1),
            "could not place test windows on other desktops");
    PostMessageA(p.pager, WM_COMMAND, 103, 0);
    ExpectExit(o, p, Shifted(ws, base, 0, 0), Sizes(base), "the Close command");
    Report("close_menu", o);
}

void Session1() {
    Parmena p;
    std::string why;
    if (!FirstStart(p, &why)) {
        for (const char* s : {"hotkey_switch", "hotkey_grid_edges", "hung_window", "second_instance", "close_menu"})
            ReportFail(s, "Parmena did not start: %s", why.c_str());
        EndParmena(p);
        return;
    }
    Shot("after-start");
    HotkeySwitch(p);
    HotkeyGridEdges(p);
    HungWindow(p);
    SecondInstance(p);
    CloseFromMenu(p);
    EndParmena(p);
}

// ---------------------------------------------------------------- session 2

void CloseByWmClose(Parmena& p) {
    Outcome o;
    o.Expect(SettleAnchor(p.pager));
    const std::vector<HWND> ws = scene.Managed();
    const std::vector<RECT> base = Rects(ws);
    o.Expect(SwitchByHotkey(VK_RIGHT, Shifted(ws, base, -scene.screenW, 0), Sizes(base), 5000),
             "the switch before closing");
    DWORD_PTR result;
    SendMessageTimeoutA(p.pager, WM_CLOSE, 0, 0, SMTO_NORMAL, 15000, &result);
    ExpectExit(o, p, Shifted(ws, base, 0, 0), Sizes(base), "WM_CLOSE");
    Report("close_wm_close", o);
}

void Session2() {
    Parmena p;
    const std::string why = StartParmena(p);
    if (!why.empty()) {
        for (const char* s : PagerScenarioNames()) ReportFail(s, "Parmena did not start: %s", why.c_str());
        ReportFail("close_wm_close", "Parmena did not start: %s", why.c_str());
        EndParmena(p);
        return;
    }
    RunPagerScenarios(p);
    CloseByWmClose(p);
    EndParmena(p);
}

// ---------------------------------------------------------------- session 3

void Session3() {
    Outcome o;
    DWORD stored = 1;
    o.Check(WriteDword("Preferences", "Rescale On Exit", 0) && ReadDword("Preferences", "Rescale On Exit", &stored) &&
                stored == 0,
            "could not store \"Rescale On Exit\" = 0");
    const std::vector<HWND> ws = scene.Managed();
    std::vector<RECT> base = Rects(ws);
    // Window two lives on desktop (1,0): switching back must leave it there, folding would not.
    const RECT twoHome = base[1];
    o.Check(PutOnDesktop(scene.two->hwnd, twoHome, 1, 0), "could not place a window on desktop (1,0)");
    base[1] = RectOf(scene.two->hwnd);
    Parmena p;
    if (o.Expect(StartParmena(p), "Parmena did not start")) {
        o.Expect(SettleAnchor(p.pager));
        // One step at a time, so that a step without effect is named as such.
        if (o.Expect(SwitchByHotkey(VK_RIGHT, Shifted(ws, base, -scene.screenW, 0), Sizes(base), 5000),
                     "Ctrl+Alt+Right on desktop (0,0) before closing")) {
            o.Expect(SwitchByHotkey(VK_DOWN, Shifted(ws, base, -scene.screenW, -scene.screenH), Sizes(base), 5000),
                     "Ctrl+Alt+Down on desktop (1,0) before closing");
        }
        PostMessageA(p.pager, WM_COMMAND, 103, 0);
        ExpectExit(o, p, Shifted(ws, base, 0, 0), Sizes(base), "the Close command with \"Rescale On Exit\" 0");
    }
    EndParmena(p);
    Report("close_no_rescale", o);
    WriteDword("Preferences", "Rescale On Exit", 1);
    PutOnDesktop(scene.two->hwnd, twoHome, 0, 0);
}

}  // namespace

int RunScenarios() {
    std::vector<const char*> product = {"first_start", "hotkey_switch", "hotkey_grid_edges", "hung_window",
                                        "second_instance", "close_menu"};
    for (const char* s : PagerScenarioNames()) product.push_back(s);
    for (const char* s : {"close_wm_close", "close_no_rescale"}) product.push_back(s);
    for (const char* s : HostileScenarioNames()) product.push_back(s);
    for (const char* s : SpeedScenarioNames()) product.push_back(s);
    for (const char* s : MbuttonScenarioNames()) product.push_back(s);
    for (const char* s : DialogScenarioNames()) product.push_back(s);
    for (const char* s : ExitScenarioNames()) product.push_back(s);
    for (const char* s : UnicodeScenarioNames()) product.push_back(s);
    for (const char* s : TakeAlongScenarioNames()) product.push_back(s);

    std::string plan = "PLAN harness_selfcheck";
    for (const char* s : product) plan += std::string(" ") + s;
    std::printf("%s screenshots\n", plan.c_str());
    guardChords = true;
    std::fflush(stdout);

    const std::string why = SetUpScene(true);
    if (!why.empty()) {
        for (const char* s : {"harness_selfcheck", "screenshots"}) ReportFail(s, "test set-up failed: %s", why.c_str());
        for (const char* s : product) ReportFail(s, "test set-up failed: %s", why.c_str());
        TearDownScene();
        return 1;
    }
    HarnessSelfCheck();
    std::vector<HWND> watched = scene.Managed();
    watched.push_back(anchor);
    StartTimeline(watched);
    if (ParmenaPresent()) {
        Session1();
        Session2();
        Session3();
        RunHostileScenarios();
        RunSpeedScenarios();
        RunMbuttonScenarios();
        RunDialogScenarios();
        RunExitScenarios();
        RunUnicodeScenarios();
        RunTakeAlongScenarios();
        RunTaskbarScenario();
    } else {
        for (const char* s : product)
            ReportFail(s, "cannot run: parmena.exe is not built yet (not found in %s)", appDir.c_str());
    }
    StopTimeline();
    TearDownScene();

    Outcome shots;
    for (const std::string& m : missingShots) shots.Check(false, "%s", m.c_str());
    for (const char* name : {"about-box", "after-start", "after-switch"}) {
        bool taken = false;
        for (const std::string& t : takenShots) taken = taken || t == name;
        shots.Check(taken, "no picture %s.png was taken", name);
    }
    Report("screenshots", shots);
    Info("%d passed, %d failed", PassCount(), FailCount());
    return FailCount() ? 1 : 0;
}

}  // namespace e2e
