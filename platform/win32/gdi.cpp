// Graphics operations: each forwards to the GDI call of its name, texts through the wide
// forms so that a title draws in every script the font has.
#include "platform/win32/win.h"

#include <cstddef>
#include <cstring>

using w32::As;
using w32::Wide;

namespace plat {

Hdc GetDC(Hwnd w) { return As<Hdc>(::GetDC(As<HWND>(w))); }
int ReleaseDC(Hwnd w, Hdc dc) { return ::ReleaseDC(As<HWND>(w), As<HDC>(dc)); }
Hdc BeginPaint(Hwnd w, PaintStruct* ps) {
    return As<Hdc>(::BeginPaint(As<HWND>(w), reinterpret_cast<PAINTSTRUCT*>(ps)));
}
Bool EndPaint(Hwnd w, const PaintStruct* ps) {
    return ::EndPaint(As<HWND>(w), reinterpret_cast<const PAINTSTRUCT*>(ps));
}
int GetDeviceCaps(Hdc dc, int index) { return ::GetDeviceCaps(As<HDC>(dc), index); }

Hdc CreateCompatibleDC(Hdc dc) { return As<Hdc>(::CreateCompatibleDC(As<HDC>(dc))); }
Bool DeleteDC(Hdc dc) { return ::DeleteDC(As<HDC>(dc)); }
Hgdi CreateCompatibleBitmap(Hdc dc, int w, int h) {
    return As<Hgdi>(::CreateCompatibleBitmap(As<HDC>(dc), w, h));
}
Hgdi SelectObject(Hdc dc, Hgdi obj) {
    return As<Hgdi>(::SelectObject(As<HDC>(dc), As<HGDIOBJ>(obj)));
}
Bool DeleteObject(Hgdi obj) { return ::DeleteObject(As<HGDIOBJ>(obj)); }
Hgdi GetStockObject(int index) { return As<Hgdi>(::GetStockObject(index)); }

Hgdi CreatePen(int style, int width, std::uint32_t color) {
    return As<Hgdi>(::CreatePen(style, width, color));
}
Hgdi CreateSolidBrush(std::uint32_t color) { return As<Hgdi>(::CreateSolidBrush(color)); }
Hgdi CreateFontIndirect(const LogFont* lf) {
    if (!lf) return nullptr;
    LOGFONTW wide{};
    std::memcpy(&wide, lf, offsetof(LOGFONTW, lfFaceName));
    const char* face = lf->lfFaceName;
    Utf8ToUtf16(face, BoundedLength(face, sizeof lf->lfFaceName), wide.lfFaceName, LF_FACESIZE);
    return As<Hgdi>(::CreateFontIndirectW(&wide));
}
Hgdi CreateRectRgn(int l, int t, int r, int b) { return As<Hgdi>(::CreateRectRgn(l, t, r, b)); }
int SelectClipRgn(Hdc dc, Hgdi rgn) { return ::SelectClipRgn(As<HDC>(dc), As<HRGN>(rgn)); }

int SetBkMode(Hdc dc, int mode) { return ::SetBkMode(As<HDC>(dc), mode); }
std::uint32_t SetTextColor(Hdc dc, std::uint32_t color) {
    return ::SetTextColor(As<HDC>(dc), color);
}
int SaveDC(Hdc dc) { return ::SaveDC(As<HDC>(dc)); }
Bool RestoreDC(Hdc dc, int saved) { return ::RestoreDC(As<HDC>(dc), saved); }

int FillRect(Hdc dc, const Rect* r, Hgdi brush) {
    return ::FillRect(As<HDC>(dc), reinterpret_cast<const RECT*>(r), As<HBRUSH>(brush));
}
Bool Rectangle(Hdc dc, int l, int t, int r, int b) { return ::Rectangle(As<HDC>(dc), l, t, r, b); }
Bool MoveToEx(Hdc dc, int x, int y, Point* old) {
    return ::MoveToEx(As<HDC>(dc), x, y, reinterpret_cast<POINT*>(old));
}
Bool LineTo(Hdc dc, int x, int y) { return ::LineTo(As<HDC>(dc), x, y); }
Bool GetTextExtentPoint(Hdc dc, const char* text, int len, Size* sz) {
    const Wide wide(text, len > 0 ? static_cast<std::size_t>(len) : 0);
    return ::GetTextExtentPoint32W(As<HDC>(dc), wide.get(), static_cast<int>(wide.size()),
                                   reinterpret_cast<SIZE*>(sz));
}
Bool TextOut(Hdc dc, int x, int y, const char* text, int len) {
    const Wide wide(text, len > 0 ? static_cast<std::size_t>(len) : 0);
    return ::TextOutW(As<HDC>(dc), x, y, wide.get(), static_cast<int>(wide.size()));
}
Bool BitBlt(Hdc dst, int x, int y, int w, int h, Hdc src, int sx, int sy, std::uint32_t rop) {
    return ::BitBlt(As<HDC>(dst), x, y, w, h, As<HDC>(src), sx, sy, rop);
}

}  // namespace plat
