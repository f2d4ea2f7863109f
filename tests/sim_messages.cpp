// The simulation's threads and messages: queues, cross-thread sends, completion callbacks,
// window creation, and named kernel objects.
#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "platform/kernel.h"
#include "platform/sim/sim.h"
#include "platform/window.h"

using namespace plat;

namespace {

std::vector<std::uint32_t> g_seen;          // messages the test procedure received
std::atomic<std::uint32_t> g_procThread{0};  // thread that ran the procedure last
LResult g_createResult = 0;
Handle g_gate = nullptr;  // WM_USER + 1 waits for it

LResult PLAT_CALLBACK TestProc(Hwnd w, std::uint32_t msg, WParam wp, LParam lp) {
    g_seen.push_back(msg);
    g_procThread = GetCurrentThreadId();
    if (msg == WM_CREATE) return g_createResult;
    if (msg == WM_USER) return static_cast<LResult>(wp * 2);
    if (msg == WM_USER + 1) WaitForSingleObject(g_gate, INFINITE);
    if (msg == WM_DESTROY) PostQuitMessage(7);
    return DefWindowProc(w, msg, wp, lp);
}

Hwnd g_window = nullptr;
Handle g_ready = nullptr;

// A product thread owning one window and running a plain message loop.
std::uint32_t PLAT_CALLBACK WindowThread(void*) {
    WndClass wc{};
    wc.lpfnWndProc = TestProc;
    wc.lpszClassName = "SimTestClass";
    RegisterClass(&wc);
    g_window = CreateWindowEx(0, "SimTestClass", "Test", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
    SetEvent(g_ready);
    Msg m;
    while (GetMessage(&m, nullptr, 0, 0)) DispatchMessage(&m);
    return static_cast<std::uint32_t>(m.wParam);
}

struct CallbackLog {
    std::vector<LResult> results;
    std::vector<std::uint32_t> threads;
};
CallbackLog g_callbacks;

void PLAT_CALLBACK Recorded(Hwnd, std::uint32_t, std::uintptr_t data, LResult result) {
    g_callbacks.results.push_back(result);
    g_callbacks.threads.push_back(GetCurrentThreadId());
    if (data) PostQuitMessage(0);
}

class SimMessages : public ::testing::Test {
protected:
    void SetUp() override {
        sim::Reset();
        g_seen.clear();
        g_createResult = 0;
        g_window = nullptr;
        g_callbacks = {};
    }
    void TearDown() override { sim::Reset(); }
};

TEST_F(SimMessages, CrossThreadSendRunsOnTheOwnerAndQuitEndsTheLoop) {
    g_ready = CreateEvent(nullptr, 0, 0, nullptr);
    std::uint32_t tid = 0;
    Handle t = CreateThread(nullptr, 0, WindowThread, nullptr, 0, &tid);
    ASSERT_NE(nullptr, t);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(g_ready, 5000));
    ASSERT_NE(nullptr, g_window);
    EXPECT_EQ(WM_NCCREATE, g_seen.at(0));
    EXPECT_EQ(WM_CREATE, g_seen.at(1));
    EXPECT_EQ(42, SendMessage(g_window, WM_USER, 21, 0));
    EXPECT_EQ(tid, g_procThread.load());
    EXPECT_NE(tid, GetCurrentThreadId());
    std::uintptr_t r = 0;
    EXPECT_TRUE(SendMessageTimeout(g_window, WM_USER, 5, 0, SMTO_ABORTIFHUNG, 1000, &r));
    EXPECT_EQ(10u, r);
    // WM_CLOSE reaches DefWindowProc, which destroys the window: WM_DESTROY posts the quit.
    EXPECT_TRUE(PostMessage(g_window, WM_CLOSE, 0, 0));
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(t, 5000));
    EXPECT_FALSE(IsWindow(g_window));
    EXPECT_EQ(WM_NCDESTROY, g_seen.back());
    EXPECT_FALSE(PostThreadMessage(tid, WM_USER, 0, 0));  // its queue went with it
    CloseHandle(t);
    CloseHandle(g_ready);
}

TEST_F(SimMessages, WaitIdleReturnsOnceEveryLoopHasTakenItsMessages) {
    g_ready = CreateEvent(nullptr, 0, 0, nullptr);
    g_gate = CreateEvent(nullptr, 1, 0, nullptr);
    Handle t = CreateThread(nullptr, 0, WindowThread, nullptr, 0, nullptr);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(g_ready, 5000));
    EXPECT_TRUE(sim::WaitIdle());
    PostMessage(g_window, WM_USER + 1, 0, 0);  // busy until the gate opens
    PostMessage(g_window, WM_USER + 2, 0, 0);
    EXPECT_FALSE(sim::WaitIdle(50));
    SetEvent(g_gate);
    ASSERT_TRUE(sim::WaitIdle());
    EXPECT_EQ(WM_USER + 2, g_seen.back());
    PostMessage(g_window, WM_CLOSE, 0, 0);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(t, 5000));
    EXPECT_TRUE(sim::WaitIdle(50));  // an ended loop is not waited for
    CloseHandle(t);
    CloseHandle(g_gate);
    CloseHandle(g_ready);
}

