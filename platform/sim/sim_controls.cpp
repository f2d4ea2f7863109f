// The program's menu resource, pop-up menus, and the system's one-line EDIT control.
#include <algorithm>
#include <cstring>

#include "platform/sim/sim_internal.h"
#include "platform/window.h"

namespace simi {

namespace {

constexpr int kMenuResource = 101;
constexpr std::uint32_t MF_DISABLED = 2;
constexpr std::size_t kEditLimit = 30000;  // the single-line edit control's default limit
constexpr int VK_END = 35, VK_HOME = 36, VK_DELETE = 46, VK_BACK = 8;
constexpr std::uint32_t WM_GETFONT = 0x31;

Menu* FindMenu(Hmenu m) {
    auto it = S().menus.find(Id(m));
    return it == S().menus.end() ? nullptr : &it->second;
}

MenuItem* FindItem(Menu& m, int id) {
    for (MenuItem& item : m.items) {
        if (!item.separator && !item.popup && item.id == id) return &item;
        if (item.popup) {
            if (Menu* sub = FindMenu(As<Hmenu>(item.popup))) {
                if (MenuItem* found = FindItem(*sub, id)) return found;
            }
        }
    }
    return nullptr;
}

void CollectGrayed(const Menu& m, std::vector<int>* out) {
    for (const MenuItem& item : m.items) {
        if (item.popup) {
            if (Menu* sub = FindMenu(As<Hmenu>(item.popup))) CollectGrayed(*sub, out);
        } else if (!item.separator && item.grayed) {
            out->push_back(item.id);
        }
    }
}

void CollectItems(const Menu& m, int depth, std::vector<sim::MenuRecord::Item>* out) {
    for (const MenuItem& item : m.items) {
        out->push_back({item.popup ? 0 : item.id, item.text, item.grayed, item.checked,
                        item.separator, depth});
        if (item.popup)
            if (Menu* sub = FindMenu(As<Hmenu>(item.popup))) CollectItems(*sub, depth + 1, out);
    }
}

void DestroyMenuTree(std::uintptr_t id) {
    auto it = S().menus.find(id);
    if (it == S().menus.end()) return;
    std::vector<std::uintptr_t> subs;
    for (const MenuItem& item : it->second.items)
        if (item.popup) subs.push_back(item.popup);
    S().menus.erase(it);
    for (std::uintptr_t s : subs) DestroyMenuTree(s);
}

int ToInt(std::uintptr_t v) { return static_cast<int>(static_cast<std::intptr_t>(v)); }

// Edit state helpers; the lock is held by the caller.
void ClampSelection(Window& w) {
    int len = static_cast<int>(w.title.size());
    w.selStart = std::max(0, std::min(w.selStart, len));
    w.selEnd = std::max(0, std::min(w.selEnd, len));
    if (w.selStart > w.selEnd) std::swap(w.selStart, w.selEnd);
}

void ReplaceSelection(Window& w, const std::string& with) {
    ClampSelection(w);
    std::string text = w.title.substr(0, static_cast<std::size_t>(w.selStart)) + with +
                       w.title.substr(static_cast<std::size_t>(w.selEnd));
    if (text.size() > kEditLimit) return;  // the control refuses what does not fit
    w.title = text;
    w.selStart = w.selEnd = w.selStart + static_cast<int>(with.size());
}

}  // namespace

void InitMenus() {}

void RegisterBuiltinClasses() {
    WindowClass c;
    c.name = "Edit";
    c.proc = EditProc;
    S().classes["edit"] = c;
}

LResult PLAT_CALLBACK EditProc(Hwnd w, std::uint32_t msg, WParam wp, LParam lp) {
    Lock lk(Mu());
    Window* x = Win(w);
    if (!x) return 0;
    switch (msg) {
        case WM_SETTEXT:
            x->title = lp ? reinterpret_cast<const char*>(lp) : "";
            if (x->title.size() > kEditLimit) x->title.resize(kEditLimit);
            x->selStart = x->selEnd = 0;
            return 1;
        case WM_GETTEXT:
        case WM_GETTEXTLENGTH: return ForeignAnswer(*x, msg, wp, lp);
        case EM_GETSEL: {
            ClampSelection(*x);
            if (wp) *reinterpret_cast<std::uint32_t*>(wp) = static_cast<std::uint32_t>(x->selStart);
            if (lp) *reinterpret_cast<std::uint32_t*>(lp) = static_cast<std::uint32_t>(x->selEnd);
            return static_cast<LResult>((static_cast<std::uint32_t>(x->selEnd & 0xFFFF) << 16) |
                                        static_cast<std::uint32_t>(x->selStart & 0xFFFF));
        }
        case EM_SETSEL: {
            int start = ToInt(wp), end = ToInt(static_cast<std::uintptr_t>(lp));
            int len = static_cast<int>(x->title.size());
            if (start == -1) {
                x->selStart = x->selEnd;  // deselect, keep the caret
                return 0;
            }
            if (end == -1) end = len;
            x->selStart = start;
            x->selEnd = end;
            ClampSelection(*x);
            return 0;
        }
        case WM_CHAR: {
            unsigned char c = static_cast<unsigned char>(wp);
            if (c == VK_BACK) {
                ClampSelection(*x);
                if (x->selStart == x->selEnd && x->selStart > 0) --x->selStart;
                ReplaceSelection(*x, "");
            } else if (c >= 0x20 && c != 0x7F) {
                ReplaceSelection(*x, std::string(1, static_cast<char>(c)));
            }
            return 0;
        }
        case WM_KEYDOWN: {
            ClampSelection(*x);
            int len = static_cast<int>(x->title.size());
            switch (static_cast<int>(wp)) {
                case VK_LEFT: x->selStart = x->selEnd = std::max(0, x->selStart - (x->selStart == x->selEnd)); break;
                case VK_RIGHT: x->selStart = x->selEnd = std::min(len, x->selEnd + (x->selStart == x->selEnd)); break;
                case VK_HOME: x->selStart = x->selEnd = 0; break;
                case VK_END: x->selStart = x->selEnd = len; break;
                case VK_DELETE:
                    if (x->selStart == x->selEnd && x->selEnd < len) ++x->selEnd;
                    ReplaceSelection(*x, "");
                    break;
                default: break;
            }
            return 0;
        }
        case WM_SETFONT: x->font = wp; return 0;
        case WM_GETFONT: return static_cast<LResult>(x->font);
        case WM_KILLFOCUS: {
            Hwnd parent = As<Hwnd>(x->parent);
            WParam code = (static_cast<WParam>(EN_KILLFOCUS) << 16) | static_cast<WParam>(x->ctrlId & 0xFFFF);
            lk.unlock();
            if (parent) SendMessage(parent, WM_COMMAND, code, static_cast<LParam>(Id(w)));
            return 0;
        }
        default: break;
    }
    lk.unlock();
    return DefWindowProc(w, msg, wp, lp);
}

}  // namespace simi

