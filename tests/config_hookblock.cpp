// The block shared with the mouse-hook library and the single-instance test.
#include <cstdio>
#include <cstring>

#include "config_fixture.h"

using namespace cfgtest;

namespace {

class HookBlockTest : public ConfigTest {
protected:
    void LoadWith(const std::string& middleValues) {
        sim::LoadReg(RegHeader() + "[HKEY_CURRENT_USER\\Software\\Orvanne\\Parmena\\Middle Button]\n" +
                     middleValues);
        Load();
    }
};

void ExpectUnsetEntry(const MiddleButtonEntry& e) {
    EXPECT_STREQ(e.name, "");
    for (int j = 0; j < 4; ++j) {
        EXPECT_EQ(e.click[j], -1);
        EXPECT_EQ(e.drag[j], -1);
    }
    EXPECT_EQ(e.transmit, -1);
}

TEST_F(HookBlockTest, DefaultsWithoutAnyMiddleButtonValue) {
    LoadWith("");
    ASSERT_TRUE(CreateHookBlock());
    ASSERT_NE(hookBlock, nullptr);
    EXPECT_NE(hookMapping, nullptr);
    EXPECT_NE(hookMutex, nullptr);
    const HookBlock& b = *hookBlock;
    EXPECT_EQ(b.reserved008, 500);
    EXPECT_EQ(b.reserved00C, 10);
    EXPECT_EQ(b.reserved01C, 0);
    EXPECT_EQ(b.hookHandle, 0u);
    EXPECT_EQ(b.entryCount, 0);
    const std::int32_t clicks[4] = {101, 103, 1, 105};
    const std::int32_t drags[4] = {202, 203, 206, 204};
    for (int j = 0; j < 4; ++j) {
        EXPECT_EQ(b.defaultEntry.click[j], clicks[j]);
        EXPECT_EQ(b.defaultEntry.drag[j], drags[j]);
    }
    EXPECT_EQ(b.defaultEntry.transmit, 0);
    EXPECT_STREQ(b.defaultEntry.name, "");
    // The record addresses the program's own copy, which the block mirrors.
    ASSERT_NE(settings.defaultMiddleEntry, nullptr);
    EXPECT_NE(settings.defaultMiddleEntry, &hookBlock->defaultEntry);
    EXPECT_EQ(std::memcmp(settings.defaultMiddleEntry, &b.defaultEntry, sizeof b.defaultEntry), 0);
    EXPECT_NE(settings.programEntries, nullptr);
    EXPECT_EQ(settings.programEntryCount, 0);
    // Nothing is written to the registry by creating the block.
    EXPECT_TRUE(sim::ValueNames("HKCU", Middle).empty());
}

TEST_F(HookBlockTest, StoredEntriesAndCountWithNothingStored) {
    LoadWith(R"("DefClick2"=dword:00000007
"DefDrag3"=dword:ffffffff
"DefTransmit"=dword:00000001
"ProgSpecCount"=dword:00000003
"PS0Name"="winword.exe"
"PS0Transmit"=dword:00000001
"PS0Click0"=dword:00000065
"PS0Drag3"=dword:000000c8
"PS2Click1"=dword:00000002
"PS3Name"="beyond the count"
)");
    ASSERT_TRUE(CreateHookBlock());
    const HookBlock& b = *hookBlock;
    EXPECT_EQ(b.entryCount, 3);
    EXPECT_EQ(settings.programEntryCount, 3);
    EXPECT_EQ(b.defaultEntry.click[2], 7);
    EXPECT_EQ(b.defaultEntry.click[0], 101);
    EXPECT_EQ(b.defaultEntry.drag[3], -1);
    EXPECT_EQ(b.defaultEntry.transmit, 1);
    EXPECT_STREQ(b.programs[0].name, "winword.exe");
    EXPECT_EQ(b.programs[0].transmit, 1);
    EXPECT_EQ(b.programs[0].click[0], 101);
    EXPECT_EQ(b.programs[0].click[1], -1);
    EXPECT_EQ(b.programs[0].drag[3], 200);
    ExpectUnsetEntry(b.programs[1]);
    EXPECT_STREQ(b.programs[2].name, "");
    EXPECT_EQ(b.programs[2].click[1], 2);
    EXPECT_EQ(b.programs[2].click[0], -1);
    // Past the count nothing is read.
    EXPECT_STREQ(b.programs[3].name, "");
    EXPECT_EQ(b.programs[3].transmit, 0);
}

TEST_F(HookBlockTest, CountIsKeptWithinTheBlock) {
    struct Case {
        std::uint32_t stored;
        int want;
    } cases[] = {{2, 2}, {1024, 1024}, {1025, 1024}, {0x7FFFFFFF, 1024}, {0xFFFFFFFFu, 0},
                 {0x80000000u, 0}};
    for (const Case& c : cases) {
        ResetConfig();
        char line[64];
        std::snprintf(line, sizeof line, "\"ProgSpecCount\"=dword:%08x\n", c.stored);
        LoadWith(std::string(line) + "\"PS1023Name\"=\"last\"\n\"PS1023Drag0\"=dword:00000009\n");
        ASSERT_TRUE(CreateHookBlock());
        EXPECT_EQ(hookBlock->entryCount, c.want) << c.stored;
        EXPECT_EQ(settings.programEntryCount, c.want) << c.stored;
        if (c.want == 2) ExpectUnsetEntry(hookBlock->programs[1]);
        if (c.want == 1024) {
            EXPECT_STREQ(hookBlock->programs[1023].name, "last");
            EXPECT_EQ(hookBlock->programs[1023].drag[0], 9);
        }
    }
}

TEST_F(HookBlockTest, NamesThatDoNotFitStayEmpty) {
    plat::Hkey cu = plat::HKEY_CURRENT_USER;
    SetRaw(cu, Middle, "ProgSpecCount", plat::REG_DWORD, {5, 0, 0, 0});
    SetRaw(cu, Middle, "PS0Name", plat::REG_SZ, Bytes(std::string(127, 'a') + '\0'));
    SetRaw(cu, Middle, "PS1Name", plat::REG_SZ, Bytes(std::string(128, 'b') + '\0'));
    SetRaw(cu, Middle, "PS2Name", plat::REG_SZ, Bytes(std::string(128, 'c')));  // no zero
    SetRaw(cu, Middle, "PS3Name", plat::REG_SZ, Bytes(std::string(127, 'd')));  // zero added
    SetRaw(cu, Middle, "PS4Name", plat::REG_DWORD, {0x41, 0, 0, 0});
    SetRaw(cu, Middle, "PS4Transmit", plat::REG_SZ, Bytes(std::string("1\0", 2)));
    Load();
    ASSERT_TRUE(CreateHookBlock());
    const HookBlock& b = *hookBlock;
    EXPECT_EQ(std::string(b.programs[0].name), std::string(127, 'a'));
    EXPECT_STREQ(b.programs[1].name, "");
    EXPECT_STREQ(b.programs[2].name, "");
    EXPECT_EQ(std::string(b.programs[3].name), std::string(127, 'd'));
    EXPECT_STREQ(b.programs[4].name, "");
    EXPECT_EQ(b.programs[4].transmit, -1);
    // The neighbouring entry's actions are untouched by the long name.
    EXPECT_EQ(b.programs[1].click[0], -1);
    EXPECT_EQ(b.programs[2].click[0], -1);
}

TEST_F(HookBlockTest, SecondInstanceLeavesTheFirstAlone) {
    LoadWith("\"ProgSpecCount\"=dword:00000001\n\"PS0Name\"=\"first\"\n");
    ASSERT_TRUE(CreateHookBlock());
    HookBlock* block = hookBlock;
    plat::Handle mapping = hookMapping, mutex = hookMutex;
    MiddleButtonEntry* def = settings.defaultMiddleEntry;
    block->pagerWindow = 0x1234;

    sim::LoadReg(RegHeader() + R"([HKEY_CURRENT_USER\Software\Orvanne\Parmena\Middle Button]
"ProgSpecCount"=dword:00000002
"PS0Name"="second"
)");
    EXPECT_FALSE(CreateHookBlock());
    EXPECT_EQ(hookBlock, block);
    EXPECT_EQ(hookMapping, mapping);
    EXPECT_EQ(hookMutex, mutex);
    EXPECT_EQ(settings.defaultMiddleEntry, def);
    EXPECT_EQ(settings.programEntryCount, 1);
    EXPECT_EQ(block->entryCount, 1);
    EXPECT_STREQ(block->programs[0].name, "first");
    EXPECT_EQ(block->pagerWindow, 0x1234u);

    // Once the first instance is gone the name is free again.
    ReleaseHookBlock();
    EXPECT_EQ(hookBlock, nullptr);
    EXPECT_EQ(settings.programEntries, nullptr);
    ASSERT_TRUE(CreateHookBlock());
    EXPECT_EQ(hookBlock->entryCount, 2);
    EXPECT_STREQ(hookBlock->programs[0].name, "second");
}

TEST_F(HookBlockTest, FailuresToCreateOrMap) {
    Load();
    sim::FailCall(sim::Call::CreateFileMapping, true);
    EXPECT_FALSE(CreateHookBlock());
    EXPECT_EQ(hookBlock, nullptr);
    sim::FailCall(sim::Call::CreateFileMapping, false);

    sim::FailCall(sim::Call::MapViewOfFile, true);
    EXPECT_FALSE(CreateHookBlock());
    EXPECT_EQ(hookBlock, nullptr);
    EXPECT_EQ(hookMapping, nullptr);
    EXPECT_EQ(settings.defaultMiddleEntry, nullptr);
    sim::FailCall(sim::Call::MapViewOfFile, false);
    // The failed attempt closed its mapping, so the name does not look like a running instance.
    EXPECT_TRUE(CreateHookBlock());

    // A mutex that cannot be made is not fatal.
    ReleaseHookBlock();
    sim::FailCall(sim::Call::CreateMutex, true);
    EXPECT_TRUE(CreateHookBlock());
    EXPECT_EQ(hookMutex, nullptr);
    sim::FailCall(sim::Call::CreateMutex, false);
}

TEST_F(HookBlockTest, HookInstallAndRemovePassTheBlock) {
    Load();
    InstallMouseHook();  // no block yet: nothing to hand over
    RemoveMouseHook();
    EXPECT_TRUE(sim::HookCalls().empty());
    ASSERT_TRUE(CreateHookBlock());
    hookBlock->hookHandle = 0xBAD;
    InstallMouseHook();
    std::vector<sim::HookCall> calls = sim::HookCalls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].op, "SetMBHook");
    const std::uint32_t handle = hookBlock->hookHandle;
    EXPECT_NE(handle, 0xBADu);
    RemoveMouseHook();
    calls = sim::HookCalls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1].op, "RemoveMBHook");
    EXPECT_EQ(calls[1].value, handle);
    EXPECT_EQ(hookBlock->hookHandle, handle);  // keeps its value
}

}  // namespace
