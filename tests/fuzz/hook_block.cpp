// The block shared with the mouse-hook library, overwritten by another process: the program
// keeps its own entries, count and hook handle, and the hook library's reader (when built in)
// takes only bounded values from it.
#include "app/app.h"
#include "tests/fuzz/fuzz_support.h"

#if defined(PARMENA_FUZZ_HOOK_READER)
#include "libs/parmm/gesture.h"
#endif

namespace {

void ReadAsTheHookDoes(fuzz::Input& in) {
#if defined(PARMENA_FUZZ_HOOK_READER)
    static parmm::EntryTable table;
    parmm::CopyEntries(*hookBlock, &table);
    FUZZ_CHECK(table.count >= 0 && table.count <= MaxProgramEntries);
    for (int i = 0; i < table.count; ++i)
        FUZZ_CHECK(fuzz::Terminated(table.programs[i].name, sizeof table.programs[i].name));
    const std::string exe = in.Text();
    const int index = parmm::FindProgramEntry(table, exe.c_str());
    FUZZ_CHECK(index >= -1 && index < table.count);
    for (int slot = 0; slot < 4; ++slot) parmm::PlanFor(table, index, slot);
#else
    (void)in;
#endif
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    fuzz::ResetWorld();
    const std::string middle = fuzz::Key("Middle Button");
    const int stored = in.Byte() % 4;
    fuzz::PutValue(middle, "ProgSpecCount", plat::REG_DWORD, {static_cast<std::uint8_t>(stored), 0, 0, 0});
    for (int i = 0; i < stored; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "PS%iName", i);
        fuzz::PutValue(middle, name, plat::REG_SZ, {static_cast<std::uint8_t>('a' + i), 0});
    }
    int x = 0, y = 0;
    LoadSettingsAndState(&x, &y);
    FUZZ_CHECK(CreateHookBlock());
    InstallMouseHook();
    const std::uint32_t handle = hookBlock->hookHandle;
    const std::int32_t owned = OwnedProgramEntryCount();
    FUZZ_CHECK(owned == stored);

    // Another process writes anywhere in the block, in pieces.
    auto* bytes = reinterpret_cast<std::uint8_t*>(hookBlock);
    const int pieces = in.Byte() % 8;
    for (int p = 0; p < pieces; ++p) {
        const std::uint32_t at = in.Word() % HookBlockSize;
        const std::vector<std::uint8_t> piece = in.Bytes();
        const std::size_t n = std::min<std::size_t>(piece.size(), HookBlockSize - at);
        if (n) std::memcpy(bytes + at, piece.data(), n);
    }
    if (in.Byte() & 1) hookBlock->entryCount = static_cast<std::int32_t>(in.Word());
    ReadAsTheHookDoes(in);

    // What the settings run does with it: the dialog gets the program's count, the save keeps
    // the user's entries, and the hook is removed by the handle the program was given.
    settings.programEntryCount = OwnedProgramEntryCount();
    FUZZ_CHECK(settings.programEntryCount == owned);
    SaveSettings();
    FUZZ_CHECK(sim::GetValue("HKCU", middle, "ProgSpecCount").AsDword() ==
               static_cast<std::uint32_t>(owned));
    for (int i = 0; i < owned; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "PS%iName", i);
        FUZZ_CHECK(sim::GetValue("HKCU", middle, name).AsString() == std::string(1, static_cast<char>('a' + i)));
    }
    FUZZ_CHECK(hookBlock->entryCount == owned);
    RemoveMouseHook();
    const std::vector<sim::HookCall> calls = sim::HookCalls();
    FUZZ_CHECK(!calls.empty() && calls.back().op == "RemoveMBHook" && calls.back().value == handle);
    ReadAsTheHookDoes(in);
    fuzz::ResetWorld();
    return 0;
}
