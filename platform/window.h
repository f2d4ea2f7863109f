// Window-system operations the product uses, under their Win32 names without the A or W of
// the text forms: every text here is UTF-8, and the Windows backend speaks to the system
// through the W forms. A text read into a buffer is cut before a character, never inside one.
// Positions and lengths inside controls (EM_GETSEL, EM_SETSEL, WM_GETTEXTLENGTH) count the
// control's own units: compare them with each other only.
#pragma once
#include "platform/types.h"

namespace plat {

// Waiting while serving the messages other threads send to this one (PeekMessage with
// PM_QS_SENDMESSAGE delivers them and removes nothing that was posted).
std::uint32_t MsgWaitForMultipleObjects(std::uint32_t n, const Handle* hs, Bool all,
                                        std::uint32_t ms, std::uint32_t wakeMask);
Bool PeekMessage(Msg* m, Hwnd w, std::uint32_t min, std::uint32_t max, std::uint32_t flags);

// Classes and windows
std::uint16_t RegisterClass(const WndClass* wc);
Bool UnregisterClass(const char* className, Hinstance inst);
Hwnd CreateWindowEx(std::uint32_t exStyle, const char* className, const char* title,
                     std::uint32_t style, int x, int y, int w, int h, Hwnd parent, Hmenu menu,
                     Hinstance inst, void* param);
Bool DestroyWindow(Hwnd w);
LResult DefWindowProc(Hwnd w, std::uint32_t msg, WParam wp, LParam lp);
LResult CallWindowProc(WndProc proc, Hwnd w, std::uint32_t msg, WParam wp, LParam lp);
std::intptr_t GetWindowLongPtr(Hwnd w, int index);
std::intptr_t SetWindowLongPtr(Hwnd w, int index, std::intptr_t value);

// State and geometry
Bool ShowWindow(Hwnd w, int cmd);
Bool UpdateWindow(Hwnd w);
Bool InvalidateRect(Hwnd w, const Rect* r, Bool erase);
Bool ValidateRect(Hwnd w, const Rect* r);
Bool SetWindowPos(Hwnd w, Hwnd after, int x, int y, int cx, int cy, std::uint32_t flags);
Bool MoveWindow(Hwnd w, int x, int y, int cx, int cy, Bool repaint);
Bool GetWindowRect(Hwnd w, Rect* r);
// The window's property list (by name); it goes with the window.
Bool SetProp(Hwnd w, const char* name, std::uintptr_t data);
std::uintptr_t GetProp(Hwnd w, const char* name);
std::uintptr_t RemoveProp(Hwnd w, const char* name);
Bool GetClientRect(Hwnd w, Rect* r);
Bool ClientToScreen(Hwnd w, Point* p);
Bool CloseWindow(Hwnd w);  // minimizes
Bool IsWindow(Hwnd w);
Bool IsWindowVisible(Hwnd w);
Bool IsIconic(Hwnd w);
Bool IsZoomed(Hwnd w);
int GetWindowText(Hwnd w, char* buf, int max);
Bool SetWindowText(Hwnd w, const char* text);
int GetClassName(Hwnd w, char* buf, int max);
// The window's thread, and its process in *processId; 0 for no window.
std::uint32_t GetWindowThreadProcessId(Hwnd w, std::uint32_t* processId);
Hwnd GetDlgItem(Hwnd dlg, int id);
std::uint32_t GetDlgItemText(Hwnd dlg, int id, char* buf, int max);
// A list box item's text (LB_GETTEXTLEN, then LB_GETTEXT) cut to fit max bytes; its length,
// or -1 (LB_ERR) for no such item. Unlike LB_GETTEXT, a text that grew meanwhile cannot
// overrun the buffer.
int GetListBoxText(Hwnd listBox, int index, char* buf, int max);

// Z-order and relations
Hwnd GetTopWindow(Hwnd parent);
Hwnd GetWindow(Hwnd w, std::uint32_t cmd);
Hwnd GetParent(Hwnd w);
Hwnd GetDesktopWindow();
// desktop: nullptr for the calling thread's. Unlike EnumWindows, the system does not look up
// each window again before the call back (a round trip per window under Wine); a window
// destroyed meanwhile simply fails the caller's next read of it.
Bool EnumDesktopWindows(Handle desktop, EnumWindowsProc proc, LParam lp);

// Deferred positioning
Hdwp BeginDeferWindowPos(int n);
Hdwp DeferWindowPos(Hdwp batch, Hwnd w, Hwnd after, int x, int y, int cx, int cy,
                    std::uint32_t flags);
Bool EndDeferWindowPos(Hdwp batch);

// Focus, foreground, input
Hwnd GetForegroundWindow();
Bool SetForegroundWindow(Hwnd w);
Hwnd SetFocus(Hwnd w);
Hwnd SetCapture(Hwnd w);
// The window of the calling thread that holds the mouse capture, or null.
Hwnd GetCapture();
Bool ReleaseCapture();
Bool GetCursorPos(Point* p);
Bool SetCursorPos(int x, int y);
std::int16_t GetAsyncKeyState(int vk);

// Messages
LResult SendMessage(Hwnd w, std::uint32_t msg, WParam wp, LParam lp);
LResult SendMessageTimeout(Hwnd w, std::uint32_t msg, WParam wp, LParam lp,
                            std::uint32_t flags, std::uint32_t timeoutMs, std::uintptr_t* result);
// For probes whose answer is unused. An ANSI send of a text message may follow up with a
// conversion send that has no time-out, which would let a hung window block the caller; every
// send of this layer is a wide one now, so this form only keeps that intent in its name.
LResult SendMessageTimeoutW(Hwnd w, std::uint32_t msg, WParam wp, LParam lp,
                            std::uint32_t flags, std::uint32_t timeoutMs, std::uintptr_t* result);
Bool SendMessageCallback(Hwnd w, std::uint32_t msg, WParam wp, LParam lp, SendAsyncProc cb,
                          std::uintptr_t data);
// Wide form, for the same reason as SendMessageTimeoutW.
Bool SendMessageCallbackW(Hwnd w, std::uint32_t msg, WParam wp, LParam lp, SendAsyncProc cb,
                          std::uintptr_t data);
// True when the system already counts the window's thread as not responding.
Bool IsHungAppWindow(Hwnd w);
Bool PostMessage(Hwnd w, std::uint32_t msg, WParam wp, LParam lp);
Bool PostThreadMessage(std::uint32_t threadId, std::uint32_t msg, WParam wp, LParam lp);
void PostQuitMessage(int code);
Bool GetMessage(Msg* m, Hwnd w, std::uint32_t min, std::uint32_t max);
Bool TranslateMessage(const Msg* m);
LResult DispatchMessage(const Msg* m);

// Timers and hotkeys
std::uintptr_t SetTimer(Hwnd w, std::uintptr_t id, std::uint32_t ms, void* proc);
Bool KillTimer(Hwnd w, std::uintptr_t id);
Bool RegisterHotKey(Hwnd w, int id, std::uint32_t mods, std::uint32_t vk);
Bool UnregisterHotKey(Hwnd w, int id);

// System information
int GetSystemMetrics(int index);
std::uint32_t GetSysColor(int index);
Bool SystemParametersInfo(std::uint32_t action, std::uint32_t param, void* pv,
                           std::uint32_t winIni);

// Resources, menus, dialogs of the system
Hmenu LoadMenu(Hinstance inst, const char* name);
Hmenu GetSubMenu(Hmenu m, int pos);
Bool EnableMenuItem(Hmenu m, std::uint32_t id, std::uint32_t flags);
Bool TrackPopupMenu(Hmenu m, std::uint32_t flags, int x, int y, int reserved, Hwnd owner,
                    const Rect* excl);
Bool DestroyMenu(Hmenu m);
Hmenu CreatePopupMenu();
// With MF_POPUP, item is the submenu's handle, which the menu then owns.
Bool InsertMenu(Hmenu m, std::uint32_t position, std::uint32_t flags, std::uintptr_t item,
                const char* text);
Hicon LoadIcon(Hinstance inst, const char* name);
Hicon LoadCursor(Hinstance inst, const char* name);
Bool DestroyIcon(Hicon icon);
int MessageBox(Hwnd owner, const char* text, const char* caption, std::uint32_t type);
Bool WinHelp(Hwnd w, const char* file, std::uint32_t cmd, std::uintptr_t data);

// A message number shared by every process that registers the same name (UTF-8); 0 on failure.
std::uint32_t RegisterWindowMessage(const char* name);
// Lets a program with fewer rights send or post msg to w (Windows 7 and later); false where the
// system cannot (or need not) be asked.
constexpr std::uint32_t MSGFLT_ALLOW = 1;
Bool ChangeWindowMessageFilterEx(Hwnd w, std::uint32_t msg, std::uint32_t action);

}  // namespace plat
