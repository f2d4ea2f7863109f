// Operations not simulated yet: each fails the way Win32 reports failure.
#include <cstring>

#include "platform/gdi.h"
#include "platform/kernel.h"
#include "platform/libs.h"
#include "platform/shell.h"
#include "platform/sim/sim_internal.h"
#include "platform/window.h"

namespace simi {

Queue& EnsureQueue(std::uint32_t thread) { return S().queues[thread]; }
void InvalidateInternal(Window& w, const Rect*, bool erase) {
    w.invalid = true;
    w.erase = w.erase || erase;
}
void SendNotify(Hwnd, std::uint32_t, WParam, LParam) {}
void StopThreads() {}
void ResetStockObjects() {}
void InitMenus() {}
void RegisterBuiltinClasses() {}
LResult PLAT_CALLBACK EditProc(Hwnd, std::uint32_t, WParam, LParam) { return 0; }

}  // namespace simi

using namespace simi;

namespace plat {

std::uint16_t RegisterClassA(const WndClassA*) { return 0; }
Bool UnregisterClassA(const char*, Hinstance) { return 0; }
Hwnd CreateWindowExA(std::uint32_t, const char*, const char*, std::uint32_t, int, int, int, int,
                     Hwnd, Hmenu, Hinstance, void*) {
    return nullptr;
}
Bool DestroyWindow(Hwnd) { return 0; }
LResult DefWindowProcA(Hwnd, std::uint32_t msg, WParam, LParam) { return msg == WM_NCCREATE ? 1 : 0; }
LResult CallWindowProcA(WndProc proc, Hwnd w, std::uint32_t msg, WParam wp, LParam lp) {
    return proc ? proc(w, msg, wp, lp) : 0;
}
std::intptr_t GetWindowLongPtrA(Hwnd, int) { return 0; }
std::intptr_t SetWindowLongPtrA(Hwnd, int, std::intptr_t) { return 0; }
Bool UpdateWindow(Hwnd) { return 0; }
Bool InvalidateRect(Hwnd, const Rect*, Bool) { return 0; }
Bool ValidateRect(Hwnd, const Rect*) { return 0; }

LResult SendMessageA(Hwnd w, std::uint32_t msg, WParam wp, LParam lp) {
    Lock lk(Mu());
    Window* x = Win(w);
    if (!x) return 0;
    if (!x->proc) return ForeignAnswer(*x, msg, wp, lp);
    WndProc proc = x->proc;
    lk.unlock();
    return proc(w, msg, wp, lp);
}

LResult SendMessageTimeoutA(Hwnd w, std::uint32_t msg, WParam wp, LParam lp, std::uint32_t,
                            std::uint32_t, std::uintptr_t* result) {
    Lock lk(Mu());
    Window* x = Win(w);
    if (!x) {
        SetError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (x->hung) {
        SetError(static_cast<std::uint32_t>(ERROR_TIMEOUT));
        return 0;
    }
    lk.unlock();
    LResult r = SendMessageA(w, msg, wp, lp);
    if (result) *result = static_cast<std::uintptr_t>(r);
    return 1;
}

Bool SendMessageCallbackA(Hwnd, std::uint32_t, WParam, LParam, SendAsyncProc, std::uintptr_t) { return 0; }
Bool PostMessageA(Hwnd, std::uint32_t, WParam, LParam) { return 0; }
Bool PostThreadMessageA(std::uint32_t, std::uint32_t, WParam, LParam) { return 0; }
void PostQuitMessage(int) {}
Bool GetMessageA(Msg* m, Hwnd, std::uint32_t, std::uint32_t) {
    if (m) std::memset(m, 0, sizeof(*m));
    return 0;
}
Bool TranslateMessage(const Msg*) { return 0; }
LResult DispatchMessageA(const Msg*) { return 0; }
std::uintptr_t SetTimer(Hwnd, std::uintptr_t, std::uint32_t, void*) { return 0; }
Bool KillTimer(Hwnd, std::uintptr_t) { return 0; }
Bool RegisterHotKey(Hwnd, int, std::uint32_t, std::uint32_t) { return 0; }
Bool UnregisterHotKey(Hwnd, int) { return 0; }
Hmenu LoadMenuA(Hinstance, const char*) { return nullptr; }
Hmenu GetSubMenu(Hmenu, int) { return nullptr; }
Bool EnableMenuItem(Hmenu, std::uint32_t, std::uint32_t) { return -1; }
Bool TrackPopupMenu(Hmenu, std::uint32_t, int, int, int, Hwnd, const Rect*) { return 0; }
Bool DestroyMenu(Hmenu) { return 0; }
Hicon LoadIconA(Hinstance, const char*) { return nullptr; }
Hicon LoadCursorA(Hinstance, const char*) { return nullptr; }
Bool DestroyIcon(Hicon) { return 0; }
Bool WinHelpA(Hwnd, const char*, std::uint32_t, std::uintptr_t) { return 0; }

// GDI: only the screen DC and its metrics for now.
Hdc GetDC(Hwnd) { return reinterpret_cast<Hdc>(NewHandle()); }
int ReleaseDC(Hwnd, Hdc) { return 1; }
Hdc BeginPaint(Hwnd, PaintStruct* ps) {
    if (ps) std::memset(ps, 0, sizeof(*ps));
    return nullptr;
}
Bool EndPaint(Hwnd, const PaintStruct*) { return 1; }
int GetDeviceCaps(Hdc, int index) {
    Lock lk(Mu());
    if (index == HORZRES) return S().screen.width;
    if (index == VERTRES) return S().screen.height;
    return 0;
}
Hdc CreateCompatibleDC(Hdc) { return nullptr; }
Bool DeleteDC(Hdc) { return 0; }
Hgdi CreateCompatibleBitmap(Hdc, int, int) { return nullptr; }
Hgdi SelectObject(Hdc, Hgdi) { return nullptr; }
Bool DeleteObject(Hgdi) { return 0; }
Hgdi GetStockObject(int) { return nullptr; }
Hgdi CreatePen(int, int, std::uint32_t) { return nullptr; }
Hgdi CreateSolidBrush(std::uint32_t) { return nullptr; }
Hgdi CreateFontIndirectA(const LogFontA*) { return nullptr; }
Hgdi CreateRectRgn(int, int, int, int) { return nullptr; }
int SelectClipRgn(Hdc, Hgdi) { return ERROR_REGION; }
int SetBkMode(Hdc, int) { return 0; }
std::uint32_t SetTextColor(Hdc, std::uint32_t) { return 0xFFFFFFFFu; }
int SaveDC(Hdc) { return 0; }
Bool RestoreDC(Hdc, int) { return 0; }
int FillRect(Hdc, const Rect*, Hgdi) { return 0; }
Bool Rectangle(Hdc, int, int, int, int) { return 0; }
Bool MoveToEx(Hdc, int, int, Point*) { return 0; }
Bool LineTo(Hdc, int, int) { return 0; }
Bool GetTextExtentPointA(Hdc, const char*, int, Size*) { return 0; }
Bool TextOutA(Hdc, int, int, const char*, int) { return 0; }
Bool BitBlt(Hdc, int, int, int, int, Hdc, int, int, std::uint32_t) { return 0; }

Handle CreateThread(void*, std::size_t, ThreadProc, void*, std::uint32_t, std::uint32_t*) { return nullptr; }
std::uint32_t WaitForSingleObject(Handle, std::uint32_t) { return WAIT_FAILED; }
std::uint32_t WaitForMultipleObjects(std::uint32_t, const Handle*, Bool, std::uint32_t) { return WAIT_FAILED; }
Handle CreateEventA(void*, Bool, Bool, const char*) { return nullptr; }
Bool SetEvent(Handle) { return 0; }
Bool CloseHandle(Handle) { return 0; }
Handle CreateFileMappingA(Handle, void*, std::uint32_t, std::uint32_t, std::uint32_t, const char*) {
    return nullptr;
}
void* MapViewOfFile(Handle, std::uint32_t, std::uint32_t, std::uint32_t, std::size_t) { return nullptr; }
Bool UnmapViewOfFile(const void*) { return 0; }
Handle CreateMutexA(void*, Bool, const char*) { return nullptr; }
Bool ReleaseMutex(Handle) { return 0; }
Handle FindFirstFileA(const char*, Win32FindDataA*) { return INVALID_HANDLE_VALUE; }
Bool FindNextFileA(Handle, Win32FindDataA*) { return 0; }
Bool FindClose(Handle) { return 0; }
std::uint32_t ExpandEnvironmentStringsA(const char*, char*, std::uint32_t) { return 0; }

Bool Shell_NotifyIconA(std::uint32_t, NotifyIconDataA*) { return 0; }
Hinstance ShellExecuteA(Hwnd, const char*, const char*, const char*, const char*, int) {
    return reinterpret_cast<Hinstance>(static_cast<std::uintptr_t>(2));
}

bool LoadCompanionLibraries(char* what, std::size_t whatSize) {
    if (what && whatSize) std::strncpy(what, "parmm.dll", whatSize - 1), what[whatSize - 1] = 0;
    return false;
}
std::uint32_t SetMBHook(void*, Handle) { return 0; }
void RemoveMBHook(std::uint32_t) {}
std::uint32_t GetClickFuncs() { return 0; }
std::uint32_t GetMoveFuncs() { return 0; }
int ShowPrefDlg(void*, std::uint32_t, std::uint32_t, int, void*) { return 0; }
void ShowAboutDlg(StartRoutine) {}

}  // namespace plat

namespace sim {

std::vector<PostRecord> Posts() { return {}; }
void FailThreadPosts(std::uint32_t, bool) {}
std::vector<HotkeyRecord> Hotkeys() { return {}; }
std::vector<HotkeyRecord> HotkeyAttempts() { return {}; }
void HoldHotkey(std::uint32_t, std::uint32_t) {}
std::vector<TimerRecord> Timers() { return {}; }
void FailSetTimer(bool) {}
void FireTimers() {}
std::vector<plat::NotifyIconDataA> TrayIcons() { return {}; }
std::vector<HelpRecord> HelpCalls() { return {}; }
std::vector<ShellExecuteRecord> ShellExecutes() { return {}; }
void SetEnv(const std::string&, const std::string&) {}
void AddFile(const std::string&) {}
std::vector<DrawCall> DrawCalls() { return {}; }
void ClearDrawCalls() {}
int LiveGdiObjects() { return 0; }
int LiveDCs() { return 0; }
void SetTextExtentHeight(int) {}
std::vector<HookCall> HookCalls() { return {}; }
void SetLibrariesMissing(bool) {}
void OnShowAbout(std::function<void(plat::StartRoutine)>) {}
void OnShowPref(std::function<int(void*, int, void*)>) {}
std::vector<MenuRecord> MenusShown() { return {}; }
void SetMenuChoice(int) {}
bool PressHotkey(std::uint32_t, std::uint32_t) { return false; }
std::vector<InvalidateRecord> Invalidations() { return {}; }
void HoldNamedMutex(const std::string&, bool) {}
int GdiViolations() { return 0; }

}  // namespace sim
