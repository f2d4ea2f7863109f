// Windows of the simulated desktop: Z-order, geometry, moves, visibility, foreground, texts.
#include <algorithm>
#include <cstring>
#include <deque>

#include "platform/sim/sim_internal.h"
#include "platform/dwm.h"
#include "platform/text.h"
#include "platform/window.h"

namespace simi {

Window* Win(std::uintptr_t id) {
    auto it = S().windows.find(id);
    return it == S().windows.end() ? nullptr : &it->second;
}

Window* Win(Hwnd w) { return Win(Id(w)); }

Rect ScreenRect(const Window& w) {
    if (!w.child) return w.rect;
    Rect r = w.rect;
    if (const Window* p = Win(w.parent)) {
        Rect pr = ScreenRect(*p);
        Rect pc = ClientRect(*p);
        // Client origin of the parent: its frame offset inside the window rectangle.
        int ox = pr.left + ((pr.right - pr.left) - pc.right) / 2;
        int oy = pr.top + ((pr.bottom - pr.top) - pc.bottom) / 2;
        r = {r.left + ox, r.top + oy, r.right + ox, r.bottom + oy};
    }
    return r;
}

Rect ClientRect(const Window& w) {
    int fx = 0, fy = 0;
    if (w.style & WS_THICKFRAME) {
        fx = S().screen.cxFrame;
        fy = S().screen.cyFrame;
    } else if (w.style & WS_BORDER) {
        fx = fy = 1;
    }
    int cx = w.rect.right - w.rect.left - 2 * fx;
    int cy = w.rect.bottom - w.rect.top - 2 * fy;
    return {0, 0, cx < 0 ? 0 : cx, cy < 0 ? 0 : cy};
}

bool Shown(const Window& w) {
    if (!w.visible) return false;
    if (!w.child || w.parent == 0) return true;
    const Window* p = Win(w.parent);
    return p && Shown(*p);
}

void ZRemove(std::uintptr_t id) {
    auto& z = S().zorder;
    z.erase(std::remove(z.begin(), z.end(), id), z.end());
}

void ZInsertTop(std::uintptr_t id) {
    ZRemove(id);
    Window* w = Win(id);
    if (!w) return;
    auto& z = S().zorder;
    auto pos = z.begin();
    if (!w->topmost) {
        while (pos != z.end() && Win(*pos) && Win(*pos)->topmost) ++pos;
    }
    z.insert(pos, id);
}

namespace {

void ZInsertBottom(std::uintptr_t id) {
    ZRemove(id);
    Window* w = Win(id);
    if (!w) return;
    auto& z = S().zorder;
    auto pos = z.end();
    if (w->topmost) {
        pos = z.begin();
        while (pos != z.end() && Win(*pos) && Win(*pos)->topmost) ++pos;
    }
    z.insert(pos, id);
}

// Places id right below `after`, kept inside its own band.
void ZInsertAfter(std::uintptr_t id, std::uintptr_t after) {
    if (after == id) return;
    ZRemove(id);
    Window* w = Win(id);
    if (!w) return;
    auto& z = S().zorder;
    auto it = std::find(z.begin(), z.end(), after);
    if (it == z.end()) {
        ZInsertTop(id);
        return;
    }
    ++it;
    auto firstNormal = z.begin();
    while (firstNormal != z.end() && Win(*firstNormal) && Win(*firstNormal)->topmost) ++firstNormal;
    std::size_t pos = static_cast<std::size_t>(it - z.begin());
    std::size_t band = static_cast<std::size_t>(firstNormal - z.begin());
    if (w->topmost && pos > band) pos = band;
    if (!w->topmost && pos < band) pos = band;
    z.insert(z.begin() + static_cast<std::ptrdiff_t>(pos), id);
}

const std::vector<std::uintptr_t>* Siblings(const Window& w) {
    if (!w.child) return &S().zorder;
    if (Window* p = Win(w.parent)) return &p->children;
    return nullptr;
}

struct SizeChange {
    Hwnd w;
    int cx, cy;
};

// Applies one move with the lock held; returns whether a product window changed size.
bool ApplyMove(Window& w, Hwnd after, int x, int y, int cx, int cy, std::uint32_t flags,
               SizeChange* change) {
    Rect old = w.rect;
    if (!(flags & SWP_NOMOVE)) {
        int width = w.rect.right - w.rect.left, height = w.rect.bottom - w.rect.top;
        w.rect = {x, y, x + width, y + height};
    }
    if (!(flags & SWP_NOSIZE)) {
        w.rect.right = w.rect.left + (cx < 0 ? 0 : cx);
        w.rect.bottom = w.rect.top + (cy < 0 ? 0 : cy);
    }
    if (!(flags & SWP_NOZORDER) && !w.child) {
        if (after == HWND_TOPMOST) {
            w.topmost = true;
            ZInsertTop(w.id);
        } else if (after == HWND_NOTOPMOST) {
            w.topmost = false;
            ZInsertTop(w.id);
        } else if (after == HWND_TOP) {
            ZInsertTop(w.id);
        } else if (Id(after) == 1) {  // HWND_BOTTOM
            ZInsertBottom(w.id);
        } else if (Win(after)) {
            ZInsertAfter(w.id, Id(after));
        }
    }
    if (flags & SWP_SHOWWINDOW) w.visible = true;
    if (flags & 0x0080) w.visible = false;  // SWP_HIDEWINDOW
    bool resized = (old.right - old.left) != (w.rect.right - w.rect.left) ||
                   (old.bottom - old.top) != (w.rect.bottom - w.rect.top);
    if (resized && w.product) {
        Rect c = ClientRect(w);
        *change = {As<Hwnd>(w.id), c.right, c.bottom};
        auto cls = S().classes.find(Lower(w.cls));
        if (cls != S().classes.end() && (cls->second.style & (CS_HREDRAW | CS_VREDRAW)))
            InvalidateInternal(w, nullptr, true);
        return true;
    }
    return false;
}

void NotifySizes(const std::vector<SizeChange>& changes) {
    for (const SizeChange& c : changes) {
        LParam lp = static_cast<LParam>((static_cast<std::uint32_t>(c.cy & 0xFFFF) << 16) |
                                        static_cast<std::uint32_t>(c.cx & 0xFFFF));
        plat::SendMessage(c.w, WM_SIZE, 0, lp);
    }
}

// As the Windows backend: whole characters only.
int CopyText(const std::string& text, char* buf, int max) {
    if (!buf || max <= 0) return 0;
    return static_cast<int>(CopyUtf8(buf, static_cast<std::size_t>(max), text.data(), text.size()));
}

}  // namespace

LResult ForeignAnswer(Window& w, std::uint32_t msg, WParam wp, LParam lp) {
    switch (msg) {
        case WM_GETTEXTLENGTH: return static_cast<LResult>(w.title.size());
        case WM_GETTEXT: return CopyText(w.title, reinterpret_cast<char*>(lp), static_cast<int>(wp));
        case WM_SETTEXT:
            w.title = lp ? reinterpret_cast<const char*>(lp) : "";
            return 1;
        default: break;
    }
    if (w.kind == Kind::ListBox) {
        const auto& items = w.items;
        bool inRange = wp < items.size();
        switch (msg) {
            case LB_GETCOUNT:
                return w.claimedCount >= 0 ? static_cast<LResult>(w.claimedCount)
                                           : static_cast<LResult>(items.size());
            case LB_GETTEXTLEN: {
                if (!inRange) return -1;
                const auto length = static_cast<LResult>(items[wp].first.size());
                if (w.growIndex == static_cast<long long>(wp)) {
                    w.items[wp].first = w.growText;
                    w.growIndex = -1;
                }
                return length;
            }
            case LB_GETTEXT:
                if (!inRange || !lp) return -1;
                std::memcpy(reinterpret_cast<char*>(lp), items[wp].first.c_str(), items[wp].first.size() + 1);
                return static_cast<LResult>(items[wp].first.size());
            case LB_GETITEMDATA: return inRange ? static_cast<LResult>(items[wp].second) : -1;
            case LB_SETITEMDATA:
                if (!inRange) return -1;
                w.items[wp].second = static_cast<std::uint32_t>(lp);
                return 0;
            case LB_ADDSTRING:
                w.items.push_back({lp ? reinterpret_cast<const char*>(lp) : "", 0});
                return static_cast<LResult>(w.items.size() - 1);
            default: break;
        }
    }
    return 0;
}

void ForgetWindow(std::uintptr_t id) {
    Window* w = Win(id);
    if (!w) return;
    std::vector<std::uintptr_t> kids = w->children;
    for (std::uintptr_t k : kids) ForgetWindow(k);
    w = Win(id);
    if (!w) return;
    if (w->child) {
        if (Window* p = Win(w->parent)) {
            auto& c = p->children;
            c.erase(std::remove(c.begin(), c.end(), id), c.end());
        }
    } else {
        ZRemove(id);
    }
    State& s = S();
    if (s.foreground == id) s.foreground = 0;
    if (s.focus == id) s.focus = 0;
    if (s.capture == id) s.capture = 0;
    s.timers.erase(std::remove_if(s.timers.begin(), s.timers.end(),
                                  [id](const Timer& t) { return t.window == id; }),
                   s.timers.end());
    // The system frees the hotkeys of a window that is destroyed.
    s.hotkeys.erase(std::remove_if(s.hotkeys.begin(), s.hotkeys.end(),
                                   [id](const sim::HotkeyRecord& h) { return Id(h.window) == id; }),
                    s.hotkeys.end());
    s.windows.erase(id);
    Cv().notify_all();
}

}  // namespace simi

