// Hostile input under Wine: values another process writes into the block Parmena shares with
// the mouse-hook library must not crash it nor cost the user's per-program entries.
#include <cstring>

#include "e2e/scene.h"

#include <shellapi.h>

namespace e2e {

namespace {

const char MiddleKey[] = "Middle Button";

bool WriteText(const char* subKey, const char* name, const char* text) {
    const std::string path = std::string(RegRoot) + "\\" + subKey;
    HKEY k = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k,
                        nullptr) != ERROR_SUCCESS)
        return false;
    const LONG rc = RegSetValueExA(k, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                                   static_cast<DWORD>(std::strlen(text) + 1));
    RegCloseKey(k);
    return rc == ERROR_SUCCESS;
}

std::string ReadText(const char* subKey, const char* name) {
    const std::string path = std::string(RegRoot) + "\\" + subKey;
    char buf[256] = "";
    DWORD size = sizeof buf - 1;
    HKEY k = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return "";
    RegQueryValueExA(k, name, nullptr, nullptr, reinterpret_cast<BYTE*>(buf), &size);
    RegCloseKey(k);
    return buf;
}

// The stored entries are as the user left them: two programs, the first with one action set.
std::string EntriesIntact() {
    DWORD count = 0, click = 0;
    if (!ReadDword(MiddleKey, "ProgSpecCount", &count) || count != 2)
        return Format("\"ProgSpecCount\" is %lu, not 2", count);
    if (ReadText(MiddleKey, "PS0Name") != "editor.exe" || ReadText(MiddleKey, "PS1Name") != "shell.exe")
        return Format("the names are \"%s\" and \"%s\"", ReadText(MiddleKey, "PS0Name").c_str(),
                      ReadText(MiddleKey, "PS1Name").c_str());
    if (!ReadDword(MiddleKey, "PS0Click0", &click) || click != 102)
        return Format("\"PS0Click0\" is %lu, not 102", click);
    return "";
}

// Opens Settings from the menu command and accepts the dialog, which applies and saves.
std::string SettingsOk(Parmena& p) {
    PostMessageA(p.pager, WM_COMMAND, 102, 0);
    HWND dlg = nullptr;
    if (!WaitFor(10000, [&] { return (dlg = FindProcessWindow(p.pi.dwProcessId, "#32770", nullptr, true)) != nullptr; }))
        return "the settings dialog did not open";
    PostMessageA(dlg, WM_COMMAND, IDOK, 0);
    if (!WaitFor(10000, [&] { return !IsWindow(dlg); })) return "the settings dialog did not close on OK";
    if (!Running(p)) return "Parmena ended";
    return Responsive(p.pager, 5000) ? "" : "the pager stopped answering";
}

void HostileBlock() {
    Outcome o;
    DeleteTree(HKEY_CURRENT_USER, (std::string(RegRoot) + "\\" + MiddleKey).c_str());
    o.Check(WriteDword(MiddleKey, "ProgSpecCount", 2) && WriteText(MiddleKey, "PS0Name", "editor.exe") &&
                WriteText(MiddleKey, "PS1Name", "shell.exe") && WriteDword(MiddleKey, "PS0Click0", 102),
            "could not store two per-program entries");
    Parmena p;
    if (o.Expect(StartParmena(p), "Parmena did not start")) {
        HANDLE mapping = OpenFileMappingA(FILE_MAP_WRITE, FALSE, "tolvo.mhook.map");
        auto* block = mapping ? static_cast<BYTE*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0)) : nullptr;
        if (o.Check(block != nullptr, "could not map Parmena's shared block (error %lu)", GetLastError())) {
            auto* handle = reinterpret_cast<volatile DWORD*>(block);
            auto* count = reinterpret_cast<volatile LONG*>(block + 0x490);
            *handle = 0xDEADBEEF;
            *count = 0x7fffffff;
            // The save runs on the dialog thread after the dialog has gone; it ends by giving
            // the block its true count back.
            auto saved = [&] { return WaitFor(10000, [&] { return *count == 2; }); };
            o.Expect(SettingsOk(p), "settings accepted after count 0x7fffffff and a garbage hook handle");
            o.Check(saved(), "the block's count is %ld after the save, not 2", static_cast<long>(*count));
            o.Expect(EntriesIntact(), "after the count 0x7fffffff");
            *count = 0;
            o.Expect(SettingsOk(p), "settings accepted after count 0");
            o.Check(saved(), "the block's count is %ld after the second save, not 2", static_cast<long>(*count));
            o.Expect(EntriesIntact(), "after the count 0");
            UnmapViewOfFile(const_cast<BYTE*>(block));
        }
        if (mapping) CloseHandle(mapping);
        // The dialog thread may still be applying; until it is done Close is refused with a box.
        DWORD code = 1234;
        bool ended = false;
        std::string refused;
        for (int attempt = 0; attempt < 5 && !ended; ++attempt) {
            PostMessageA(p.pager, WM_COMMAND, 103, 0);
            ended = WaitExit(p, 4000, &code);
            if (!ended) DismissDialog(p.pi.dwProcessId, "Can't close", 2000, &refused);
        }
        o.Check(ended && code == 0, "Parmena did not end cleanly after Close (ended %d, code %lu, dialogs: %s)",
                ended, code, ended ? "" : DialogsOf(p.pi.dwProcessId).c_str());
    }
    EndParmena(p);
    Report("hostile_block", o);
    DeleteTree(HKEY_CURRENT_USER, (std::string(RegRoot) + "\\" + MiddleKey).c_str());
}

