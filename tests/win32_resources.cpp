// The program's resource script and the files it names: the menu the pager loads, the two
// icons, the version and the manifest. Read from the source tree.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "app/app.h"
#include "pager/pager.h"

namespace {

std::string SourceRoot() {
    std::string f = __FILE__;
    std::size_t at = f.rfind("tests");
    return at == std::string::npos ? std::string() : f.substr(0, at);
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string Script() { return ReadFile(SourceRoot() + "resources/parmena.rc"); }

// The script with comments and line continuations out of the way.
std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        std::size_t c = line.find("//");
        if (c != std::string::npos) line.erase(c);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
        std::size_t b = line.find_first_not_of(" \t");
        if (b != std::string::npos) out.push_back(line.substr(b));
    }
    return out;
}

std::string Unescape(const std::string& s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 1 < s.size() && s[i + 1] == 't') {
            out += '\t';
            ++i;
        } else {
            out += s[i];
        }
    }
    return out;
}

struct Item {
    int id;  // 0 for a separator
    std::string text;
    bool operator==(const Item& o) const { return id == o.id && text == o.text; }
};
std::ostream& operator<<(std::ostream& os, const Item& i) {
    return os << "{" << i.id << ", \"" << i.text << "\"}";
}

// The items of the first pop-up of menu `menuId`; `popup` receives its title.
std::vector<Item> MenuItems(int menuId, std::string* popup) {
    std::vector<std::string> lines = Lines(Script());
    std::vector<Item> items;
    const std::regex menu("^" + std::to_string(menuId) + "\\s+MENU(EX)?\\b.*");
    const std::regex pop("^POPUP\\s+\"([^\"]*)\".*");
    const std::regex item("^MENUITEM\\s+\"([^\"]*)\"\\s*,\\s*(\\d+).*");
    std::smatch m;
    std::size_t i = 0;
    while (i < lines.size() && !std::regex_match(lines[i], menu)) ++i;
    while (i < lines.size() && !std::regex_match(lines[i], m, pop)) ++i;
    if (i == lines.size()) return items;
    *popup = m[1];
    // Items run from the pop-up's BEGIN to its END.
    for (i += 2; i < lines.size() && lines[i] != "END"; ++i) {
        if (lines[i] == "MENUITEM SEPARATOR")
            items.push_back({0, ""});
        else if (std::regex_match(lines[i], m, item))
            items.push_back({std::stoi(m[2]), Unescape(m[1])});
        else
            items.push_back({-1, lines[i]});
    }
    return items;
}

TEST(Resources, PagerMenuHasItsItemsInOrder) {
    std::string popup;
    std::vector<Item> items = MenuItems(MenuResource, &popup);
    EXPECT_EQ(popup, "DlgPopup");
    const std::vector<Item> expected = {
        {CmdAbout, "&About..."},
        {CmdSettings, "&Settings..."},
        {CmdCompress, "&Compress Desktop"},
        {CmdResetPositions, "&Reset Window Positions"},
        {0, ""},
        {CmdHelp, "&Help\tF1"},
        {CmdClose, "&Close\tAlt+F4"},
    };
    EXPECT_EQ(items, expected);
}

// ---- icons

std::uint32_t U16(const std::string& b, std::size_t at) {
    return static_cast<std::uint8_t>(b[at]) | static_cast<std::uint8_t>(b[at + 1]) << 8;
}
std::uint32_t U32(const std::string& b, std::size_t at) {
    return U16(b, at) | U16(b, at + 2) << 16;
}

struct IconImage {
    int size;
    int bits;
    bool visible;  // some pixel is not masked out
};

