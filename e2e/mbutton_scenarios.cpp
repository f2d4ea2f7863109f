// Middle-button actions of parmm.dll on real windows: Wine's notepad over winemine, a window of
// our own that counts the middle clicks it receives, and mouse moves injected by a short-lived
// process while the hook is installed.
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "e2e/scene.h"

namespace e2e {

namespace {

// The shared block's entries, at their fixed offsets.
constexpr size_t BlockSize = 0x29538, CountAt = 0x490, DefaultAt = 0x494, ProgramsAt = 0x538;
struct Entry {
    char name[128];
    LONG click[4], drag[4], transmit;
};
static_assert(sizeof(Entry) == 164, "entry layout");

struct Block {
    HANDLE mapping = nullptr, mutex = nullptr;
    BYTE* view = nullptr;
    Entry* Default() const { return reinterpret_cast<Entry*>(view + DefaultAt); }
    Entry* Program(int i) const { return reinterpret_cast<Entry*>(view + ProgramsAt) + i; }
    LONG* Count() const { return reinterpret_cast<LONG*>(view + CountAt); }
};

// Edits the running instance's block as the settings dialog would: under its mutex.
template <class Edit>
std::string EditBlock(Edit edit) {
    Block b;
    b.mapping = OpenFileMappingA(FILE_MAP_WRITE, FALSE, "tolvo.mhook.map");
    b.mutex = OpenMutexA(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, "tolvo.mhook.mutex");
    if (b.mapping) b.view = static_cast<BYTE*>(MapViewOfFile(b.mapping, FILE_MAP_WRITE, 0, 0, BlockSize));
    std::string why;
    if (!b.view || !b.mutex) {
        why = "cannot open Parmena's shared block and its mutex";
    } else if (WaitForSingleObject(b.mutex, 3000) != WAIT_OBJECT_0) {
        why = "the shared block's mutex stayed busy";
    } else {
        edit(b);
        ReleaseMutex(b.mutex);
    }
    if (b.view) UnmapViewOfFile(b.view);
    if (b.mapping) CloseHandle(b.mapping);
    if (b.mutex) CloseHandle(b.mutex);
    return why;
}

void Middle(bool down) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = down ? MOUSEEVENTF_MIDDLEDOWN : MOUSEEVENTF_MIDDLEUP;
    SendInput(1, &in, sizeof in);
    Mark("middle button %s", down ? "down" : "up");
}

void MiddleClickAt(POINT p) {
    MoveMouseTo(p.x, p.y);
    Sleep(50);
    Middle(true);
    Sleep(30);
    Middle(false);
}

// A drag in small steps, as a hand makes it, each given time to pass the hook.
void MiddleDrag(POINT from, int dx, int dy) {
    MoveMouseTo(from.x, from.y);
    Sleep(50);
    Middle(true);
    const int steps = 12;
    for (int i = 1; i <= steps; ++i) {
        Sleep(25);
        MoveMouseTo(from.x + dx * i / steps, from.y + dy * i / steps);
    }
    Sleep(60);
    Middle(false);
}

POINT TitleBarPoint(HWND w, int fromLeft) {
    const RECT r = RectOf(w);
    return POINT{r.left + fromLeft, r.top + GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION) / 2};
}

const POINT OnDesktop = {560, 350};  // no window covers it, and the menu fits below it

// ---------------------------------------------------------------- a window that counts

// Counted on the window's thread, read by the driver. Relaxed: counts that publish nothing else.
std::atomic<LONG> middleDowns{0}, middleUps{0}, frameDowns{0};
LONG Tally(const std::atomic<LONG>& c) { return c.load(std::memory_order_relaxed); }
HWND counter = nullptr;
HANDLE counterThread = nullptr;
DWORD counterThreadId = 0;

LRESULT CALLBACK CounterProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_MBUTTONDOWN) middleDowns.fetch_add(1, std::memory_order_relaxed);
    if (msg == WM_MBUTTONUP) middleUps.fetch_add(1, std::memory_order_relaxed);
    if (msg == WM_NCMBUTTONDOWN) frameDowns.fetch_add(1, std::memory_order_relaxed);
    return DefWindowProcA(w, msg, wp, lp);
}

