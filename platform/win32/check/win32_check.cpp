// Checks of the Win32 backend and the two companion libraries against the real system
// (run under Wine by run.sh). Built outside the product: it links libparmena_win32.a.
//   win32_check [--expect-missing parmm.dll|parmdlg.dll]
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>

#include "platform/display.h"
#include "platform/win32/win.h"

#include "libs/parmm/actions.h"

namespace {

// The plat constants of these names are hidden by the Win32 macros here.
const plat::Hkey Hkcu = reinterpret_cast<plat::Hkey>(HKEY_CURRENT_USER);
const plat::Handle NoHandle = reinterpret_cast<plat::Handle>(INVALID_HANDLE_VALUE);

int failures = 0;
int checks = 0;

#define CHECK(cond)                                                             \
    do {                                                                        \
        ++checks;                                                               \
        if (!(cond)) {                                                          \
            ++failures;                                                         \
            std::printf("FAIL %s:%d: %s\n", __FILE__, __LINE__, #cond);         \
        }                                                                       \
    } while (0)

// ---- window wrappers: class registration, plat callbacks, messages, long values

int createCount = 0;
plat::LParam lastUserParam = 0;

plat::LResult PLAT_CALLBACK TestProc(plat::Hwnd w, std::uint32_t msg, plat::WParam wp,
                                     plat::LParam lp) {
    if (msg == WM_CREATE) ++createCount;
    if (msg == WM_USER + 5) {
        lastUserParam = lp;
        return static_cast<plat::LResult>(wp * 2);
    }
    return plat::DefWindowProc(w, msg, wp, lp);
}

int enumSeen = 0;
plat::Hwnd enumTarget = nullptr;
plat::Bool PLAT_CALLBACK CountWindows(plat::Hwnd w, plat::LParam lp) {
    if (w == enumTarget && lp == 77) ++enumSeen;
    return TRUE;
}

std::uintptr_t callbackData = 0;
plat::LResult callbackResult = 0;
void PLAT_CALLBACK SendDone(plat::Hwnd, std::uint32_t, std::uintptr_t data, plat::LResult r) {
    callbackData = data;
    callbackResult = r;
}

void CheckWindows(plat::Hinstance inst) {
    plat::WndClass wc{};
    wc.lpfnWndProc = TestProc;
    wc.hInstance = inst;
    wc.hCursor = plat::LoadCursor(nullptr, plat::MakeIntResource(32512));
    wc.lpszClassName = "Win32CheckClass";
    CHECK(wc.hCursor != nullptr);
    CHECK(plat::RegisterClass(&wc) != 0);

    plat::Hwnd w = plat::CreateWindowEx(WS_EX_TOOLWINDOW, "Win32CheckClass", "check",
                                         WS_POPUP, 10, 20, 130, 140, nullptr, nullptr, inst,
                                         nullptr);
    CHECK(w != nullptr);
    CHECK(createCount == 1);
    CHECK(plat::SendMessage(w, WM_USER + 5, 21, -9) == 42);
    CHECK(lastUserParam == -9);

    std::uintptr_t answer = 0;
    CHECK(plat::SendMessageTimeout(w, WM_USER + 5, 50, 1, SMTO_ABORTIFHUNG, 40, &answer) != 0);
    CHECK(answer == 100);
    CHECK(plat::SendMessageTimeout(w, WM_USER + 5, 1, 1, SMTO_NORMAL, 40, nullptr) != 0);

    // The callback of a message sent to a window of our own thread comes through the queue.
    CHECK(plat::SendMessageCallback(w, WM_USER + 5, 8, 0, SendDone, 1234));
    plat::Msg m{};
    for (int i = 0; i < 50 && callbackData == 0; ++i) {
        while (PeekMessageA(reinterpret_cast<MSG*>(&m), nullptr, 0, 0, PM_REMOVE)) {
            plat::TranslateMessage(&m);
            plat::DispatchMessage(&m);
        }
        if (callbackData == 0) plat::Sleep(5);
    }
    CHECK(callbackData == 1234);
    CHECK(callbackResult == 16);

    plat::Rect r{};
    CHECK(plat::GetWindowRect(w, &r));
    CHECK(r.left == 10 && r.top == 20 && r.right == 140 && r.bottom == 160);
    CHECK(plat::SetWindowPos(w, nullptr, -3000, 5, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE));
    CHECK(plat::GetWindowRect(w, &r) && r.left == -3000 && r.top == 5 && r.right == -2870);

    plat::Hdwp batch = plat::BeginDeferWindowPos(1);
    CHECK(batch != nullptr);
    batch = plat::DeferWindowPos(batch, w, nullptr, 40, 50, 0, 0,
                                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    CHECK(batch != nullptr && plat::EndDeferWindowPos(batch));
    CHECK(plat::GetWindowRect(w, &r) && r.left == 40 && r.top == 50);

    plat::Point p{1, 2};
    CHECK(plat::ClientToScreen(w, &p));
    CHECK(p.x == 41 && p.y == 52);  // popup without border: client origin is the window's

    // The window procedure read back through the Ptr wrappers must be callable.
    auto proc = reinterpret_cast<plat::WndProc>(plat::GetWindowLongPtr(w, GWLP_WNDPROC));
    CHECK(proc != nullptr);
    CHECK(plat::CallWindowProc(proc, w, WM_USER + 5, 4, 0) == 8);
    plat::SetWindowLongPtr(w, GWLP_USERDATA, -12345);
    CHECK(plat::GetWindowLongPtr(w, GWLP_USERDATA) == -12345);

    char text[8];
    CHECK(plat::SetWindowText(w, "abcdefghij"));
    CHECK(plat::GetWindowText(w, text, sizeof text) == 7);
    CHECK(std::strcmp(text, "abcdefg") == 0);
    char cls[64];
    CHECK(plat::GetClassName(w, cls, sizeof cls) > 0 && std::strcmp(cls, "Win32CheckClass") == 0);

    enumTarget = w;
    CHECK(plat::EnumDesktopWindows(nullptr, CountWindows, 77));
    CHECK(enumSeen == 1);

    // Posted messages round-trip through the plat Msg record.
    CHECK(plat::PostMessage(w, WM_USER + 9, 0xABCD, -2));
    CHECK(plat::PostThreadMessage(plat::GetCurrentThreadId(), WM_USER + 10, 1, 2));
    plat::PostQuitMessage(3);
    bool sawPost = false, sawThread = false;
    int quitCode = -1;
    while (int got = plat::GetMessage(&m, nullptr, 0, 0)) {
        if (got < 0) break;
        if (m.message == WM_USER + 9 && m.hwnd == w && m.wParam == 0xABCD && m.lParam == -2)
            sawPost = true;
        if (m.message == WM_USER + 10 && m.hwnd == nullptr && m.wParam == 1 && m.lParam == 2)
            sawThread = true;
        plat::DispatchMessage(&m);
    }
    quitCode = static_cast<int>(m.wParam);
    CHECK(m.message == WM_QUIT && quitCode == 3);
    CHECK(sawPost && sawThread);

    CHECK(plat::DestroyWindow(w));
    CHECK(!plat::IsWindow(w));
    CHECK(plat::UnregisterClass("Win32CheckClass", inst));
}

// ---- GDI: handles and records pass through to a real drawing

void CheckGdi() {
    plat::Hdc screen = plat::GetDC(nullptr);
    plat::Hdc mem = plat::CreateCompatibleDC(screen);
    plat::Hgdi bmp = plat::CreateCompatibleBitmap(screen, 20, 20);
    plat::Hgdi oldBmp = plat::SelectObject(mem, bmp);
    plat::Hgdi brush = plat::CreateSolidBrush(RGB(0, 0, 255));
    plat::Rect part{2, 3, 6, 7};
    CHECK(plat::FillRect(mem, &part, brush) != 0);
    CHECK(GetPixel(reinterpret_cast<HDC>(mem), 5, 6) == RGB(0, 0, 255));
    CHECK(GetPixel(reinterpret_cast<HDC>(mem), 6, 7) != RGB(0, 0, 255));

    plat::LogFont lf{};
    lf.lfHeight = -11;
    std::strcpy(lf.lfFaceName, "Tahoma");
    plat::Hgdi font = plat::CreateFontIndirect(&lf);
    plat::Hgdi oldFont = plat::SelectObject(mem, font);
    plat::Size one{}, two{};
    CHECK(plat::GetTextExtentPoint(mem, "Wide", 4, &one));
    CHECK(plat::GetTextExtentPoint(mem, "WideWide", 8, &two));
    CHECK(one.cx > 0 && one.cy > 0 && two.cx > one.cx && two.cy == one.cy);

    plat::SelectObject(mem, oldFont);
    plat::SelectObject(mem, oldBmp);
    plat::DeleteObject(font);
    plat::DeleteObject(brush);
    plat::DeleteObject(bmp);
    plat::DeleteDC(mem);
    plat::ReleaseDC(nullptr, screen);
}

// ---- monitors: the enumeration callback and the records pass through

plat::Bool PLAT_CALLBACK CountMonitor(plat::Hmonitor m, plat::Hdc, plat::Rect* r, plat::LParam lp) {
    plat::MonitorInfo info{};
    info.cbSize = sizeof info;
    if (plat::GetMonitorInfoW(m, &info) && r && info.rcMonitor.right == r->right) ++*reinterpret_cast<int*>(lp);
    return 1;
}

void CheckMonitors() {
    int seen = 0;
    CHECK(plat::EnumDisplayMonitors(nullptr, nullptr, CountMonitor, reinterpret_cast<plat::LParam>(&seen)));
    CHECK(seen >= 1 && seen == GetSystemMetrics(SM_CMONITORS));
    const plat::Hmonitor distant = plat::MonitorFromPoint(plat::Point{-100000, -100000}, 2 /* nearest */);
    CHECK(distant != nullptr);
    CHECK(plat::MonitorFromPoint(plat::Point{-100000, -100000}, 0 /* null */) == nullptr);
    plat::MonitorInfo info{};
    info.cbSize = sizeof info;
    CHECK(plat::GetMonitorInfoW(distant, &info));
    const plat::Rect inside{info.rcMonitor.left + 1, info.rcMonitor.top + 1, info.rcMonitor.left + 5,
                            info.rcMonitor.top + 5};
    CHECK(plat::MonitorFromRect(&inside, 0) == distant);
    CHECK(info.rcWork.right > info.rcWork.left && info.rcWork.bottom > info.rcWork.top);
    const std::uint32_t dpi = plat::GetDpiForMonitor(distant);
    CHECK(dpi >= 72 && dpi <= 480);
}

// ---- registry: the in/out counts travel through local DWORDs

void CheckRegistry() {
    const char* path = "Software\\ParmenaWin32Check";
    plat::Hkey key = nullptr;
    std::uint32_t disposition = 0xDEAD;
    CHECK(plat::RegCreateKeyEx(Hkcu, path, 0, nullptr,
                                REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                                &disposition) == ERROR_SUCCESS);
    CHECK(key != nullptr);
    CHECK(disposition == REG_CREATED_NEW_KEY || disposition == REG_OPENED_EXISTING_KEY);

    const std::uint32_t number = 0x12345678;
    CHECK(plat::RegSetValueEx(key, "Number", 0, REG_DWORD,
                               reinterpret_cast<const std::uint8_t*>(&number), 4) == 0);
    const char text[] = "hello registry";
    CHECK(plat::RegSetValueEx(key, "Text", 0, REG_SZ,
                               reinterpret_cast<const std::uint8_t*>(text), sizeof text) == 0);

    std::uint32_t type = 0, value = 0, cb = 4;
    CHECK(plat::RegQueryValueEx(key, "Number", nullptr, &type,
                                 reinterpret_cast<std::uint8_t*>(&value), &cb) == 0);
    CHECK(type == REG_DWORD && value == number && cb == 4);

    // Too small a buffer: the needed size comes back through cbData.
    char small[4];
    cb = sizeof small;
    CHECK(plat::RegQueryValueEx(key, "Text", nullptr, &type,
                                 reinterpret_cast<std::uint8_t*>(small), &cb) == ERROR_MORE_DATA);
    CHECK(cb == sizeof text);
    // Size query without a buffer.
    cb = 0;
    CHECK(plat::RegQueryValueEx(key, "Text", nullptr, nullptr, nullptr, &cb) == 0);
    CHECK(cb == sizeof text);

    char name[32];
    std::uint32_t cch = sizeof name, enumType = 0;
    int found = 0;
    for (std::uint32_t i = 0;; ++i) {
        cch = sizeof name;
        if (plat::RegEnumValue(key, i, name, &cch, nullptr, &enumType, nullptr, nullptr) != 0)
            break;
        if (std::strcmp(name, "Text") == 0 && cch == 4 && enumType == REG_SZ) ++found;
        if (std::strcmp(name, "Number") == 0 && cch == 6 && enumType == REG_DWORD) ++found;
    }
    CHECK(found == 2);

    CHECK(plat::RegDeleteValue(key, "Number") == 0);
    CHECK(plat::RegQueryValueEx(key, "Number", nullptr, nullptr, nullptr, nullptr) ==
          ERROR_FILE_NOT_FOUND);
    CHECK(plat::RegCloseKey(key) == 0);

    plat::Hkey again = nullptr;
    CHECK(plat::RegOpenKeyEx(Hkcu, path, 0, KEY_READ, &again) == 0);
    CHECK(again != nullptr && plat::RegCloseKey(again) == 0);
    RegDeleteKeyA(HKEY_CURRENT_USER, path);
    CHECK(plat::RegOpenKeyEx(Hkcu, path, 0, KEY_READ, &again) ==
          ERROR_FILE_NOT_FOUND);
}

// ---- kernel: threads, events, named mapping and mutex, file search

std::uint32_t seenThreadId = 0;
std::uint32_t PLAT_CALLBACK ThreadBody(void* arg) {
    seenThreadId = plat::GetCurrentThreadId();
    plat::SetEvent(static_cast<plat::Handle>(arg));
    return 5;
}

void CheckKernel(const char* ownPath) {
    plat::Handle ev = plat::CreateEvent(nullptr, TRUE, FALSE, nullptr);
    std::uint32_t id = 0;
    plat::Handle t = plat::CreateThread(nullptr, 0, ThreadBody, ev, 0, &id);
    CHECK(t != nullptr && id != 0);
    CHECK(plat::WaitForSingleObject(ev, 5000) == WAIT_OBJECT_0);
    plat::Handle both[2] = {t, ev};
    CHECK(plat::WaitForMultipleObjects(2, both, TRUE, 5000) < 2);
    CHECK(seenThreadId == id);
    DWORD code = 0;
    CHECK(GetExitCodeThread(reinterpret_cast<HANDLE>(t), &code) && code == 5);
    CHECK(plat::CloseHandle(t) && plat::CloseHandle(ev));

    const char* name = "parmena.win32check.map";
    plat::Handle map = plat::CreateFileMapping(NoHandle, nullptr,
                                                PAGE_READWRITE, 0, 0x29538, name);
    CHECK(map != nullptr && plat::GetLastError() != ERROR_ALREADY_EXISTS);
    auto* view = static_cast<std::uint8_t*>(plat::MapViewOfFile(map, FILE_MAP_WRITE, 0, 0, 0));
    CHECK(view != nullptr);
    if (view) {
        CHECK(view[0x29537] == 0);
        view[0x490] = 7;
    }
    plat::Handle second = plat::CreateFileMapping(NoHandle, nullptr,
                                                   PAGE_READWRITE, 0, 0x29538, name);
    CHECK(second != nullptr && plat::GetLastError() == ERROR_ALREADY_EXISTS);
    auto* view2 = static_cast<std::uint8_t*>(plat::MapViewOfFile(second, FILE_MAP_WRITE, 0, 0, 0));
    CHECK(view2 != nullptr && view2[0x490] == 7);
    CHECK(plat::UnmapViewOfFile(view2) && plat::CloseHandle(second));
    CHECK(plat::UnmapViewOfFile(view) && plat::CloseHandle(map));

    plat::Handle mtx = plat::CreateMutex(nullptr, FALSE, "parmena.win32check.mutex");
    CHECK(mtx != nullptr);
    CHECK(plat::WaitForSingleObject(mtx, 500) == WAIT_OBJECT_0);
    CHECK(plat::ReleaseMutex(mtx));
    CHECK(!plat::ReleaseMutex(mtx));  // not owned any more
    CHECK(plat::CloseHandle(mtx));

    plat::Win32FindData fd{};
    plat::Handle find = plat::FindFirstFile(ownPath, &fd);
    CHECK(find != NoHandle);
    const char* base = std::strrchr(ownPath, '\\');
    CHECK(base && _stricmp(fd.cFileName, base + 1) == 0);
    CHECK((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && fd.nFileSizeLow > 0);
    CHECK(!plat::FindNextFile(find, &fd));
    CHECK(plat::FindClose(find));
    CHECK(plat::FindFirstFile("C:\\no\\such\\place\\*", &fd) == NoHandle);

    SetEnvironmentVariableA("PARMENA_CHECK", "abc");
    char expanded[32];
    CHECK(plat::ExpandEnvironmentStrings("x%PARMENA_CHECK%y", expanded, sizeof expanded) == 6);
    CHECK(std::strcmp(expanded, "xabcy") == 0);
}

// ---- UTF-8 at the boundary: what the system holds as UTF-16 comes back as UTF-8, cut before
// a character, and what an older build wrote through the ANSI calls reads back the same.

const char Mixed[] = "\xE6\x97\xA5\xE6\x9C\xAC \xCE\xA9mega \xF0\x9F\x8E\x89 e\xCC\x81";  // 日本 Ωmega 🎉 é
const wchar_t MixedWide[] = L"\u65e5\u672c \u03a9mega \U0001F389 e\u0301";

void CheckUnicode(plat::Hinstance inst) {
    plat::WndClass wc{};
    wc.lpfnWndProc = TestProc;
    wc.hInstance = inst;
    wc.lpszClassName = "Win32Check\xCE\xA9";
    CHECK(plat::RegisterClass(&wc) != 0);
    plat::Hwnd w = plat::CreateWindowEx(0, wc.lpszClassName, Mixed, WS_POPUP, 0, 0, 50, 50, nullptr,
                                         nullptr, inst, nullptr);
    CHECK(w != nullptr);
    wchar_t wide[64] = L"";
    GetWindowTextW(reinterpret_cast<HWND>(w), wide, 64);
    CHECK(std::wcscmp(wide, MixedWide) == 0);
    CHECK(IsWindowUnicode(reinterpret_cast<HWND>(w)));
    char text[64];
    CHECK(plat::GetWindowText(w, text, sizeof text) == static_cast<int>(sizeof Mixed - 1));
    CHECK(std::strcmp(text, Mixed) == 0);
    // 7 bytes hold 日 and 本 (3 each) but not the space after them... 8 bytes hold the space.
    CHECK(plat::GetWindowText(w, text, 6) == 3 && std::strcmp(text, "\xE6\x97\xA5") == 0);
    CHECK(plat::GetWindowText(w, text, 8) == 7 && text[6] == ' ');
    // The emoji is two UTF-16 units and four bytes: never half of it.
    const int emoji = static_cast<int>(std::strstr(Mixed, "\xF0") - Mixed);
    CHECK(plat::GetWindowText(w, text, emoji + 4) == emoji);
    CHECK(plat::GetClassName(w, text, sizeof text) > 0 && std::strcmp(text, wc.lpszClassName) == 0);
    CHECK(plat::SetWindowText(w, "\xCE\xB1\xCE\xB2"));
    GetWindowTextW(reinterpret_cast<HWND>(w), wide, 64);
    CHECK(std::wcscmp(wide, L"\u03b1\u03b2") == 0);

    plat::Hdc screen = plat::GetDC(nullptr);
    plat::Size one{}, all{};
    CHECK(plat::GetTextExtentPoint(screen, Mixed, 3, &one) && one.cx > 0);
    CHECK(plat::GetTextExtentPoint(screen, Mixed, static_cast<int>(sizeof Mixed - 1), &all));
    CHECK(all.cx > one.cx);
    plat::ReleaseDC(nullptr, screen);
    plat::DestroyWindow(w);
    plat::UnregisterClass(wc.lpszClassName, inst);

    const char* path = "Software\\ParmenaWin32CheckUnicode";
    plat::Hkey key = nullptr;
    CHECK(plat::RegCreateKeyEx(Hkcu, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                                nullptr, &key, nullptr) == ERROR_SUCCESS);
    // Written as an older build did, through the ANSI call, in the ANSI code page.
    char ansi[8] = "Caf?";
    WCHAR eAcute = 0xE9;
    BOOL lost = FALSE;
    const bool representable =
        WideCharToMultiByte(CP_ACP, 0, &eAcute, 1, ansi + 3, 1, nullptr, &lost) == 1 && !lost;
    CHECK(RegSetValueExA(reinterpret_cast<HKEY>(key), "Old", 0, REG_SZ,
                         reinterpret_cast<const BYTE*>(ansi), 5) == ERROR_SUCCESS);
    char got[16] = "";
    std::uint32_t cb = sizeof got, type = 0;
    CHECK(plat::RegQueryValueEx(key, "Old", nullptr, &type, reinterpret_cast<std::uint8_t*>(got),
                                 &cb) == ERROR_SUCCESS);
    CHECK(type == REG_SZ);
    if (representable) CHECK(cb == 6 && std::strcmp(got, "Caf\xC3\xA9") == 0);
    // Written now: UTF-16 underneath, sizes in bytes of UTF-8 on this side.
    CHECK(plat::RegSetValueEx(key, "\xCE\xA9", 0, REG_SZ,
                               reinterpret_cast<const std::uint8_t*>(Mixed), sizeof Mixed) == 0);
    wchar_t stored[64] = L"";
    DWORD wcb = sizeof stored;
    CHECK(RegQueryValueExW(reinterpret_cast<HKEY>(key), L"\u03a9", nullptr, nullptr,
                           reinterpret_cast<BYTE*>(stored), &wcb) == ERROR_SUCCESS);
    CHECK(std::wcscmp(stored, MixedWide) == 0 && wcb == sizeof MixedWide);
    cb = 0;
    CHECK(plat::RegQueryValueEx(key, "\xCE\xA9", nullptr, nullptr, nullptr, &cb) == 0 &&
          cb == sizeof Mixed);
    cb = 5;
    CHECK(plat::RegQueryValueEx(key, "\xCE\xA9", nullptr, nullptr,
                                 reinterpret_cast<std::uint8_t*>(got), &cb) == ERROR_MORE_DATA &&
          cb == sizeof Mixed);
    char name[8], data[64];
    int seen = 0;
    for (std::uint32_t i = 0;; ++i) {
        std::uint32_t cch = sizeof name, size = sizeof data, kind = 0;
        const long rc = plat::RegEnumValue(key, i, name, &cch, nullptr, &kind,
                                            reinterpret_cast<std::uint8_t*>(data), &size);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        CHECK(rc == ERROR_SUCCESS);
        if (rc != ERROR_SUCCESS) break;
        if (std::strcmp(name, "\xCE\xA9") == 0 && cch == 2 && size == sizeof Mixed &&
            std::strcmp(data, Mixed) == 0)
            ++seen;
    }
    CHECK(seen == 1);
    plat::RegCloseKey(key);
    RegDeleteKeyA(HKEY_CURRENT_USER, path);

    // A file and a variable named beyond the code page.
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring file = std::wstring(temp) + L"\u674e\u660e \U0001F389.txt";
    HANDLE f = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    CHECK(f != INVALID_HANDLE_VALUE);
    CloseHandle(f);
    char pattern[plat::MaxPathBytes];
    plat::ExpandEnvironmentStrings("%TEMP%", pattern, sizeof pattern);
    std::strcat(pattern, "\\\xE6\x9D\x8E*");
    plat::Win32FindData fd{};
    plat::Handle find = plat::FindFirstFile(pattern, &fd);
    CHECK(find != NoHandle && std::strcmp(fd.cFileName, "\xE6\x9D\x8E\xE6\x98\x8E \xF0\x9F\x8E\x89.txt") == 0);
    if (find != NoHandle) plat::FindClose(find);
    DeleteFileW(file.c_str());
    SetEnvironmentVariableW(L"PARMENA_CHECK", L"\u03a9");
    char expanded[16];
    CHECK(plat::ExpandEnvironmentStrings("<%PARMENA_CHECK%>", expanded, sizeof expanded) == 5);
    CHECK(std::strcmp(expanded, "<\xCE\xA9>") == 0);
    CHECK(plat::ExpandEnvironmentStrings("<%PARMENA_CHECK%>", expanded, 4) == 5);
}

// ---- companion libraries

bool startCalled = false;
void PLAT_CALLBACK StartRoutine() { startCalled = true; }

struct DialogJob {
    int which;  // 0 about, 1 settings
    int result;
};

std::uint32_t PLAT_CALLBACK DialogThread(void* arg) {
    auto* job = static_cast<DialogJob*>(arg);
    if (job->which == 0)
        plat::ShowAboutDlg(StartRoutine);
    else
        job->result = plat::ShowPrefDlg(nullptr, plat::GetClickFuncs(), plat::GetMoveFuncs(),
                                        -1, nullptr);
    return 0;
}

// Opens the dialog on its own thread, finds it by caption, sends it `msg`/`wp` and waits
// for the call to return. Returns false when the dialog never appeared or never closed.
bool RunDialog(DialogJob* job, const char* caption, UINT msg, WPARAM wp) {
    plat::Handle t = plat::CreateThread(nullptr, 0, DialogThread, job, 0, nullptr);
    HWND dlg = nullptr;
    for (int i = 0; i < 500 && !dlg; ++i) {
        dlg = FindWindowA(nullptr, caption);
        if (!dlg) Sleep(10);
    }
    bool shown = dlg != nullptr;
    bool ownCaption = false;
    if (dlg) {
        LONG style = GetWindowLongA(dlg, GWL_STYLE);
        ownCaption = (style & WS_CAPTION) == WS_CAPTION && GetParent(dlg) == nullptr;
        if (msg == WM_COMMAND)
            SendMessageA(dlg, msg, wp, 0);
        else
            PostMessageA(dlg, msg, wp, 0);
    }
    bool ended = plat::WaitForSingleObject(t, 5000) == WAIT_OBJECT_0;
    plat::CloseHandle(t);
    return shown && ownCaption && ended && FindWindowA(nullptr, caption) == nullptr;
}

void CheckLibrariesLoaded() {
    char what[128] = "unchanged";
    CHECK(plat::LoadCompanionLibraries(what, sizeof what));
    CHECK(what[0] == '\0');
    CHECK(plat::LoadCompanionLibraries(what, sizeof what));  // a second call keeps them

    auto* clicks = reinterpret_cast<const MouseAction*>(
        static_cast<std::uintptr_t>(plat::GetClickFuncs()));
    auto* drags = reinterpret_cast<const MouseAction*>(
        static_cast<std::uintptr_t>(plat::GetMoveFuncs()));
    CHECK(clicks != nullptr && drags != nullptr && clicks != drags);
    if (clicks && drags) {
        CHECK(CountMouseActions(clicks, 64) > 0 && CountMouseActions(drags, 64) > 0);
        CHECK(FindMouseAction(clicks, 101) != nullptr && FindMouseAction(drags, 206) != nullptr);
    }

    // A block the size of the shared one; the hook only keeps its address.
    static std::uint8_t block[0x29538];
    HANDLE mutex = CreateMutexA(nullptr, FALSE, nullptr);
    std::uint32_t hook = plat::SetMBHook(block, reinterpret_cast<plat::Handle>(mutex));
    CHECK(hook != 0);
    // Mouse input still flows while the hook is in: a synthetic move reaches the cursor.
    POINT before{};
    GetCursorPos(&before);
    CHECK(plat::SetCursorPos(before.x + 3, before.y + 2));
    plat::Point after{};
    CHECK(plat::GetCursorPos(&after) && after.x == before.x + 3 && after.y == before.y + 2);
    plat::RemoveMBHook(hook);
    CHECK(!UnhookWindowsHookEx(reinterpret_cast<HHOOK>(static_cast<std::uintptr_t>(hook))));
    plat::RemoveMBHook(0);  // harmless
    CloseHandle(mutex);

    DialogJob about{0, -1};
    CHECK(RunDialog(&about, "About Parmena", WM_COMMAND, IDOK));
    CHECK(!startCalled);

    DialogJob ok{1, -1};
    CHECK(RunDialog(&ok, "Parmena Settings", WM_COMMAND, IDOK));
    CHECK(ok.result == 1);
    DialogJob cancel{1, -1};
    CHECK(RunDialog(&cancel, "Parmena Settings", WM_COMMAND, IDCANCEL));
    CHECK(cancel.result == 0);
    DialogJob closed{1, -1};
    CHECK(RunDialog(&closed, "Parmena Settings", WM_CLOSE, 0));
    CHECK(closed.result == 0);
}

void CheckLibrariesMissing(const char* expected) {
    char what[128] = "unchanged";
    CHECK(!plat::LoadCompanionLibraries(what, sizeof what));
    CHECK(std::strcmp(what, expected) == 0);
    if (std::strcmp(what, expected) != 0) std::printf("  what = \"%s\"\n", what);
    // Unresolved entry points do nothing rather than crash.
    CHECK(plat::SetMBHook(nullptr, nullptr) == 0);
    CHECK(plat::GetClickFuncs() == 0 && plat::GetMoveFuncs() == 0);
    CHECK(plat::ShowPrefDlg(nullptr, 0, 0, -1, nullptr) == 0);
    plat::ShowAboutDlg(nullptr);
    plat::RemoveMBHook(1);
    // A tiny buffer is cut, never overrun.
    char tiny[4] = {'x', 'x', 'x', 'x'};
    CHECK(!plat::LoadCompanionLibraries(tiny, 3));
    CHECK(tiny[2] == '\0' && tiny[3] == 'x');
}

}  // namespace

int main(int argc, char** argv) {
    char own[MAX_PATH];
    GetModuleFileNameA(nullptr, own, sizeof own);
    if (argc == 3 && std::strcmp(argv[1], "--expect-missing") == 0) {
        CheckLibrariesMissing(argv[2]);
    } else {
        CheckWindows(reinterpret_cast<plat::Hinstance>(GetModuleHandleA(nullptr)));
        CheckGdi();
        CheckMonitors();
        CheckRegistry();
        CheckKernel(own);
        CheckUnicode(reinterpret_cast<plat::Hinstance>(GetModuleHandleA(nullptr)));
        CheckLibrariesLoaded();
    }
    std::printf("%s: %d checks, %d failed\n", failures ? "FAILED" : "PASSED", checks, failures);
    return failures ? 1 : 0;
}
