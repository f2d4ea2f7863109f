// The memory block shared with the mouse-hook library, which also marks a running instance.
#pragma once
#include <cstddef>
#include <cstdint>

#include "config/hookblock_limits.h"
#include "platform/types.h"

struct MiddleButtonEntry {
    char name[128];
    std::int32_t click[4];
    std::int32_t drag[4];
    std::int32_t transmit;
};

struct HookBlock {
    std::uint32_t hookHandle;       // 0x000
    std::uint32_t pagerWindow;      // 0x004
    // The three header values are written at creation (500, 10 and 0) for any hook library
    // that expects them; parmm.dll reads none of them, so they are named by place alone.
    std::int32_t reserved008;       // 0x008
    std::int32_t reserved00C;       // 0x00C
    std::uint8_t unused010[12];     // 0x010
    std::int32_t reserved01C;       // 0x01C
    std::uint8_t unused020[108];    // 0x020
    std::uint8_t reserved08C[1028]; // 0x08C
    std::int32_t entryCount;        // 0x490
    MiddleButtonEntry defaultEntry; // 0x494
    MiddleButtonEntry programs[MaxProgramEntries];  // 0x538
};
static_assert(sizeof(MiddleButtonEntry) == 164, "MiddleButtonEntry layout");
static_assert(offsetof(HookBlock, entryCount) == 0x490, "HookBlock layout");
static_assert(offsetof(HookBlock, defaultEntry) == 0x494, "HookBlock layout");
static_assert(offsetof(HookBlock, programs) == 0x538, "HookBlock layout");
static_assert(sizeof(HookBlock) == 0x29538, "HookBlock size");

constexpr std::uint32_t HookBlockSize = 0x29538;
extern const char HookMapName[];    // "tolvo.mhook.map"
extern const char HookMutexName[];  // "tolvo.mhook.mutex"

extern plat::Handle hookMapping;
extern HookBlock* hookBlock;
extern plat::Handle hookMutex;

// The program keeps its own copy of the middle-button entries and their count; the settings
// record addresses that copy, and the block only mirrors it for the hook library.
// inUse (when given) tells a refusal because another instance holds the block apart from a
// failure: the block exists already, or one started with higher rights denies access to it.
bool CreateHookBlock(bool* inUse = nullptr);
// The count the program last loaded or saved, whatever the block holds now.
std::int32_t OwnedProgramEntryCount();
// Takes the dialog's edited count (clamped) as the program's own and rewrites the block's
// entries and count from the program's copy. Called with the hook mutex held.
void PublishMiddleButtonEntries();
void InstallMouseHook();
void RemoveMouseHook();
void ReleaseHookBlock();
