// The simulated registry: the Win32 rules the settings code depends on.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/registry.h"
#include "platform/sim/sim.h"

using namespace plat;

namespace {

class SimRegistry : public ::testing::Test {
protected:
    void SetUp() override { sim::Reset(); }
    Hkey Create(Hkey parent, const char* path) {
        Hkey k = nullptr;
        EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyEx(parent, path, 0, "", 0, KEY_ALL_ACCESS, nullptr, &k, nullptr));
        return k;
    }
};

TEST_F(SimRegistry, CreateOpenAndCaseInsensitiveNames) {
    Hkey opened = nullptr;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\A\\B", 0, KEY_READ, &opened));
    std::uint32_t disp = 0;
    Hkey k = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyEx(HKEY_CURRENT_USER, "Software\\A\\B", 0, "", 0, KEY_ALL_ACCESS,
                                             nullptr, &k, &disp));
    EXPECT_EQ(1u, disp);  // created
    EXPECT_TRUE(sim::KeyExists("HKCU", "software\\a"));
    EXPECT_FALSE(sim::KeyExists("HKLM", "Software\\A"));
    std::uint32_t v = 7;
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueEx(k, "Count", 0, REG_DWORD, reinterpret_cast<std::uint8_t*>(&v), 4));
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyEx(HKEY_CURRENT_USER, "SOFTWARE\\a\\b", 0, KEY_READ, &opened));
    std::uint32_t out = 0, size = 4, type = 0;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueEx(opened, "COUNT", nullptr, &type, reinterpret_cast<std::uint8_t*>(&out), &size));
    EXPECT_EQ(7u, out);
    EXPECT_EQ(REG_DWORD, type);
    Hkey again = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyEx(HKEY_CURRENT_USER, "Software\\a\\b", 0, "", 0, KEY_ALL_ACCESS,
                                             nullptr, &again, &disp));
    EXPECT_EQ(2u, disp);  // opened existing
    EXPECT_NE(k, again);
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(k));
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(k));
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegSetValueEx(k, "x", 0, REG_DWORD, reinterpret_cast<std::uint8_t*>(&v), 4));
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegCreateKeyEx(nullptr, "x", 0, "", 0, 0, nullptr, &k, nullptr));
}

TEST_F(SimRegistry, QuerySizesAndShortBuffers) {
    Hkey k = Create(HKEY_CURRENT_USER, "Software\\T");
    const char text[] = "hello";
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueEx(k, "s", 0, REG_SZ, reinterpret_cast<const std::uint8_t*>(text), 6));
    std::uint32_t size = 0;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueEx(k, "s", nullptr, nullptr, nullptr, &size));
    EXPECT_EQ(6u, size);
    std::uint8_t buf[4] = {1, 2, 3, 4};
    size = 4;
    EXPECT_EQ(ERROR_MORE_DATA, RegQueryValueEx(k, "s", nullptr, nullptr, buf, &size));
    EXPECT_EQ(6u, size);
    EXPECT_EQ(1, buf[0]);  // untouched
    EXPECT_EQ(4, buf[3]);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegQueryValueEx(k, "missing", nullptr, nullptr, buf, &size));
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteValue(k, "S"));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteValue(k, "s"));
}

TEST_F(SimRegistry, EnumerationKeepsCreationOrderAndReportsShortBuffers) {
    Hkey k = Create(HKEY_LOCAL_MACHINE, "Software\\E");
    const std::uint8_t d[] = {'x', 0};
    RegSetValueEx(k, "zeta", 0, REG_SZ, d, 2);
    RegSetValueEx(k, "alpha", 0, REG_SZ, d, 2);
    RegSetValueEx(k, "ZETA", 0, REG_BINARY, d, 1);  // replaces in place
    EXPECT_EQ((std::vector<std::string>{"zeta", "alpha"}), sim::ValueNames("HKLM", "Software\\E"));
    char name[16];
    std::uint32_t cch = sizeof name, type = 0, cb = 8;
    std::uint8_t data[8];
    ASSERT_EQ(ERROR_SUCCESS, RegEnumValue(k, 0, name, &cch, nullptr, &type, data, &cb));
    EXPECT_STREQ("zeta", name);
    EXPECT_EQ(4u, cch);
    EXPECT_EQ(REG_BINARY, type);
    EXPECT_EQ(1u, cb);
    cch = 5;  // "alpha" needs 6 with its NUL
    cb = 8;
    EXPECT_EQ(ERROR_MORE_DATA, RegEnumValue(k, 1, name, &cch, nullptr, &type, data, &cb));
    cch = 6;
    cb = 1;
    EXPECT_EQ(ERROR_MORE_DATA, RegEnumValue(k, 1, name, &cch, nullptr, &type, data, &cb));
    EXPECT_EQ(2u, cb);
    cch = sizeof name;
    cb = 8;
    EXPECT_EQ(ERROR_NO_MORE_ITEMS, RegEnumValue(k, 2, name, &cch, nullptr, &type, data, &cb));
}

