// Shell, help, icons and the two companion libraries, as records the tests can read.
#include <algorithm>
#include <cstring>

#include "platform/libs.h"
#include "platform/shell.h"
#include "platform/sim/sim_internal.h"
#include "platform/window.h"

namespace simi {
namespace {

std::string Str(const char* s) { return s ? s : ""; }

// Icons and cursors from resources are shared: one handle per name.
std::map<std::string, std::uintptr_t>& Icons() {
    static std::map<std::string, std::uintptr_t> icons;
    return icons;
}

Hicon LoadShared(Hinstance inst, const char* name, const char* kind) {
    if (!name) return nullptr;
    std::string key = std::string(kind) + ":" + std::to_string(Id(inst)) + ":" +
                      (IsIntResource(name) ? "#" + std::to_string(Id(name)) : Lower(name));
    Lock lk(Mu());
    auto& icons = Icons();
    auto it = icons.find(key);
    if (it == icons.end()) it = icons.emplace(key, NewHandle()).first;
    return As<Hicon>(it->second);
}

// The test's stand-in for a dialog runs on the calling thread for the dialog's whole life.
class InDialog {
public:
    InDialog() : thread_(CurrentThread()) {
        Lock lk(Mu());
        ++EnsureQueue(thread_).dialogs;
        Cv().notify_all();
    }
    ~InDialog() {
        Lock lk(Mu());
        auto q = S().queues.find(thread_);
        if (q != S().queues.end() && q->second.dialogs > 0) --q->second.dialogs;
        Cv().notify_all();
    }
    InDialog(const InDialog&) = delete;
    InDialog& operator=(const InDialog&) = delete;

private:
    std::uint32_t thread_;
};

constexpr std::uint32_t kClickFuncs = 0x00C11C00u, kMoveFuncs = 0x00A0E000u;
std::uint32_t nextHook = 0x4B00;

}  // namespace
}  // namespace simi

using namespace simi;

namespace plat {

Hicon LoadIcon(Hinstance inst, const char* name) { return LoadShared(inst, name, "icon"); }
Hicon LoadCursor(Hinstance inst, const char* name) { return LoadShared(inst, name, "cursor"); }
Bool DestroyIcon(Hicon icon) { return icon ? 1 : 0; }

Bool WinHelp(Hwnd w, const char* file, std::uint32_t cmd, std::uintptr_t data) {
    Lock lk(Mu());
    S().help.push_back({w, Str(file), cmd, data});
    return 1;
}

Bool Shell_NotifyIcon(std::uint32_t message, NotifyIconData* data) {
    if (Failing(sim::Call::Shell_NotifyIcon)) return 0;
    if (!data) return 0;
    Lock lk(Mu());
    auto& tray = S().tray;
    auto it = std::find_if(tray.begin(), tray.end(), [&](const NotifyIconData& t) {
        return t.hWnd == data->hWnd && t.uID == data->uID;
    });
    switch (message) {
        case NIM_ADD: {
            if (it != tray.end()) return 0;
            NotifyIconData copy = *data;
            copy.szTip[sizeof copy.szTip - 1] = 0;  // a tip without its NUL is cut
            tray.push_back(copy);
            return 1;
        }
        case NIM_MODIFY:
            if (it == tray.end()) return 0;
            if (data->uFlags & NIF_MESSAGE) it->uCallbackMessage = data->uCallbackMessage;
            if (data->uFlags & NIF_ICON) it->hIcon = data->hIcon;
            if (data->uFlags & NIF_TIP) {
                std::memcpy(it->szTip, data->szTip, sizeof it->szTip);
                it->szTip[sizeof it->szTip - 1] = 0;
            }
            it->uFlags |= data->uFlags;
            return 1;
        case NIM_DELETE:
            if (it == tray.end()) return 0;
            tray.erase(it);
            return 1;
        default: return 0;
    }
}

Hinstance ShellExecute(Hwnd, const char* verb, const char* file, const char* params, const char* dir, int show) {
    Lock lk(Mu());
    S().shellExecutes.push_back({Str(verb), Str(file), Str(params), Str(dir), params != nullptr, dir != nullptr, show});
    return As<Hinstance>(static_cast<std::uintptr_t>(S().shellExecuteResult));
}

bool LoadCompanionLibraries(char* what, std::size_t whatSize) {
    Lock lk(Mu());
    if (!S().librariesMissing) return true;
    if (what && whatSize) {
        std::strncpy(what, "parmm.dll", whatSize - 1);
        what[whatSize - 1] = 0;
    }
    return false;
}

std::uint32_t SetMBHook(void*, Handle) {
    Lock lk(Mu());
    std::uint32_t h = nextHook++;
    S().hookCalls.push_back({"SetMBHook", h});
    return h;
}

void RemoveMBHook(std::uint32_t hook) {
    Lock lk(Mu());
    S().hookCalls.push_back({"RemoveMBHook", hook});
}

std::uintptr_t GetClickFuncs() {
    Lock lk(Mu());
    S().hookCalls.push_back({"GetClickFuncs", kClickFuncs});
    return kClickFuncs;
}

std::uintptr_t GetMoveFuncs() {
    Lock lk(Mu());
    S().hookCalls.push_back({"GetMoveFuncs", kMoveFuncs});
    return kMoveFuncs;
}

int ShowPrefDlg(void* settings, std::uintptr_t, std::uintptr_t, int page, void* shortcutStore) {
    std::function<int(void*, int, void*)> handler;
    {
        Lock lk(Mu());
        handler = S().onPref;
    }
    if (!handler) return 0;
    InDialog dialog;
    return handler(settings, page, shortcutStore);
}

void ShowAboutDlg() {
    std::function<void()> handler;
    {
        Lock lk(Mu());
        handler = S().onAbout;
    }
    if (!handler) return;
    InDialog dialog;
    handler();
}

}  // namespace plat

namespace sim {

std::vector<plat::NotifyIconData> TrayIcons() {
    Lock lk(Mu());
    return S().tray;
}

void RestartTaskbar() {
    const std::uint32_t created = plat::RegisterWindowMessage("TaskbarCreated");
    std::vector<Hwnd> windows;
    {
        Lock lk(Mu());
        S().tray.clear();
        for (std::uintptr_t id : S().zorder)
            if (simi::Win(id) && simi::Win(id)->proc) windows.push_back(simi::As<Hwnd>(id));
    }
    for (Hwnd w : windows) plat::PostMessage(w, created, 0, 0);
}

std::vector<std::uint32_t> AllowedMessages(Hwnd w) {
    Lock lk(Mu());
    std::vector<std::uint32_t> out;
    for (const auto& a : S().allowedMessages)
        if (a.first == w) out.push_back(a.second);
    return out;
}

std::vector<HelpRecord> HelpCalls() {
    Lock lk(Mu());
    return S().help;
}

std::vector<ShellExecuteRecord> ShellExecutes() {
    Lock lk(Mu());
    return S().shellExecutes;
}

void SetShellExecuteResult(int result) {
    Lock lk(Mu());
    S().shellExecuteResult = result;
}

std::vector<HookCall> HookCalls() {
    Lock lk(Mu());
    return S().hookCalls;
}

void SetLibrariesMissing(bool missing) {
    Lock lk(Mu());
    S().librariesMissing = missing;
}

void OnShowAbout(std::function<void()> handler) {
    Lock lk(Mu());
    S().onAbout = std::move(handler);
}

void OnShowPref(std::function<int(void* settings, int page, void* shortcutStore)> handler) {
    Lock lk(Mu());
    S().onPref = std::move(handler);
}

}  // namespace sim
