// Product windows and messages: classes, creation and destruction, per-thread queues,
// sent messages across threads, completion callbacks, invalidation, timers and hotkeys.
#include <algorithm>
#include <chrono>
#include <cstring>

#include "platform/gdi.h"
#include "platform/sim/sim_internal.h"
#include "platform/window.h"

namespace simi {

Queue& EnsureQueue(std::uint32_t thread) { return S().queues[thread]; }

void InvalidateInternal(Window& w, const Rect* r, bool erase) {
    Rect c = ClientRect(w);
    Rect add = r ? *r : c;
    add.left = std::max(add.left, c.left);
    add.top = std::max(add.top, c.top);
    add.right = std::min(add.right, c.right);
    add.bottom = std::min(add.bottom, c.bottom);
    if (add.left >= add.right || add.top >= add.bottom) {
        if (!r) w.erase = w.erase || (erase && w.invalid);
        return;
    }
    if (w.invalid) {
        w.invalidRect = {std::min(w.invalidRect.left, add.left), std::min(w.invalidRect.top, add.top),
                         std::max(w.invalidRect.right, add.right),
                         std::max(w.invalidRect.bottom, add.bottom)};
    } else {
        w.invalidRect = add;
    }
    w.invalid = true;
    w.erase = w.erase || erase;
    Cv().notify_all();
}

namespace {

constexpr std::uint32_t kTimeBase = 1000;

Msg MakeMsg(Hwnd w, std::uint32_t msg, WParam wp, LParam lp) {
    static std::uint32_t tick = kTimeBase;
    Msg m{};
    m.hwnd = w;
    m.message = msg;
    m.wParam = wp;
    m.lParam = lp;
    m.time = ++tick;
    m.pt = S().cursor;
    return m;
}

// Runs one message sent to this thread by another; lock held once on entry and exit.
bool ServeSent(Lock& lk, std::uint32_t me) {
    auto qit = S().queues.find(me);
    if (qit == S().queues.end() || qit->second.sent.empty()) return false;
    std::shared_ptr<SentMessage> sm = qit->second.sent.front();
    qit->second.sent.pop_front();
    qit->second.waiting = false;
    Window* w = Win(sm->hwnd);
    WndProc proc = w ? w->proc : nullptr;
    LResult r = 0;
    if (proc) {
        lk.unlock();
        r = proc(sm->hwnd, sm->msg, sm->wp, sm->lp);
        lk.lock();
    }
    sm->result = r;
    sm->done = true;
    // A window that was gone before it could answer never calls back.
    if (sm->cb && proc) {
        auto back = S().queues.find(sm->from);
        if (back != S().queues.end())
            back->second.callbacks.push_back({sm->cb, sm->hwnd, sm->msg, sm->cbData, r});
    }
    Cv().notify_all();
    return true;
}

bool ServeCallback(Lock& lk, std::uint32_t me) {
    auto qit = S().queues.find(me);
    if (qit == S().queues.end() || qit->second.callbacks.empty() || qit->second.callbacksHeld)
        return false;
    PendingCallback cb = qit->second.callbacks.front();
    qit->second.callbacks.pop_front();
    qit->second.waiting = false;
    lk.unlock();
    cb.cb(cb.hwnd, cb.msg, cb.data, cb.result);
    lk.lock();
    return true;
}

bool Matches(const Msg& m, Hwnd filter, std::uint32_t min, std::uint32_t max) {
    if (filter) {
        if (!m.hwnd) return false;
        bool ok = m.hwnd == filter;
        for (Window* w = Win(m.hwnd); !ok && w && w->child; w = Win(w->parent))
            ok = w->parent == Id(filter);
        if (!ok) return false;
    }
    if (min == 0 && max == 0) return true;
    return m.message >= min && m.message <= max;
}

bool TakesPaint(std::uint32_t min, std::uint32_t max) {
    return (min == 0 && max == 0) || (WM_PAINT >= min && WM_PAINT <= max);
}

Window* PaintCandidate(std::uint32_t me, Hwnd filter) {
    for (auto& [id, w] : S().windows) {
        if (w.thread != me || !w.invalid || !Shown(w) || !w.proc) continue;
        if (filter && id != Id(filter)) continue;
        return &w;
    }
    return nullptr;
}

// Sends across threads and waits (bounded by deadline when given); lock held on entry.
bool SendAcross(Lock& lk, Window& target, std::uint32_t msg, WParam wp, LParam lp, LResult* result,
                const std::chrono::steady_clock::time_point* deadline) {
    std::uint32_t me = CurrentThread();
    EnsureQueue(me);
    auto sm = std::make_shared<SentMessage>();
    sm->hwnd = As<Hwnd>(target.id);
    sm->msg = msg;
    sm->wp = wp;
    sm->lp = lp;
    sm->from = me;
    EnsureQueue(target.thread).sent.push_back(sm);
    Cv().notify_all();
    while (!sm->done) {
        // A thread blocked in a send still answers what is sent to it.
        if (ServeSent(lk, me)) continue;
        if (deadline) {
            if (Cv().wait_until(lk, *deadline) == std::cv_status::timeout && !sm->done) {
                sm->wait = false;
                return false;
            }
        } else {
            Cv().wait(lk);
        }
    }
    *result = sm->result;
    return true;
}

LParam SizeParam(int cx, int cy) {
    return static_cast<LParam>((static_cast<std::uint32_t>(cy & 0xFFFF) << 16) |
                               static_cast<std::uint32_t>(cx & 0xFFFF));
}

// The CREATESTRUCTA a window procedure receives in lParam of WM_NCCREATE and WM_CREATE.
struct CreateStructA {
    void* lpCreateParams;
    Hinstance hInstance;
    Hmenu hMenu;
    Hwnd hwndParent;
    int cy, cx, y, x;
    std::int32_t style;
    const char* lpszName;
    const char* lpszClass;
    std::uint32_t dwExStyle;
};

}  // namespace

bool Idle(std::uint32_t thread, const Queue& q) {
    if (q.dialogs > 0 || q.loop == Queue::Loop::Left) return true;
    const bool pending = !q.sent.empty() || (!q.callbacks.empty() && !q.callbacksHeld) || q.quit;
    // A thread about to enter its loop is idle only if nothing waits for it there.
    if (q.loop == Queue::Loop::NotStarted) return !pending && q.posted.empty();
    if (!q.waiting || pending) return false;
    for (const Msg& m : q.posted)
        if (Matches(m, q.waitFilter, q.waitMin, q.waitMax)) return false;
    return !(TakesPaint(q.waitMin, q.waitMax) && PaintCandidate(thread, q.waitFilter));
}

void SendNotify(Hwnd w, std::uint32_t msg, WParam wp, LParam lp) {
    Lock lk(Mu());
    Window* x = Win(w);
    if (!x) return;
    if (!x->proc) {
        ForeignAnswer(*x, msg, wp, lp);
        return;
    }
    if (x->thread == CurrentThread()) {
        WndProc proc = x->proc;
        lk.unlock();
        proc(w, msg, wp, lp);
        return;
    }
    auto sm = std::make_shared<SentMessage>();
    sm->hwnd = w;
    sm->msg = msg;
    sm->wp = wp;
    sm->lp = lp;
    sm->from = CurrentThread();
    sm->wait = false;
    EnsureQueue(x->thread).sent.push_back(sm);
    Cv().notify_all();
}

}  // namespace simi