TEST_F(SimRegistry, DeniedPathsFailBelowButNotBeside) {
    sim::DenyAccess("HKCU", "Software\\Locked");
    Hkey k = nullptr;
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegCreateKeyEx(HKEY_CURRENT_USER, "Software\\Locked\\Sub", 0, "", 0,
                                                   KEY_ALL_ACCESS, nullptr, &k, nullptr));
    Hkey sw = Create(HKEY_CURRENT_USER, "Software");
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegCreateKeyEx(sw, "locked", 0, "", 0, KEY_ALL_ACCESS, nullptr, &k, nullptr));
    EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyEx(sw, "LockedNot", 0, "", 0, KEY_ALL_ACCESS, nullptr, &k, nullptr));
}

TEST_F(SimRegistry, LoadRegParsesTheFileFormat) {
    sim::LoadReg(
        "Windows Registry Editor Version 5.00\r\n"
        "\r\n"
        "; a comment\r\n"
        "[HKEY_CURRENT_USER\\Software\\Orvanne\\Parmena\\Preferences]\r\n"
        "\"Corner\"=dword:0000000a\r\n"
        "\"Path\"=\"C:\\\\dir \\\"q\\\"\"\r\n"
        "@=\"default\"\r\n"
        "\"Bin\"=hex:01,ff,\\\r\n"
        "  02\r\n"
        "\"Exp\"=hex(2):25,00\r\n"
        "\"None\"=hex(0):\r\n"
        "\"Bad\"=dword:xyz\r\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Gone\\Child]\r\n"
        "[-HKEY_LOCAL_MACHINE\\Software\\Gone]\r\n");
    const std::string p = "Software\\Orvanne\\Parmena\\Preferences";
    sim::RegValue corner = sim::GetValue("HKCU", p, "corner");
    ASSERT_TRUE(corner.exists);
    EXPECT_EQ(REG_DWORD, corner.type);
    EXPECT_EQ(10u, corner.AsDword());
    sim::RegValue path = sim::GetValue("HKCU", p, "Path");
    EXPECT_EQ(REG_SZ, path.type);
    EXPECT_EQ("C:\\dir \"q\"", path.AsString());
    EXPECT_EQ(path.AsString().size() + 1, path.data.size());  // terminating NUL stored
    EXPECT_EQ("default", sim::GetValue("HKCU", p, "").AsString());
    EXPECT_EQ((std::vector<std::uint8_t>{1, 0xff, 2}), sim::GetValue("HKCU", p, "Bin").data);
    EXPECT_EQ(REG_EXPAND_SZ, sim::GetValue("HKCU", p, "Exp").type);
    sim::RegValue none = sim::GetValue("HKCU", p, "None");
    EXPECT_TRUE(none.exists);
    EXPECT_EQ(REG_NONE, none.type);
    EXPECT_TRUE(none.data.empty());
    EXPECT_FALSE(sim::GetValue("HKCU", p, "Bad").exists);
    EXPECT_FALSE(sim::KeyExists("HKLM", "Software\\Gone"));
    EXPECT_TRUE(sim::KeyExists("HKLM", "Software"));
}

TEST_F(SimRegistry, HandleToDeletedKeyFails) {
    Hkey k = Create(HKEY_CURRENT_USER, "Software\\Temp");
    sim::LoadReg("[-HKEY_CURRENT_USER\\Software\\Temp]\n");
    std::uint32_t size = 0;
    EXPECT_NE(ERROR_SUCCESS, RegQueryValueEx(k, "x", nullptr, nullptr, nullptr, &size));
    EXPECT_NE(ERROR_SUCCESS, RegSetValueEx(k, "x", 0, REG_NONE, nullptr, 0));
}

}  // namespace
