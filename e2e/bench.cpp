// Figures only: time from Ctrl+Alt+arrow to the last window moved, and the processor share of
// an idle Parmena. Nothing here passes or fails on speed.
#include <algorithm>
#include <cstdio>

#include "e2e/driver.h"

namespace e2e {

namespace {

double Ms(const LARGE_INTEGER& a, const LARGE_INTEGER& b) {
    static LARGE_INTEGER freq = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    return double(b.QuadPart - a.QuadPart) * 1000.0 / double(freq.QuadPart);
}

// One switch; returns the milliseconds from the key press to the last arrival, or -1.
double TimedSwitch(const std::vector<TestWindow*>& ws, WORD vk, int dx) {
    moveWatch.remaining = LONG(ws.size());
    ResetEvent(moveWatch.done);
    for (TestWindow* t : ws) {
        RECT r = RectOf(t->hwnd);
        t->targetX = r.left + dx;
        t->targetY = r.top;
        t->arrived = 0;
        InterlockedExchange(&t->watching, 1);
    }
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    SendHotkey(vk);
    const bool all = WaitForSingleObject(moveWatch.done, 30000) == WAIT_OBJECT_0;
    LARGE_INTEGER last = start;
    for (TestWindow* t : ws) {
        InterlockedExchange(&t->watching, 0);
        if (t->arrived && t->arrivedAt.QuadPart > last.QuadPart) last = t->arrivedAt;
    }
    return all ? Ms(start, last) : -1.0;
}

// Measured by the runner from /proc: under Wine, GetProcessTimes of another process returns the
// caller's own times. The ten seconds are the measurement itself.
void IdleShare() {
    const std::string req = shotDir + "\\idle-100.cpu", answer = shotDir + "\\idle-100.txt";
    DeleteFileA(answer.c_str());
    HANDLE f = CreateFileA(req.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) {
        std::printf("BENCH idle share not measured: cannot write %s\n", req.c_str());
        return;
    }
    DWORD written;
    WriteFile(f, "10", 2, &written, nullptr);
    CloseHandle(f);
    Sleep(10000);  // keep still while the runner measures: polling would count as wineserver work
    const bool done = WaitFor(30000, [&] { return GetFileAttributesA(req.c_str()) == INVALID_FILE_ATTRIBUTES; });
    char text[512] = "";
    HANDLE a = CreateFileA(answer.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (a != INVALID_HANDLE_VALUE) {
        DWORD got = 0;
        ReadFile(a, text, sizeof text - 1, &got, nullptr);
        text[got] = 0;
        CloseHandle(a);
        while (got && (text[got - 1] == '\n' || text[got - 1] == '\r')) text[--got] = 0;
    }
    if (!done || !*text)
        std::printf("BENCH idle share not measured: the runner gave no answer\n");
    else
        std::printf("BENCH idle Parmena with 100 windows over 10 s: %s\n", text);
    std::fflush(stdout);
}

}  // namespace

int RunBench() {
    if (!ParmenaPresent()) {
        std::printf("BENCH cannot run: parmena.exe not found in %s\n", appDir.c_str());
        return 1;
    }
    const int W = GetSystemMetrics(SM_CXSCREEN);
    WindowThread thread;
    if (!StartWindowThread(thread)) return 1;
    TestWindow* a = CreateTestWindow(thread, "E2E anchor", 10, 700, 170, 50, RGB(250, 250, 160), true);
    anchor = a ? a->hwnd : nullptr;
    if (anchor) anchorHome = POINT{RectOf(anchor).left, RectOf(anchor).top};
    moveWatch.done = CreateEventA(nullptr, TRUE, FALSE, nullptr);

    Parmena p;
    std::string why = StartParmena(p);
    int rc = 0;
    if (!why.empty()) {
        std::printf("BENCH cannot run: Parmena did not start: %s\n", why.c_str());
        rc = 1;
    }
    std::vector<TestWindow*> ws;
    for (int n : {10, 100, 300}) {
        if (rc) break;
        while (int(ws.size()) < n) {
            const int i = int(ws.size());
            TestWindow* t = CreateTestWindow(thread, Format("bench %d", i).c_str(), 20 + (i % 20) * 42,
                                             20 + (i / 20) * 42, 120, 80, RGB(160 + i % 90, 200, 240 - i % 80));
            if (!t) {
                std::printf("BENCH cannot create window %d\n", i);
                rc = 1;
                break;
            }
            ws.push_back(t);
        }
        if (rc) break;
        std::vector<double> times;
        for (int rep = 0; rep < 3; ++rep) {
            why = SettleAnchor(p.pager);
            if (!why.empty()) std::printf("BENCH note: %s\n", why.c_str());
            times.push_back(TimedSwitch(ws, VK_RIGHT, -W));
            times.push_back(TimedSwitch(ws, VK_LEFT, W));
        }
        std::sort(times.begin(), times.end());
        if (times.front() < 0) {
            std::printf("BENCH switch with %d windows: not every window arrived within 30 s\n", n);
        } else {
            std::printf("BENCH switch with %3d windows: hotkey to last window moved min %.1f ms, median %.1f ms, "
                        "max %.1f ms (%zu switches)\n",
                        n, times.front(), times[times.size() / 2], times.back(), times.size());
        }
        std::fflush(stdout);
        if (n == 100) IdleShare();
    }
    if (p.pi.hProcess && Running(p)) {
        PostMessageA(p.pager, WM_COMMAND, 103, 0);
        DWORD code;
        WaitExit(p, 30000, &code);
    }
    EndParmena(p);
    StopWindowThread(thread);
    CloseHandle(moveWatch.done);
    anchor = nullptr;
    return rc;
}

}  // namespace e2e