using namespace simi;

namespace plat {

std::uint16_t RegisterClass(const WndClass* wc) {
    Lock lk(Mu());
    if (Failing(sim::Call::RegisterClass) || !wc || !wc->lpszClassName || IsIntResource(wc->lpszClassName) ||
        !wc->lpfnWndProc) {
        SetError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string key = Lower(wc->lpszClassName);
    if (S().classes.count(key)) {
        SetError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    WindowClass c;
    c.name = wc->lpszClassName;
    c.proc = wc->lpfnWndProc;
    c.style = wc->style;
    c.wndExtra = wc->cbWndExtra < 0 ? 0 : wc->cbWndExtra;
    c.brush = Id(wc->hbrBackground);
    c.icon = Id(wc->hIcon);
    c.cursor = Id(wc->hCursor);
    S().classes[key] = c;
    return static_cast<std::uint16_t>(0xC000 + S().classes.size());
}

Bool UnregisterClass(const char* className, Hinstance) {
    Lock lk(Mu());
    if (!className || IsIntResource(className)) return 0;
    std::string key = Lower(className);
    auto it = S().classes.find(key);
    if (it == S().classes.end() || key == "edit") return 0;
    for (auto& [id, w] : S().windows) {
        if (w.product && Lower(w.cls) == key) return 0;  // the class still has windows
    }
    S().classes.erase(it);
    return 1;
}

Hwnd CreateWindowEx(std::uint32_t exStyle, const char* className, const char* title,
                     std::uint32_t style, int x, int y, int w, int h, Hwnd parent, Hmenu menu,
                     Hinstance inst, void* param) {
    std::uintptr_t id;
    WndProc proc;
    {
        Lock lk(Mu());
        if (Failing(sim::Call::CreateWindowEx) || !className || IsIntResource(className)) {
            SetError(ERROR_NOT_ENOUGH_MEMORY);
            return nullptr;
        }
        auto cls = S().classes.find(Lower(className));
        if (cls == S().classes.end()) {
            SetError(ERROR_CANNOT_FIND_WND_CLASS);
            return nullptr;
        }
        bool child = (style & WS_CHILD) != 0;
        if (child && !Win(parent)) {
            SetError(ERROR_INVALID_WINDOW_HANDLE);
            return nullptr;
        }
        if (x == CW_USEDEFAULT) x = y = 0;
        if (w == CW_USEDEFAULT) {
            w = 320;
            h = 240;
        }
        Window win;
        win.id = NewHandle();
        win.product = true;
        win.kind = cls->second.proc == EditProc ? Kind::Edit : Kind::Plain;
        win.title = title ? title : "";
        win.cls = cls->second.name;
        win.rect = {x, y, x + (w < 0 ? 0 : w), y + (h < 0 ? 0 : h)};
        win.style = style;
        win.exStyle = exStyle;
        win.visible = (style & WS_VISIBLE) != 0;
        win.topmost = (exStyle & WS_EX_TOPMOST) != 0 && !child;
        win.child = child;
        win.proc = cls->second.proc;
        win.instance = inst;
        win.thread = CurrentThread();
        win.extraBytes = cls->second.wndExtra;
        if (child) {
            win.parent = Id(parent);
            win.ctrlId = static_cast<int>(Id(menu));
        } else {
            win.owner = Win(parent) ? Id(parent) : 0;
        }
        if (win.kind == Kind::Edit) win.selStart = win.selEnd = 0;
        id = win.id;
        proc = win.proc;
        S().windows[id] = std::move(win);
        if (child)
            Win(parent)->children.push_back(id);
        else
            ZInsertTop(id);
        EnsureQueue(CurrentThread());
    }
    Hwnd hwnd = As<Hwnd>(id);
    CreateStructA cs{param, inst, menu, parent, h, w, y, x, static_cast<std::int32_t>(style), title,
                     className, exStyle};
    LParam lp = static_cast<LParam>(Id(&cs));
    if (!proc(hwnd, WM_NCCREATE, 0, lp)) {
        Lock lk(Mu());
        ForgetWindow(id);
        return nullptr;
    }
    if (proc(hwnd, WM_CREATE, 0, lp) == -1) {
        DestroyWindow(hwnd);
        Lock lk(Mu());
        ForgetWindow(id);
        return nullptr;
    }
    Lock lk(Mu());
    Window* win = Win(id);
    if (!win) return nullptr;  // destroyed during its own creation
    if (Shown(*win)) InvalidateInternal(*win, nullptr, true);
    return hwnd;
}

Bool DestroyWindow(Hwnd w) {
    std::vector<std::uintptr_t> order;  // the window, then its descendants, parents first
    {
        Lock lk(Mu());
        Window* x = Win(w);
        if (!x || !x->product || x->thread != CurrentThread() || x->destroying) {
            SetError(x ? ERROR_ACCESS_DENIED_W : ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        order.push_back(x->id);
        for (std::size_t i = 0; i < order.size(); ++i) {
            Window* k = Win(order[i]);
            if (!k) continue;
            k->destroying = true;
            for (std::uintptr_t c : k->children) order.push_back(c);
        }
        if (S().foreground == x->id) S().foreground = 0;
    }
    for (std::uintptr_t id : order) SendMessage(As<Hwnd>(id), WM_DESTROY, 0, 0);
    {
        // Wine takes a dying window out of the stacking order before WM_NCDESTROY,
        // so nothing may rely on walking the Z-order from it by then.
        Lock lk(Mu());
        if (Window* x = Win(w); x && !x->child) ZRemove(x->id);
    }
    for (auto it = order.rbegin(); it != order.rend(); ++it) SendMessage(As<Hwnd>(*it), WM_NCDESTROY, 0, 0);
    Lock lk(Mu());
    ForgetWindow(Id(w));
    return 1;
}

LResult DefWindowProc(Hwnd w, std::uint32_t msg, WParam wp, LParam lp) {
    switch (msg) {
        case WM_NCCREATE: return 1;
        case WM_CLOSE: DestroyWindow(w); return 0;
        case WM_SYSCOMMAND:
            if ((wp & 0xFFF0) == SC_CLOSE) SendMessage(w, WM_CLOSE, 0, 0);
            return 0;
        case WM_PAINT: {
            PaintStruct ps;
            BeginPaint(w, &ps);
            EndPaint(w, &ps);
            return 0;
        }
        case WM_ERASEBKGND: return 1;
        case WM_GETTEXTLENGTH:
        case WM_GETTEXT:
        case WM_SETTEXT: {
            Lock lk(Mu());
            Window* x = Win(w);
            return x ? ForeignAnswer(*x, msg, wp, lp) : 0;
        }
        default: return 0;
    }
}

LResult CallWindowProc(WndProc proc, Hwnd w, std::uint32_t msg, WParam wp, LParam lp) {
    return proc ? proc(w, msg, wp, lp) : 0;
}

namespace {
constexpr int GWL_ID = -12, GWL_EXSTYLE = -20, GWL_USERDATA = -21;
constexpr std::uint32_t ERROR_INVALID_INDEX = 1413;
}  // namespace

std::intptr_t GetWindowLongPtr(Hwnd w, int index) {
    Lock lk(Mu());
    Window* x = Win(w);
    if (!x) {
        SetError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    switch (index) {
        case GWLP_WNDPROC: return reinterpret_cast<std::intptr_t>(x->proc);
        case GWLP_HINSTANCE: return reinterpret_cast<std::intptr_t>(x->instance);
        case GWL_ID: return x->ctrlId;
        case GWL_STYLE: {
            // Shown and minimized are kept as flags here; the real style carries them as bits.
            std::uint32_t style = x->style & ~(WS_VISIBLE | WS_MINIMIZE);
            if (x->visible) style |= WS_VISIBLE;
            if (x->minimized) style |= WS_MINIMIZE;
            return static_cast<std::intptr_t>(style);
        }
        case GWL_EXSTYLE: return static_cast<std::intptr_t>(x->exStyle);
        case GWL_USERDATA: return x->userData;
        default: break;
    }
    // Slots are 32-bit on the real target; the simulation keeps a whole pointer in each.
    if (index < 0 || index + 4 > x->extraBytes) {
        SetError(ERROR_INVALID_INDEX);
        return 0;
    }
    auto it = x->extra.find(index);
    return it == x->extra.end() ? 0 : it->second;
}

std::intptr_t SetWindowLongPtr(Hwnd w, int index, std::intptr_t value) {
    Lock lk(Mu());
    Window* x = Win(w);
    if (!x) {
        SetError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    std::intptr_t old = 0;
    switch (index) {
        case GWLP_WNDPROC:
            if (!x->product || !value) return 0;
            old = reinterpret_cast<std::intptr_t>(x->proc);
            x->proc = reinterpret_cast<WndProc>(value);
            return old;
        case GWL_ID: old = x->ctrlId; x->ctrlId = static_cast<int>(value); return old;
        case GWL_STYLE: old = static_cast<std::intptr_t>(x->style); x->style = static_cast<std::uint32_t>(value); return old;
        case GWL_EXSTYLE:
            old = static_cast<std::intptr_t>(x->exStyle);
            x->exStyle = static_cast<std::uint32_t>(value);
            return old;
        case GWL_USERDATA: old = x->userData; x->userData = value; return old;
        default: break;
    }
    if (index < 0 || index + 4 > x->extraBytes) {
        SetError(ERROR_INVALID_INDEX);
        return 0;
    }
    old = x->extra[index];
    x->extra[index] = value;
    return old;
}

Bool InvalidateRect(Hwnd w, const Rect* r, Bool erase) {
    Lock lk(Mu());
    S().invalidations.push_back({w, erase != 0, r == nullptr});
    if (!w) return 1;  // the whole screen: nothing of ours to repaint
    Window* x = Win(w);
    if (!x) {
        SetError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    InvalidateInternal(*x, r, erase != 0);
    return 1;
}

Bool ValidateRect(Hwnd w, const Rect* r) {
    Lock lk(Mu());
    Window* x = Win(w);
    if (!x) return 0;
    const Rect& v = x->invalidRect;
    if (!r || (r->left <= v.left && r->top <= v.top && r->right >= v.right && r->bottom >= v.bottom)) {
        x->invalid = false;
        x->erase = false;
    }
    return 1;
}

Bool UpdateWindow(Hwnd w) {
    {
        Lock lk(Mu());
        Window* x = Win(w);
        if (!x) return 0;
        if (!x->invalid || !Shown(*x) || !x->proc) return 1;
    }
    SendMessage(w, WM_PAINT, 0, 0);
    return 1;
}

LResult SendMessage(Hwnd w, std::uint32_t msg, WParam wp, LParam lp) {
    Lock lk(Mu());
    Window* x = Win(w);
    if (!x) {
        SetError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (!x->proc) return ForeignAnswer(*x, msg, wp, lp);
    if (x->thread == CurrentThread()) {
        WndProc proc = x->proc;
        lk.unlock();
        return proc(w, msg, wp, lp);
    }
    LResult r = 0;
    SendAcross(lk, *x, msg, wp, lp, &r, nullptr);
    return r;
}

LResult SendMessageTimeout(Hwnd w, std::uint32_t msg, WParam wp, LParam lp, std::uint32_t,
                            std::uint32_t timeoutMs, std::uintptr_t* result) {
    if (Failing(sim::Call::SendMessageTimeout)) {
        SetError(static_cast<std::uint32_t>(ERROR_TIMEOUT));
        return 0;
    }
    Lock lk(Mu());
    Window* x = Win(w);
    if (!x) {
        SetError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (x->hung) {
        // Reported at once in real time; the simulated clock pays the whole time-out.
        S().clockMs += timeoutMs;
        SetError(static_cast<std::uint32_t>(ERROR_TIMEOUT));
        return 0;
    }
    LResult r = 0;
    if (!x->proc) {
        r = ForeignAnswer(*x, msg, wp, lp);
    } else if (x->thread == CurrentThread()) {
        WndProc proc = x->proc;
        lk.unlock();
        r = proc(w, msg, wp, lp);
    } else {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        if (!SendAcross(lk, *x, msg, wp, lp, &r, &deadline)) {
            SetError(static_cast<std::uint32_t>(ERROR_TIMEOUT));
            return 0;
        }
    }
    if (result) *result = static_cast<std::uintptr_t>(r);
    return 1;
}

// Text conversion does not exist here, so the wide form behaves like the narrow one.
LResult SendMessageTimeoutW(Hwnd w, std::uint32_t msg, WParam wp, LParam lp, std::uint32_t flags,
                            std::uint32_t timeoutMs, std::uintptr_t* result) {
    return SendMessageTimeout(w, msg, wp, lp, flags, timeoutMs, result);
}

Bool SendMessageCallback(Hwnd w, std::uint32_t msg, WParam wp, LParam lp, SendAsyncProc cb,
                          std::uintptr_t data) {
    if (Failing(sim::Call::SendMessageCallback)) {
        SetError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    Lock lk(Mu());
    Window* x = Win(w);
    if (!x) {
        SetError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    std::uint32_t me = CurrentThread();
    EnsureQueue(me);
    if (!x->proc) {
        if (x->hung) {
            if (cb) x->held.push_back({me, cb, msg, data});
            return 1;
        }
        LResult r = ForeignAnswer(*x, msg, wp, lp);
        if (cb) EnsureQueue(me).callbacks.push_back({cb, w, msg, data, r});
        Cv().notify_all();
        return 1;
    }
    if (x->thread == me) {
        // Same thread: the procedure runs now and the callback right after it.
        WndProc proc = x->proc;
        lk.unlock();
        LResult r = proc(w, msg, wp, lp);
        if (cb) cb(w, msg, data, r);
        return 1;
    }
    auto sm = std::make_shared<SentMessage>();
    sm->hwnd = w;
    sm->msg = msg;
    sm->wp = wp;
    sm->lp = lp;
    sm->from = me;
    sm->cb = cb;
    sm->cbData = data;
    sm->wait = false;
    EnsureQueue(x->thread).sent.push_back(sm);
    Cv().notify_all();
    return 1;
}

// Text conversion does not exist here, so the wide form behaves like the narrow one.
Bool SendMessageCallbackW(Hwnd w, std::uint32_t msg, WParam wp, LParam lp, SendAsyncProc cb,
                          std::uintptr_t data) {
    return SendMessageCallback(w, msg, wp, lp, cb, data);
}

Bool IsHungAppWindow(Hwnd w) {
    Lock lk(Mu());
    Window* x = Win(w);
    return x && x->hung && x->hungReported;
}

Bool PostMessage(Hwnd w, std::uint32_t msg, WParam wp, LParam lp) {
    Lock lk(Mu());
    std::uint32_t me = CurrentThread();
    if (Failing(sim::Call::PostMessage)) {
        S().posts.push_back({0, w, msg, wp, lp, false});
        SetError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    if (!w) {  // a thread message to the caller itself
        EnsureQueue(me).posted.push_back(MakeMsg(nullptr, msg, wp, lp));
        S().posts.push_back({me, nullptr, msg, wp, lp, true});
        Cv().notify_all();
        return 1;
    }
    Window* x = Win(w);
    if (!x) {
        S().posts.push_back({0, w, msg, wp, lp, false});
        SetError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    S().posts.push_back({0, w, msg, wp, lp, true});
    if (x->proc) EnsureQueue(x->thread).posted.push_back(MakeMsg(w, msg, wp, lp));
    Cv().notify_all();
    return 1;
}

Bool PostThreadMessage(std::uint32_t threadId, std::uint32_t msg, WParam wp, LParam lp) {
    Lock lk(Mu());
    if (threadId == CurrentThread()) EnsureQueue(threadId);
    auto q = S().queues.find(threadId);
    if (Failing(sim::Call::PostThreadMessage) || S().failThreadPosts.count(threadId) ||
        q == S().queues.end()) {
        S().posts.push_back({threadId, nullptr, msg, wp, lp, false});
        SetError(ERROR_INVALID_THREAD_ID);
        return 0;
    }
    q->second.posted.push_back(MakeMsg(nullptr, msg, wp, lp));
    S().posts.push_back({threadId, nullptr, msg, wp, lp, true});
    Cv().notify_all();
    return 1;
}

void PostQuitMessage(int code) {
    Lock lk(Mu());
    Queue& q = EnsureQueue(CurrentThread());
    q.quit = true;
    q.quitCode = code;
    Cv().notify_all();
}

// Two forms are modelled: serving sent messages (posted messages stay queued), and looking at
// (or taking) the first posted message that passes the filter, which serves nothing.
Bool PeekMessage(Msg* m, Hwnd w, std::uint32_t min, std::uint32_t max, std::uint32_t flags) {
    if ((flags & ~PM_REMOVE) == PM_QS_POSTMESSAGE) {
        Lock lk(Mu());
        Queue& q = EnsureQueue(CurrentThread());
        for (auto it = q.posted.begin(); it != q.posted.end(); ++it) {
            if (!Matches(*it, w, min, max)) continue;
            if (m) *m = *it;
            if (flags & PM_REMOVE) q.posted.erase(it);
            return 1;
        }
        return 0;
    }
    if ((flags & ~PM_REMOVE) != PM_QS_SENDMESSAGE) {
        SetError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    Lock lk(Mu());
    const std::uint32_t me = CurrentThread();
    EnsureQueue(me);
    // Completion callbacks of this thread's earlier sends are delivered here too.
    while (ServeSent(lk, me) || ServeCallback(lk, me)) {
    }
    return 0;
}

Bool GetMessage(Msg* m, Hwnd w, std::uint32_t min, std::uint32_t max) {
    if (!m) return -1;
    Lock lk(Mu());
    std::uint32_t me = CurrentThread();
    EnsureQueue(me).loop = Queue::Loop::Running;
    for (;;) {
        if (ServeSent(lk, me)) continue;
        if (ServeCallback(lk, me)) continue;
        Queue& q = EnsureQueue(me);
        for (auto it = q.posted.begin(); it != q.posted.end(); ++it) {
            if (!Matches(*it, w, min, max)) continue;
            *m = *it;
            q.posted.erase(it);
            q.waiting = false;
            if (m->message != WM_QUIT) return 1;
            q.loop = Queue::Loop::Left;
            return 0;
        }
        if (q.quit) {
            q.quit = false;
            q.waiting = false;
            q.loop = Queue::Loop::Left;
            *m = MakeMsg(nullptr, WM_QUIT, static_cast<WParam>(q.quitCode), 0);
            return 0;
        }
        if (TakesPaint(min, max)) {
            if (Window* p = PaintCandidate(me, w)) {
                q.waiting = false;
                *m = MakeMsg(As<Hwnd>(p->id), WM_PAINT, 0, 0);
                return 1;
            }
        }
        if (!q.waiting) {
            q.waiting = true;
            q.waitFilter = w;
            q.waitMin = min;
            q.waitMax = max;
            Cv().notify_all();  // a WaitIdle may be waiting for this
        }
        Cv().wait(lk);
    }
}

Bool TranslateMessage(const Msg* m) {
    if (!m || m->message != WM_KEYDOWN || !m->hwnd) return 0;
    int vk = static_cast<int>(m->wParam);
    char c = 0;
    Lock lk(Mu());
    bool shift = S().keysDown.count(VK_SHIFT) != 0;
    if (vk >= 'A' && vk <= 'Z') {
        c = static_cast<char>(shift ? vk : vk - 'A' + 'a');
    } else if (vk >= '0' && vk <= '9') {
        c = static_cast<char>(vk);
    } else if (vk == VK_SPACE || vk == VK_RETURN || vk == VK_TAB || vk == VK_ESCAPE || vk == 8) {
        c = static_cast<char>(vk);
    }
    if (!c) return 0;
    Window* x = Win(m->hwnd);
    if (!x || !x->proc) return 0;
    EnsureQueue(x->thread).posted.push_front(MakeMsg(m->hwnd, WM_CHAR, static_cast<WParam>(c), m->lParam));
    Cv().notify_all();
    return 1;
}

LResult DispatchMessage(const Msg* m) {
    if (!m || !m->hwnd) return 0;
    WndProc proc;
    {
        Lock lk(Mu());
        Window* x = Win(m->hwnd);
        if (!x || !x->proc) return 0;
        proc = x->proc;
    }
    return proc(m->hwnd, m->message, m->wParam, m->lParam);
}

std::uintptr_t SetTimer(Hwnd w, std::uintptr_t id, std::uint32_t ms, void*) {
    Lock lk(Mu());
    if (Failing(sim::Call::SetTimer)) {
        SetError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    if (w && !Win(w)) {
        SetError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (!w) id = NewHandle();  // thread timers get an id of their own
    auto& t = S().timers;
    t.erase(std::remove_if(t.begin(), t.end(), [&](const Timer& x) { return x.window == Id(w) && x.id == id; }),
            t.end());
    t.push_back({Id(w), id, ms, CurrentThread()});
    return id ? id : 1;
}

Bool KillTimer(Hwnd w, std::uintptr_t id) {
    Lock lk(Mu());
    auto& t = S().timers;
    auto it = std::find_if(t.begin(), t.end(), [&](const Timer& x) { return x.window == Id(w) && x.id == id; });
    if (it == t.end()) return 0;
    t.erase(it);
    return 1;
}

Bool RegisterHotKey(Hwnd w, int id, std::uint32_t mods, std::uint32_t vk) {
    Lock lk(Mu());
    S().hotkeyAttempts.push_back({w, id, mods, vk});
    if (Failing(sim::Call::RegisterHotKey)) return 0;
    std::uint32_t m = mods & 0xF;
    if (w && !Win(w)) {
        SetError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    for (const auto& held : S().heldHotkeys) {
        if ((held.first & 0xF) == m && held.second == vk) {
            SetError(ERROR_HOTKEY_ALREADY_REGISTERED);
            return 0;
        }
    }
    for (const sim::HotkeyRecord& h : S().hotkeys) {
        if ((h.modifiers & 0xF) == m && h.vk == vk) {
            SetError(ERROR_HOTKEY_ALREADY_REGISTERED);
            return 0;
        }
    }
    S().hotkeys.push_back({w, id, mods, vk});
    return 1;
}

Bool UnregisterHotKey(Hwnd w, int id) {
    Lock lk(Mu());
    auto& h = S().hotkeys;
    auto it = std::find_if(h.begin(), h.end(), [&](const sim::HotkeyRecord& r) { return r.window == w && r.id == id; });
    if (it == h.end()) {
        SetError(ERROR_HOTKEY_NOT_REGISTERED);
        return 0;
    }
    h.erase(it);
    return 1;
}

std::uint32_t RegisterWindowMessage(const char* name) {
    if (!name || !*name) return 0;
    Lock lk(Mu());
    auto& known = S().registeredMessages;
    // Names compare without letter case, as on the real system.
    const std::string key = Lower(name);
    auto it = known.find(key);
    if (it != known.end()) return it->second;
    const std::uint32_t id = 0xC000u + static_cast<std::uint32_t>(known.size());
    known[key] = id;
    return id;
}

Bool ChangeWindowMessageFilterEx(Hwnd w, std::uint32_t msg, std::uint32_t action) {
    Lock lk(Mu());
    if (!Win(w) || action != MSGFLT_ALLOW) return 0;
    S().allowedMessages.push_back({w, msg});
    return 1;
}

}  // namespace plat

namespace sim {

bool WaitIdle(int timeoutMs) {
    Lock lk(Mu());
    const std::uint32_t me = CurrentThread();
    const auto allIdle = [me] {
        for (const auto& [thread, q] : S().queues)
            if (thread != me && !Idle(thread, q)) return false;
        return true;
    };
    return Cv().wait_for(lk, std::chrono::milliseconds(timeoutMs), allIdle);
}

std::vector<PostRecord> Posts() {
    Lock lk(Mu());
    return S().posts;
}

void FailThreadPosts(std::uint32_t threadId, bool fail) {
    Lock lk(Mu());
    if (fail)
        S().failThreadPosts.insert(threadId);
    else
        S().failThreadPosts.erase(threadId);
}

std::vector<HotkeyRecord> Hotkeys() {
    Lock lk(Mu());
    return S().hotkeys;
}

std::vector<HotkeyRecord> HotkeyAttempts() {
    Lock lk(Mu());
    return S().hotkeyAttempts;
}

void HoldHotkey(std::uint32_t modifiers, std::uint32_t vk) {
    Lock lk(Mu());
    S().heldHotkeys.push_back({modifiers, vk});
}

namespace {
bool QueueHotkey(std::uint32_t modifiers, std::uint32_t vk) {
    for (const HotkeyRecord& h : S().hotkeys) {
        if ((h.modifiers & 0xF) != (modifiers & 0xF) || h.vk != vk) continue;
        LParam lp = SizeParam(static_cast<int>(modifiers & 0xF), static_cast<int>(vk));
        if (!h.window) {
            return false;  // thread hotkeys are not used by the product
        }
        Window* x = Win(h.window);
        if (!x || !x->proc) return false;
        EnsureQueue(x->thread).posted.push_back(MakeMsg(h.window, WM_HOTKEY, static_cast<WParam>(h.id), lp));
        return true;
    }
    return false;
}
}  // namespace

bool PressHotkey(std::uint32_t modifiers, std::uint32_t vk) { return PressHotkeys(modifiers, {vk}); }

bool PressHotkeys(std::uint32_t modifiers, const std::vector<std::uint32_t>& vks) {
    Lock lk(Mu());
    bool all = true;
    for (std::uint32_t vk : vks) all = QueueHotkey(modifiers, vk) && all;
    Cv().notify_all();
    return all;
}

std::vector<TimerRecord> Timers() {
    Lock lk(Mu());
    std::vector<TimerRecord> r;
    for (const Timer& t : S().timers) r.push_back({As<Hwnd>(t.window), t.id, t.ms});
    return r;
}

void FireTimers() {
    Lock lk(Mu());
    for (const Timer& t : S().timers) {
        Window* x = Win(t.window);
        std::uint32_t thread = x ? x->thread : t.thread;
        EnsureQueue(thread).posted.push_back(MakeMsg(As<Hwnd>(t.window), WM_TIMER, t.id, 0));
    }
    Cv().notify_all();
}

std::vector<InvalidateRecord> Invalidations() {
    Lock lk(Mu());
    return S().invalidations;
}

}  // namespace sim