std::uint32_t PLAT_CALLBACK LateLoop(void* arg) {
    WaitForSingleObject(static_cast<Handle>(arg), INFINITE);
    Msg m;
    while (GetMessage(&m, nullptr, 0, 0)) {
    }
    return 0;
}

TEST_F(SimMessages, ThreadPostsFailUntilTheQueueExists) {
    Handle go = CreateEvent(nullptr, 1, 0, nullptr);
    std::uint32_t tid = 0;
    Handle t = CreateThread(nullptr, 0, LateLoop, go, 0, &tid);
    EXPECT_FALSE(PostThreadMessage(tid, WM_USER, 1, 2));
    SetEvent(go);
    EXPECT_TRUE(sim::WaitFor([&] { return PostThreadMessage(tid, WM_USER, 1, 2) != 0; }));
    EXPECT_TRUE(PostThreadMessage(tid, WM_QUIT, 0, 0));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(t, 5000));
    auto posts = sim::Posts();
    ASSERT_GE(posts.size(), 3u);
    EXPECT_FALSE(posts.front().delivered);
    EXPECT_TRUE(posts.back().delivered);
    EXPECT_EQ(tid, posts.back().threadId);
    sim::FailThreadPosts(GetCurrentThreadId(), true);
    EXPECT_FALSE(PostThreadMessage(GetCurrentThreadId(), WM_USER, 0, 0));
}

TEST_F(SimMessages, CallbacksRunInsideTheSendersGetMessage) {
    sim::WindowSpec desc;
    desc.title = "abc";
    Hwnd a = sim::AddWindow(desc);
    Hwnd hung = sim::AddWindow(desc);
    Hwnd removed = sim::AddWindow(desc);
    sim::SetHung(hung, true);
    sim::SetHung(removed, true);
    EXPECT_TRUE(SendMessageCallback(a, WM_GETTEXTLENGTH, 0, 0, Recorded, 0));
    EXPECT_TRUE(SendMessageCallback(hung, WM_GETTEXTLENGTH, 0, 0, Recorded, 1));
    EXPECT_TRUE(SendMessageCallback(removed, WM_GETTEXTLENGTH, 0, 0, Recorded, 1));
    EXPECT_TRUE(g_callbacks.results.empty());  // nothing runs before the sender takes messages
    sim::RemoveWindow(removed);
    EXPECT_FALSE(SendMessageCallback(removed, WM_GETTEXTLENGTH, 0, 0, Recorded, 0));
    PostThreadMessage(GetCurrentThreadId(), WM_USER, 0, 0);
    Msg m;
    EXPECT_TRUE(GetMessage(&m, nullptr, 0, 0));
    EXPECT_EQ(WM_USER, m.message);
    ASSERT_EQ(1u, g_callbacks.results.size());
    EXPECT_EQ(3, g_callbacks.results[0]);
    sim::SetHung(hung, false);  // its callback asks the loop to end
    EXPECT_FALSE(GetMessage(&m, nullptr, 0, 0));
    EXPECT_EQ(2u, g_callbacks.results.size());  // the removed window never called back
    EXPECT_EQ(GetCurrentThreadId(), g_callbacks.threads[1]);
}

