// The middle-button hook's decisions, kept free of Win32 so that tables of cases can check them.
#include "libs/parmm/gesture.h"

#include <cstring>

#include "libs/parmm/actions.h"
#include "platform/saturate.h"
#include "platform/text.h"

namespace parmm {

namespace {

std::int64_t Abs64(std::int64_t v) { return v < 0 ? -v : v; }

bool Inside(const Box& b, Pt p) { return p.x >= b.left && p.x < b.right && p.y >= b.top && p.y < b.bottom; }

const char* FileNamePart(const char* path) {
    const char* name = path;
    for (const char* p = path; *p; ++p)
        if (*p == '\\' || *p == '/' || *p == ':') name = p + 1;
    return name;
}

std::int32_t KnownOr(const MouseAction* table, std::int32_t code, std::int32_t otherwise) {
    return code != UseDefault && FindMouseAction(table, code) ? code : otherwise;
}

// A name that fills its field has lost its terminator: it is cut, before a character.
template <std::size_t Size>
void TerminateName(char (&name)[Size]) {
    name[Utf8CutLength(name, BoundedLength(name, Size), Size - 1)] = '\0';
}

}  // namespace

int SlotFromHitTest(long hit) {
    switch (hit) {
        case HitCaption:
        case HitSysMenu:
        case HitMinButton:
        case HitMaxButton:
        case HitClose:
        case HitHelp:
            return SlotTitleBar;
        case HitGrowBox:
        case HitLeft:
        case HitRight:
        case HitTop:
        case HitTopLeft:
        case HitTopRight:
        case HitBottom:
        case HitBottomLeft:
        case HitBottomRight:
        case HitBorder:
            return SlotBorder;
        case HitNowhere:
        case HitError:
        case HitTransparent:
            return -1;
        default:
            return SlotClient;
    }
}

int SlotFromGeometry(const Box& window, const Box& client, Pt p) {
    if (Inside(client, p)) return SlotClient;
    // The side frame is as thick as the top one; the title bar lies between it and the client.
    const std::int64_t frame = static_cast<std::int64_t>(client.left) - window.left;
    const bool besideClient = p.x >= client.left && p.x < client.right;
    if (besideClient && p.y < client.top && p.y >= window.top + frame) return SlotTitleBar;
    return SlotBorder;
}

bool IsDrag(Pt press, Pt now, int thresholdX, int thresholdY) {
    return Abs64(static_cast<std::int64_t>(now.x) - press.x) > thresholdX ||
           Abs64(static_cast<std::int64_t>(now.y) - press.y) > thresholdY;
}

void CopyEntries(const HookBlock& shared, EntryTable* out) {
    // Another process may rewrite the count at any moment: read it once, use only that.
    std::int32_t count;
    std::memcpy(&count, &shared.entryCount, sizeof count);
    if (count < 0) count = 0;
    if (count > MaxProgramEntries) count = MaxProgramEntries;
    std::memcpy(&out->defaultEntry, &shared.defaultEntry, sizeof out->defaultEntry);
    std::memcpy(out->programs, shared.programs, sizeof(MiddleButtonEntry) * static_cast<std::size_t>(count));
    out->count = count;
    TerminateName(out->defaultEntry.name);
    for (std::int32_t i = 0; i < count; ++i) TerminateName(out->programs[i].name);
}

int FindProgramEntry(const EntryTable& t, const char* exeName) {
    if (!exeName || !*exeName) return -1;
    const char* wanted = FileNamePart(exeName);
    for (std::int32_t i = 0; i < t.count && i < MaxProgramEntries; ++i) {
        const char* stored = FileNamePart(t.programs[i].name);
        if (*stored && EqualFoldedAscii(stored, wanted)) return i;
    }
    return -1;
}

Plan PlanFor(const EntryTable& t, int index, int slot) {
    if (slot < 0 || slot > 3) slot = SlotClient;
    const MiddleButtonEntry& d = t.defaultEntry;
    Plan p{KnownOr(ClickActions, d.click[slot], ClickPass), KnownOr(DragActions, d.drag[slot], DragPass),
           d.transmit != UseDefault && d.transmit != 0};
    if (index < 0 || index >= t.count || index >= MaxProgramEntries) return p;
    const MiddleButtonEntry& e = t.programs[index];
    p.click = KnownOr(ClickActions, e.click[slot], p.click);
    p.drag = KnownOr(DragActions, e.drag[slot], p.drag);
    if (e.transmit != UseDefault) p.transmit = e.transmit != 0;
    return p;
}

int StepsIn(std::int64_t travel, int unit) {
    if (unit <= 0) return 0;
    return SaturateToInt32(travel / unit);
}

int StepUnit(int pixels, int desktops) {
    if (desktops < 1) desktops = 1;
    const int unit = pixels / desktops;
    return unit < 1 ? 1 : unit;
}

Edges ResizeEdges(long hit, const Box& window, Pt press) {
    switch (hit) {
        case HitLeft: return {true, false, false, false};
        case HitRight: return {false, false, true, false};
        case HitTop: return {false, true, false, false};
        case HitBottom: return {false, false, false, true};
        case HitTopLeft: return {true, true, false, false};
        case HitTopRight: return {false, true, true, false};
        case HitBottomLeft: return {true, false, false, true};
        case HitBottomRight: return {false, false, true, true};
        default: break;
    }
    const std::int64_t w = static_cast<std::int64_t>(window.right) - window.left;
    const std::int64_t h = static_cast<std::int64_t>(window.bottom) - window.top;
    const std::int64_t x = static_cast<std::int64_t>(press.x) - window.left;
    const std::int64_t y = static_cast<std::int64_t>(press.y) - window.top;
    Edges e{3 * x < w, 3 * y < h, 3 * x >= 2 * w, 3 * y >= 2 * h};
    if (!e.left && !e.top && !e.right && !e.bottom) e.right = e.bottom = true;
    return e;
}

Box Moved(const Box& start, std::int64_t dx, std::int64_t dy) {
    return Box{SaturateToInt32(start.left + dx), SaturateToInt32(start.top + dy),
               SaturateToInt32(start.right + dx), SaturateToInt32(start.bottom + dy)};
}

Box Resized(const Box& start, Edges e, std::int64_t dx, std::int64_t dy, int minW, int minH) {
    std::int64_t l = start.left, t = start.top, r = start.right, b = start.bottom;
    if (e.left) l = l + dx > r - minW ? r - minW : l + dx;
    if (e.right) r = r + dx < l + minW ? l + minW : r + dx;
    if (e.top) t = t + dy > b - minH ? b - minH : t + dy;
    if (e.bottom) b = b + dy < t + minH ? t + minH : b + dy;
    return Box{SaturateToInt32(l), SaturateToInt32(t), SaturateToInt32(r), SaturateToInt32(b)};
}

std::uint32_t PackSteps(int dx, int dy) {
    auto word = [](int v) {
        if (v > INT16_MAX) v = INT16_MAX;
        if (v < INT16_MIN) v = INT16_MIN;
        return static_cast<std::uint32_t>(static_cast<std::uint16_t>(static_cast<std::int16_t>(v)));
    };
    return word(dx) | (word(dy) << 16);
}

}  // namespace parmm
