// Runs the whole program on its own thread against the simulated desktop, as its main thread.
#pragma once
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "app/app.h"
#include "config/settings.h"
#include "core/desktop.h"
#include "launcher/command_window.h"
#include "pager/pager.h"
#include "platform/sim/sim.h"
#include "platform/window.h"

namespace apptest {

constexpr const char* Pref = "Software\\Orvanne\\Parmena\\Preferences";

inline plat::Hinstance Instance() {
    return reinterpret_cast<plat::Hinstance>(static_cast<std::uintptr_t>(0x400000));
}

inline std::string RegHeader() { return "Windows Registry Editor Version 5.00\n\n"; }
// A .reg text setting DWORD values in the Preferences key.
inline std::string PrefValues(const std::vector<std::pair<std::string, int>>& values) {
    std::string text = RegHeader() + "[HKEY_CURRENT_USER\\" + Pref + "]\n";
    char buf[16];
    for (const auto& [name, v] : values) {
        std::snprintf(buf, sizeof buf, "%08x", static_cast<unsigned>(v));
        text += "\"" + name + "\"=dword:" + buf + "\n";
    }
    return text;
}

inline plat::Hwnd Pager() { return sim::FindProductWindow("ParmClass"); }
inline plat::Hwnd CommandWin() { return sim::FindProductWindow("cmdlinewnd"); }

inline bool HasTimer(std::uintptr_t id) {
    for (const sim::TimerRecord& t : sim::Timers())
        if (t.id == id) return true;
    return false;
}

inline std::vector<int> HotkeyIds(const std::vector<sim::HotkeyRecord>& list) {
    std::vector<int> ids;
    for (const sim::HotkeyRecord& h : list) ids.push_back(h.id);
    return ids;
}

inline int CountHookCalls(const std::string& op) {
    int n = 0;
    for (const sim::HookCall& c : sim::HookCalls()) n += c.op == op;
    return n;
}

// One menu shown by the pager at (x, y), which took the foreground for it and gave it back.
inline void ExpectPagerMenuAt(int x, int y, plat::Hwnd previousForeground) {
    ASSERT_EQ(sim::MenusShown().size(), 1u);
    EXPECT_EQ(sim::MenusShown()[0].x, x);
    EXPECT_EQ(sim::MenusShown()[0].y, y);
    EXPECT_EQ(sim::MenusShown()[0].owner, Pager());
    std::vector<plat::Hwnd> fg = sim::ForegroundRequests();
    ASSERT_GE(fg.size(), 2u);
    EXPECT_EQ(fg[fg.size() - 2], Pager());
    EXPECT_EQ(fg.back(), previousForeground);
}

class Program {
public:
    ~Program() { Stop(); }
    // A test that stopped half-way must not leave the program running for ever.
    void Stop() {
        if (thread_.joinable() && !done_ && PagerWindow())
            plat::PostMessage(PagerWindow(), plat::WM_CLOSE, 0, 0);
        if (thread_.joinable()) thread_.join();
    }
    void Start() {
        done_ = false;
        exitCode_ = -1;
        thread_ = std::thread([this] {
            exitCode_ = ParmenaMain(Instance());
            done_ = true;
        });
    }
    // True once the main thread takes messages: a sent message is answered only there.
    bool WaitRunning() {
        if (!sim::WaitFor([] { return Pager() != nullptr && HasTimer(472); })) return false;
        plat::SendMessage(Pager(), 0 /* WM_NULL */, 0, 0);
        // The start-up about box clears its flag just after releasing the pager's creation.
        return sim::WaitFor([] { return aboutDialogOpen == 0; }) && !done_;
    }
    // Everything posted to the program before this has been handled when it returns.
    bool Barrier() { return sim::WaitIdle(); }
    void Command(int id, int high = 0) {
        plat::PostMessage(Pager(), plat::WM_COMMAND,
                           static_cast<plat::WParam>((high << 16) | id), 0);
    }
    // Waits for ParmenaMain to return; its exit code, or -1 when it did not end in time.
    int Join() {
        if (!sim::WaitFor([this] { return done_.load(); }, 10000)) return -1;
        thread_.join();
        return exitCode_;
    }
    int Close() {
        Command(CmdClose);
        return Join();
    }
    bool Done() const { return done_; }

private:
    std::thread thread_;
    std::atomic<bool> done_{false};
    std::atomic<int> exitCode_{-1};
};

// A gate a simulated dialog waits at until the test opens it.
class Gate {
public:
    void Open() { open_ = true; }
    void Wait() { sim::WaitFor([this] { return open_.load(); }, 20000); }

private:
    std::atomic<bool> open_{false};
};

class AppTest : public ::testing::Test {
protected:
    Program program;
    void SetUp() override { sim::Reset(); }
    void TearDown() override {
        program.Stop();
        sim::OnShowAbout(nullptr);
        sim::OnShowPref(nullptr);
        sim::Reset();  // joins the ended worker threads
    }

    // Starts the program with these Preferences values and waits until it takes messages.
    void Run(const std::vector<std::pair<std::string, int>>& prefs = {}) {
        if (!prefs.empty()) sim::LoadReg(PrefValues(prefs));
        program.Start();
        ASSERT_TRUE(program.WaitRunning());
    }
    // Ctrl+Alt+vk, handled when this returns.
    void Press(int vk) {
        ASSERT_TRUE(sim::PressHotkey(plat::MOD_ALT | plat::MOD_CONTROL, static_cast<std::uint32_t>(vk)));
        ASSERT_TRUE(program.Barrier());
    }

    static plat::Hwnd AddWindow(const std::string& title, plat::Rect r) {
        sim::WindowSpec desc;
        desc.title = title;
        desc.rect = r;
        return sim::AddWindow(desc);
    }
};

}  // namespace apptest