TEST_F(SimMessages, CreateFailsWhenWmCreateRefuses) {
    WndClass wc{};
    wc.lpfnWndProc = TestProc;
    wc.lpszClassName = "Refuser";
    ASSERT_NE(0, RegisterClass(&wc));
    EXPECT_EQ(0, RegisterClass(&wc));
    g_createResult = -1;
    EXPECT_EQ(nullptr, CreateWindowEx(0, "refuser", "", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(WM_NCDESTROY, g_seen.back());
    EXPECT_EQ(nullptr, sim::FindProductWindow("Refuser"));
    sim::FailCall(sim::Call::RegisterClass, true);
    wc.lpszClassName = "Other";
    EXPECT_EQ(0, RegisterClass(&wc));
}

// The pager menu is loaded from the module its window names.
TEST_F(SimMessages, WindowNamesTheModuleItWasCreatedFor) {
    WndClass wc{};
    wc.lpfnWndProc = TestProc;
    wc.lpszClassName = "Owned";
    ASSERT_NE(0, RegisterClass(&wc));
    const auto module = reinterpret_cast<Hinstance>(std::uintptr_t{0x400000});
    Hwnd w = CreateWindowEx(0, "Owned", "", WS_POPUP, 0, 0, 5, 5, nullptr, nullptr, module, nullptr);
    ASSERT_NE(nullptr, w);
    EXPECT_EQ(reinterpret_cast<std::intptr_t>(module), GetWindowLongPtr(w, GWLP_HINSTANCE));
}

TEST_F(SimMessages, PaintIsGeneratedLastAndOnlyForVisibleInvalidWindows) {
    WndClass wc{};
    wc.lpfnWndProc = TestProc;
    wc.lpszClassName = "Painter";
    RegisterClass(&wc);
    Hwnd w = CreateWindowEx(0, "Painter", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    InvalidateRect(w, nullptr, 0);
    PostMessage(w, WM_USER, 0, 0);
    PostQuitMessage(3);
    Msg m;
    ASSERT_TRUE(GetMessage(&m, nullptr, 0, 0));
    EXPECT_EQ(WM_USER, m.message);
    EXPECT_FALSE(GetMessage(&m, nullptr, 0, 0));  // quit before paint, hidden window anyway
    EXPECT_EQ(3u, m.wParam);
    ShowWindow(w, SW_SHOWNOACTIVATE);
    ASSERT_TRUE(GetMessage(&m, nullptr, 0, 0));
    EXPECT_EQ(WM_PAINT, m.message);
    DispatchMessage(&m);  // DefWindowProc validates
    PostMessage(w, WM_USER + 1, 0, 0);
    ASSERT_TRUE(GetMessage(&m, nullptr, 0, 0));
    EXPECT_EQ(WM_USER + 1, m.message);
    ASSERT_EQ(1u, sim::Invalidations().size());
    EXPECT_TRUE(sim::Invalidations()[0].wholeClient);
}

TEST_F(SimMessages, NamedObjectsAreSharedUntilTheLastHandleCloses) {
    Handle m1 = CreateFileMapping(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 64, "sim.test.map");
    ASSERT_NE(nullptr, m1);
    EXPECT_EQ(0u, GetLastError());
    Handle m2 = CreateFileMapping(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 64, "sim.test.map");
    ASSERT_NE(nullptr, m2);
    EXPECT_EQ(static_cast<std::uint32_t>(ERROR_ALREADY_EXISTS), GetLastError());
    auto* v1 = static_cast<unsigned char*>(MapViewOfFile(m1, FILE_MAP_WRITE, 0, 0, 0));
    auto* v2 = static_cast<unsigned char*>(MapViewOfFile(m2, FILE_MAP_WRITE, 0, 0, 0));
    ASSERT_TRUE(v1 && v2);
    EXPECT_EQ(0, v1[63]);  // zero-filled
    v1[5] = 9;
    EXPECT_EQ(9, v2[5]);
    EXPECT_TRUE(UnmapViewOfFile(v1));
    EXPECT_TRUE(UnmapViewOfFile(v2));
    EXPECT_FALSE(UnmapViewOfFile(v2));
    CloseHandle(m1);
    CloseHandle(m2);
    Handle m3 = CreateFileMapping(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 64, "sim.test.map");
    EXPECT_EQ(0u, GetLastError());  // a new object: the old one went with its last handle
    EXPECT_EQ(nullptr, CreateEvent(nullptr, 0, 0, "sim.test.map"));  // the name is taken by another type
    CloseHandle(m3);
}

std::atomic<std::uint32_t> g_waitResult{0};

std::uint32_t PLAT_CALLBACK TakeMutex(void* arg) {
    g_waitResult = WaitForSingleObject(static_cast<Handle>(arg), 0);
    return 0;
}

TEST_F(SimMessages, MutexesBelongToTheirOwnerAndToOtherProcesses) {
    Handle m = CreateMutex(nullptr, 0, "sim.test.mutex");
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(m, 0));
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(m, 0));  // recursive for the owner
    Handle t = CreateThread(nullptr, 0, TakeMutex, m, 0, nullptr);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(t, 5000));
    EXPECT_EQ(WAIT_TIMEOUT, g_waitResult.load());
    CloseHandle(t);
    EXPECT_TRUE(ReleaseMutex(m));
    EXPECT_TRUE(ReleaseMutex(m));
    EXPECT_FALSE(ReleaseMutex(m));
    sim::HoldNamedMutex("sim.test.mutex", true);
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(m, 10));
    sim::HoldNamedMutex("sim.test.mutex", false);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(m, 10));
    ReleaseMutex(m);
    // A thread that ends while owning it leaves it abandoned.
    t = CreateThread(nullptr, 0, TakeMutex, m, 0, nullptr);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(t, 5000));
    EXPECT_EQ(WAIT_OBJECT_0, g_waitResult.load());
    EXPECT_EQ(WAIT_ABANDONED, WaitForSingleObject(m, 0));
    ReleaseMutex(m);
    CloseHandle(t);
    CloseHandle(m);
}

