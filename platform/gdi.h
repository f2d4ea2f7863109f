// Graphics operations the product uses, under their Win32 names; texts are UTF-8.
#pragma once
#include "platform/types.h"

namespace plat {

Hdc GetDC(Hwnd w);  // null: the whole screen
int ReleaseDC(Hwnd w, Hdc dc);
Hdc BeginPaint(Hwnd w, PaintStruct* ps);
Bool EndPaint(Hwnd w, const PaintStruct* ps);
int GetDeviceCaps(Hdc dc, int index);

Hdc CreateCompatibleDC(Hdc dc);
Bool DeleteDC(Hdc dc);
Hgdi CreateCompatibleBitmap(Hdc dc, int w, int h);
Hgdi SelectObject(Hdc dc, Hgdi obj);
Bool DeleteObject(Hgdi obj);
Hgdi GetStockObject(int index);

Hgdi CreatePen(int style, int width, std::uint32_t color);
Hgdi CreateSolidBrush(std::uint32_t color);
Hgdi CreateFontIndirect(const LogFont* lf);
Hgdi CreateRectRgn(int l, int t, int r, int b);
int SelectClipRgn(Hdc dc, Hgdi rgn);

int SetBkMode(Hdc dc, int mode);
std::uint32_t SetTextColor(Hdc dc, std::uint32_t color);
int SaveDC(Hdc dc);
Bool RestoreDC(Hdc dc, int saved);

int FillRect(Hdc dc, const Rect* r, Hgdi brush);
Bool Rectangle(Hdc dc, int l, int t, int r, int b);
Bool MoveToEx(Hdc dc, int x, int y, Point* old);
Bool LineTo(Hdc dc, int x, int y);
Bool GetTextExtentPoint(Hdc dc, const char* text, int len, Size* sz);
Bool TextOut(Hdc dc, int x, int y, const char* text, int len);
Bool BitBlt(Hdc dst, int x, int y, int w, int h, Hdc src, int sx, int sy, std::uint32_t rop);

}  // namespace plat
