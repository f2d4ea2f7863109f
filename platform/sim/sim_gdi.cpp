// GDI recording: device contexts with their selected objects and saved states, drawing
// calls with the state they ran under, live-object counts and misuse detection.
#include <algorithm>
#include <cstring>

#include "platform/gdi.h"
#include "platform/sim/sim_internal.h"
#include "platform/window.h"

namespace simi {

namespace {

// Stock objects keep the same handles for the whole process, so values cached by the
// product stay valid across sim::Reset.
constexpr std::uintptr_t kStockBase = 0x100;
constexpr int kStockCount = 18;
constexpr std::uintptr_t kStockBitmap = kStockBase + 4 * 40;
std::uintptr_t StockHandle(int index) { return kStockBase + 4 * static_cast<std::uintptr_t>(index); }

constexpr int BLACK_PEN = 7, WHITE_PEN = 6, NULL_PEN = 8, BLACK_BRUSH = 4;
constexpr std::uint32_t CLR_INVALID = 0xFFFFFFFFu;

GObject* Obj(std::uintptr_t h) {
    auto it = S().gdi.find(h);
    return it == S().gdi.end() ? nullptr : &it->second;
}

// A DC usable for drawing; counts a violation for one already released or deleted.
Dc* UsableDc(Hdc h) {
    auto it = S().dcs.find(Id(h));
    if (it == S().dcs.end()) return nullptr;
    if (it->second.gone) {
        ++S().gdiViolations;
        return nullptr;
    }
    return &it->second;
}

bool SelectedAnywhere(std::uintptr_t h) {
    for (const auto& [id, dc] : S().dcs) {
        if (dc.gone) continue;
        const DcState& s = dc.st;
        if (s.pen == h || s.brush == h || s.font == h || s.bitmap == h) return true;
    }
    return false;
}

// Frees objects whose deletion waited for them to be deselected.
void CollectPending() {
    for (auto& [h, o] : S().gdi) {
        if (o.deletePending && !SelectedAnywhere(h)) {
            o.deletePending = false;
            o.deleted = true;
        }
    }
}

DcState InitialState(bool memory) {
    DcState s;
    s.pen = StockHandle(BLACK_PEN);
    s.brush = StockHandle(WHITE_BRUSH);
    s.font = StockHandle(SYSTEM_FONT);
    s.bitmap = memory ? kStockBitmap : 0;
    return s;
}

Hdc NewDc(Dc::Type type, std::uintptr_t window) {
    Dc dc;
    dc.type = type;
    dc.window = window;
    dc.st = InitialState(type == Dc::Memory);
    std::uintptr_t h = NewHandle();
    S().dcs[h] = dc;
    return As<Hdc>(h);
}

std::uint32_t BrushColor(std::uintptr_t brush) {
    // A system colour index plus one stands for that colour's brush.
    if (brush > 0 && brush <= 31) {
        auto it = S().sysColors.find(static_cast<int>(brush - 1));
        return it == S().sysColors.end() ? 0 : it->second;
    }
    GObject* o = Obj(brush);
    return o ? o->color : 0;
}

void Record(Hdc h, const Dc& dc, const char* op, std::vector<int> args, const std::string& text = "",
            std::uintptr_t brush = 0) {
    sim::DrawCall c;
    c.op = op;
    c.dc = h;
    c.args = std::move(args);
    c.text = text;
    GObject* pen = Obj(dc.st.pen);
    c.penColor = pen ? pen->color : 0;
    c.penStyle = pen ? pen->style : 0;
    c.penWidth = pen ? pen->width : 0;
    c.brushColor = BrushColor(brush ? brush : dc.st.brush);
    c.textColor = dc.st.textColor;
    c.hasClip = dc.st.hasClip;
    c.clip = dc.st.hasClip ? dc.st.clip : Rect{0, 0, 0, 0};
    S().draws.push_back(std::move(c));
}

Hgdi NewObject(const GObject& o) {
    std::uintptr_t h = NewHandle();
    S().gdi[h] = o;
    return As<Hgdi>(h);
}

}  // namespace

void ResetStockObjects() {
    auto add = [](std::uintptr_t h, GType type, std::uint32_t color, int style) {
        GObject o;
        o.type = type;
        o.stock = true;
        o.color = color;
        o.style = style;
        S().gdi[h] = o;
    };
    const std::uint32_t brushes[] = {0xFFFFFF, 0xC0C0C0, 0x808080, 0x404040, 0x000000};
    for (int i = 0; i <= BLACK_BRUSH; ++i) add(StockHandle(i), GType::Brush, brushes[i], 0);
    add(StockHandle(NULL_BRUSH), GType::Brush, 0, 1);  // BS_HOLLOW
    add(StockHandle(WHITE_PEN), GType::Pen, 0xFFFFFF, PS_SOLID);
    add(StockHandle(BLACK_PEN), GType::Pen, 0, PS_SOLID);
    add(StockHandle(NULL_PEN), GType::Pen, 0, 5);  // PS_NULL
    for (int i = 10; i < kStockCount; ++i) {
        if (i == 15) continue;  // DEFAULT_PALETTE is not simulated
        add(StockHandle(i), GType::Font, 0, 0);
    }
    GObject bmp;
    bmp.type = GType::Bitmap;
    bmp.stock = true;
    bmp.bw = bmp.bh = 1;
    S().gdi[kStockBitmap] = bmp;
}

}  // namespace simi

