// The settings dialog worked the way a user works it: opened from the pager's menu command,
// filled in with the keyboard, closed with OK, Cancel or Apply; then the registry and the
// program's behaviour are checked.
#include "e2e/scene.h"

#include <commctrl.h>

#include <cstring>

namespace e2e {

namespace {

const char SheetCaption[] = "Parmena Settings";
const char RunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr int PageDesktops = 1, PageWindows = 3, PageCommand = 4;
constexpr int ApplyButton = 0x3021;

void Tap(WORD vk) {
    KeyDown(vk);
    KeyUp(vk);
}

void Chord(WORD modifier, WORD vk) {
    KeyDown(modifier);
    Tap(vk);
    KeyUp(modifier);
}

// Lower-case letters, digits, space and the few signs a command needs.
void Type(const char* text) {
    for (const char* c = text; *c; ++c) {
        const SHORT code = VkKeyScanA(*c);
        const WORD vk = LOBYTE(code);
        if (HIBYTE(code) & 1)
            Chord(VK_SHIFT, vk);
        else
            Tap(vk);
    }
    Sleep(100);
}

HWND FindSheet(const Parmena& p) { return FindProcessWindow(p.pi.dwProcessId, "#32770", SheetCaption, true); }

int CurrentPage(HWND sheet) {
    DWORD_PTR tab = 0, index = 0;
    if (!SendMessageTimeoutA(sheet, PSM_GETTABCONTROL, 0, 0, SMTO_NORMAL, 2000, &tab) || !tab) return -1;
    if (!SendMessageTimeoutA(reinterpret_cast<HWND>(tab), TCM_GETCURSEL, 0, 0, SMTO_NORMAL, 2000, &index)) return -1;
    return static_cast<int>(index);
}

std::string Foreground(HWND w) {
    SetForegroundWindow(w);
    if (WaitFor(5000, [&] { return GetForegroundWindow() == w; })) return "";
    return Format("the window \"%s\" did not come to the foreground", TitleOf(w).c_str());
}

// The menu's Settings command, as the pager's pop-up menu sends it.
std::string OpenSettings(Parmena& p, HWND* sheet) {
    PostMessageA(p.pager, WM_COMMAND, 102, 0);
    if (!WaitFor(10000, [&] { return (*sheet = FindSheet(p)) != nullptr; }))
        return Format("no window \"%s\" within 10 s of the Settings command (dialogs: %s)", SheetCaption,
                      DialogsOf(p.pi.dwProcessId).c_str());
    Responsive(*sheet, 2000);
    return Foreground(*sheet);
}

void ClickAt(int x, int y) {
    MoveMouseTo(x, y);
    CursorSettledAt(POINT{x, y});
    MouseButton(false, true);
    MouseButton(false, false);
}

// The tab's rectangle on the screen, asked of the tab control inside Parmena's process.
bool TabRect(HWND tab, int index, RECT* out) {
    DWORD pid = 0;
    GetWindowThreadProcessId(tab, &pid);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (!process) return false;
    void* remote = VirtualAllocEx(process, nullptr, sizeof(RECT), MEM_COMMIT, PAGE_READWRITE);
    DWORD_PTR ok = 0;
    SIZE_T read = 0;
    const bool got = remote &&
                     SendMessageTimeoutA(tab, TCM_GETITEMRECT, static_cast<WPARAM>(index),
                                         reinterpret_cast<LPARAM>(remote), SMTO_NORMAL, 2000, &ok) &&
                     ok && ReadProcessMemory(process, remote, out, sizeof(RECT), &read) && read == sizeof(RECT);
    if (remote) VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
    if (got) MapWindowPoints(tab, nullptr, reinterpret_cast<POINT*>(out), 2);
    return got;
}

// A click on the page's tab. (Ctrl+Tab does not work here: Wine loses the held Ctrl before the
// sheet looks at it.)
std::string GoToPage(HWND sheet, int page) {
    DWORD_PTR tab = 0;
    if (!SendMessageTimeoutA(sheet, PSM_GETTABCONTROL, 0, 0, SMTO_NORMAL, 2000, &tab) || !tab)
        return "the settings dialog has no tab control";
    RECT r{};
    for (int attempt = 0; attempt < 3 && CurrentPage(sheet) != page; ++attempt) {
        if (!TabRect(reinterpret_cast<HWND>(tab), page, &r)) return Format("no rectangle for tab %d", page);
        ClickAt((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        WaitFor(1500, [&] { return CurrentPage(sheet) == page; });
    }
    if (CurrentPage(sheet) == page) return "";
    DWORD pid = 0;
    GetWindowThreadProcessId(sheet, &pid);
    return Format("a click on tab %d at %s left page %d in front (dialogs: %s)", page, RectText(r).c_str(),
                  CurrentPage(sheet), DialogsOf(pid).c_str());
}

void ClickControl(HWND dialog, int id) {
    const RECT r = RectOf(GetDlgItem(dialog, id));
    ClickAt((r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

// A failed scenario must not leave the sheet to the next one.
void CloseLeftover(const Parmena& p) {
    if (HWND sheet = FindSheet(p)) {
        PostMessageA(sheet, WM_COMMAND, IDCANCEL, 0);
        WaitFor(5000, [&] { return !IsWindow(sheet); });
    }
}

std::string WaitClosed(HWND sheet, const Parmena& p) {
    if (WaitFor(10000, [&] { return !IsWindow(sheet); })) return "";
    return Format("the settings dialog did not close (dialogs: %s)", DialogsOf(p.pi.dwProcessId).c_str());
}

// OK by mouse: after an entry dialog the focus sits on a page's button, where Enter presses it.
std::string PressOk(HWND sheet, const Parmena& p) {
    ClickControl(sheet, IDOK);
    return WaitClosed(sheet, p);
}

std::string WaitDword(const char* key, const char* name, DWORD want) {
    DWORD v = 0xFFFFFFFF;
    if (WaitFor(5000, [&] { return ReadDword(key, name, &v) && v == want; })) return "";
    return Format("\"%s\" is %ld, expected %lu", name, static_cast<long>(v), want);
}

bool ReadText(HKEY root, const std::string& path, const char* name, std::string* out) {
    HKEY k;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
    char data[2048] = {};
    DWORD type = 0, size = sizeof data - 1;
    const LONG rc = RegQueryValueExA(k, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(k);
    if (rc != ERROR_SUCCESS || type != REG_SZ) return false;
    *out = data;
    return true;
}

// An entry dialog of the sheet, found by its caption.
std::string WaitEntryDialog(const Parmena& p, const char* caption, HWND* box) {
    if (WaitFor(5000, [&] { return (*box = FindProcessWindow(p.pi.dwProcessId, "#32770", caption, true)) != nullptr; }))
        return Foreground(*box);
    return Format("no dialog \"%s\" (dialogs: %s)", caption, DialogsOf(p.pi.dwProcessId).c_str());
}

void PageShots(Parmena& p) {
    Outcome o;
    HWND sheet = nullptr;
    if (o.Expect(OpenSettings(p, &sheet))) {
        const char* names[] = {"settings-general", "settings-desktops", "settings-pager",
                               "settings-windows", "settings-command",  "settings-middle"};
        for (int page = 0; page < 6; ++page) {
            if (!o.Expect(GoToPage(sheet, page))) break;
            ShotAfterPaint(sheet, names[page]);
        }
        Tap(VK_ESCAPE);
        o.Expect(WaitClosed(sheet, p), "after Escape");
    }
    Report("settings_pages", o);
}

// Columns 4, rows 2 by keyboard, then OK; a switch from column 3 to 4 proves the new grid.
void GridByKeyboard(Parmena& p) {
    Outcome o;
    HWND sheet = nullptr;
    if (o.Expect(OpenSettings(p, &sheet)) && o.Expect(GoToPage(sheet, PageDesktops))) {
        Chord(VK_MENU, 'C');
        Type("4");
        Chord(VK_MENU, 'R');
        Type("2");
        Tap(VK_RETURN);
        o.Expect(WaitClosed(sheet, p), "after Enter");
    }
    o.Expect(WaitDword("Preferences", "XResolution", 4));
    o.Expect(WaitDword("Preferences", "YResolution", 2));
    if (o.Ok()) {
        // The apply goes on after the save: let it end before switching.
        Sleep(500);
        InMessageLoop(p.pager, 5000);
        o.Expect(SettleAnchor(p.pager));
        const std::vector<HWND> ws = scene.Managed();
        const std::vector<RECT> base = Rects(ws);
        const std::vector<SIZE> sizes = Sizes(base);
        // One chord per step and a long wait: a slow switch sent again would go one column too far.
        for (int column = 1; column <= 3 && o.Ok(); ++column) {
            SendHotkey(VK_RIGHT);
            o.Expect(WaitPositions(Shifted(ws, base, -column * scene.screenW, 0), sizes, 10000),
                     Format("Ctrl+Alt+Right to column %d of 4", column + 1).c_str());
        }
        // The picture must show the pager in full; a poll tick may collapse it once more.
        for (int attempt = 0; attempt < 3 && o.Ok(); ++attempt) {
            // Wine puts the pointer back where the X server has it when the expanding pager takes
            // the foreground; a warp first keeps it over the pager.
            SetCursorPos(scene.screenW - 6, 5 + attempt);
            if (!o.Expect(ExpandPager(p), "expanding the pager on column 4")) break;
            ShotAfterPaint(p.pager, "settings-pager-4x2");
            const RECT after = RectOf(p.pager);
            if (after.right - after.left > 100) break;
            Info("the pager was %s when the picture was taken: taken again", RectText(after).c_str());
        }
        o.Expect(CollapsePager(p));
        for (int column = 2; column >= 0; --column) {
            SendHotkey(VK_LEFT);
            WaitPositions(Shifted(ws, base, -column * scene.screenW, 0), sizes, 10000);
        }
        o.Expect(WaitPositions(Shifted(ws, base, 0, 0), sizes, 5000), "back on column 1");
    }
    Report("settings_grid_ok", o);
}

void CancelKeepsRegistry(Parmena& p) {
    Outcome o;
    HWND sheet = nullptr;
    if (o.Expect(OpenSettings(p, &sheet)) && o.Expect(GoToPage(sheet, PageDesktops))) {
        Chord(VK_MENU, 'C');
        Type("7");
        Chord(VK_MENU, 'B');  // Switch at borders
        Tap(VK_ESCAPE);
        o.Expect(WaitClosed(sheet, p), "after Escape");
    }
    Sleep(500);
    DWORD columns = 0, borders = 0;
    o.Check(ReadDword("Preferences", "XResolution", &columns) && columns == 4, "\"XResolution\" is %lu after Cancel",
            columns);
    o.Check(ReadDword("Preferences", "Switch at borders", &borders) && borders == 1,
            "\"Switch at borders\" is %lu after Cancel", borders);
    Report("settings_cancel", o);
}

void ApplyKeepsOpen(Parmena& p) {
    Outcome o;
    HWND sheet = nullptr;
    if (o.Expect(OpenSettings(p, &sheet)) && o.Expect(GoToPage(sheet, PageDesktops))) {
        Chord(VK_MENU, 'R');
        Type("3");
        Chord(VK_MENU, 'A');
        o.Expect(WaitDword("Preferences", "YResolution", 3), "after Apply");
        HWND again = nullptr;
        o.Check(WaitFor(10000, [&] { return (again = FindSheet(p)) != nullptr && IsWindow(again); }),
                "the settings dialog is not open after Apply");
        if (again) {
            o.Check(CurrentPage(again) == PageDesktops, "after Apply the dialog shows page %d, not Desktops",
                    CurrentPage(again));
            o.Expect(Foreground(again));
            ShotAfterPaint(again, "settings-after-apply");
            Chord(VK_MENU, 'R');
            Type("2");
            Tap(VK_RETURN);
            o.Expect(WaitClosed(again, p), "after Enter");
            o.Expect(WaitDword("Preferences", "YResolution", 2), "after OK");
        }
    }
    Report("settings_apply", o);
}

BOOL CALLBACK FindOtherNotepad(HWND w, LPARAM lp) {
    char cls[64];
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid == scene.notepadPi.dwProcessId || !IsWindowVisible(w)) return TRUE;
    if (!GetClassNameA(w, cls, sizeof cls) || lstrcmpiA(cls, "Notepad") != 0) return TRUE;
    *reinterpret_cast<HWND*>(lp) = w;
    return FALSE;
}

// A notepad other than the scene's own.
HWND OtherNotepad() {
    HWND found = nullptr;
    EnumWindows(FindOtherNotepad, reinterpret_cast<LPARAM>(&found));
    return found;
}

void ShortcutAdded(Parmena& p) {
    Outcome o;
    HWND sheet = nullptr, box = nullptr;
    if (o.Expect(OpenSettings(p, &sheet)) && o.Expect(GoToPage(sheet, PageCommand))) {
        Chord(VK_MENU, 'N');
        if (o.Expect(WaitEntryDialog(p, "Shortcut", &box))) {
            ShotAfterPaint(box, "settings-shortcut-entry");
            Type("e2enote");
            Chord(VK_MENU, 'C');
            Type("notepad.exe");
            Tap(VK_RETURN);
            o.Check(WaitFor(5000, [&] { return !IsWindow(box); }), "the shortcut dialog stayed open");
            o.Expect(PressOk(sheet, p));
        }
    }
    std::string data;
    o.Check(WaitFor(5000, [&] { return ReadText(HKEY_CURRENT_USER, std::string(RegRoot) + "\\Shortcuts", "e2enote", &data); }) &&
                data == "0|notepad.exe",
            "the shortcut value \"e2enote\" holds \"%s\"", data.c_str());
    if (o.Ok()) {
        // Run it from the command window: Ctrl+Alt+Space, the name, Enter.
        MoveMouseTo(400, 300);
        INPUT chord[6] = {};
        const WORD keys[6] = {VK_CONTROL, VK_MENU, VK_SPACE, VK_SPACE, VK_MENU, VK_CONTROL};
        for (int i = 0; i < 6; ++i) {
            chord[i].type = INPUT_KEYBOARD;
            chord[i].ki.wVk = keys[i];
            chord[i].ki.wScan = static_cast<WORD>(MapVirtualKeyA(keys[i], MAPVK_VK_TO_VSC));
            chord[i].ki.dwFlags = i >= 3 ? KEYEVENTF_KEYUP : 0;
        }
        SendInput(6, chord, sizeof(INPUT));
        HWND command = nullptr;
        if (o.Check(WaitFor(5000, [&] {
                        command = FindProcessWindow(p.pi.dwProcessId, "cmdlinewnd", nullptr, true);
                        return command && GetForegroundWindow() == command;
                    }),
                    "the command window did not come up on Ctrl+Alt+Space")) {
            // Keys right after a foreground change can be lost under Wine.
            Sleep(300);
            Type("e2enote");
            HWND edit = FindWindowExA(command, nullptr, "Edit", nullptr);
            std::string typed;
            WaitFor(2000, [&] {
                char text[64] = {};
                DWORD_PTR n = 0;
                SendMessageTimeoutA(edit, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 1000, &n);
                return (typed = text) == "e2enote";
            });
            o.Check(typed == "e2enote", "the command window holds \"%s\" after typing e2enote", typed.c_str());
            Tap(VK_RETURN);
            HWND started = nullptr;
            o.Check(WaitFor(20000, [&] { return (started = OtherNotepad()) != nullptr; }),
                    "typing the shortcut's name started no notepad");
            if (started) {
                PostMessageA(started, WM_CLOSE, 0, 0);
                WaitFor(5000, [&] { return !IsWindow(started); });
            }
        }
    }
    Report("settings_shortcut", o);
}

void RememberedWindowAdded(Parmena& p) {
    Outcome o;
    HWND sheet = nullptr, box = nullptr;
    if (o.Expect(OpenSettings(p, &sheet)) && o.Expect(GoToPage(sheet, PageWindows))) {
        Chord(VK_MENU, 'N');
        if (o.Expect(WaitEntryDialog(p, "Remembered window", &box))) {
            ShotAfterPaint(box, "settings-window-entry");
            Type("e2e remembered");
            Chord(VK_MENU, 'C');
            Type("2");
            Chord(VK_MENU, 'M');
            Tap(VK_RETURN);
            o.Check(WaitFor(5000, [&] { return !IsWindow(box); }), "the remembered-window dialog stayed open");
            o.Expect(PressOk(sheet, p));
        }
    }
    std::string name;
    o.Expect(WaitDword("Window Positions", "Count", 1));
    o.Check(ReadText(HKEY_CURRENT_USER, std::string(RegRoot) + "\\Window Positions", "Pos0Name", &name) &&
                name == "e2e remembered",
            "\"Pos0Name\" holds \"%s\"", name.c_str());
    o.Expect(WaitDword("Window Positions", "Pos0Pos", 0x20001));
    Report("settings_window", o);
}

bool SameProgram(std::string value, const std::string& exe) {
    if (value.size() < 2 || value.front() != '"' || value.back() != '"') return false;
    value = value.substr(1, value.size() - 2);
    return lstrcmpiA(value.c_str(), exe.c_str()) == 0;
}

void RunAtLogon(Parmena& p) {
    Outcome o;
    char exe[MAX_PATH] = {};
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, p.pi.dwProcessId);
    DWORD n = MAX_PATH;
    // Parmena's own idea of its path is what it must store.
    if (!process || !QueryFullProcessImageNameA(process, 0, exe, &n)) lstrcpynA(exe, (appDir + "\\parmena.exe").c_str(), MAX_PATH);
    if (process) CloseHandle(process);
    for (int turn = 0; turn < 2 && o.Ok(); ++turn) {
        HWND sheet = nullptr;
        if (!o.Expect(OpenSettings(p, &sheet)) || !o.Expect(GoToPage(sheet, 0))) break;
        Chord(VK_MENU, 'S');
        o.Expect(PressOk(sheet, p));
        std::string value;
        const bool present = ReadText(HKEY_CURRENT_USER, RunKey, "Parmena", &value);
        if (turn == 0)
            o.Check(present && SameProgram(value, exe), "after checking the box the Run value is \"%s\", not \"%s\" quoted",
                    present ? value.c_str() : "(missing)", exe);
        else
            o.Check(!present, "after clearing the box the Run value still holds \"%s\"", value.c_str());
    }
    Report("settings_run_at_logon", o);
}

// Alt+Win+arrow, as a user presses it.
void AltWinChord(WORD vk) {
    KeyDown(VK_MENU);
    KeyDown(VK_LWIN);
    Tap(vk);
    KeyUp(VK_LWIN);
    KeyUp(VK_MENU);
}

// Another program holds Ctrl+Alt+Right: Parmena says so, Alt+Win is chosen in the dialog, and
// Alt+Win+arrows switch. Its own Parmena, started while the driver holds the key.
void TakenHotkeys() {
    Outcome o;
    constexpr int HeldId = 0x7001;
    o.Check(RegisterHotKey(nullptr, HeldId, MOD_CONTROL | MOD_ALT, VK_RIGHT) != 0,
            "the driver could not register Ctrl+Alt+Right (error %lu)", GetLastError());
    Parmena p;
    const std::string why = StartParmena(p);
    // The message box is up while start-up goes on: it is the dialog this start must show.
    if (o.Check(why.empty() || why.rfind("unexpected dialog after start-up", 0) == 0, "Parmena did not start: %s",
                why.c_str())) {
        HWND box = nullptr;
        if (o.Check(WaitFor(10000, [&] { return (box = FindProcessWindow(p.pi.dwProcessId, "#32770", nullptr, true)); }),
                    "no message box about the taken keys")) {
            Shot("hotkeys-taken-message");
            std::string text;
            o.Check(DismissDialog(p.pi.dwProcessId, nullptr, 5000, &text), "the message box did not close");
            o.Check(text.find("Ctrl+Alt+Right") != std::string::npos &&
                        text.find("\"Navigation modifiers\"") != std::string::npos,
                    "the message names neither the key nor the setting: \"%s\"", text.c_str());
        }
        HWND sheet = nullptr;
        if (o.Ok() && o.Expect(OpenSettings(p, &sheet)) && o.Expect(GoToPage(sheet, PageDesktops))) {
            Chord(VK_MENU, 'M');  // the Navigation modifiers list
            Tap(VK_DOWN);         // Alt+Win
            ShotAfterPaint(sheet, "settings-navigation-modifiers");
            Tap(VK_RETURN);
            o.Expect(WaitClosed(sheet, p), "after Enter");
        }
        o.Expect(WaitDword("Preferences", "Navigation modifiers", 1));
        o.Expect(WaitDword("Preferences", "Switch hotkeys", 1), "choosing keys ticks \"Switch hotkeys\"");
        if (o.Ok()) {
            Sleep(500);
            InMessageLoop(p.pager, 5000);
            o.Expect(SettleAnchor(p.pager));
            const std::vector<HWND> ws = scene.Managed();
            const std::vector<RECT> base = Rects(ws);
            AltWinChord(VK_RIGHT);
            if (o.Expect(WaitPositions(Shifted(ws, base, -scene.screenW, 0), Sizes(base), 10000), "Alt+Win+Right")) {
                AltWinChord(VK_LEFT);
                o.Expect(WaitPositions(Shifted(ws, base, 0, 0), Sizes(base), 10000), "Alt+Win+Left");
            }
        }
        PostMessageA(p.pager, WM_COMMAND, 103, 0);
        DWORD code = 1;
        o.Check(WaitExit(p, 20000, &code) && code == 0, "Parmena did not close cleanly");
    }
    EndParmena(p);
    UnregisterHotKey(nullptr, HeldId);
    WriteDword("Preferences", "Navigation modifiers", 0);
    Report("settings_taken_hotkeys", o);
}

}  // namespace

std::vector<const char*> DialogScenarioNames() {
    return {"settings_pages",   "settings_grid_ok",      "settings_cancel",       "settings_apply",
            "settings_shortcut", "settings_window", "settings_run_at_logon", "settings_taken_hotkeys"};
}

void RunDialogScenarios() {
    Parmena p;
    const std::string why = StartParmena(p);
    if (!why.empty()) {
        for (const char* s : DialogScenarioNames()) ReportFail(s, "Parmena did not start: %s", why.c_str());
        EndParmena(p);
        return;
    }
    for (void (*scenario)(Parmena&) : {PageShots, GridByKeyboard, CancelKeepsRegistry, ApplyKeepsOpen, ShortcutAdded,
                                        RememberedWindowAdded, RunAtLogon}) {
        scenario(p);
        CloseLeftover(p);
    }
    PostMessageA(p.pager, WM_COMMAND, 103, 0);
    DWORD code = 0;
    WaitExit(p, 20000, &code);
    EndParmena(p);
    // Later runs and sessions expect the default grid.
    WriteDword("Preferences", "XResolution", 3);
    WriteDword("Preferences", "YResolution", 3);
    TakenHotkeys();
}

}  // namespace e2e
