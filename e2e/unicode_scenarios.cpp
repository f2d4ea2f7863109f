// Text beyond the code page under Wine: a window titled in several scripts is placed by its
// remembered pattern, a pattern an older build stored through the ANSI calls still matches, a
// shortcut to a program in a folder named in such text starts it (and so does its path typed
// into the command window), and the settings dialog shows the pattern.
#include "e2e/scene.h"

#include <commctrl.h>

#include <cstdio>
#include <string>
#include <vector>

namespace e2e {

namespace {

// CJK, an en dash, Greek, an emoji and a combining acute accent.
const wchar_t TitleText[] = L"\u65e5\u672c\u8a9e \u2013 \u03a9mega \U0001F389 e\u0301";
const wchar_t PatternText[] = L"*\u8a9e \u2013 \u03a9mega \U0001F389 e\u0301";
const wchar_t FolderName[] = L"\u674e\u660e \u03a9mega \U0001F389";
const char PositionsKey[] = "Window Positions";
constexpr int PositionListId = 1400;  // the Windows page's list (libs/parmdlg/dlgids.h)
constexpr int PageWindows = 3;

std::wstring KeyPath(const char* subKey) {
    std::wstring path;
    for (const char* c = RegRoot; *c; ++c) path += static_cast<wchar_t>(*c);
    path += L'\\';
    for (const char* c = subKey; *c; ++c) path += static_cast<wchar_t>(*c);
    return path;
}

bool WriteWide(const char* subKey, const wchar_t* name, const std::wstring& text) {
    HKEY k = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, KeyPath(subKey).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k,
                        nullptr) != ERROR_SUCCESS)
        return false;
    const LONG rc = RegSetValueExW(k, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(k);
    return rc == ERROR_SUCCESS;
}

// As a build that spoke to the registry through the ANSI calls stored its texts.
bool WriteAnsi(const char* subKey, const char* name, const char* text) {
    HKEY k = nullptr;
    const std::string path = std::string(RegRoot) + "\\" + subKey;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr) !=
        ERROR_SUCCESS)
        return false;
    const LONG rc = RegSetValueExA(k, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                                   static_cast<DWORD>(lstrlenA(text) + 1));
    RegCloseKey(k);
    return rc == ERROR_SUCCESS;
}

std::wstring ReadWide(const char* subKey, const wchar_t* name) {
    wchar_t buf[512] = L"";
    DWORD size = sizeof buf - sizeof buf[0];
    HKEY k = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, KeyPath(subKey).c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return L"";
    RegQueryValueExW(k, name, nullptr, nullptr, reinterpret_cast<BYTE*>(buf), &size);
    RegCloseKey(k);
    return buf;
}

std::string Utf8(const std::wstring& w) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, w.c_str(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<std::size_t>(n), '\0');
    if (n > 0) WideCharToMultiByte(CP_UTF8, 0, w.c_str(), static_cast<int>(w.size()), &s[0], n, nullptr, nullptr);
    return s;
}

// The scene's windows are ANSI ones, whose titles the system narrows to the code page: these
// are Unicode windows, on a thread of their own.
struct WideWindows {
    std::vector<std::wstring> titles;
    std::vector<RECT> rects;
    std::vector<HWND> windows;
    HANDLE ready = nullptr;
    HANDLE thread = nullptr;
    DWORD id = 0;
};

DWORD WINAPI WideWindowThread(void* arg) {
    auto* w = static_cast<WideWindows*>(arg);
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = L"ParmenaE2EUnicode";
    RegisterClassW(&wc);
    for (std::size_t i = 0; i < w->titles.size(); ++i) {
        const RECT& r = w->rects[i];
        HWND h = CreateWindowExW(0, wc.lpszClassName, w->titles[i].c_str(), WS_OVERLAPPEDWINDOW, r.left, r.top,
                                 r.right - r.left, r.bottom - r.top, nullptr, nullptr, wc.hInstance, nullptr);
        if (h) ShowWindow(h, SW_SHOWNOACTIVATE);
        w->windows.push_back(h);
    }
    MSG m;
    PeekMessageW(&m, nullptr, 0, 0, PM_NOREMOVE);
    SetEvent(w->ready);
    while (GetMessageW(&m, nullptr, 0, 0) > 0) DispatchMessageW(&m);
    for (HWND h : w->windows)
        if (h) DestroyWindow(h);
    return 0;
}

