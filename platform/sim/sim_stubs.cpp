// Operations not simulated yet: each fails the way Win32 reports failure.
#include <cstring>

#include "platform/gdi.h"
#include "platform/sim/sim_internal.h"
#include "platform/window.h"

namespace simi {

void ResetStockObjects() {}
void InitMenus() {}
void RegisterBuiltinClasses() {
    WindowClass c;
    c.name = "Edit";
    c.proc = EditProc;
    S().classes["edit"] = c;
}
LResult PLAT_CALLBACK EditProc(Hwnd w, std::uint32_t msg, WParam wp, LParam lp) {
    return DefWindowProcA(w, msg, wp, lp);
}

}  // namespace simi

using namespace simi;

namespace plat {

Hmenu LoadMenuA(Hinstance, const char*) { return nullptr; }
Hmenu GetSubMenu(Hmenu, int) { return nullptr; }
Bool EnableMenuItem(Hmenu, std::uint32_t, std::uint32_t) { return -1; }
Bool TrackPopupMenu(Hmenu, std::uint32_t, int, int, int, Hwnd, const Rect*) { return 0; }
Bool DestroyMenu(Hmenu) { return 0; }

// GDI: only the screen DC and its metrics for now.
Hdc GetDC(Hwnd) { return reinterpret_cast<Hdc>(NewHandle()); }
int ReleaseDC(Hwnd, Hdc) { return 1; }
Hdc BeginPaint(Hwnd w, PaintStruct* ps) {
    if (ps) std::memset(ps, 0, sizeof(*ps));
    ValidateRect(w, nullptr);
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

}  // namespace plat

namespace sim {

std::vector<DrawCall> DrawCalls() { return {}; }
void ClearDrawCalls() {}
int LiveGdiObjects() { return 0; }
int LiveDCs() { return 0; }
void SetTextExtentHeight(int) {}
std::vector<MenuRecord> MenusShown() { return {}; }
void SetMenuChoice(int) {}
int GdiViolations() { return 0; }

}  // namespace sim
