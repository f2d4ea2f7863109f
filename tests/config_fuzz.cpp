// Deterministic randomized runs over hostile registry data and colour texts.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

#include "config_fixture.h"

using namespace cfgtest;

namespace {

using Rng = std::mt19937;

std::uint32_t Pick(Rng& rng, std::uint32_t n) { return static_cast<std::uint32_t>(rng() % n); }

// Mostly text-like bytes, so that the parsers get past their first checks.
std::vector<std::uint8_t> RandomData(Rng& rng) {
    static const char alphabet[] = "0123456789abcdefABCDEFxX|| \t-+%\\:.Zz";
    std::uint32_t size;
    switch (Pick(rng, 4)) {
        case 0: size = Pick(rng, 9); break;
        case 1: size = Pick(rng, 40); break;
        case 2: size = Pick(rng, 140); break;
        default: size = Pick(rng, 2001); break;
    }
    std::vector<std::uint8_t> d(size);
    const bool binary = Pick(rng, 4) == 0;
    for (auto& b : d)
        b = binary ? static_cast<std::uint8_t>(rng())
                   : static_cast<std::uint8_t>(alphabet[Pick(rng, sizeof alphabet - 1)]);
    if (!d.empty() && Pick(rng, 2)) d.back() = 0;
    return d;
}

std::vector<std::uint8_t> Number(std::uint32_t v) {
    return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
            static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
}

std::uint32_t RandomCount(Rng& rng) {
    switch (Pick(rng, 5)) {
        case 0: return 0x7FFFFFFF;
        case 1: return 0x80000000u + Pick(rng, 100);
        case 2: return 1020 + Pick(rng, 10);
        default: return Pick(rng, 8);
    }
}

std::uint32_t RandomType(Rng& rng) {
    static const std::uint32_t types[] = {plat::REG_SZ, plat::REG_SZ, plat::REG_DWORD,
                                          plat::REG_DWORD, plat::REG_BINARY, plat::REG_EXPAND_SZ,
                                          plat::REG_NONE, 7, 11};
    return types[Pick(rng, sizeof types / sizeof types[0])];
}

void PutRandom(Rng& rng, const char* path, const std::string& name) {
    const std::uint32_t type = RandomType(rng);
    std::vector<std::uint8_t> data =
        (type == plat::REG_DWORD && Pick(rng, 2)) ? Number(static_cast<std::uint32_t>(rng()))
                                                  : RandomData(rng);
    SetRaw(plat::HKEY_CURRENT_USER, path, name, type, data);
}

std::string Indexed(const char* format, int i) {
    char n[48];
    std::snprintf(n, sizeof n, format, i);
    return n;
}

void FillHostileRegistry(Rng& rng) {
    static const char* prefs[] = {"Disable navigation", "Corner", "XResolution", "YResolution",
                                  "Follow active", "XSize", "ShellHotkey Key",
                                  "ShellHotkey Modif", "NavMouseMenu"};
    static const char* colors[] = {"Background", "Grid", "Window", "WindowText"};
    static const char* fonts[] = {"Height", "Italic", "CharSet", "FaceName", "FaceName"};
    for (const char* n : prefs)
        if (Pick(rng, 2)) PutRandom(rng, Pref, n);
    for (const char* n : colors)
        if (Pick(rng, 2)) PutRandom(rng, Colors, n);
    for (const char* n : fonts)
        if (Pick(rng, 2)) PutRandom(rng, Font, n);

    SetRaw(plat::HKEY_CURRENT_USER, Positions, "Count", plat::REG_DWORD, Number(RandomCount(rng)));
    for (int i = 0, n = static_cast<int>(Pick(rng, 6)); i < n; ++i) {
        int index = static_cast<int>(Pick(rng, 8));
        PutRandom(rng, Positions, Indexed("Pos%iName", index));
        if (Pick(rng, 2)) PutRandom(rng, Positions, Indexed("Pos%iPos", index));
    }

    if (Pick(rng, 3) == 0)
        SetRaw(plat::HKEY_CURRENT_USER, Middle, "ProgSpecCount", plat::REG_DWORD,
               Number(RandomCount(rng)));
    else
        PutRandom(rng, Middle, "ProgSpecCount");
    for (int i = 0, n = static_cast<int>(Pick(rng, 5)); i < n; ++i) {
        int index = static_cast<int>(Pick(rng, 6));
        PutRandom(rng, Middle, Indexed("PS%iName", index));
        PutRandom(rng, Middle, Indexed("PS%iClick2", index));
    }
    PutRandom(rng, Middle, "DefClick0");

    for (int i = 0, n = static_cast<int>(Pick(rng, 6)); i < n; ++i) {
        std::string name(Pick(rng, 70) + 1, 'a');
        for (char& c : name) c = static_cast<char>('a' + Pick(rng, 26));
        PutRandom(rng, Shortcuts, name);
    }
}

bool Terminated(const char* field, std::size_t size) { return std::memchr(field, 0, size) != nullptr; }

void CheckInvariants() {
    ASSERT_GE(settings.xResolution, 1);
    ASSERT_LE(settings.xResolution, 256);
    ASSERT_GE(settings.yResolution, 1);
    ASSERT_LE(settings.yResolution, 256);
    ASSERT_EQ(desktop.columns, settings.xResolution);
    ASSERT_EQ(desktop.rows, settings.yResolution);
    ASSERT_GE(settings.shellHotkeyKey, 0);
    ASSERT_LT(settings.shellHotkeyKey, ShellHotkeyKeyCount);
    ASSERT_TRUE(Terminated(settings.font.lfFaceName, sizeof settings.font.lfFaceName));
    for (auto v : {settings.followActive, settings.switchAtBorders, settings.onlyWhenButtonDown}) {
        ASSERT_GE(v, 0);
        ASSERT_LE(v, 255);
    }
    int entries = 0;
    for (WindowPositionEntry* e = settings.positionList.next; e; e = e->next, ++entries) {
        ASSERT_NE(e->name, nullptr);
        ASSERT_LE(std::strlen(e->name), MaxPositionNameLength);
    }
    ASSERT_LE(entries, 8);
    bool machineSeen = false;
    for (Shortcut* n = shortcutStore.head; n; n = n->next) {
        ASSERT_TRUE(Terminated(n->name, sizeof n->name));
        ASSERT_TRUE(Terminated(n->command, sizeof n->command));
        ASSERT_TRUE(Terminated(n->directory, sizeof n->directory));
        ASSERT_TRUE(n->root == 0 || n->root == 1);
        if (n->root == 1) machineSeen = true;
        ASSERT_FALSE(machineSeen && n->root == 0) << "per-user node behind a machine-wide one";
    }
    if (hookBlock) {
        ASSERT_GE(hookBlock->entryCount, 0);
        ASSERT_LE(hookBlock->entryCount, MaxProgramEntries);
        ASSERT_EQ(settings.programEntryCount, hookBlock->entryCount);
        for (int i = 0; i < hookBlock->entryCount; ++i)
            ASSERT_TRUE(Terminated(hookBlock->programs[i].name, sizeof hookBlock->programs[i].name));
    }
}

struct Snapshot {
    Settings record;
    std::vector<std::pair<std::string, std::uint32_t>> positions;
    std::vector<std::string> programNames;
};

Snapshot Take() {
    Snapshot s;
    s.record = settings;
    for (WindowPositionEntry* e = settings.positionList.next; e; e = e->next)
        s.positions.push_back({e->name, e->position});
    for (int i = 0; hookBlock && i < hookBlock->entryCount; ++i)
        s.programNames.push_back(hookBlock->programs[i].name);
    return s;
}

void ExpectSame(const Snapshot& a, const Snapshot& b) {
    ExpectSameRecord(a.record, b.record);
    EXPECT_EQ(a.positions, b.positions);
    EXPECT_EQ(a.programNames, b.programNames);
}

// Whatever the registry held, loading is bounded and safe, and what was loaded survives a
// save and a second load unchanged.
TEST(ConfigFuzz, HostileRegistryLoadsSafelyAndRoundTrips) {
    Rng rng(20240611u);
    for (int iter = 0; iter < 300; ++iter) {
        SCOPED_TRACE(iter);
        ResetConfig();
        FillHostileRegistry(rng);
        Load();
        CreateHookBlock();
        ASSERT_NO_FATAL_FAILURE(CheckInvariants());
        const Snapshot first = Take();
        // Saving a thousand entries is slow in the simulated registry; the load above
        // already met the clamped counts.
        if (hookBlock && hookBlock->entryCount <= 64) {
            SaveSettings();
            ReleaseConfig();
            Load();
            ASSERT_TRUE(CreateHookBlock());
            ASSERT_NO_FATAL_FAILURE(CheckInvariants());
            ExpectSame(first, Take());
            ASSERT_FALSE(HasFailure());  // one failing case is enough to read
        }
        ASSERT_EQ(sim::GdiViolations(), 0);
    }
    ResetConfig();
}

TEST(ConfigFuzz, ReadBytesNeverOverrunsOrHalfWrites) {
    ResetConfig();
    Rng rng(7u);
    plat::Hkey key = nullptr;
    ASSERT_EQ(plat::RegCreateKeyEx(plat::HKEY_CURRENT_USER, Pref, 0, "", 0, plat::KEY_ALL_ACCESS,
                                    nullptr, &key, nullptr),
              plat::ERROR_SUCCESS);
    for (int iter = 0; iter < 3000; ++iter) {
        const std::uint32_t type = RandomType(rng);
        std::vector<std::uint8_t> data = RandomData(rng);
        SetRaw(plat::HKEY_CURRENT_USER, Pref, "v", type, data);
        const std::uint32_t size = 1 + Pick(rng, Pick(rng, 8) == 0 ? 2100 : 64);
        std::vector<std::uint8_t> buf(size + 16, 0xA5);
        const std::int32_t n = ReadDword(key, "v", -12345);
        if ((type == plat::REG_DWORD || type == plat::REG_BINARY) && data.size() == 4) {
            std::int32_t want;
            std::memcpy(&want, data.data(), 4);  // the hosts are little-endian, as the registry
            ASSERT_EQ(n, want) << iter;
        } else {
            ASSERT_EQ(n, -12345) << iter;
        }

        const bool ok = ReadBytes(key, "v", buf.data(), size);
        for (std::size_t i = size; i < buf.size(); ++i) ASSERT_EQ(buf[i], 0xA5) << iter;
        if (!ok) {
            for (std::uint32_t i = 0; i < size; ++i) ASSERT_EQ(buf[i], 0xA5) << iter;
            continue;
        }
        ASSERT_TRUE(type == plat::REG_SZ || type == plat::REG_EXPAND_SZ);
        ASSERT_NE(std::memchr(buf.data(), 0, size), nullptr);
        ASSERT_LE(data.size(), size);
        if (!data.empty()) {
            ASSERT_EQ(std::memcmp(buf.data(), data.data(), data.size()), 0);
        }
    }
    plat::RegCloseKey(key);
    ResetConfig();
}

// The C library's strtoull with the sign handled here is the reference for 32-bit strtoul.
std::uint32_t ReferenceColor(const char* text) {
    const char* p = text;
    while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    if (*p == '+' || *p == '-' || *p == ' ' || (*p >= '\t' && *p <= '\r')) return 0;
    errno = 0;
    unsigned long long m = std::strtoull(p, nullptr, 16);
    if (errno == ERANGE || m > 0xFFFFFFFFull) return 0xFFFFFFFFu;
    const std::uint32_t v = static_cast<std::uint32_t>(m);
    return negative ? 0u - v : v;
}

TEST(ConfigFuzz, ParseColorMatchesTheReferenceConversion) {
    Rng rng(99u);
    static const char alphabet[] = " \t\n+-0xX0123456789abcdefABCDEFgG\xff\x80";
    for (int iter = 0; iter < 20000; ++iter) {
        std::string text(Pick(rng, 30), ' ');
        for (char& c : text) c = alphabet[Pick(rng, sizeof alphabet - 1)];
        std::uint32_t got = 0xDEADBEEF;
        ParseColor(text.c_str(), &got);
        ASSERT_EQ(got, ReferenceColor(text.c_str())) << "'" << text << "'";

        const std::uint32_t color = static_cast<std::uint32_t>(rng());
        char buf[9];
        FormatColor(buf, color);
        ParseColor(buf, &got);
        ASSERT_EQ(got, color);
    }
}

TEST(ConfigFuzz, ShortcutValuesParseWithinTheirFields) {
    ResetConfig();
    Rng rng(4242u);
    plat::Hkey key = nullptr;
    ASSERT_EQ(plat::RegCreateKeyEx(plat::HKEY_CURRENT_USER, Shortcuts, 0, "", 0,
                                    plat::KEY_ALL_ACCESS, nullptr, &key, nullptr),
              plat::ERROR_SUCCESS);
    std::vector<std::string> names;  // values in the key since the list was last emptied
    for (int iter = 0; iter < 400; ++iter) {
        SCOPED_TRACE(iter);
        const int values = static_cast<int>(Pick(rng, 8));
        for (int i = 0; i < values; ++i) {
            std::string name(Pick(rng, 70), 'x');
            for (char& c : name) c = static_cast<char>(Pick(rng, 2) ? 'a' + Pick(rng, 26) : 'A' + Pick(rng, 26));
            std::vector<std::uint8_t> data = RandomData(rng);
            if (!data.empty() && Pick(rng, 2)) data[Pick(rng, static_cast<std::uint32_t>(data.size()))] = '|';
            SetRaw(plat::HKEY_CURRENT_USER, Shortcuts, name, Pick(rng, 4) ? plat::REG_SZ : RandomType(rng),
                   data);
            names.push_back(name);
        }
        LoadShortcuts(key, static_cast<int>(Pick(rng, 2)));
        int nodes = 0;
        for (Shortcut* n = shortcutStore.head; n; n = n->next, ++nodes) {
            ASSERT_TRUE(Terminated(n->name, sizeof n->name));
            ASSERT_TRUE(Terminated(n->command, sizeof n->command));
            ASSERT_TRUE(Terminated(n->directory, sizeof n->directory));
        }
        ASSERT_LE(static_cast<std::size_t>(nodes), 2 * names.size());  // at most one per root
        // Identity stays unique: each node is the one its own name finds.
        for (Shortcut* n = shortcutStore.head; n; n = n->next)
            ASSERT_EQ(FindShortcut(n->name, n->root, nullptr), n);
        if (Pick(rng, 4) == 0) {
            FreeShortcuts();
            for (const std::string& name : names) plat::RegDeleteValue(key, name.c_str());
            names.clear();
        }
    }
    plat::RegCloseKey(key);
    ResetConfig();
}

}  // namespace
