// The memory block shared with the mouse-hook library, which also marks a running instance.
#pragma once
#include <cstddef>
#include <cstdint>

#include "platform/types.h"

struct MiddleButtonEntry {
    char name[128];
    std::int32_t click[4];
    std::int32_t drag[4];
    std::int32_t transmit;
};

constexpr int MaxProgramEntries = 1024;

struct HookBlock {
    std::uint32_t hookHandle;       // 0x000
    std::uint32_t pagerWindow;      // 0x004
    std::int32_t value500;          // 0x008
    std::int32_t value10;           // 0x00C
    std::uint8_t unused010[12];     // 0x010
    std::int32_t value01C;          // 0x01C
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

bool CreateHookBlock();
void InstallMouseHook();
void RemoveMouseHook();
void ReleaseHookBlock();
