// Window-system operations: each forwards to the Win32 call of the same name.
#include "platform/win32/win.h"

using w32::As;
using w32::AsProc;

namespace plat {

std::uint16_t RegisterClassA(const WndClassA* wc) {
    return ::RegisterClassA(reinterpret_cast<const WNDCLASSA*>(wc));
}
Bool UnregisterClassA(const char* className, Hinstance inst) {
    return ::UnregisterClassA(className, As<HINSTANCE>(inst));
}
Hwnd CreateWindowExA(std::uint32_t exStyle, const char* className, const char* title,
                     std::uint32_t style, int x, int y, int w, int h, Hwnd parent, Hmenu menu,
                     Hinstance inst, void* param) {
    return As<Hwnd>(::CreateWindowExA(exStyle, className, title, style, x, y, w, h,
                                      As<HWND>(parent), As<HMENU>(menu), As<HINSTANCE>(inst),
                                      param));
}
Bool DestroyWindow(Hwnd w) { return ::DestroyWindow(As<HWND>(w)); }
LResult DefWindowProcA(Hwnd w, std::uint32_t msg, WParam wp, LParam lp) {
    return ::DefWindowProcA(As<HWND>(w), msg, wp, lp);
}
LResult CallWindowProcA(WndProc proc, Hwnd w, std::uint32_t msg, WParam wp, LParam lp) {
    return ::CallWindowProcA(AsProc<WNDPROC>(proc), As<HWND>(w), msg, wp, lp);
}
std::intptr_t GetWindowLongPtrA(Hwnd w, int index) {
#ifdef _WIN64
    return ::GetWindowLongPtrA(As<HWND>(w), index);
#else
    return ::GetWindowLongA(As<HWND>(w), index);
#endif
}
std::intptr_t SetWindowLongPtrA(Hwnd w, int index, std::intptr_t value) {
#ifdef _WIN64
    return ::SetWindowLongPtrA(As<HWND>(w), index, value);
#else
    return ::SetWindowLongA(As<HWND>(w), index, value);
#endif
}

Bool ShowWindow(Hwnd w, int cmd) { return ::ShowWindow(As<HWND>(w), cmd); }
Bool UpdateWindow(Hwnd w) { return ::UpdateWindow(As<HWND>(w)); }
Bool InvalidateRect(Hwnd w, const Rect* r, Bool erase) {
    return ::InvalidateRect(As<HWND>(w), reinterpret_cast<const RECT*>(r), erase);
}
Bool ValidateRect(Hwnd w, const Rect* r) {
    return ::ValidateRect(As<HWND>(w), reinterpret_cast<const RECT*>(r));
}
Bool SetWindowPos(Hwnd w, Hwnd after, int x, int y, int cx, int cy, std::uint32_t flags) {
    return ::SetWindowPos(As<HWND>(w), As<HWND>(after), x, y, cx, cy, flags);
}
Bool MoveWindow(Hwnd w, int x, int y, int cx, int cy, Bool repaint) {
    return ::MoveWindow(As<HWND>(w), x, y, cx, cy, repaint);
}
Bool GetWindowRect(Hwnd w, Rect* r) {
    return ::GetWindowRect(As<HWND>(w), reinterpret_cast<RECT*>(r));
}
Bool GetClientRect(Hwnd w, Rect* r) {
    return ::GetClientRect(As<HWND>(w), reinterpret_cast<RECT*>(r));
}
Bool ClientToScreen(Hwnd w, Point* p) {
    return ::ClientToScreen(As<HWND>(w), reinterpret_cast<POINT*>(p));
}
Bool CloseWindow(Hwnd w) { return ::CloseWindow(As<HWND>(w)); }
Bool IsWindow(Hwnd w) { return ::IsWindow(As<HWND>(w)); }
Bool IsWindowVisible(Hwnd w) { return ::IsWindowVisible(As<HWND>(w)); }
Bool IsIconic(Hwnd w) { return ::IsIconic(As<HWND>(w)); }
Bool IsZoomed(Hwnd w) { return ::IsZoomed(As<HWND>(w)); }
int GetWindowTextA(Hwnd w, char* buf, int max) {
    return ::GetWindowTextA(As<HWND>(w), buf, max);
}
Bool SetWindowTextA(Hwnd w, const char* text) { return ::SetWindowTextA(As<HWND>(w), text); }
int GetClassNameA(Hwnd w, char* buf, int max) { return ::GetClassNameA(As<HWND>(w), buf, max); }
std::uint32_t GetWindowThreadProcessId(Hwnd w, std::uint32_t* processId) {
    DWORD pid = 0;
    const DWORD thread = ::GetWindowThreadProcessId(As<HWND>(w), &pid);
    if (processId) *processId = pid;
    return thread;
}
Hwnd GetDlgItem(Hwnd dlg, int id) { return As<Hwnd>(::GetDlgItem(As<HWND>(dlg), id)); }
std::uint32_t GetDlgItemTextA(Hwnd dlg, int id, char* buf, int max) {
    return ::GetDlgItemTextA(As<HWND>(dlg), id, buf, max);
}

Hwnd GetTopWindow(Hwnd parent) { return As<Hwnd>(::GetTopWindow(As<HWND>(parent))); }
Hwnd GetWindow(Hwnd w, std::uint32_t cmd) { return As<Hwnd>(::GetWindow(As<HWND>(w), cmd)); }
Hwnd GetParent(Hwnd w) { return As<Hwnd>(::GetParent(As<HWND>(w))); }
Hwnd GetDesktopWindow() { return As<Hwnd>(::GetDesktopWindow()); }
Bool EnumDesktopWindows(Handle desktop, EnumWindowsProc proc, LParam lp) {
    return ::EnumDesktopWindows(As<HDESK>(desktop), AsProc<WNDENUMPROC>(proc), lp);
}

Hdwp BeginDeferWindowPos(int n) { return As<Hdwp>(::BeginDeferWindowPos(n)); }
Hdwp DeferWindowPos(Hdwp batch, Hwnd w, Hwnd after, int x, int y, int cx, int cy,
                    std::uint32_t flags) {
    return As<Hdwp>(
        ::DeferWindowPos(As<HDWP>(batch), As<HWND>(w), As<HWND>(after), x, y, cx, cy, flags));
}
Bool EndDeferWindowPos(Hdwp batch) { return ::EndDeferWindowPos(As<HDWP>(batch)); }

Hwnd GetForegroundWindow() { return As<Hwnd>(::GetForegroundWindow()); }
Bool SetForegroundWindow(Hwnd w) { return ::SetForegroundWindow(As<HWND>(w)); }
Hwnd SetFocus(Hwnd w) { return As<Hwnd>(::SetFocus(As<HWND>(w))); }
Hwnd SetCapture(Hwnd w) { return As<Hwnd>(::SetCapture(As<HWND>(w))); }
Hwnd GetCapture() { return As<Hwnd>(::GetCapture()); }
Bool ReleaseCapture() { return ::ReleaseCapture(); }
Bool GetCursorPos(Point* p) { return ::GetCursorPos(reinterpret_cast<POINT*>(p)); }
Bool SetCursorPos(int x, int y) { return ::SetCursorPos(x, y); }
std::int16_t GetAsyncKeyState(int vk) { return ::GetAsyncKeyState(vk); }

LResult SendMessageA(Hwnd w, std::uint32_t msg, WParam wp, LParam lp) {
    return ::SendMessageA(As<HWND>(w), msg, wp, lp);
}
LResult SendMessageTimeoutA(Hwnd w, std::uint32_t msg, WParam wp, LParam lp,
                            std::uint32_t flags, std::uint32_t timeoutMs, std::uintptr_t* result) {
    DWORD_PTR answer = 0;
    LRESULT ok = ::SendMessageTimeoutA(As<HWND>(w), msg, wp, lp, flags, timeoutMs, &answer);
    if (result) *result = answer;
    return ok;
}
LResult SendMessageTimeoutW(Hwnd w, std::uint32_t msg, WParam wp, LParam lp,
                            std::uint32_t flags, std::uint32_t timeoutMs, std::uintptr_t* result) {
    DWORD_PTR answer = 0;
    LRESULT ok = ::SendMessageTimeoutW(As<HWND>(w), msg, wp, lp, flags, timeoutMs, &answer);
    if (result) *result = answer;
    return ok;
}
Bool SendMessageCallbackA(Hwnd w, std::uint32_t msg, WParam wp, LParam lp, SendAsyncProc cb,
                          std::uintptr_t data) {
    return ::SendMessageCallbackA(As<HWND>(w), msg, wp, lp, AsProc<SENDASYNCPROC>(cb), data);
}
Bool SendMessageCallbackW(Hwnd w, std::uint32_t msg, WParam wp, LParam lp, SendAsyncProc cb,
                          std::uintptr_t data) {
    return ::SendMessageCallbackW(As<HWND>(w), msg, wp, lp, AsProc<SENDASYNCPROC>(cb), data);
}
Bool IsHungAppWindow(Hwnd w) { return ::IsHungAppWindow(As<HWND>(w)); }
Bool PostMessageA(Hwnd w, std::uint32_t msg, WParam wp, LParam lp) {
    return ::PostMessageA(As<HWND>(w), msg, wp, lp);
}
Bool PostThreadMessageA(std::uint32_t threadId, std::uint32_t msg, WParam wp, LParam lp) {
    return ::PostThreadMessageA(threadId, msg, wp, lp);
}
void PostQuitMessage(int code) { ::PostQuitMessage(code); }
Bool GetMessageA(Msg* m, Hwnd w, std::uint32_t min, std::uint32_t max) {
    return ::GetMessageA(reinterpret_cast<MSG*>(m), As<HWND>(w), min, max);
}
std::uint32_t MsgWaitForMultipleObjects(std::uint32_t n, const Handle* hs, Bool all,
                                        std::uint32_t ms, std::uint32_t wakeMask) {
    return ::MsgWaitForMultipleObjects(n, reinterpret_cast<const HANDLE*>(hs), all, ms, wakeMask);
}
Bool PeekMessageA(Msg* m, Hwnd w, std::uint32_t min, std::uint32_t max, std::uint32_t flags) {
    return ::PeekMessageA(reinterpret_cast<MSG*>(m), As<HWND>(w), min, max, flags);
}
Bool TranslateMessage(const Msg* m) {
    return ::TranslateMessage(reinterpret_cast<const MSG*>(m));
}
LResult DispatchMessageA(const Msg* m) {
    return ::DispatchMessageA(reinterpret_cast<const MSG*>(m));
}

std::uintptr_t SetTimer(Hwnd w, std::uintptr_t id, std::uint32_t ms, void* proc) {
    return ::SetTimer(As<HWND>(w), id, ms, reinterpret_cast<TIMERPROC>(proc));
}
Bool KillTimer(Hwnd w, std::uintptr_t id) { return ::KillTimer(As<HWND>(w), id); }
Bool RegisterHotKey(Hwnd w, int id, std::uint32_t mods, std::uint32_t vk) {
    return ::RegisterHotKey(As<HWND>(w), id, mods, vk);
}
Bool UnregisterHotKey(Hwnd w, int id) { return ::UnregisterHotKey(As<HWND>(w), id); }

int GetSystemMetrics(int index) { return ::GetSystemMetrics(index); }
std::uint32_t GetSysColor(int index) { return ::GetSysColor(index); }
Bool SystemParametersInfoA(std::uint32_t action, std::uint32_t param, void* pv,
                           std::uint32_t winIni) {
    return ::SystemParametersInfoA(action, param, pv, winIni);
}

Hmenu LoadMenuA(Hinstance inst, const char* name) {
    return As<Hmenu>(::LoadMenuA(As<HINSTANCE>(inst), name));
}
Hmenu GetSubMenu(Hmenu m, int pos) { return As<Hmenu>(::GetSubMenu(As<HMENU>(m), pos)); }
Bool EnableMenuItem(Hmenu m, std::uint32_t id, std::uint32_t flags) {
    return ::EnableMenuItem(As<HMENU>(m), id, flags);
}
Bool TrackPopupMenu(Hmenu m, std::uint32_t flags, int x, int y, int reserved, Hwnd owner,
                    const Rect* excl) {
    return ::TrackPopupMenu(As<HMENU>(m), flags, x, y, reserved, As<HWND>(owner),
                            reinterpret_cast<const RECT*>(excl));
}
Bool DestroyMenu(Hmenu m) { return ::DestroyMenu(As<HMENU>(m)); }
Hicon LoadIconA(Hinstance inst, const char* name) {
    return As<Hicon>(::LoadIconA(As<HINSTANCE>(inst), name));
}
Hicon LoadCursorA(Hinstance inst, const char* name) {
    return As<Hicon>(::LoadCursorA(As<HINSTANCE>(inst), name));
}
Bool DestroyIcon(Hicon icon) { return ::DestroyIcon(As<HICON>(icon)); }
int MessageBoxA(Hwnd owner, const char* text, const char* caption, std::uint32_t type) {
    return ::MessageBoxA(As<HWND>(owner), text, caption, type);
}
Bool WinHelpA(Hwnd w, const char* file, std::uint32_t cmd, std::uintptr_t data) {
    return ::WinHelpA(As<HWND>(w), file, cmd, data);
}

}  // namespace plat
