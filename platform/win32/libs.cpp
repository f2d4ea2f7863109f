// The companion libraries, loaded from the program's folder at start-up and called through
// the entry points resolved then. Before a successful load every call is a harmless no-op.
#include <cstdio>

#include "platform/path.h"
#include "platform/win32/win.h"

#include "platform/win32/companions.h"

using w32::As;

namespace {

struct Entries {
    SetMBHookProc setHook;
    RemoveMBHookProc removeHook;
    GetFuncsProc clickFuncs;
    GetFuncsProc moveFuncs;
    ShowPrefDlgProc showPref;
    ShowAboutDlgProc showAbout;
};
Entries entries{};
HMODULE hookLibrary = nullptr;
HMODULE dialogLibrary = nullptr;

const char HookLibraryName[] = "parmm.dll";
const char DialogLibraryName[] = "parmdlg.dll";

// `what` only names the missing piece ("parmm.dll", "SetMBHook in parmm.dll"); the caller
// words the message around it.
void Report(char* what, std::size_t whatSize, const char* piece, const char* library = nullptr) {
    if (!what || !whatSize) return;
    if (library)
        std::snprintf(what, whatSize, "%s in %s", piece, library);
    else
        std::snprintf(what, whatSize, "%s", piece);
}

HMODULE LoadBesideProgram(const char* name, char* what, std::size_t whatSize) {
    char exe[plat::MaxPathBytes];
    const std::uint32_t n = plat::GetModuleFileName(nullptr, exe, sizeof exe);
    // A full buffer means the path was cut short.
    if (n == 0 || n >= sizeof exe) {
        Report(what, whatSize, name);
        return nullptr;
    }
    char path[plat::MaxPathBytes];
    if (!plat::CompanionPath(exe, name, path, sizeof path)) {
        Report(what, whatSize, name);
        return nullptr;
    }
    // The program reports a failed load itself; no system error box on top of it.
    UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    HMODULE lib = LoadLibraryW(w32::Wide(path).get());
    SetErrorMode(oldMode);
    if (!lib) Report(what, whatSize, name);
    return lib;
}

template <class Proc>
bool Resolve(HMODULE lib, const char* libName, const char* entry, Proc* out, char* what,
             std::size_t whatSize) {
    FARPROC p = GetProcAddress(lib, entry);
    if (!p) {
        Report(what, whatSize, entry, libName);
        return false;
    }
    *out = w32::AsProc<Proc>(p);
    return true;
}

}  // namespace

namespace plat {

bool LoadCompanionLibraries(char* what, std::size_t whatSize) {
    if (what && whatSize) what[0] = '\0';
    if (hookLibrary && dialogLibrary) return true;

    HMODULE hook = LoadBesideProgram(HookLibraryName, what, whatSize);
    if (!hook) return false;
    HMODULE dialogs = LoadBesideProgram(DialogLibraryName, what, whatSize);
    if (!dialogs) {
        FreeLibrary(hook);
        return false;
    }
    // All or nothing: a half-resolved set would leave some calls live and others dead.
    Entries found{};
    bool ok =
        Resolve(hook, HookLibraryName, "SetMBHook", &found.setHook, what, whatSize) &&
        Resolve(hook, HookLibraryName, "RemoveMBHook", &found.removeHook, what, whatSize) &&
        Resolve(hook, HookLibraryName, "GetClickFuncs", &found.clickFuncs, what, whatSize) &&
        Resolve(hook, HookLibraryName, "GetMoveFuncs", &found.moveFuncs, what, whatSize) &&
        Resolve(dialogs, DialogLibraryName, "ShowPrefDlg", &found.showPref, what, whatSize) &&
        Resolve(dialogs, DialogLibraryName, "ShowAboutDlg", &found.showAbout, what, whatSize);
    if (!ok) {
        FreeLibrary(dialogs);
        FreeLibrary(hook);
        return false;
    }
    entries = found;
    hookLibrary = hook;
    dialogLibrary = dialogs;
    return true;
}

std::uint32_t SetMBHook(void* hookBlock, Handle mutex) {
    return entries.setHook ? entries.setHook(hookBlock, As<HANDLE>(mutex)) : 0;
}

void RemoveMBHook(std::uint32_t hook) {
    if (entries.removeHook) entries.removeHook(hook);
}

std::uintptr_t GetClickFuncs() { return entries.clickFuncs ? entries.clickFuncs() : 0; }

std::uintptr_t GetMoveFuncs() { return entries.moveFuncs ? entries.moveFuncs() : 0; }

int ShowPrefDlg(void* settings, std::uintptr_t clickFuncs, std::uintptr_t moveFuncs, int page,
                void* shortcutStore) {
    if (!entries.showPref) return 0;
    return entries.showPref(settings, clickFuncs, moveFuncs, page, shortcutStore);
}

void ShowAboutDlg() {
    if (entries.showAbout) entries.showAbout(nullptr);
}

}  // namespace plat
