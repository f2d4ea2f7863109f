// Window-system operations: each forwards to the wide (W) form of the Win32 call of its name,
// converting texts between UTF-8 and UTF-16. Windows and their procedures are all Unicode, so
// no message is narrowed to the ANSI code page on its way.
#include "platform/win32/win.h"

#include <cstddef>
#include <cstring>
#include <cwchar>
#include <string>

using w32::As;
using w32::AsProc;
using w32::Wide;

namespace plat {

std::uint16_t RegisterClass(const WndClass* wc) {
    if (!wc) return 0;
    const Wide menu(wc->lpszMenuName), name(wc->lpszClassName);
    WNDCLASSW wide{};
    wide.style = wc->style;
    wide.lpfnWndProc = AsProc<WNDPROC>(wc->lpfnWndProc);
    wide.cbClsExtra = wc->cbClsExtra;
    wide.cbWndExtra = wc->cbWndExtra;
    wide.hInstance = As<HINSTANCE>(wc->hInstance);
    wide.hIcon = As<HICON>(wc->hIcon);
    wide.hCursor = As<HCURSOR>(wc->hCursor);
    wide.hbrBackground = As<HBRUSH>(wc->hbrBackground);
    wide.lpszMenuName = menu.get();
    wide.lpszClassName = name.get();
    return ::RegisterClassW(&wide);
}
Bool UnregisterClass(const char* className, Hinstance inst) {
    return ::UnregisterClassW(Wide(className).get(), As<HINSTANCE>(inst));
}
Hwnd CreateWindowEx(std::uint32_t exStyle, const char* className, const char* title,
                     std::uint32_t style, int x, int y, int w, int h, Hwnd parent, Hmenu menu,
                     Hinstance inst, void* param) {
    return As<Hwnd>(::CreateWindowExW(exStyle, Wide(className).get(), Wide(title).get(), style,
                                      x, y, w, h, As<HWND>(parent), As<HMENU>(menu),
                                      As<HINSTANCE>(inst), param));
}
Bool DestroyWindow(Hwnd w) { return ::DestroyWindow(As<HWND>(w)); }
LResult DefWindowProc(Hwnd w, std::uint32_t msg, WParam wp, LParam lp) {
    return ::DefWindowProcW(As<HWND>(w), msg, wp, lp);
}
LResult CallWindowProc(WndProc proc, Hwnd w, std::uint32_t msg, WParam wp, LParam lp) {
    return ::CallWindowProcW(AsProc<WNDPROC>(proc), As<HWND>(w), msg, wp, lp);
}
// The wide forms: a procedure set through the ANSI form would make the system narrow every
// message to the code page on its way to it.
std::intptr_t GetWindowLongPtr(Hwnd w, int index) {
#ifdef _WIN64
    return ::GetWindowLongPtrW(As<HWND>(w), index);
#else
    return ::GetWindowLongW(As<HWND>(w), index);
#endif
}
std::intptr_t SetWindowLongPtr(Hwnd w, int index, std::intptr_t value) {
#ifdef _WIN64
    return ::SetWindowLongPtrW(As<HWND>(w), index, value);
#else
    return ::SetWindowLongW(As<HWND>(w), index, value);
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
int GetWindowText(Hwnd w, char* buf, int max) {
    if (!buf || max <= 0) return 0;
    w32::WideBuffer wide(max);
    const int n = ::GetWindowTextW(As<HWND>(w), wide.get(), wide.size());
    return w32::ToUtf8(wide.get(), n > 0 ? static_cast<std::size_t>(n) : 0, buf, max);
}
Bool SetWindowText(Hwnd w, const char* text) {
    return ::SetWindowTextW(As<HWND>(w), Wide(text).get());
}
int GetClassName(Hwnd w, char* buf, int max) {
    if (!buf || max <= 0) return 0;
    w32::WideBuffer wide(max);
    const int n = ::GetClassNameW(As<HWND>(w), wide.get(), wide.size());
    return w32::ToUtf8(wide.get(), n > 0 ? static_cast<std::size_t>(n) : 0, buf, max);
}
std::uint32_t GetWindowThreadProcessId(Hwnd w, std::uint32_t* processId) {
    DWORD pid = 0;
    const DWORD thread = ::GetWindowThreadProcessId(As<HWND>(w), &pid);
    if (processId) *processId = pid;
    return thread;
}
Hwnd GetDlgItem(Hwnd dlg, int id) { return As<Hwnd>(::GetDlgItem(As<HWND>(dlg), id)); }
std::uint32_t GetDlgItemText(Hwnd dlg, int id, char* buf, int max) {
    if (!buf || max <= 0) return 0;
    w32::WideBuffer wide(max);
    const UINT n = ::GetDlgItemTextW(As<HWND>(dlg), id, wide.get(), wide.size());
    return static_cast<std::uint32_t>(w32::ToUtf8(wide.get(), n, buf, max));
}
int GetListBoxText(Hwnd listBox, int index, char* buf, int max) {
    // LB_GETTEXT takes no size: the text is read into this much, and a longer one refused.
    constexpr LRESULT MaxListText = 0xFFFF;
    if (!buf || max <= 0) return -1;
    buf[0] = '\0';
    // The list may change between the length and the text: a text that grew is read again.
    for (int attempt = 0; attempt < 3; ++attempt) {
        const LRESULT length = ::SendMessageW(As<HWND>(listBox), LB_GETTEXTLEN, index, 0);
        if (length < 0 || length > MaxListText) return -1;
        std::wstring wide(MaxListText + 1, L'\0');
        const LRESULT got = ::SendMessageW(As<HWND>(listBox), LB_GETTEXT, index,
                                           reinterpret_cast<LPARAM>(&wide[0]));
        if (got < 0) return -1;
        if (got != length) continue;
        return w32::ToUtf8(wide.c_str(), static_cast<std::size_t>(got), buf, max);
    }
    return -1;
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

LResult SendMessage(Hwnd w, std::uint32_t msg, WParam wp, LParam lp) {
    return ::SendMessageW(As<HWND>(w), msg, wp, lp);
}
LResult SendMessageTimeout(Hwnd w, std::uint32_t msg, WParam wp, LParam lp,
                            std::uint32_t flags, std::uint32_t timeoutMs, std::uintptr_t* result) {
    DWORD_PTR answer = 0;
    LRESULT ok = ::SendMessageTimeoutW(As<HWND>(w), msg, wp, lp, flags, timeoutMs, &answer);
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
Bool SendMessageCallback(Hwnd w, std::uint32_t msg, WParam wp, LParam lp, SendAsyncProc cb,
                          std::uintptr_t data) {
    return ::SendMessageCallbackW(As<HWND>(w), msg, wp, lp, AsProc<SENDASYNCPROC>(cb), data);
}
Bool SendMessageCallbackW(Hwnd w, std::uint32_t msg, WParam wp, LParam lp, SendAsyncProc cb,
                          std::uintptr_t data) {
    return ::SendMessageCallbackW(As<HWND>(w), msg, wp, lp, AsProc<SENDASYNCPROC>(cb), data);
}
Bool IsHungAppWindow(Hwnd w) { return ::IsHungAppWindow(As<HWND>(w)); }
Bool PostMessage(Hwnd w, std::uint32_t msg, WParam wp, LParam lp) {
    return ::PostMessageW(As<HWND>(w), msg, wp, lp);
}
Bool PostThreadMessage(std::uint32_t threadId, std::uint32_t msg, WParam wp, LParam lp) {
    return ::PostThreadMessageW(threadId, msg, wp, lp);
}
void PostQuitMessage(int code) { ::PostQuitMessage(code); }
Bool GetMessage(Msg* m, Hwnd w, std::uint32_t min, std::uint32_t max) {
    return ::GetMessageW(reinterpret_cast<MSG*>(m), As<HWND>(w), min, max);
}
std::uint32_t MsgWaitForMultipleObjects(std::uint32_t n, const Handle* hs, Bool all,
                                        std::uint32_t ms, std::uint32_t wakeMask) {
    return ::MsgWaitForMultipleObjects(n, reinterpret_cast<const HANDLE*>(hs), all, ms, wakeMask);
}
Bool PeekMessage(Msg* m, Hwnd w, std::uint32_t min, std::uint32_t max, std::uint32_t flags) {
    return ::PeekMessageW(reinterpret_cast<MSG*>(m), As<HWND>(w), min, max, flags);
}
Bool TranslateMessage(const Msg* m) {
    return ::TranslateMessage(reinterpret_cast<const MSG*>(m));
}
LResult DispatchMessage(const Msg* m) {
    return ::DispatchMessageW(reinterpret_cast<const MSG*>(m));
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
Bool SystemParametersInfo(std::uint32_t action, std::uint32_t param, void* pv,
                           std::uint32_t winIni) {
    if (action != SPI_GETICONTITLELOGFONT) return ::SystemParametersInfoW(action, param, pv, winIni);
    if (!pv || param != sizeof(LogFont)) return FALSE;
    LOGFONTW wide{};
    if (!::SystemParametersInfoW(action, sizeof wide, &wide, winIni)) return FALSE;
    auto* font = static_cast<LogFont*>(pv);
    std::memcpy(font, &wide, offsetof(LOGFONTW, lfFaceName));
    w32::ToUtf8(wide.lfFaceName, wcsnlen(wide.lfFaceName, LF_FACESIZE), font->lfFaceName,
                sizeof font->lfFaceName);
    return TRUE;
}

Hmenu LoadMenu(Hinstance inst, const char* name) {
    return As<Hmenu>(::LoadMenuW(As<HINSTANCE>(inst), Wide(name).get()));
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
Hmenu CreatePopupMenu() { return As<Hmenu>(::CreatePopupMenu()); }
Bool InsertMenu(Hmenu m, std::uint32_t position, std::uint32_t flags, std::uintptr_t item,
                const char* text) {
    if (flags & MF_SEPARATOR) return ::InsertMenuW(As<HMENU>(m), position, flags, item, nullptr);
    return ::InsertMenuW(As<HMENU>(m), position, flags, item, Wide(text).get());
}
Bool SetProp(Hwnd w, const char* name, std::uintptr_t data) {
    return ::SetPropW(As<HWND>(w), Wide(name).get(), reinterpret_cast<HANDLE>(data));
}
std::uintptr_t GetProp(Hwnd w, const char* name) {
    return reinterpret_cast<std::uintptr_t>(::GetPropW(As<HWND>(w), Wide(name).get()));
}
std::uintptr_t RemoveProp(Hwnd w, const char* name) {
    return reinterpret_cast<std::uintptr_t>(::RemovePropW(As<HWND>(w), Wide(name).get()));
}
Hicon LoadIcon(Hinstance inst, const char* name) {
    return As<Hicon>(::LoadIconW(As<HINSTANCE>(inst), Wide(name).get()));
}
Hicon LoadCursor(Hinstance inst, const char* name) {
    return As<Hicon>(::LoadCursorW(As<HINSTANCE>(inst), Wide(name).get()));
}
Bool DestroyIcon(Hicon icon) { return ::DestroyIcon(As<HICON>(icon)); }
int MessageBox(Hwnd owner, const char* text, const char* caption, std::uint32_t type) {
    return ::MessageBoxW(As<HWND>(owner), Wide(text).get(), Wide(caption).get(), type);
}
Bool WinHelp(Hwnd w, const char* file, std::uint32_t cmd, std::uintptr_t data) {
    return ::WinHelpW(As<HWND>(w), Wide(file).get(), cmd, data);
}

}  // namespace plat