bool StartWideWindows(WideWindows& w) {
    w.ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    w.thread = CreateThread(nullptr, 0, WideWindowThread, &w, 0, &w.id);
    if (!w.thread || WaitForSingleObject(w.ready, 10000) != WAIT_OBJECT_0) return false;
    for (HWND h : w.windows)
        if (!h) return false;
    return true;
}

void StopWideWindows(WideWindows& w) {
    if (w.thread) {
        PostThreadMessageW(w.id, WM_QUIT, 0, 0);
        WaitForSingleObject(w.thread, 10000);
        CloseHandle(w.thread);
    }
    if (w.ready) CloseHandle(w.ready);
}

// Plain ASCII as key presses; every other unit through VK_PACKET, as an input method
// delivers text.
void TypeWide(const std::wstring& text) {
    for (wchar_t c : text) {
        const SHORT code = c < 0x80 ? VkKeyScanW(c) : -1;
        if (code != -1) {
            const WORD vk = LOBYTE(code);
            if (HIBYTE(code) & 1) KeyDown(VK_SHIFT);
            KeyDown(vk);
            KeyUp(vk);
            if (HIBYTE(code) & 1) KeyUp(VK_SHIFT);
            continue;
        }
        INPUT in[2] = {};
        for (int i = 0; i < 2; ++i) {
            in[i].type = INPUT_KEYBOARD;
            in[i].ki.wScan = c;
            in[i].ki.dwFlags = KEYEVENTF_UNICODE | (i ? KEYEVENTF_KEYUP : 0);
        }
        SendInput(2, in, sizeof(INPUT));
    }
}

void Tap(WORD vk) {
    KeyDown(vk);
    KeyUp(vk);
}

bool FileExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Brings up the command window with the shell hotkey, types the line and presses Enter.
std::string RunCommand(Parmena& p, const std::wstring& line) {
    MoveMouseTo(400, 300);
    SendHotkey(VK_SPACE);
    HWND command = nullptr;
    if (!WaitFor(5000, [&] {
            command = FindProcessWindow(p.pi.dwProcessId, "cmdlinewnd", nullptr, true);
            return command && GetForegroundWindow() == command;
        }))
        return "the shell hotkey did not bring up the command window";
    // Keys right after a foreground change can be lost under Wine.
    Sleep(300);
    wchar_t typed[512] = L"";
    auto holdsLine = [&] {
        // A control of another process answers only WM_GETTEXT itself, not GetWindowText.
        DWORD_PTR n = 0;
        SendMessageTimeoutW(GetWindow(command, GW_CHILD), WM_GETTEXT, 512, reinterpret_cast<LPARAM>(typed),
                            SMTO_NORMAL, 1000, &n);
        return line == typed;
    };
    holdsLine();
    const std::wstring before = typed;
    TypeWide(line);
    // When not one key arrived (the field still shows the last command, whole and selected),
    // Wine lost them on the way: the line is typed once more.
    if (!WaitFor(2000, holdsLine) && before == typed) {
        Info("no key reached the command window; typing again");
        TypeWide(line);
        WaitFor(2000, holdsLine);
    }
    if (line != typed) {
        GUITHREADINFO gui{};
        gui.cbSize = sizeof gui;
        GetGUIThreadInfo(GetWindowThreadProcessId(command, nullptr), &gui);
        return Format("the command window holds \"%s\" after typing (foreground %p, focus %p, edit %p)",
                      Utf8(typed).c_str(), static_cast<void*>(GetForegroundWindow()), static_cast<void*>(gui.hwndFocus),
                      static_cast<void*>(GetWindow(command, GW_CHILD)));
    }
    Tap(VK_RETURN);
    if (!WaitFor(5000, [&] { return !IsWindowVisible(command); })) return "Enter did not close the command window";
    return "";
}