using namespace simi;

namespace plat {

Hmenu LoadMenu(Hinstance, const char* name) {
    if (Failing(sim::Call::LoadMenu)) {
        SetError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    Lock lk(Mu());
    if (!name || !IsIntResource(name) || Id(name) != kMenuResource) {
        SetError(1814);  // ERROR_RESOURCE_NAME_NOT_FOUND
        return nullptr;
    }
    Menu popup;
    auto add = [&](int id, const char* text) {
        MenuItem i;
        i.id = id;
        i.text = text;
        popup.items.push_back(i);
    };
    add(101, "&About...");
    add(102, "&Settings...");
    add(104, "&Compress Desktop");
    add(105, "&Reset Window Positions");
    MenuItem sep;
    sep.separator = true;
    popup.items.push_back(sep);
    add(107, "&Help\tF1");
    add(103, "&Close\tAlt+F4");
    std::uintptr_t popupId = NewHandle();
    S().menus[popupId] = popup;
    Menu bar;
    MenuItem top;
    top.text = "DlgPopup";
    top.popup = popupId;
    bar.items.push_back(top);
    std::uintptr_t barId = NewHandle();
    S().menus[barId] = bar;
    return As<Hmenu>(barId);
}

Hmenu GetSubMenu(Hmenu m, int pos) {
    Lock lk(Mu());
    Menu* menu = FindMenu(m);
    if (!menu || pos < 0 || static_cast<std::size_t>(pos) >= menu->items.size()) return nullptr;
    return As<Hmenu>(menu->items[static_cast<std::size_t>(pos)].popup);
}

Bool EnableMenuItem(Hmenu m, std::uint32_t id, std::uint32_t flags) {
    Lock lk(Mu());
    Menu* menu = FindMenu(m);
    if (!menu) {
        SetError(ERROR_INVALID_MENU_HANDLE);
        return -1;
    }
    MenuItem* item = nullptr;
    if (flags & MF_BYPOSITION) {
        if (id < menu->items.size()) item = &menu->items[id];
    } else {
        item = FindItem(*menu, static_cast<int>(id));
    }
    if (!item) return -1;
    Bool old = item->grayed ? static_cast<Bool>(MF_GRAYED) : static_cast<Bool>(MF_ENABLED);
    item->grayed = (flags & (MF_GRAYED | MF_DISABLED)) != 0;
    return old;
}

Bool TrackPopupMenu(Hmenu m, std::uint32_t flags, int x, int y, int, Hwnd owner, const Rect*) {
    if (Failing(sim::Call::TrackPopupMenu)) return 0;
    Lock lk(Mu());
    Menu* menu = FindMenu(m);
    Window* w = Win(owner);
    if (!menu || !w) {
        SetError(menu ? ERROR_INVALID_WINDOW_HANDLE : ERROR_INVALID_MENU_HANDLE);
        return 0;
    }
    sim::MenuRecord rec{x, y, flags, owner, {}, {}};
    CollectGrayed(*menu, &rec.grayed);
    CollectItems(*menu, 0, &rec.items);
    S().menusShown.push_back(rec);
    int choice = S().menuChoice;
    S().menuChoice = 0;
    // A greyed or absent item cannot be picked: the user's click dismisses the menu.
    MenuItem* item = choice ? FindItem(*menu, choice) : nullptr;
    if (!item || item->grayed) return (flags & TPM_RETURNCMD) ? 0 : 1;
    if (flags & TPM_RETURNCMD) return choice;
    if (w->proc) {
        Msg msg{};
        msg.hwnd = owner;
        msg.message = WM_COMMAND;
        msg.wParam = static_cast<WParam>(choice);
        msg.pt = S().cursor;
        EnsureQueue(w->thread).posted.push_back(msg);
        Cv().notify_all();
    }
    return 1;
}

Bool DestroyMenu(Hmenu m) {
    Lock lk(Mu());
    if (!FindMenu(m)) {
        SetError(ERROR_INVALID_MENU_HANDLE);
        return 0;
    }
    DestroyMenuTree(Id(m));
    return 1;
}

Hmenu CreatePopupMenu() {
    Lock lk(Mu());
    const std::uintptr_t id = NewHandle();
    S().menus[id] = Menu{};
    return As<Hmenu>(id);
}

Bool InsertMenu(Hmenu m, std::uint32_t position, std::uint32_t flags, std::uintptr_t item,
                const char* text) {
    Lock lk(Mu());
    Menu* menu = FindMenu(m);
    if (!menu || !(flags & MF_BYPOSITION)) {
        SetError(ERROR_INVALID_MENU_HANDLE);
        return 0;
    }
    MenuItem i;
    i.separator = (flags & MF_SEPARATOR) != 0;
    i.grayed = (flags & (MF_GRAYED | MF_DISABLED)) != 0;
    i.checked = (flags & MF_CHECKED) != 0;
    if (flags & MF_POPUP) {
        if (!FindMenu(As<Hmenu>(item))) return 0;
        i.popup = item;
    } else {
        i.id = static_cast<int>(item);
    }
    if (!i.separator && text) i.text = text;
    const std::size_t at = std::min<std::size_t>(position, menu->items.size());
    menu->items.insert(menu->items.begin() + static_cast<std::ptrdiff_t>(at), i);
    return 1;
}

}  // namespace plat

namespace sim {

std::vector<MenuRecord> MenusShown() {
    Lock lk(Mu());
    return S().menusShown;
}

void SetMenuChoice(int id) {
    Lock lk(Mu());
    S().menuChoice = id;
}

}  // namespace sim