using namespace simi;

namespace plat {

Bool IsWindow(Hwnd w) {
    Lock lk(Mu());
    return Id(w) == kDesktopWindow || Win(w) != nullptr;
}

Bool IsWindowVisible(Hwnd w) {
    Lock lk(Mu());
    if (Id(w) == kDesktopWindow) return 1;
    Window* x = Win(w);
    return x && Shown(*x);
}

Bool IsIconic(Hwnd w) {
    Lock lk(Mu());
    Window* x = Win(w);
    return x && x->minimized;
}

Bool IsZoomed(Hwnd w) {
    Lock lk(Mu());
    Window* x = Win(w);
    return x && x->maximized && !x->minimized;
}

namespace {
// The desktop window's rectangle, window and client alike, is the screen.
Bool ReadRect(Hwnd w, Rect* r, Rect (*of)(const Window&)) {
    Lock lk(Mu());
    if (!r) return 0;
    if (Id(w) == kDesktopWindow) {
        *r = {0, 0, S().screen.width, S().screen.height};
        return 1;
    }
    Window* x = Win(w);
    if (!x) {
        SetError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    *r = of(*x);
    return 1;
}
}  // namespace

Bool GetWindowRect(Hwnd w, Rect* r) {
    const Bool ok = ReadRect(w, r, ScreenRect);
    Lock lk(Mu());
    S().clockMs += S().rectReadCostMs;
    return ok;
}

Bool GetClientRect(Hwnd w, Rect* r) { return ReadRect(w, r, ClientRect); }

Bool SetProp(Hwnd w, const char* name, std::uintptr_t data) {
    Lock lk(Mu());
    Window* x = Win(w);
    if (!x || !name) return 0;
    x->props[name] = data;
    return 1;
}
std::uintptr_t GetProp(Hwnd w, const char* name) {
    Lock lk(Mu());
    Window* x = Win(w);
    if (!x || !name) return 0;
    const auto it = x->props.find(name);
    return it == x->props.end() ? 0 : it->second;
}
std::uintptr_t RemoveProp(Hwnd w, const char* name) {
    Lock lk(Mu());
    Window* x = Win(w);
    if (!x || !name) return 0;
    const auto it = x->props.find(name);
    if (it == x->props.end()) return 0;
    const std::uintptr_t data = it->second;
    x->props.erase(it);
    return data;
}

Bool ClientToScreen(Hwnd w, Point* p) {
    Lock lk(Mu());
    if (!p) return 0;
    if (Id(w) == kDesktopWindow) return 1;
    Window* x = Win(w);
    if (!x) return 0;
    Rect r = ScreenRect(*x);
    Rect c = ClientRect(*x);
    p->x += r.left + ((r.right - r.left) - c.right) / 2;
    p->y += r.top + ((r.bottom - r.top) - c.bottom) / 2;
    return 1;
}

std::uint32_t GetWindowThreadProcessId(Hwnd w, std::uint32_t* processId) {
    Lock lk(Mu());
    ++S().threadReads;
    Window* x = Win(w);
    if (!x) {
        if (processId) *processId = 0;
        SetError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (processId) *processId = x->otherProcess ? OtherProcessId : SimProcessId;
    // A window a test added stands for a window of another program; each has a thread of its
    // own, so that its hang is its thread's alone, as on the real system.
    return x->thread ? x->thread : 0x40000000u + static_cast<std::uint32_t>(Id(w));
}

int GetClassName(Hwnd w, char* buf, int max) {
    Lock lk(Mu());
    if (Id(w) == kDesktopWindow) return CopyText("#32769", buf, max);
    Window* x = Win(w);
    if (!x) {
        SetError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return CopyText(x->cls, buf, max);
}

int GetWindowText(Hwnd w, char* buf, int max) {
    if (buf && max > 0) buf[0] = 0;
    Lock lk(Mu());
    Window* x = Win(w);
    if (!x) {
        SetError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    // Other programs' texts are read without a message, so a hung window cannot block this.
    if (!x->product) return CopyText(x->title, buf, max);
    lk.unlock();
    if (!buf || max <= 0) return 0;
    return static_cast<int>(SendMessage(w, WM_GETTEXT, static_cast<WParam>(max), Id(buf)));
}

Bool SetWindowText(Hwnd w, const char* text) {
    Lock lk(Mu());
    Window* x = Win(w);
    if (!x) {
        SetError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (!x->product) {
        x->title = text ? text : "";
        return 1;
    }
    lk.unlock();
    return SendMessage(w, WM_SETTEXT, 0, static_cast<LParam>(Id(text))) ? 1 : 0;
}

Hwnd GetDlgItem(Hwnd dlg, int id) {
    Lock lk(Mu());
    Window* x = Win(dlg);
    if (!x) return nullptr;
    for (std::uintptr_t c : x->children) {
        Window* k = Win(c);
        if (k && k->ctrlId == id) return As<Hwnd>(c);
    }
    return nullptr;
}

std::uint32_t GetDlgItemText(Hwnd dlg, int id, char* buf, int max) {
    if (buf && max > 0) buf[0] = 0;
    Hwnd item = GetDlgItem(dlg, id);
    if (!item) return 0;
    return static_cast<std::uint32_t>(GetWindowText(item, buf, max));
}

int GetListBoxText(Hwnd listBox, int index, char* buf, int max) {
    // As the Windows backend: LB_GETTEXT takes no size, so it reads into this much.
    constexpr LResult MaxListText = 0xFFFF;
    if (!buf || max <= 0) return -1;
    buf[0] = 0;
    for (int attempt = 0; attempt < 3; ++attempt) {
        const LResult length = SendMessage(listBox, LB_GETTEXTLEN, static_cast<WParam>(index), 0);
        if (length < 0 || length > MaxListText) return -1;
        std::string text(MaxListText + 1, '\0');
        const LResult got = SendMessage(listBox, LB_GETTEXT, static_cast<WParam>(index),
                                         Id(&text[0]));
        if (got < 0) return -1;
        if (got != length) continue;
        return static_cast<int>(CopyUtf8(buf, static_cast<std::size_t>(max), text.data(),
                                         static_cast<std::size_t>(got)));
    }
    return -1;
}

Hwnd GetTopWindow(Hwnd parent) {
    Lock lk(Mu());
    if (parent == nullptr || Id(parent) == kDesktopWindow)
        return S().zorder.empty() ? nullptr : As<Hwnd>(S().zorder.front());
    Window* p = Win(parent);
    if (!p || p->children.empty()) return nullptr;
    return As<Hwnd>(p->children.front());
}

Hwnd GetWindow(Hwnd w, std::uint32_t cmd) {
    Lock lk(Mu());
    Window* x = Win(w);
    if (!x) {
        SetError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    if (cmd == GW_OWNER) return x->child ? nullptr : As<Hwnd>(x->owner);
    const std::vector<std::uintptr_t>* list = Siblings(*x);
    if (!list || list->empty()) return nullptr;
    auto it = std::find(list->begin(), list->end(), x->id);
    switch (cmd) {
        case GW_HWNDFIRST: return As<Hwnd>(list->front());
        case GW_HWNDLAST: return As<Hwnd>(list->back());
        case GW_HWNDNEXT:
            if (it == list->end() || it + 1 == list->end()) return nullptr;
            return As<Hwnd>(*(it + 1));
        case GW_HWNDPREV:
            if (it == list->end() || it == list->begin()) return nullptr;
            return As<Hwnd>(*(it - 1));
        default: return nullptr;
    }
}

Hwnd GetParent(Hwnd w) {
    Lock lk(Mu());
    Window* x = Win(w);
    if (!x) {
        SetError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    return As<Hwnd>(x->child ? x->parent : x->owner);
}

Hwnd GetDesktopWindow() { return As<Hwnd>(kDesktopWindow); }

Bool EnumDesktopWindows(Handle desktop, EnumWindowsProc proc, LParam lp) {
    if (!proc || desktop) return 0;
    // The copy reuses this thread's memory of earlier calls at the same depth, so that the
    // simulation allocates nothing where the real call allocates nothing in the caller's heap.
    // A deque, so that a nested call growing it leaves the outer call's copy where it is.
    thread_local std::deque<std::vector<std::uintptr_t>> copies;
    thread_local std::size_t depth = 0;
    if (copies.size() <= depth) copies.emplace_back();
    std::vector<std::uintptr_t>& list = copies[depth];
    {
        Lock lk(Mu());
        list = S().zorder;
    }
    ++depth;
    Bool all = 1;
    // As on the real system, a window destroyed during the enumeration is still passed.
    for (std::size_t i = 0; all && i < list.size(); ++i) all = proc(As<Hwnd>(list[i]), lp) ? 1 : 0;
    --depth;
    return all;
}

Bool SetWindowPos(Hwnd w, Hwnd after, int x, int y, int cx, int cy, std::uint32_t flags) {
    if (Failing(sim::Call::SetWindowPos)) {
        SetError(FailureError(sim::Call::SetWindowPos, 0));
        return 0;
    }
    std::vector<SizeChange> changes;
    {
        Lock lk(Mu());
        Window* win = Win(w);
        if (!win) {
            SetError(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        if (win->moveDenied) {
            ++S().deniedMoves;
            SetError(ERROR_ACCESS_DENIED);
            return 0;
        }
        if (win->hung && (flags & SWP_ASYNCWINDOWPOS) && !win->proc) {
            // Posted to the window's thread: it lands when that thread runs again.
            HeldCallback h{CurrentThread(), nullptr, 0, 0};
            h.after = after;
            h.x = x, h.y = y, h.cx = cx, h.cy = cy, h.flags = flags;
            win->held.push_back(h);
            return 1;
        }
        if (win->hung && !(flags & SWP_ASYNCWINDOWPOS)) ++S().hungWindowBlocks;
        SizeChange c{};
        if (ApplyMove(*win, after, x, y, cx, cy, flags, &c)) changes.push_back(c);
        if ((flags & (SWP_NOMOVE | SWP_NOSIZE)) != (SWP_NOMOVE | SWP_NOSIZE))
            S().moves.push_back({w, x, y, cx, cy, flags, 0, "SetWindowPos", CurrentThread()});
        Cv().notify_all();
    }
    NotifySizes(changes);
    return 1;
}

Bool MoveWindow(Hwnd w, int x, int y, int cx, int cy, Bool) {
    std::vector<SizeChange> changes;
    {
        Lock lk(Mu());
        Window* win = Win(w);
        if (!win) {
            SetError(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        if (win->moveDenied) {
            ++S().deniedMoves;
            SetError(ERROR_ACCESS_DENIED);
            return 0;
        }
        SizeChange c{};
        if (ApplyMove(*win, nullptr, x, y, cx, cy, SWP_NOZORDER, &c)) changes.push_back(c);
        S().moves.push_back({w, x, y, cx, cy, SWP_NOZORDER, 0, "MoveWindow", CurrentThread()});
        Cv().notify_all();
    }
    NotifySizes(changes);
    return 1;
}

Hdwp BeginDeferWindowPos(int n) {
    Lock lk(Mu());
    if (Failing(sim::Call::BeginDeferWindowPos) || n < 0) {
        SetError(n < 0 ? ERROR_INVALID_PARAMETER : ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    Batch b;
    b.id = NewHandle();
    b.capacity = n;
    S().batches[b.id] = b;
    return As<Hdwp>(b.id);
}

Hdwp DeferWindowPos(Hdwp batch, Hwnd w, Hwnd after, int x, int y, int cx, int cy,
                    std::uint32_t flags) {
    Lock lk(Mu());
    auto it = S().batches.find(Id(batch));
    if (it == S().batches.end()) {
        SetError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (!Win(w) || Failing(sim::Call::DeferWindowPos) || Win(w)->moveDenied) {
        // The whole batch is lost, as on the real system.
        if (Win(w) && Win(w)->moveDenied) ++S().deniedMoves;
        S().batches.erase(it);
        SetError(Win(w) && Win(w)->moveDenied ? ERROR_ACCESS_DENIED : ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    Batch b = std::move(it->second);
    S().batches.erase(it);
    b.moves.push_back({w, x, y, cx, cy, flags, 0, "defer", CurrentThread()});
    b.after.push_back(after);
    // A batch that outgrows its size is reallocated under a new handle.
    if (static_cast<int>(b.moves.size()) > b.capacity) {
        b.id = NewHandle();
        b.capacity = static_cast<int>(b.moves.size()) * 2;
    }
    std::uintptr_t id = b.id;
    S().batches[id] = std::move(b);
    return As<Hdwp>(id);
}

Bool EndDeferWindowPos(Hdwp batch) {
    if (Failing(sim::Call::EndDeferWindowPos)) {
        Lock lk(Mu());
        S().batches.erase(Id(batch));  // nothing moves and the batch is gone
        return 0;
    }
    std::vector<SizeChange> changes;
    {
        Lock lk(Mu());
        auto it = S().batches.find(Id(batch));
        if (it == S().batches.end()) {
            SetError(ERROR_INVALID_HANDLE);
            return 0;
        }
        Batch b = std::move(it->second);
        S().batches.erase(it);
        int number = ++S().batchCount;
        std::uint32_t thread = CurrentThread();
        for (std::size_t i = 0; i < b.moves.size(); ++i) {
            sim::MoveRecord m = b.moves[i];
            Window* win = Win(m.window);
            if (!win) continue;  // closed since it was deferred
            if (win->hung) ++S().hungWindowBlocks;
            SizeChange c{};
            if (ApplyMove(*win, b.after[i], m.x, m.y, m.cx, m.cy, m.flags, &c)) changes.push_back(c);
            m.batch = number;
            m.threadId = thread;
            S().moves.push_back(m);
        }
        Cv().notify_all();
    }
    NotifySizes(changes);
    return 1;
}

Hwnd GetForegroundWindow() {
    Lock lk(Mu());
    return As<Hwnd>(S().foreground);
}

Bool SetForegroundWindow(Hwnd w) {
    Lock lk(Mu());
    S().foregroundRequests.push_back(w);
    Window* x = Win(w);
    if (!x || x->child) return 0;
    S().foreground = x->id;
    ZInsertTop(x->id);
    return 1;
}

Bool ShowWindow(Hwnd w, int cmd) {
    Lock lk(Mu());
    S().shows.push_back({w, cmd});
    Window* x = Win(w);
    if (!x) {
        SetError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (x->hung) ++S().hungWindowBlocks;
    bool wasVisible = x->visible;
    switch (cmd) {
        case SW_HIDE: x->visible = false; break;
        case SW_SHOWNORMAL:
        case SW_RESTORE:
            x->visible = true;
            x->minimized = false;
            if (cmd == SW_SHOWNORMAL || !x->minimized) x->maximized = false;
            break;
        case SW_SHOWMINIMIZED:
        case SW_MINIMIZE:
        case 7:  // SW_SHOWMINNOACTIVE
            x->visible = true;
            x->minimized = true;
            break;
        case SW_SHOWMAXIMIZED:
            x->visible = true;
            x->minimized = false;
            x->maximized = true;
            break;
        default: x->visible = true; break;
    }
    if (!wasVisible && x->visible && x->product) InvalidateInternal(*x, nullptr, true);
    Cv().notify_all();
    return wasVisible ? 1 : 0;
}

Bool CloseWindow(Hwnd w) {
    Lock lk(Mu());
    S().shows.push_back({w, -1});
    Window* x = Win(w);
    if (!x || x->child) {
        SetError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (x->hung) ++S().hungWindowBlocks;
    x->minimized = true;
    Cv().notify_all();
    return 1;
}

Hwnd SetCapture(Hwnd w) {
    Lock lk(Mu());
    std::uintptr_t old = S().capture;
    S().capture = Win(w) ? Id(w) : 0;
    return As<Hwnd>(old);
}

Bool ReleaseCapture() {
    Lock lk(Mu());
    S().capture = 0;
    return 1;
}

// Like Win32, only a window of the calling thread.
Hwnd GetCapture() {
    Lock lk(Mu());
    const std::uintptr_t capture = S().capture;
    Window* w = capture ? Win(capture) : nullptr;
    if (!w || w->thread != CurrentThread()) return nullptr;
    return As<Hwnd>(capture);
}

Hwnd SetFocus(Hwnd w) {
    std::uintptr_t old;
    {
        Lock lk(Mu());
        if (w && !Win(w)) {
            SetError(ERROR_INVALID_WINDOW_HANDLE);
            return nullptr;
        }
        old = S().focus;
        if (old == Id(w)) return As<Hwnd>(old);
        S().focus = Id(w);
    }
    if (old) SendNotify(As<Hwnd>(old), WM_KILLFOCUS, Id(w), 0);
    if (w) SendNotify(w, WM_SETFOCUS, old, 0);
    return As<Hwnd>(old);
}

long DwmGetWindowAttribute(Hwnd w, std::uint32_t attribute, void* value, std::uint32_t size) {
    constexpr long E_INVALIDARG = static_cast<long>(0x80070057u);
    constexpr long E_NOTIMPL = static_cast<long>(0x80004001u);
    Lock lk(Mu());
    if (S().dwmMissing) return E_NOTIMPL;
    Window* x = Win(w);
    if (!x || !value || attribute != DWMWA_CLOAKED || size != sizeof(std::uint32_t)) return E_INVALIDARG;
    const std::uint32_t cloaked = x->cloaked ? 1u : 0u;  // DWM_CLOAKED_APP
    std::memcpy(value, &cloaked, sizeof cloaked);
    return 0;
}

}  // namespace plat

namespace sim {

Hwnd AddWindow(const WindowSpec& ws) {
    Lock lk(Mu());
    Window w;
    w.id = NewHandle();
    w.title = ws.title;
    w.cls = ws.className;
    w.rect = ws.rect;
    w.visible = ws.visible;
    w.minimized = ws.minimized;
    w.maximized = ws.maximized;
    w.topmost = ws.topmost;
    w.owner = Id(ws.owner);
    w.style = WS_OVERLAPPEDWINDOW | (ws.visible ? WS_VISIBLE : 0);
    w.otherProcess = true;
    std::uintptr_t id = w.id;
    S().windows[id] = std::move(w);
    ZInsertTop(id);
    Cv().notify_all();
    return As<Hwnd>(id);
}

void RemoveWindow(Hwnd w) {
    Lock lk(Mu());
    Window* x = Win(w);
    if (!x || x->product) return;
    ForgetWindow(x->id);
}

namespace {
template <class F>
void Edit(Hwnd w, F f) {
    Lock lk(Mu());
    if (Window* x = Win(w)) {
        f(*x);
        Cv().notify_all();
    }
}
}  // namespace

void SetTitle(Hwnd w, const std::string& title) {
    Edit(w, [&](Window& x) { x.title = title; });
}
void SetRect(Hwnd w, const Rect& r) {
    Edit(w, [&](Window& x) { x.rect = r; });
}
void SetVisible(Hwnd w, bool visible) {
    Edit(w, [&](Window& x) { x.visible = visible; });
}
void SetMinimized(Hwnd w, bool minimized) {
    Edit(w, [&](Window& x) { x.minimized = minimized; });
}
void SetMaximized(Hwnd w, bool maximized) {
    Edit(w, [&](Window& x) { x.maximized = maximized; });
}
void SetOwner(Hwnd w, Hwnd owner) {
    Edit(w, [&](Window& x) {
        if (!x.child) x.owner = Id(owner);
    });
}

namespace {
// The window's thread runs through what it was given while hung, in order: each held send is
// answered (its callback goes to its sender), each held asynchronous move lands.
void RunHeld(Window* x) {
    std::vector<HeldCallback> held;
    held.swap(x->held);
    const Hwnd w = As<Hwnd>(x->id);
    for (const HeldCallback& h : held) {
        if (!h.cb) {
            SizeChange c{};
            ApplyMove(*x, h.after, h.x, h.y, h.cx, h.cy, h.flags, &c);
            S().moves.push_back({w, h.x, h.y, h.cx, h.cy, h.flags, 0, "SetWindowPos", h.thread});
            continue;
        }
        LResult r = ForeignAnswer(*x, h.msg, 0, 0);
        EnsureQueue(h.thread).callbacks.push_back({h.cb, w, h.msg, h.data, r});
    }
    Cv().notify_all();
}
}  // namespace

void SetHung(Hwnd w, bool hung) {
    Lock lk(Mu());
    Window* x = Win(w);
    if (!x) return;
    x->hung = hung;
    if (hung) return;
    x->hungReported = false;
    RunHeld(x);
}

void AnswerHeldAndHangAgain(Hwnd w) {
    Lock lk(Mu());
    Window* x = Win(w);
    if (x && x->hung) RunHeld(x);
}

void HoldCallbacks(std::uint32_t threadId, bool hold) {
    Lock lk(Mu());
    EnsureQueue(threadId).callbacksHeld = hold;
    Cv().notify_all();
}

void SetCloaked(Hwnd w, bool cloaked) {
    Edit(w, [&](Window& x) { x.cloaked = cloaked; });
}
void SetMoveDenied(Hwnd w, bool denied) {
    Edit(w, [&](Window& x) { x.moveDenied = denied; });
}
int DeniedMoves() {
    Lock lk(Mu());
    return S().deniedMoves;
}
void SetDwmMissing(bool missing) {
    Lock lk(Mu());
    S().dwmMissing = missing;
}

void SetHungReported(Hwnd w) {
    Lock lk(Mu());
    Window* x = Win(w);
    if (!x) return;
    x->hung = true;
    x->hungReported = true;
}

std::int64_t ClockMs() {
    Lock lk(Mu());
    return S().clockMs;
}

void SetRectReadCostMs(int ms) {
    Lock lk(Mu());
    S().rectReadCostMs = ms;
}

void BringToTop(Hwnd w) {
    Lock lk(Mu());
    Window* x = Win(w);
    if (x && !x->child) ZInsertTop(x->id);
}

Rect WindowRect(Hwnd w) {
    Lock lk(Mu());
    Window* x = Win(w);
    return x ? ScreenRect(*x) : Rect{0, 0, 0, 0};
}

std::string Title(Hwnd w) {
    Lock lk(Mu());
    Window* x = Win(w);
    return x ? x->title : std::string();
}

std::string ClassName(Hwnd w) {
    Lock lk(Mu());
    Window* x = Win(w);
    return x ? x->cls : std::string();
}

bool IsVisible(Hwnd w) {
    Lock lk(Mu());
    Window* x = Win(w);
    return x && Shown(*x);
}

bool IsMinimized(Hwnd w) {
    Lock lk(Mu());
    Window* x = Win(w);
    return x && x->minimized;
}

bool Exists(Hwnd w) {
    Lock lk(Mu());
    return Win(w) != nullptr;
}

int HeldCallbacks(Hwnd w, std::uint32_t message) {
    Lock lk(Mu());
    Window* x = Win(w);
    if (!x) return 0;
    int n = 0;
    for (const HeldCallback& h : x->held) n += h.cb && (message == 0 || h.msg == message);
    return n;
}

std::vector<Hwnd> ZOrder() {
    Lock lk(Mu());
    std::vector<Hwnd> r;
    for (std::uintptr_t id : S().zorder) r.push_back(As<Hwnd>(id));
    return r;
}

void SetForeground(Hwnd w) {
    std::uintptr_t oldFocus = 0;
    {
        Lock lk(Mu());
        Window* x = Win(w);
        if (w && (!x || x->child)) return;
        S().foreground = Id(w);
        if (x) ZInsertTop(x->id);
        // Activating another program's window takes the keyboard focus away from ours.
        if (S().focus && (!x || !x->product)) {
            oldFocus = S().focus;
            S().focus = 0;
        }
        Cv().notify_all();
    }
    if (oldFocus) SendNotify(As<Hwnd>(oldFocus), WM_KILLFOCUS, Id(w), 0);
}

Hwnd Foreground() {
    Lock lk(Mu());
    return As<Hwnd>(S().foreground);
}

std::vector<MoveRecord> Moves() {
    Lock lk(Mu());
    return S().moves;
}

int BatchCount() {
    Lock lk(Mu());
    return S().batchCount;
}

int WindowThreadReads() {
    Lock lk(Mu());
    return S().threadReads;
}

void ClearMoves() {
    Lock lk(Mu());
    S().moves.clear();
}

std::vector<ShowRecord> Shows() {
    Lock lk(Mu());
    return S().shows;
}

std::vector<Hwnd> ForegroundRequests() {
    Lock lk(Mu());
    return S().foregroundRequests;
}

Hwnd AddListBox(const std::vector<std::pair<std::string, std::uint32_t>>& items,
                bool otherProcess) {
    Lock lk(Mu());
    Window w;
    w.otherProcess = otherProcess;
    w.id = NewHandle();
    w.kind = Kind::ListBox;
    w.cls = "ListBox";
    w.child = true;  // belongs to a dialog, never in the top-level Z-order
    w.items = items;
    w.rect = {0, 0, 100, 100};
    std::uintptr_t id = w.id;
    S().windows[id] = std::move(w);
    return As<Hwnd>(id);
}

void ClaimListBoxCount(Hwnd listBox, long long count) {
    Lock lk(Mu());
    if (Window* x = Win(listBox)) x->claimedCount = count;
}

void ChangeListTextAfterLength(Hwnd listBox, int index, const std::string& text) {
    Lock lk(Mu());
    if (Window* x = Win(listBox)) {
        x->growIndex = index;
        x->growText = text;
    }
}

Hwnd FindProductWindow(const std::string& className) {
    Lock lk(Mu());
    for (auto& [id, w] : S().windows) {
        if (w.product && EqualNoCase(w.cls, className)) return As<Hwnd>(id);
    }
    return nullptr;
}

int HungWindowBlocks() {
    Lock lk(Mu());
    return S().hungWindowBlocks;
}

}  // namespace sim
