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

void LoadDefaultEntry(plat::Hkey k, MiddleButtonEntry& e) {
    static const std::int32_t clicks[4] = {101, 103, 1, 105};
    static const std::int32_t drags[4] = {202, 203, 206, 204};
    char name[32];
    for (int j = 0; j < 4; ++j) {
        std::snprintf(name, sizeof name, "DefClick%i", j);
        e.click[j] = ReadDword(k, name, clicks[j]);
    }
    for (int j = 0; j < 4; ++j) {
        std::snprintf(name, sizeof name, "DefDrag%i", j);
        e.drag[j] = ReadDword(k, name, drags[j]);
    }
    e.transmit = ReadDword(k, "DefTransmit", 0);
}

void LoadProgramEntry(plat::Hkey k, int i, MiddleButtonEntry& e) {
    char name[48];
    std::snprintf(name, sizeof name, "PS%iName", i);
    ReadBytes(k, name, e.name, sizeof e.name);  // a missing or too long name stays empty
    std::snprintf(name, sizeof name, "PS%iTransmit", i);
    e.transmit = ReadDword(k, name, -1);
    for (int j = 0; j < 4; ++j) {
        std::snprintf(name, sizeof name, "PS%iClick%i", i, j);
        e.click[j] = ReadDword(k, name, -1);
        std::snprintf(name, sizeof name, "PS%iDrag%i", i, j);
        e.drag[j] = ReadDword(k, name, -1);
    }
}

}  // namespace

bool CreateHookBlock() {
    plat::Handle mapping = plat::CreateFileMappingA(plat::INVALID_HANDLE_VALUE, nullptr,
                                                    plat::PAGE_READWRITE, 0, HookBlockSize,
                                                    HookMapName);
    if (!mapping) return false;
    if (plat::GetLastError() == static_cast<std::uint32_t>(plat::ERROR_ALREADY_EXISTS)) {
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

    b.value01C = 0;
    b.value500 = 500;
    b.value10 = 10;

    plat::Hkey k = settingsKeys.middleButton;
    LoadDefaultEntry(k, b.defaultEntry);
    std::int32_t count = ReadDword(k, "ProgSpecCount", 0);
    if (count < 0) count = 0;
    if (count > MaxProgramEntries) count = MaxProgramEntries;
    b.entryCount = count;
    for (int i = 0; i < count; ++i) LoadProgramEntry(k, i, b.programs[i]);

    settings.defaultMiddleEntry = &b.defaultEntry;
    settings.programEntries = b.programs;
    settings.programEntryCount = count;

    hookMutex = plat::CreateMutexA(nullptr, 0, HookMutexName);
    return true;
}

void InstallMouseHook() {
    if (!hookBlock) return;
    hookBlock->hookHandle = 0;
    hookBlock->hookHandle = plat::SetMBHook(hookBlock, hookMutex);
}

void RemoveMouseHook() {
    if (!hookBlock) return;
    plat::RemoveMBHook(hookBlock->hookHandle);
}

void ReleaseHookBlock() {
    if (hookBlock) plat::UnmapViewOfFile(hookBlock);
    if (hookMapping) plat::CloseHandle(hookMapping);
    if (hookMutex) plat::CloseHandle(hookMutex);
    hookBlock = nullptr;
    hookMapping = nullptr;
    hookMutex = nullptr;
    settings.defaultMiddleEntry = nullptr;
    settings.programEntries = nullptr;
}