// The text of a list view row in Parmena's process, read through memory lent in that process.
std::wstring RemoteItemText(HWND list, int row) {
    DWORD pid = 0;
    GetWindowThreadProcessId(list, &pid);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (!process) return L"";
    constexpr int Units = 512;
    auto* remote = static_cast<BYTE*>(
        VirtualAllocEx(process, nullptr, sizeof(LVITEMW) + Units * sizeof(wchar_t), MEM_COMMIT, PAGE_READWRITE));
    std::wstring text;
    if (remote) {
        LVITEMW item{};
        item.iSubItem = 0;
        item.cchTextMax = Units;
        item.pszText = reinterpret_cast<wchar_t*>(remote + sizeof(LVITEMW));
        wchar_t buf[Units] = L"";
        SIZE_T done = 0;
        DWORD_PTR length = 0;
        if (WriteProcessMemory(process, remote, &item, sizeof item, &done) &&
            SendMessageTimeoutW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(remote),
                                SMTO_NORMAL, 2000, &length) &&
            ReadProcessMemory(process, remote + sizeof(LVITEMW), buf, sizeof buf, &done)) {
            buf[Units - 1] = L'\0';
            text = buf;
        }
        VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    }
    CloseHandle(process);
    return text;
}

std::string SettingsShowPattern(Parmena& p) {
    PostMessageA(p.pager, WM_COMMAND, 102, 0);
    HWND sheet = nullptr;
    if (!WaitFor(10000, [&] { return (sheet = FindProcessWindow(p.pi.dwProcessId, "#32770", "Parmena Settings", true)); }))
        return "the settings dialog did not open";
    Responsive(sheet, 2000);
    DWORD_PTR page = 0;
    SendMessageTimeoutW(sheet, PSM_SETCURSEL, PageWindows, 0, SMTO_NORMAL, 2000, nullptr);
    SendMessageTimeoutW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0, SMTO_NORMAL, 2000, &page);
    HWND list = page ? GetDlgItem(reinterpret_cast<HWND>(page), PositionListId) : nullptr;
    std::string why;
    if (!list) {
        why = "the Windows page has no list of remembered windows";
    } else {
        ShotAfterPaint(sheet, "unicode-settings-windows");
        DWORD_PTR rows = 0;
        SendMessageTimeoutW(list, LVM_GETITEMCOUNT, 0, 0, SMTO_NORMAL, 2000, &rows);
        std::string seen;
        bool found = false;
        for (int r = 0; r < static_cast<int>(rows); ++r) {
            const std::wstring text = RemoteItemText(list, r);
            found = found || text == PatternText;
            seen += (seen.empty() ? "\"" : ", \"") + Utf8(text) + "\"";
        }
        if (!found) why = Format("the list shows %s, not \"%s\"", seen.c_str(), Utf8(PatternText).c_str());
    }
    PostMessageA(sheet, WM_COMMAND, IDCANCEL, 0);
    if (!WaitFor(10000, [&] { return !IsWindow(sheet); }) && why.empty()) why = "the dialog did not close on Cancel";
    return why;
}