DWORD WINAPI CounterThread(void* ready) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = CounterProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = CreateSolidBrush(RGB(220, 220, 160));
    wc.lpszClassName = "E2EMiddleCounter";
    RegisterClassA(&wc);
    counter = CreateWindowExA(0, wc.lpszClassName, "E2E middle", WS_OVERLAPPEDWINDOW, 700, 225, 300, 140, nullptr,
                              nullptr, wc.hInstance, nullptr);
    if (counter) ShowWindow(counter, SW_SHOWNOACTIVATE);
    SetEvent(static_cast<HANDLE>(ready));
    MSG m;
    while (GetMessageA(&m, nullptr, 0, 0) > 0) {
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
    if (counter) DestroyWindow(counter);
    return 0;
}

bool StartCounter() {
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    counterThread = CreateThread(nullptr, 0, CounterThread, ready, 0, &counterThreadId);
    const bool ok = counterThread && WaitForSingleObject(ready, 5000) == WAIT_OBJECT_0 && counter;
    CloseHandle(ready);
    return ok;
}

void StopCounter() {
    if (!counterThread) return;
    PostThreadMessageA(counterThreadId, WM_QUIT, 0, 0);
    WaitForSingleObject(counterThread, 5000);
    CloseHandle(counterThread);
    counterThread = nullptr;
    counter = nullptr;
}

// ---------------------------------------------------------------- scenarios

HWND mine = nullptr;  // winemine's window
PROCESS_INFORMATION minePi{};