// Parses an .ico file; any structural fault is reported through gtest and ends the parse.
std::vector<IconImage> ParseIcon(const std::string& b) {
    std::vector<IconImage> images;
    EXPECT_GE(b.size(), 6u);
    if (b.size() < 6) return images;
    EXPECT_EQ(U16(b, 0), 0u);
    EXPECT_EQ(U16(b, 2), 1u) << "type 1 is an icon";
    std::size_t count = U16(b, 4);
    EXPECT_GE(b.size(), 6 + 16 * count);
    if (b.size() < 6 + 16 * count) return images;
    for (std::size_t i = 0; i < count; ++i) {
        std::size_t e = 6 + 16 * i;
        int size = static_cast<std::uint8_t>(b[e]);
        std::uint32_t bytes = U32(b, e + 8), offset = U32(b, e + 12);
        int bits = static_cast<int>(U16(b, e + 6));
        EXPECT_EQ(static_cast<std::uint8_t>(b[e + 1]), size) << "square images";
        EXPECT_LE(std::uint64_t{offset} + bytes, b.size()) << "image " << i << " runs past the end";
        if (std::uint64_t{offset} + bytes > b.size() || bytes < 40) return images;
        // BITMAPINFOHEADER: height covers colour and mask.
        EXPECT_EQ(U32(b, offset), 40u);
        EXPECT_EQ(static_cast<int>(U32(b, offset + 4)), size);
        EXPECT_EQ(static_cast<int>(U32(b, offset + 8)), 2 * size);
        EXPECT_EQ(static_cast<int>(U16(b, offset + 14)), bits);
        std::uint32_t palette = bits <= 8 ? U32(b, offset + 32) : 0;
        if (bits <= 8 && palette == 0) palette = 1u << bits;
        std::uint32_t colourStride = ((size * bits + 31) / 32) * 4;
        std::uint32_t maskStride = ((size + 31) / 32) * 4;
        std::uint32_t mask = offset + 40 + palette * 4 + colourStride * size;
        EXPECT_EQ(bytes, 40 + palette * 4 + (colourStride + maskStride) * size)
            << "image " << i << " size";
        if (mask + maskStride * size > b.size()) return images;
        bool visible = false;
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                if (!(static_cast<std::uint8_t>(b[mask + y * maskStride + x / 8]) & (0x80 >> (x % 8))))
                    visible = true;
        images.push_back({size, bits, visible});
    }
    return images;
}

TEST(Resources, IconsAreValidAtBothSizes) {
    const std::string script = Script();
    const std::regex icon("(^|\\n)\\s*(\\d+)\\s+ICON\\s+\"([^\"]+)\"");
    std::map<int, std::string> files;
    for (std::sregex_iterator it(script.begin(), script.end(), icon), end; it != end; ++it)
        files[std::stoi((*it)[2])] = (*it)[3];
    ASSERT_EQ(files.count(IconProgram), 1u);
    ASSERT_EQ(files.count(IconTray), 1u);
    EXPECT_NE(files[IconProgram], files[IconTray]) << "the tray icon is a picture of its own";
    for (int id : {IconProgram, IconTray}) {
        SCOPED_TRACE("icon " + std::to_string(id));
        std::string bytes = ReadFile(SourceRoot() + "resources/" + files[id]);
        ASSERT_FALSE(bytes.empty()) << files[id] << " is missing";
        std::vector<IconImage> images = ParseIcon(bytes);
        bool has16 = false, has32 = false;
        for (const IconImage& im : images) {
            EXPECT_TRUE(im.visible) << im.size << "x" << im.size << " is wholly transparent";
            has16 |= im.size == 16;
            has32 |= im.size == 32;
        }
        EXPECT_TRUE(has16);
        EXPECT_TRUE(has32);
    }
}

TEST(Resources, ManifestAndVersion) {
    const std::string script = Script();
    std::smatch m;
    // RT_MANIFEST (24), identifier 1: the one the loader reads for an executable.
    ASSERT_TRUE(std::regex_search(script, m, std::regex("(^|\\n)\\s*1\\s+24\\s+\"([^\"]+)\"")));
    const std::string manifest = ReadFile(SourceRoot() + "resources/" + m[2].str());
    ASSERT_FALSE(manifest.empty());
    EXPECT_TRUE(std::regex_search(manifest, std::regex("<dpiAware[^>]*>\\s*true\\s*</dpiAware>")));
    // Systems that know it take per-monitor awareness; older ones keep the line above.
    EXPECT_TRUE(std::regex_search(
        manifest, std::regex("<dpiAwareness[^>]*>\\s*PerMonitorV2\\s*,\\s*PerMonitor\\s*</dpiAwareness>")));
    EXPECT_TRUE(std::regex_search(
        manifest, std::regex("name=\"Microsoft\\.Windows\\.Common-Controls\"\\s+version=\"6\\.0\\.0\\.0\"")));

    EXPECT_TRUE(std::regex_search(script, std::regex("FILEVERSION\\s+1,\\s*0,\\s*0,\\s*0")));
    EXPECT_TRUE(std::regex_search(script, std::regex("VALUE\\s+\"ProductName\",\\s*\"Parmena\"")));
    EXPECT_TRUE(std::regex_search(script, std::regex("VALUE\\s+\"ProductVersion\",\\s*\"1\\.0\\.0\"")));
}

}  // namespace