void RunAll() {
    Outcome placed, shortcut, dialog;
    DeleteTree(HKEY_CURRENT_USER, (std::string(RegRoot) + "\\" + PositionsKey).c_str());
    // "Caf\xE9" is é in the ANSI code pages of Western Europe; whatever the code page makes of
    // it, the system's own UTF-16 reading is the title that must match.
    placed.Check(WriteDword(PositionsKey, "Count", 2) && WriteWide(PositionsKey, L"Pos0Name", PatternText) &&
                     WriteDword(PositionsKey, "Pos0Pos", 0x0001) && WriteAnsi(PositionsKey, "Pos1Name", "Caf\xE9*") &&
                     WriteDword(PositionsKey, "Pos1Pos", 0x0100) && WriteDword(PositionsKey, "ResetAtStart", 1),
                 "could not store the remembered windows");
    std::wstring oldTitle = ReadWide(PositionsKey, L"Pos1Name");
    if (!oldTitle.empty()) oldTitle.pop_back();
    oldTitle += L" \u2013 stored the old way";
    Info("the ANSI code page is %u; \"Caf\\xE9*\" reads back as \"%s\"", GetACP(),
         Utf8(ReadWide(PositionsKey, L"Pos1Name")).c_str());

    wchar_t temp[MAX_PATH] = L"";
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + FolderName;
    wchar_t self[MAX_PATH] = L"";
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring program = folder + L"\\marker.exe";
    DeleteFileW((folder + L"\\shortcut.txt").c_str());
    DeleteFileW((folder + L"\\typed.txt").c_str());
    shortcut.Check(CopyFileW(self, program.c_str(), FALSE) != 0, "could not copy the driver into %s",
                   Utf8(folder).c_str());
    shortcut.Check(WriteWide("Shortcuts", L"uni", L"0" + folder + L"|\"" + program + L"\" touch shortcut.txt"),
                   "could not store the shortcut");

    WideWindows windows;
    windows.titles = {TitleText, oldTitle};
    windows.rects = {RECT{200, 150, 500, 350}, RECT{260, 220, 560, 420}};
    const bool up = StartWideWindows(windows);
    placed.Check(up, "the Unicode windows could not be created");
    Parmena p;
    const std::string why = StartParmena(p);
    placed.Expect(why, "Parmena did not start");
    shortcut.Expect(why, "Parmena did not start");
    dialog.Expect(why, "Parmena did not start");
    if (up && why.empty()) {
        const std::vector<SIZE> sizes = {SIZE{300, 200}, SIZE{300, 200}};
        placed.Expect(WaitPositions({{windows.windows[0], 200 + scene.screenW, 150},
                                     {windows.windows[1], 260, 220 + scene.screenH}},
                                    sizes, 10000),
                      "remembered windows at start");
        dialog.Expect(SettingsShowPattern(p));
        if (shortcut.Expect(RunCommand(p, L"uni"), "the shortcut"))
            shortcut.Check(WaitFor(15000, [&] { return FileExists(folder + L"\\shortcut.txt"); }),
                           "the shortcut did not start %s", Utf8(program).c_str());
        // The started program's own start and end move the foreground under Wine; the next
        // command window must not come up in the middle of that.
        Sleep(1500);
        if (shortcut.Expect(RunCommand(p, L"\"" + program + L"\" touch typed.txt"), "the typed path"))
            shortcut.Check(WaitFor(15000, [&] { return FileExists(folder + L"\\typed.txt"); }),
                           "the typed path did not start %s", Utf8(program).c_str());
    }
    if (Running(p)) {
        PostMessageA(p.pager, WM_COMMAND, 103, 0);
        DWORD code = 0;
        WaitExit(p, 20000, &code);
    }
    EndParmena(p);
    StopWideWindows(windows);
    DeleteTree(HKEY_CURRENT_USER, (std::string(RegRoot) + "\\" + PositionsKey).c_str());
    DeleteTree(HKEY_CURRENT_USER, (std::string(RegRoot) + "\\Shortcuts").c_str());
    Report("unicode_remembered", placed);
    Report("unicode_shortcut", shortcut);
    Report("unicode_settings", dialog);
}

}  // namespace

std::vector<const char*> UnicodeScenarioNames() {
    return {"unicode_remembered", "unicode_shortcut", "unicode_settings"};
}

void RunUnicodeScenarios() { RunAll(); }

// parmdriver touch NAME: the program a scenario's shortcut starts; it leaves NAME beside itself.
int RunTouch(int argc, char** argv) {
    if (argc < 3) return 2;
    wchar_t self[MAX_PATH] = L"";
    const DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self, n);
    path.erase(path.find_last_of(L'\\') + 1);
    for (const char* c = argv[2]; *c; ++c) path += static_cast<wchar_t>(*c);
    HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return 1;
    CloseHandle(f);
    return 0;
}

// parmdriver unicode: these scenarios alone.
int RunGroupAlone(const std::vector<const char*>& names, void (*run)(), bool withHungThread) {
    std::string plan = "PLAN";
    for (const char* s : names) plan += std::string(" ") + s;
    std::printf("%s\n", plan.c_str());
    std::fflush(stdout);
    guardChords = true;
    const std::string why = SetUpScene(withHungThread);
    if (why.empty() && ParmenaPresent()) {
        std::vector<HWND> watched = scene.Managed();
        StartTimeline(watched);
        run();
    }
    else
        for (const char* s : names) ReportFail(s, "set-up failed: %s", why.c_str());
    TearDownScene();
    return FailCount() ? 1 : 0;
}

int RunUnicodeOnly() { return RunGroupAlone(UnicodeScenarioNames(), RunUnicodeScenarios); }

}  // namespace e2e