// Notepad at its home place, above winemine, which it partly covers.
std::string NotepadOnTop(const RECT& home) {
    SetWindowPos(scene.notepad, HWND_TOP, home.left, home.top, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    if (!WaitFor(3000, [&] {
            const RECT r = RectOf(scene.notepad);
            return Above(scene.notepad, mine) && r.left == home.left && r.top == home.top;
        }))
        return "notepad could not be put back at its place above winemine";
    return "";
}

void InjectedMoves() {
    Outcome o;
    const POINT points[] = {{300, 650}, {820, 120}, {40, 360}, {512, 700}};
    for (POINT pt : points) {
        PROCESS_INFORMATION pi;
        const std::string cmd = Format("parmdriver.exe move %ld %ld", pt.x, pt.y);
        if (!o.Check(LaunchProcess(appDir + "\\parmdriver.exe", cmd, &pi), "cannot start \"%s\"", cmd.c_str())) break;
        const bool ended = WaitForSingleObject(pi.hProcess, 10000) == WAIT_OBJECT_0;
        if (!ended) TerminateProcess(pi.hProcess, 1);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
        o.Check(ended, "the injecting process did not end");
        POINT at{-1, -1};
        o.Check(WaitFor(2000, [&] { return GetCursorPos(&at) && at.x == pt.x && at.y == pt.y; }),
                "a move to (%ld,%ld) injected by a short-lived process left the pointer at (%ld,%ld)", pt.x, pt.y,
                at.x, at.y);
    }
    Report("mb_injected_moves", o);
}

void ClientClickPassesOn() {
    Outcome o;
    const RECT r = RectOf(counter);
    const POINT inside{(r.left + r.right) / 2, (r.top + r.bottom) / 2 + 10};
    const LONG downs = Tally(middleDowns), ups = Tally(middleUps);
    MiddleClickAt(inside);
    o.Check(WaitFor(3000, [&] { return Tally(middleDowns) == downs + 1 && Tally(middleUps) == ups + 1; }),
            "a middle click in a client area reached the program as %ld presses and %ld releases, not 1 and 1",
            Tally(middleDowns) - downs, Tally(middleUps) - ups);
    Sleep(300);
    o.Check(Tally(middleDowns) == downs + 1 && Tally(middleUps) == ups + 1, "the click arrived more than once (%ld, %ld)",
            Tally(middleDowns) - downs, Tally(middleUps) - ups);
    Report("mb_client_click_passes", o);
}

void TitleClickToBack(const RECT& home) {
    Outcome o;
    if (o.Expect(NotepadOnTop(home))) {
        MiddleClickAt(TitleBarPoint(scene.notepad, 150));
        o.Check(WaitFor(3000, [&] { return Above(mine, scene.notepad); }),
                "a middle click on notepad's title bar did not send it behind winemine");
        const RECT now = RectOf(scene.notepad);
        o.Check(now.left == home.left && now.top == home.top, "notepad moved to %s", RectText(now).c_str());
        Shot("mb-title-click-to-back");
    }
    Report("mb_title_click_to_back", o);
}

// The hook must not wait for the window under the pointer: the mouse goes on moving while it
// hangs, and the action reaches the window once it answers again.
void HungWindowKeepsTheMouseMoving() {
    Outcome o;
    const HWND stuck = scene.stuck->hwnd;
    SetWindowPos(stuck, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (!o.Check(WaitFor(3000, [&] { return Above(stuck, scene.one->hwnd); }), "the hung window could not be raised") ||
        !o.Check(StallThread(scene.hungThread, 20000), "the test thread could not be made to hang")) {
        Report("mb_hung_window", o);
        return;
    }
    MiddleClickAt(TitleBarPoint(stuck, 100));
    for (POINT pt : {POINT{300, 650}, POINT{820, 500}, POINT{512, 700}}) {
        MoveMouseTo(pt.x, pt.y);
        POINT at{-1, -1};
        o.Check(WaitFor(1000, [&] { return GetCursorPos(&at) && at.x == pt.x && at.y == pt.y; }),
                "with a hung window under the last middle click, a move to (%ld,%ld) left the pointer at (%ld,%ld)",
                pt.x, pt.y, at.x, at.y);
    }
    o.Check(WaitForSingleObject(scene.hungThread.stalled, 0) == WAIT_OBJECT_0,
            "the hung thread was released before the mouse had moved");
    UnstallThread(scene.hungThread);
    o.Check(WaitFor(5000, [&] { return Above(scene.one->hwnd, stuck); }),
            "the hung window's title bar click did not send it to the back once it answered");
    Report("mb_hung_window", o);
}

void TitleDragMoves(const RECT& home) {
    Outcome o;
    if (o.Expect(NotepadOnTop(home))) {
        MiddleDrag(TitleBarPoint(scene.notepad, 150), 150, 100);
        o.Expect(WaitPositions({{scene.notepad, int(home.left) + 150, int(home.top) + 100}}, Sizes({home}), 3000),
                 "after a middle drag of notepad's title bar by (150,100)");
        o.Check(Above(scene.notepad, mine), "the drag changed the stacking order");
    }
    Report("mb_title_drag_moves", o);
}

void DragByWholeDesktops(Parmena& p, const RECT& home) {
    Outcome o;
    o.Expect(NotepadOnTop(home));
    o.Expect(EditBlock([](Block& b) { b.Default()->drag[0] = 204; }), "setting the title bar drag");
    o.Expect(SettleAnchor(p.pager));
    if (o.Ok()) {
        // One screen cell of the 3x3 grid is 341 pixels of travel.
        MiddleDrag(TitleBarPoint(scene.notepad, 30), 380, 20);
        o.Expect(WaitPositions({{scene.notepad, int(home.left) + scene.screenW, int(home.top)}}, Sizes({home}), 3000),
                 "after a middle drag by whole desktops to the right");
        o.Check(PutOnDesktop(scene.notepad, home, 0, 0), "notepad could not be brought back");
    }
    o.Expect(EditBlock([](Block& b) { b.Default()->drag[0] = 202; }), "restoring the title bar drag");
    Report("mb_drag_by_desktops", o);
}

void DesktopClickMenu() {
    Outcome o;
    MiddleClickAt(OnDesktop);
    HWND menu = nullptr;
    const bool shown = WaitFor(3000, [&] {
        menu = FindWindowA("#32768", nullptr);
        return menu && IsWindowVisible(menu);
    });
    if (o.Check(shown, "a middle click on the desktop opened no menu")) {
        Shot("mb-desktop-menu");
        const RECT r = RectOf(menu);
        o.Check(std::abs(r.left - OnDesktop.x) <= 2 && std::abs(r.top - OnDesktop.y) <= 2, "the menu is at %s, not at the pointer (%ld,%ld)", RectText(r).c_str(), OnDesktop.x,
                OnDesktop.y);
        KeyDown(VK_ESCAPE);
        KeyUp(VK_ESCAPE);
        o.Check(WaitFor(3000, [&] { return !IsWindowVisible(menu); }), "the menu did not close on Escape");
    }
    Report("mb_desktop_click_menu", o);
}

void ClientDragScrolls(Parmena& p) {
    Outcome o;
    o.Expect(SettleAnchor(p.pager));
    const std::vector<HWND> ws = scene.Managed();
    const std::vector<RECT> base = Rects(ws);
    const RECT r = RectOf(counter);
    // One pager cell of the 192-pixel pager over three columns is 64 pixels of travel.
    MiddleDrag(POINT{r.left + 40, (r.top + r.bottom) / 2 + 10}, 100, 0);
    if (o.Expect(WaitPositions(Shifted(ws, base, -scene.screenW, 0), Sizes(base), 5000),
                 "after a middle drag of 100 pixels to the right in a client area"))
        o.Expect(SwitchByHotkey(VK_LEFT, Shifted(ws, base, 0, 0), Sizes(base), 5000), "switching back");
    Report("mb_client_drag_scrolls", o);
}

// The default entry's slot set to one action at a time, each tried on the counting window.
std::string SetDefault(int slot, LONG click, LONG drag, LONG transmit) {
    return EditBlock([=](Block& b) {
        Entry* d = b.Default();
        d->click[slot] = click;
        d->drag[slot] = drag;
        d->transmit = transmit;
    });
}

std::string RestoreDefaults() {
    return EditBlock([](Block& b) {
        const LONG clicks[4] = {101, 103, 1, 105}, drags[4] = {202, 203, 206, 204};
        Entry* d = b.Default();
        for (int j = 0; j < 4; ++j) {
            d->click[j] = clicks[j];
            d->drag[j] = drags[j];
        }
        d->transmit = 0;
    });
}

void EveryAction(Parmena& p) {
    Outcome o;
    const HWND w = counter;
    const RECT home = RectOf(w);
    auto backHome = [&] {
        ShowWindow(w, SW_SHOWNOACTIVATE);
        SetWindowPos(w, HWND_TOP, home.left, home.top, home.right - home.left, home.bottom - home.top,
                     SWP_NOACTIVATE);
        WaitFor(3000, [&] { const RECT r = RectOf(w); return EqualRect(&r, &home) != 0; });
    };
    auto sized = [&](int left, int top, int width, int height) {
        return [=] {
            const RECT r = RectOf(w);
            return r.left == left && r.top == top && r.right - r.left == width && r.bottom - r.top == height;
        };
    };
    const int W = int(home.right - home.left), H = int(home.bottom - home.top);

    // Bring to the front: from the bottom of the stack to above the other test windows.
    if (o.Expect(SetDefault(0, 102, 202, 0), "setting the title bar click")) {
        SetWindowPos(w, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        WaitFor(2000, [&] { return Above(scene.one->hwnd, w); });
        MiddleClickAt(TitleBarPoint(w, 150));
        o.Check(WaitFor(3000, [&] { return Above(w, scene.one->hwnd); }), "\"bring to the front\" left the window below");
    }
    // Maximize, then restore with a second click on the maximized title bar.
    if (o.Expect(SetDefault(0, 104, 202, 0), "setting the title bar click")) {
        MiddleClickAt(TitleBarPoint(w, 150));
        // The title bar to click next is the maximized one.
        o.Check(WaitFor(3000, [&] { return IsZoomed(w) && RectOf(w).left <= 0; }),
                "\"maximize or restore\" did not maximize");
        const POINT at = TitleBarPoint(w, 150);
        // Under Wine a maximized window is sometimes not found at its own title bar: then there is
        // nothing to click, and the restore is not tried (said in an INFO line).
        if (GetAncestor(WindowFromPoint(at), GA_ROOT) != w) {
            Info("mb_every_action: the maximized window is not the window at its title bar (%ld,%ld); restore not tried",
                 at.x, at.y);
        } else {
            // Wine leaves the X pointer where SendInput found the cursor; once the maximized window
            // covers it, the pointer's entering event can put the cursor back there, even after a
            // SetCursorPos, and the press lands in the client area. The click waits until the
            // warped pointer holds its place.
            o.Check(CursorSettledAt(at), "the pointer did not stay at the maximized title bar");
            MiddleClickAt(at);
            o.Check(WaitFor(3000, sized(home.left, home.top, W, H)),
                    "\"maximize or restore\" did not restore, the window is at %s", RectText(RectOf(w)).c_str());
        }
    }
    // Transmit: the window goes to the back and its frame still gets the middle press.
    backHome();
    if (o.Expect(SetDefault(0, 101, 202, 1), "setting transmit")) {
        const LONG before = Tally(frameDowns);
        MiddleClickAt(TitleBarPoint(w, 150));
        o.Check(WaitFor(3000, [&] { return Above(scene.one->hwnd, w); }), "with transmit, the click was not carried out");
        o.Check(WaitFor(3000, [&] { return Tally(frameDowns) == before + 1; }), "with transmit, the title bar got %ld presses, not 1",
                Tally(frameDowns) - before);
    }
    // Move horizontally: the vertical part of the drag is left out.
    backHome();
    if (o.Expect(SetDefault(0, 101, 205, 0), "setting the title bar drag")) {
        MiddleDrag(TitleBarPoint(w, 150), 60, 40);
        o.Check(WaitFor(3000, sized(home.left + 60, home.top, W, H)), "\"move horizontally\" left the window at %s",
                RectText(RectOf(w)).c_str());
    }
    // Resize from the bottom-right corner of the sizing border, inward: Wine now and then cuts a
    // window grown past the screen's edge back to it, late, after the next move of the window.
    backHome();
    if (o.Expect(RestoreDefaults(), "restoring the defaults")) {
        MiddleDrag(POINT{home.right - 2, home.bottom - 2}, -40, -30);
        o.Check(WaitFor(3000, sized(home.left, home.top, W - 40, H - 30)), "\"resize\" left the window at %s",
                RectText(RectOf(w)).c_str());
    }
    // Pass the drag on: the program gets the press and the release, and nothing moves.
    backHome();
    if (o.Expect(SetDefault(2, 102, 201, 0), "setting the client area drag")) {
        const LONG downs = Tally(middleDowns), ups = Tally(middleUps);
        MiddleDrag(POINT{home.left + 60, (home.top + home.bottom) / 2 + 10}, 80, 0);
        o.Check(WaitFor(3000, [&] { return Tally(middleDowns) == downs + 1 && Tally(middleUps) == ups + 1; }),
                "a drag passed on reached the program as %ld presses and %ld releases", Tally(middleDowns) - downs,
                Tally(middleUps) - ups);
        o.Check(WaitFor(1000, sized(home.left, home.top, W, H)), "a drag passed on moved the window to %s",
                RectText(RectOf(w)).c_str());
    }
    // Move by whole desktops on the desktop itself: the view moves one desktop.
    backHome();
    o.Expect(RestoreDefaults(), "restoring the defaults");
    o.Expect(SettleAnchor(p.pager));
    if (o.Ok()) {
        const std::vector<HWND> ws = scene.Managed();
        const std::vector<RECT> base = Rects(ws);
        MiddleDrag(OnDesktop, 380, 0);
        if (o.Expect(WaitPositions(Shifted(ws, base, -scene.screenW, 0), Sizes(base), 5000),
                     "after a middle drag of 380 pixels to the right on the desktop"))
            o.Expect(SwitchByHotkey(VK_LEFT, Shifted(ws, base, 0, 0), Sizes(base), 5000), "switching back");
    }
    backHome();
    Report("mb_every_action", o);
}

void ProgramEntryOverrides(const RECT& home) {
    Outcome o;
    o.Expect(NotepadOnTop(home));
    o.Expect(EditBlock([](Block& b) {
                 Entry* e = b.Program(0);
                 std::memset(e, 0, sizeof *e);
                 std::strcpy(e->name, "NOTEPAD.EXE");
                 for (int j = 0; j < 4; ++j) e->click[j] = e->drag[j] = -1;
                 e->click[0] = 103;  // minimize instead of the default's "send to back"
                 e->transmit = -1;
                 *b.Count() = 1;
             }),
             "adding an entry for notepad.exe");
    if (o.Ok()) {
        MiddleClickAt(TitleBarPoint(scene.notepad, 150));
        o.Check(WaitFor(3000, [&] { return IsIconic(scene.notepad) != 0; }),
                "the entry for notepad.exe did not minimize notepad");
        // winemine has no entry of its own: the default still sends it to the back.
        SetWindowPos(mine, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        WaitFor(2000, [&] { return Above(mine, scene.one->hwnd); });
        MiddleClickAt(TitleBarPoint(mine, 40));
        o.Check(WaitFor(3000, [&] { return !IsIconic(mine) && Above(scene.one->hwnd, mine); }),
                "winemine, without an entry, was not sent to the back");
    }
    ShowWindow(scene.notepad, SW_SHOWNOACTIVATE);
    ShowWindow(scene.notepad, SW_RESTORE);
    WaitFor(3000, [] { return !IsIconic(scene.notepad); });
    o.Expect(EditBlock([](Block& b) { *b.Count() = 0; }), "removing the entry");
    Report("mb_program_entry", o);
}

}  // namespace

std::vector<const char*> MbuttonScenarioNames() {
    return {"mb_injected_moves", "mb_client_click_passes", "mb_title_click_to_back", "mb_hung_window", "mb_title_drag_moves",
            "mb_drag_by_desktops", "mb_desktop_click_menu", "mb_client_drag_scrolls", "mb_every_action", "mb_program_entry"};
}

void RunMbuttonScenarios() {
    const RECT home = RectOf(scene.notepad);
    std::string why;
    if (!LaunchProcess("", "winemine.exe", &minePi) ||
        !WaitFor(20000, [] { return (mine = FindProcessWindow(minePi.dwProcessId, nullptr, nullptr, true)) != nullptr; }))
        why = "Wine's winemine did not open a window";
    else if (SetWindowPos(mine, nullptr, 480, 420, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE),
             !WaitFor(5000, [] { const RECT r = RectOf(mine); return r.left == 480 && r.top == 420; }))
        why = "winemine did not take its test place";
    else if (!StartCounter())
        why = "cannot create the window that counts middle clicks";
    Parmena p;
    if (why.empty()) why = StartParmena(p);
    if (!why.empty()) {
        for (const char* s : MbuttonScenarioNames()) ReportFail(s, "%s", why.c_str());
    } else {
        InjectedMoves();
        ClientClickPassesOn();
        TitleClickToBack(home);
        HungWindowKeepsTheMouseMoving();
        TitleDragMoves(home);
        DragByWholeDesktops(p, home);
        DesktopClickMenu();
        ClientDragScrolls(p);
        EveryAction(p);
        ProgramEntryOverrides(home);
        PostMessageA(p.pager, WM_COMMAND, 103, 0);
        DWORD code = 1;
        if (!WaitExit(p, 20000, &code)) Info("Parmena did not close after the middle-button scenarios");
    }
    EndParmena(p);
    StopCounter();
    if (mine) PostMessageA(mine, WM_CLOSE, 0, 0);
    if (minePi.hProcess) {
        if (WaitForSingleObject(minePi.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(minePi.hProcess, 1);
        CloseHandle(minePi.hProcess);
        CloseHandle(minePi.hThread);
    }
    mine = nullptr;
    minePi = PROCESS_INFORMATION{};
    SetWindowPos(scene.notepad, nullptr, home.left, home.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// `parmdriver move X Y`: one absolute mouse move, then the process ends at once.
int RunInjectMove(int argc, char** argv) {
    if (argc < 4) return 2;
    MoveMouseTo(std::atoi(argv[2]), std::atoi(argv[3]));
    return 0;
}

}  // namespace e2e