// Two threads sending to each other: the one blocked in a send still answers.
Hwnd g_back = nullptr;  // a window of the test thread

LResult PLAT_CALLBACK AskBack(Hwnd w, std::uint32_t msg, WParam wp, LParam lp) {
    if (msg == WM_USER + 5) return SendMessage(g_back, WM_USER, 4, 0) + 1;  // 4 * 2 + 1
    if (msg == WM_USER + 6) {
        Sleep(200);  // busy beyond the caller's time-out
        return 6;
    }
    return TestProc(w, msg, wp, lp);
}

std::uint32_t PLAT_CALLBACK AskBackThread(void*) {
    WndClass wc{};
    wc.lpfnWndProc = AskBack;
    wc.lpszClassName = "AskBack";
    RegisterClass(&wc);
    g_window = CreateWindowEx(0, "AskBack", "", WS_POPUP, 0, 0, 5, 5, nullptr, nullptr, nullptr, nullptr);
    SetEvent(g_ready);
    Msg m;
    while (GetMessage(&m, nullptr, 0, 0)) DispatchMessage(&m);
    return 0;
}

TEST_F(SimMessages, BlockedSendersAnswerSendsAndTimeOutsGiveUp) {
    WndClass wc{};
    wc.lpfnWndProc = TestProc;
    wc.lpszClassName = "Back";
    RegisterClass(&wc);
    g_back = CreateWindowEx(0, "Back", "", WS_POPUP, 0, 0, 5, 5, nullptr, nullptr, nullptr, nullptr);
    g_ready = CreateEvent(nullptr, 0, 0, nullptr);
    std::uint32_t tid = 0;
    Handle t = CreateThread(nullptr, 0, AskBackThread, nullptr, 0, &tid);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(g_ready, 5000));
    EXPECT_EQ(9, SendMessage(g_window, WM_USER + 5, 0, 0));
    EXPECT_EQ(GetCurrentThreadId(), g_procThread.load());  // WM_USER ran here, inside the send
    std::uintptr_t r = 77;
    EXPECT_FALSE(SendMessageTimeout(g_window, WM_USER + 6, 0, 0, SMTO_NORMAL, 20, &r));
    EXPECT_EQ(static_cast<std::uint32_t>(ERROR_TIMEOUT), GetLastError());
    EXPECT_EQ(77u, r);
    PostThreadMessage(tid, WM_QUIT, 0, 0);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(t, 5000));
    EXPECT_FALSE(IsWindow(g_window));  // gone with its thread
    EXPECT_EQ(0, SendMessage(g_window, WM_USER, 1, 0));
    CloseHandle(t);
    CloseHandle(g_ready);
}

TEST_F(SimMessages, WaitsForAnyOrAllAndResetKindsOfEvents) {
    Handle autoEv = CreateEvent(nullptr, 0, 0, nullptr);
    Handle manual = CreateEvent(nullptr, 1, 0, nullptr);
    Handle both[] = {autoEv, manual};
    EXPECT_EQ(WAIT_TIMEOUT, WaitForMultipleObjects(2, both, 0, 0));
    SetEvent(manual);
    EXPECT_EQ(WAIT_OBJECT_0 + 1, WaitForMultipleObjects(2, both, 0, 0));
    EXPECT_EQ(WAIT_TIMEOUT, WaitForMultipleObjects(2, both, 1, 0));  // not all of them
    SetEvent(autoEv);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForMultipleObjects(2, both, 1, 0));
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(autoEv, 0));  // consumed by the wait
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(manual, 0));  // stays set
    CloseHandle(autoEv);
    EXPECT_EQ(WAIT_FAILED, WaitForMultipleObjects(2, both, 0, 0));
    EXPECT_FALSE(CloseHandle(autoEv));
    CloseHandle(manual);
}

std::uint32_t PLAT_CALLBACK Loop(void*) {
    Msg m;
    while (GetMessage(&m, nullptr, 0, 0)) {
    }
    return 0;
}

TEST_F(SimMessages, ResetEndsThreadsLeftInTheirLoops) {
    std::uint32_t tid = 0;
    CreateThread(nullptr, 0, Loop, nullptr, 0, &tid);
    ASSERT_TRUE(sim::WaitFor([&] { return PostThreadMessage(tid, WM_USER, 0, 0) != 0; }));
    sim::Reset();
    EXPECT_FALSE(PostThreadMessage(tid, WM_USER, 0, 0));
    EXPECT_TRUE(sim::Posts().size() == 1u && !sim::Posts()[0].delivered);
}

}  // namespace
