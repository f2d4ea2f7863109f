// The block shared with the mouse-hook library; creating it is also the single-instance test.
#include "config/hookblock.h"

#include <cstdio>

#include "config/settings.h"
#include "platform/kernel.h"
#include "platform/libs.h"

const char HookMapName[] = "tolvo.mhook.map";
const char HookMutexName[] = "tolvo.mhook.mutex";

plat::Handle hookMapping;
HookBlock* hookBlock;
plat::Handle hookMutex;

namespace {

// What the program owns. Any process can write the block, so nothing is ever read back
// from it: the dialog edits these, the save writes these, and the block gets a copy.
MiddleButtonEntry ownDefault;
MiddleButtonEntry ownPrograms[MaxProgramEntries];
std::int32_t ownCount;
std::uint32_t ownHookHandle;

void MirrorIntoBlock() {
    if (!hookBlock) return;
    HookBlock& b = *hookBlock;
    // A hook reading meanwhile never sees a count that covers entries not yet written.
    const std::int32_t shown = ClampProgramEntryCount(b.entryCount);
    if (shown > ownCount) b.entryCount = ownCount;
    b.defaultEntry = ownDefault;
    for (std::int32_t i = 0; i < ownCount; ++i) b.programs[i] = ownPrograms[i];
    b.entryCount = ownCount;
}

void LoadDefaultEntry(plat::Hkey k, MiddleButtonEntry& e) {
    static const std::int32_t clicks[4] = {101, 103, 1, 105};
    static const std::int32_t drags[4] = {202, 203, 206, 204};
    char name[32];
    for (int j = 0; j < 4; ++j) {
        std::snprintf(name, sizeof name, list_value::DefaultClick, j);
        e.click[j] = ReadDword(k, name, clicks[j]);
    }
    for (int j = 0; j < 4; ++j) {
        std::snprintf(name, sizeof name, list_value::DefaultDrag, j);
        e.drag[j] = ReadDword(k, name, drags[j]);
    }
    e.transmit = ReadDword(k, list_value::DefaultTransmit, 0);
}

void LoadProgramEntry(plat::Hkey k, int i, MiddleButtonEntry& e) {
    char name[48];
    std::snprintf(name, sizeof name, list_value::ProgramName, i);
    ReadBytes(k, name, e.name, sizeof e.name);  // a missing or too long name stays empty
    std::snprintf(name, sizeof name, list_value::ProgramTransmit, i);
    e.transmit = ReadDword(k, name, -1);
    for (int j = 0; j < 4; ++j) {
        std::snprintf(name, sizeof name, list_value::ProgramClick, i, j);
        e.click[j] = ReadDword(k, name, -1);
        std::snprintf(name, sizeof name, list_value::ProgramDrag, i, j);
        e.drag[j] = ReadDword(k, name, -1);
    }
}

}  // namespace

bool CreateHookBlock(bool* inUse) {
    if (inUse) *inUse = false;
    plat::Handle mapping = plat::CreateFileMapping(plat::INVALID_HANDLE_VALUE, nullptr,
                                                    plat::PAGE_READWRITE, 0, HookBlockSize,
                                                    HookMapName);
    if (!mapping) {
        if (inUse) *inUse = plat::GetLastError() == static_cast<std::uint32_t>(plat::ERROR_ACCESS_DENIED);
        return false;
    }
    if (plat::GetLastError() == static_cast<std::uint32_t>(plat::ERROR_ALREADY_EXISTS)) {
        if (inUse) *inUse = true;
        // Another instance owns the block; leave it and our globals exactly as they are.
        plat::CloseHandle(mapping);
        return false;
    }
    void* view = plat::MapViewOfFile(mapping, plat::FILE_MAP_WRITE, 0, 0, 0);
    if (!view) {
        plat::CloseHandle(mapping);
        return false;
    }
    hookMapping = mapping;
    hookBlock = static_cast<HookBlock*>(view);
    HookBlock& b = *hookBlock;

    b.reserved01C = 0;
    b.reserved008 = 500;
    b.reserved00C = 10;

    plat::Hkey k = settingsKeys.middleButton;
    ownDefault = MiddleButtonEntry{};
    LoadDefaultEntry(k, ownDefault);
    ownCount = ClampProgramEntryCount(ReadDword(k, list_value::ProgramCount, 0));
    for (int i = 0; i < MaxProgramEntries; ++i) ownPrograms[i] = MiddleButtonEntry{};
    for (int i = 0; i < ownCount; ++i) LoadProgramEntry(k, i, ownPrograms[i]);
    ownHookHandle = 0;
    MirrorIntoBlock();

    settings.defaultMiddleEntry = &ownDefault;
    settings.programEntries = ownPrograms;
    settings.programEntryCount = ownCount;

    hookMutex = plat::CreateMutex(nullptr, 0, HookMutexName);
    return true;
}

std::int32_t OwnedProgramEntryCount() { return ownCount; }

void PublishMiddleButtonEntries() {
    ownCount = ClampProgramEntryCount(settings.programEntryCount);
    settings.programEntryCount = ownCount;
    MirrorIntoBlock();
}

void InstallMouseHook() {
    if (!hookBlock) return;
    hookBlock->hookHandle = 0;
    ownHookHandle = plat::SetMBHook(hookBlock, hookMutex);
    hookBlock->hookHandle = ownHookHandle;
}

void RemoveMouseHook() {
    if (!hookBlock) return;
    plat::RemoveMBHook(ownHookHandle);
}

void ReleaseHookBlock() {
    if (hookBlock) plat::UnmapViewOfFile(hookBlock);
    if (hookMapping) plat::CloseHandle(hookMapping);
    if (hookMutex) plat::CloseHandle(hookMutex);
    hookBlock = nullptr;
    hookMapping = nullptr;
    hookMutex = nullptr;
    ownCount = 0;
    ownHookHandle = 0;
    settings.defaultMiddleEntry = nullptr;
    settings.programEntries = nullptr;
}