using namespace simi;

namespace plat {

Hdc GetDC(Hwnd w) {
    if (Failing(sim::Call::GetDC)) {
        SetError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    Lock lk(Mu());
    if (w && Id(w) != kDesktopWindow && !Win(w)) {
        SetError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    return NewDc(Dc::Window, Id(w));
}

int ReleaseDC(Hwnd, Hdc dc) {
    Lock lk(Mu());
    auto it = S().dcs.find(Id(dc));
    if (it == S().dcs.end()) return 0;
    if (it->second.gone || it->second.type != Dc::Window) {
        ++S().gdiViolations;
        return 0;
    }
    it->second.gone = true;
    CollectPending();
    return 1;
}

Hdc BeginPaint(Hwnd w, PaintStruct* ps) {
    Hdc dc;
    bool erase;
    {
        Lock lk(Mu());
        Window* x = Win(w);
        if (!x || !ps) {
            SetError(ERROR_INVALID_WINDOW_HANDLE);
            return nullptr;
        }
        std::memset(ps, 0, sizeof(*ps));
        dc = NewDc(Dc::Paint, x->id);
        ps->hdc = dc;
        ps->rcPaint = x->invalid ? x->invalidRect : Rect{0, 0, 0, 0};
        erase = x->invalid && x->erase;
        x->invalid = false;
        x->erase = false;
    }
    if (erase) ps->fErase = SendMessage(w, WM_ERASEBKGND, Id(dc), 0) == 0;
    return dc;
}

Bool EndPaint(Hwnd, const PaintStruct* ps) {
    if (!ps) return 0;
    Lock lk(Mu());
    auto it = S().dcs.find(Id(ps->hdc));
    if (it == S().dcs.end() || it->second.type != Dc::Paint) return 0;
    if (it->second.gone) {
        ++S().gdiViolations;
        return 0;
    }
    it->second.gone = true;
    CollectPending();
    return 1;
}

int GetDeviceCaps(Hdc dc, int index) {
    Lock lk(Mu());
    if (!UsableDc(dc)) return 0;
    switch (index) {
        case HORZRES: return S().screen.width;
        case VERTRES: return S().screen.height;
        case 12: return 32;  // BITSPIXEL
        case 14: return 1;   // PLANES
        case 88:             // LOGPIXELSX
        case 90: return 96;  // LOGPIXELSY
        default: return 0;
    }
}

Hdc CreateCompatibleDC(Hdc dc) {
    if (Failing(sim::Call::CreateCompatibleDC)) {
        SetError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    Lock lk(Mu());
    if (dc && !UsableDc(dc)) return nullptr;
    return NewDc(Dc::Memory, 0);
}

Bool DeleteDC(Hdc dc) {
    Lock lk(Mu());
    auto it = S().dcs.find(Id(dc));
    if (it == S().dcs.end()) return 0;
    if (it->second.gone || it->second.type != Dc::Memory) {
        ++S().gdiViolations;
        return 0;
    }
    it->second.gone = true;
    CollectPending();
    return 1;
}

Hgdi CreateCompatibleBitmap(Hdc dc, int w, int h) {
    if (Failing(sim::Call::CreateCompatibleBitmap)) {
        SetError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    Lock lk(Mu());
    if (!UsableDc(dc) || w < 0 || h < 0 || static_cast<long long>(w) * h > (64LL << 20)) {
        SetError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    GObject o;
    o.type = GType::Bitmap;
    o.bw = w ? w : 1;
    o.bh = h ? h : 1;
    return NewObject(o);
}

Hgdi SelectObject(Hdc dc, Hgdi obj) {
    Lock lk(Mu());
    Dc* d = UsableDc(dc);
    GObject* o = Obj(Id(obj));
    if (!d || !o) return nullptr;
    if (o->deleted) {
        ++S().gdiViolations;
        return nullptr;
    }
    if (o->type == GType::Region) {
        lk.unlock();
        return As<Hgdi>(static_cast<std::uintptr_t>(SelectClipRgn(dc, obj)));
    }
    std::uintptr_t* slot = nullptr;
    switch (o->type) {
        case GType::Pen: slot = &d->st.pen; break;
        case GType::Brush: slot = &d->st.brush; break;
        case GType::Font: slot = &d->st.font; break;
        case GType::Bitmap:
            // Bitmaps go only into memory DCs, and into one at a time.
            if (d->type != Dc::Memory) return nullptr;
            if (!o->stock && Id(obj) != d->st.bitmap && SelectedAnywhere(Id(obj))) return nullptr;
            slot = &d->st.bitmap;
            break;
        default: return nullptr;
    }
    std::uintptr_t old = *slot;
    *slot = Id(obj);
    CollectPending();
    return As<Hgdi>(old);
}

Bool DeleteObject(Hgdi obj) {
    Lock lk(Mu());
    GObject* o = Obj(Id(obj));
    if (!o) return 0;
    if (o->stock) return 1;  // harmless, and nothing happens
    if (o->deleted || o->deletePending) {
        ++S().gdiViolations;
        return 0;
    }
    if (SelectedAnywhere(Id(obj))) {
        // The object outlives the call until it is deselected; the call itself is a fault.
        ++S().gdiViolations;
        o->deletePending = true;
        return 1;
    }
    o->deleted = true;
    return 1;
}

Hgdi GetStockObject(int index) {
    Lock lk(Mu());
    std::uintptr_t h = StockHandle(index);
    return index >= 0 && index < kStockCount && S().gdi.count(h) ? As<Hgdi>(h) : nullptr;
}

Hgdi CreatePen(int style, int width, std::uint32_t color) {
    if (Failing(sim::Call::CreatePen)) {
        SetError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    Lock lk(Mu());
    GObject o;
    o.type = GType::Pen;
    o.style = style;
    o.width = width;
    o.color = color;
    return NewObject(o);
}

Hgdi CreateSolidBrush(std::uint32_t color) {
    if (Failing(sim::Call::CreateSolidBrush)) {
        SetError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    Lock lk(Mu());
    GObject o;
    o.type = GType::Brush;
    o.color = color;
    return NewObject(o);
}

Hgdi CreateFontIndirect(const LogFont* lf) {
    if (Failing(sim::Call::CreateFontIndirect)) {
        SetError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    if (!lf) {
        SetError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    Lock lk(Mu());
    GObject o;
    o.type = GType::Font;
    o.lf = *lf;
    o.lf.lfFaceName[sizeof o.lf.lfFaceName - 1] = 0;
    return NewObject(o);
}

Hgdi CreateRectRgn(int l, int t, int r, int b) {
    if (Failing(sim::Call::CreateRectRgn)) {
        SetError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    Lock lk(Mu());
    GObject o;
    o.type = GType::Region;
    o.rgn = {std::min(l, r), std::min(t, b), std::max(l, r), std::max(t, b)};
    return NewObject(o);
}

int SelectClipRgn(Hdc dc, Hgdi rgn) {
    Lock lk(Mu());
    Dc* d = UsableDc(dc);
    if (!d) return ERROR_REGION;
    int result = SIMPLEREGION;
    if (!rgn) {
        d->st.hasClip = false;
        d->st.clip = {0, 0, 0, 0};
        Record(dc, *d, "SelectClipRgn", {});
        return SIMPLEREGION;
    }
    GObject* o = Obj(Id(rgn));
    if (!o || o->type != GType::Region) return ERROR_REGION;
    if (o->deleted) {
        ++S().gdiViolations;
        return ERROR_REGION;
    }
    // The DC keeps a copy: the region may be deleted right after.
    d->st.hasClip = true;
    d->st.clip = o->rgn;
    if (o->rgn.left >= o->rgn.right || o->rgn.top >= o->rgn.bottom) result = NULLREGION;
    Record(dc, *d, "SelectClipRgn", {o->rgn.left, o->rgn.top, o->rgn.right, o->rgn.bottom});
    return result;
}

int SetBkMode(Hdc dc, int mode) {
    Lock lk(Mu());
    Dc* d = UsableDc(dc);
    if (!d || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
    int old = d->st.bkMode;
    d->st.bkMode = mode;
    Record(dc, *d, "SetBkMode", {mode});
    return old;
}

std::uint32_t SetTextColor(Hdc dc, std::uint32_t color) {
    Lock lk(Mu());
    Dc* d = UsableDc(dc);
    if (!d) return CLR_INVALID;
    std::uint32_t old = d->st.textColor;
    d->st.textColor = color;
    Record(dc, *d, "SetTextColor", {static_cast<int>(color)});
    return old;
}

int SaveDC(Hdc dc) {
    Lock lk(Mu());
    Dc* d = UsableDc(dc);
    if (!d) return 0;
    d->saved.push_back(d->st);
    return static_cast<int>(d->saved.size());
}

Bool RestoreDC(Hdc dc, int saved) {
    Lock lk(Mu());
    Dc* d = UsableDc(dc);
    if (!d) return 0;
    int depth = static_cast<int>(d->saved.size());
    int level = saved < 0 ? depth + saved + 1 : saved;
    if (level < 1 || level > depth) return 0;
    DcState s = d->saved[static_cast<std::size_t>(level - 1)];
    // Objects deleted since the save cannot come back.
    for (std::uintptr_t h : {s.pen, s.brush, s.font, s.bitmap}) {
        GObject* o = Obj(h);
        if (h && o && (o->deleted || o->deletePending)) {
            ++S().gdiViolations;
            return 0;
        }
    }
    d->st = s;
    d->saved.resize(static_cast<std::size_t>(level - 1));
    CollectPending();
    return 1;
}

int FillRect(Hdc dc, const Rect* r, Hgdi brush) {
    Lock lk(Mu());
    Dc* d = UsableDc(dc);
    if (!d || !r) return 0;
    std::uintptr_t b = Id(brush);
    GObject* o = Obj(b);
    if (b > 31 && (!o || o->type != GType::Brush)) return 0;
    if (o && o->deleted) {
        ++S().gdiViolations;
        return 0;
    }
    Record(dc, *d, "FillRect", {r->left, r->top, r->right, r->bottom}, "", b);
    return 1;
}

Bool Rectangle(Hdc dc, int l, int t, int r, int b) {
    Lock lk(Mu());
    Dc* d = UsableDc(dc);
    if (!d) return 0;
    Record(dc, *d, "Rectangle", {l, t, r, b});
    return 1;
}

Bool MoveToEx(Hdc dc, int x, int y, Point* old) {
    Lock lk(Mu());
    Dc* d = UsableDc(dc);
    if (!d) return 0;
    if (old) *old = d->st.pos;
    d->st.pos = {x, y};
    Record(dc, *d, "MoveToEx", {x, y});
    return 1;
}

Bool LineTo(Hdc dc, int x, int y) {
    Lock lk(Mu());
    Dc* d = UsableDc(dc);
    if (!d) return 0;
    d->st.pos = {x, y};
    Record(dc, *d, "LineTo", {x, y});
    return 1;
}

Bool GetTextExtentPoint(Hdc dc, const char* text, int len, Size* sz) {
    Lock lk(Mu());
    Dc* d = UsableDc(dc);
    if (!d || !sz || len < 0 || (!text && len > 0)) return 0;
    sz->cx = 8 * len;
    sz->cy = S().textExtentHeight;
    return 1;
}

Bool TextOut(Hdc dc, int x, int y, const char* text, int len) {
    Lock lk(Mu());
    Dc* d = UsableDc(dc);
    if (!d || len < 0 || (!text && len > 0)) return 0;
    Record(dc, *d, "TextOut", {x, y}, std::string(text ? text : "", static_cast<std::size_t>(len)));
    return 1;
}

Bool BitBlt(Hdc dst, int x, int y, int w, int h, Hdc src, int sx, int sy, std::uint32_t rop) {
    Lock lk(Mu());
    Dc* d = UsableDc(dst);
    if (!d) return 0;
    if (src && !UsableDc(src)) return 0;
    Record(dst, *d, "BitBlt", {x, y, w, h, sx, sy, static_cast<int>(rop)});
    return 1;
}

}  // namespace plat

namespace sim {

std::vector<DrawCall> DrawCalls() {
    Lock lk(Mu());
    return S().draws;
}

void ClearDrawCalls() {
    Lock lk(Mu());
    S().draws.clear();
}

int LiveGdiObjects() {
    Lock lk(Mu());
    int n = 0;
    for (const auto& [h, o] : S().gdi) n += (!o.stock && !o.deleted) ? 1 : 0;
    return n;
}

int LiveDCs() {
    Lock lk(Mu());
    int n = 0;
    for (const auto& [h, dc] : S().dcs) n += dc.gone ? 0 : 1;
    return n;
}

void SetTextExtentHeight(int h) {
    Lock lk(Mu());
    S().textExtentHeight = h;
}

int GdiViolations() {
    Lock lk(Mu());
    return S().gdiViolations;
}

}  // namespace sim