NOTIFYICONDATAA ParmenaIcon(HWND pager) {
    NOTIFYICONDATAA nid{};
    nid.cbSize = NOTIFYICONDATAA_V1_SIZE;
    nid.hWnd = pager;
    nid.uID = 1742;
    return nid;
}

// Whether the taskbar holds Parmena's icon: only an icon it holds can be modified.
bool TrayIconPresent(HWND pager) {
    NOTIFYICONDATAA nid = ParmenaIcon(pager);
    return Shell_NotifyIconA(NIM_MODIFY, &nid) != 0;
}

// Wine's taskbar belongs to the desktop process and cannot be restarted alone. What a restart
// does to Parmena is made from outside: its icon is taken away and "TaskbarCreated" broadcast.
void TaskbarRestart() {
    Outcome o;
    o.Check(WriteDword("Preferences", "Disable navigation", 1), "could not store \"Disable navigation\" = 1");
    Parmena p;
    if (o.Check(LaunchProcess(appDir + "\\parmena.exe", "parmena.exe", &p.pi), "cannot start parmena.exe")) {
        const DWORD pid = p.pi.dwProcessId;
        // The pager stays hidden: the icon stands for it once start-up is through.
        WaitFor(30000, [&] {
            if (HWND about = FindProcessWindow(pid, "#32770", "About Parmena", true))
                PostMessageA(about, WM_COMMAND, IDOK, 0);
            p.pager = FindProcessWindow(pid, "ParmClass", nullptr, false);
            return (p.pager && TrayIconPresent(p.pager)) || !Running(p);
        });
        if (o.Check(p.pager && TrayIconPresent(p.pager), "no tray icon within 30 s of the start (dialogs: %s)",
                    DialogsOf(pid).c_str())) {
            NOTIFYICONDATAA nid = ParmenaIcon(p.pager);
            o.Check(Shell_NotifyIconA(NIM_DELETE, &nid) && !TrayIconPresent(p.pager), "could not take the icon away");
            PostMessageA(HWND_BROADCAST, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
            o.Check(WaitFor(10000, [&] { return TrayIconPresent(p.pager); }),
                    "the icon did not come back within 10 s of \"TaskbarCreated\"");
            Shot("tray-icon-back");
            o.Check(Responsive(p.pager, 5000), "the pager window stopped answering");
        }
        PostMessageA(p.pager, WM_COMMAND, 103, 0);
        DWORD code = 1;
        o.Check(WaitExit(p, 20000, &code) && code == 0, "Parmena did not close cleanly (exit code %lu)", code);
        o.Check(!p.pager || !TrayIconPresent(p.pager), "the icon outlived Parmena");
    }
    EndParmena(p);
    WriteDword("Preferences", "Disable navigation", 0);
    Report("tray_taskbar_restart", o);
}

}  // namespace

std::vector<const char*> HostileScenarioNames() { return {"hostile_block", "tray_taskbar_restart"}; }

void RunHostileScenarios() { HostileBlock(); }

// Last of all: Wine's desktop shows a taskbar while the icon is there, which would change the
// screen the later scenarios work on.
void RunTaskbarScenario() { TaskbarRestart(); }

}  // namespace e2e
