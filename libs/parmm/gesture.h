// The decisions of the middle-button hook, free of Win32: which slot a press falls in, click or
// drag, which entry and action apply, the arithmetic of drags, and a safe private copy of the
// shared block. The library's Win32 layer (parmm.cpp) feeds it and carries its answers out.
#pragma once
#include <cstdint>

#include "config/hookblock.h"

namespace parmm {

// Where the middle button went down; the index into an entry's click and drag slots.
constexpr int SlotTitleBar = 0, SlotBorder = 1, SlotClient = 2, SlotDesktop = 3;

// The codes of actions.h, by meaning.
constexpr std::int32_t ClickPass = 1, ClickToBack = 101, ClickToFront = 102, ClickMinimize = 103,
                       ClickMaximize = 104, ClickMenu = 105;
constexpr std::int32_t DragPass = 201, DragMove = 202, DragResize = 203, DragByDesktops = 204,
                       DragHorizontal = 205, DragScroll = 206;
constexpr std::int32_t UseDefault = -1;

// WM_NCHITTEST answers, checked against <windows.h> in parmm.cpp.
constexpr long HitError = -2, HitTransparent = -1, HitNowhere = 0, HitClient = 1, HitCaption = 2,
               HitSysMenu = 3, HitGrowBox = 4, HitMenu = 5, HitHScroll = 6, HitVScroll = 7,
               HitMinButton = 8, HitMaxButton = 9, HitLeft = 10, HitRight = 11, HitTop = 12,
               HitTopLeft = 13, HitTopRight = 14, HitBottom = 15, HitBottomLeft = 16,
               HitBottomRight = 17, HitBorder = 18, HitClose = 20, HitHelp = 21;

struct Pt {
    std::int32_t x, y;
};
struct Box {
    std::int32_t left, top, right, bottom;
};

// Slot of a top-level window's hit-test answer, or -1 when the answer places the point nowhere
// in the window (nowhere, error, transparent): the rectangles must decide. Caption buttons count
// as the title bar; menu bar, scroll bars and codes unknown here belong to the client area.
int SlotFromHitTest(long hit);
// The same judged from the rectangles alone, for a window that did not answer in time: inside
// the client area is client, the band above it (below the top border) is the title bar, the
// rest of the frame is border.
int SlotFromGeometry(const Box& window, const Box& client, Pt p);

// A press and release that stayed within the system's drag threshold is a click.
bool IsDrag(Pt press, Pt now, int thresholdX, int thresholdY);

// A private, sanitised copy of the block's entries: the count limited to 0..1024 and every name
// ended within its 128 bytes, whatever the shared memory held.
struct EntryTable {
    MiddleButtonEntry defaultEntry;
    std::int32_t count;
    MiddleButtonEntry programs[MaxProgramEntries];
};
void CopyEntries(const HookBlock& shared, EntryTable* out);

// Index of the first per-program entry naming the executable `exeName` (a file name such as
// "notepad.exe", compared without case; a stored path counts by its last component), or -1.
int FindProgramEntry(const EntryTable& t, const char* exeName);

struct Plan {
    std::int32_t click;  // a click code of actions.h, never -1 or unknown
    std::int32_t drag;   // a drag code of actions.h, never -1 or unknown
    bool transmit;       // after a click action, pass the click on as well
};
// The actions for `slot` from entry `index` (-1: the default entry). In a per-program entry -1,
// and any code this library does not know, stand for the default entry's; in the default entry
// they pass the event on. Transmit -1 means the default's, and the default's -1 means no.
Plan PlanFor(const EntryTable& t, int index, int slot);
// Nothing for the hook to do: the press goes straight to the program.
inline bool PassesEverything(const Plan& p) { return p.click == ClickPass && p.drag == DragPass; }

// Whole steps in `travel` pixels of `unit` each, toward zero: a step needs a whole unit's travel.
int StepsIn(std::int64_t travel, int unit);
// Desktop steps the drag still owes after `taken` were made, now that it has travelled `travel`.
inline int StepsOwed(std::int64_t travel, int unit, int taken) { return StepsIn(travel, unit) - taken; }
// The unit of travel for one desktop step: the screen (or pager) size shared among the desktops
// of the grid, at least one pixel. Zero or negative counts are read as one desktop.
int StepUnit(int pixels, int desktops);

// Which edges a resize drag carries: those of a sizing border's hit-test answer, or for a press
// anywhere else from the thirds of the window the press fell in (the middle third of both axes:
// the bottom-right corner).
struct Edges {
    bool left, top, right, bottom;
};
Edges ResizeEdges(long hit, const Box& window, Pt press);
// `start` moved by (dx, dy), its size kept.
Box Moved(const Box& start, std::int64_t dx, std::int64_t dy);
// `start` with the chosen edges moved by (dx, dy), never smaller than minW by minH: a shrinking
// edge stops where the size would fall below that.
Box Resized(const Box& start, Edges e, std::int64_t dx, std::int64_t dy, int minW, int minH);

// Low word x, high word y, each a signed 16-bit step count, for the desktop-step messages.
std::uint32_t PackSteps(int dx, int dy);

}  // namespace parmm
