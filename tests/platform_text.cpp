// UTF-8 in memory, UTF-16 at the Windows boundary: cuts and conversions.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "platform/text.h"

namespace {

// CJK, an en dash, Greek, an emoji (a surrogate pair in UTF-16) and a combining acute accent.
const std::string Title = "日本語 – Ωmega 🎉 e\xCC\x81";

std::u16string Wide(const std::string& s) {
    std::u16string out(Utf8ToUtf16<char16_t>(s.data(), s.size(), nullptr, 0) + 1, u'\0');
    out.resize(Utf8ToUtf16(s.data(), s.size(), &out[0], out.size()));
    return out;
}

std::string Narrow(const std::u16string& s, std::size_t size) {
    std::string out(size, '\0');
    out.resize(Utf16ToUtf8(s.data(), s.size(), &out[0], size));
    return out;
}

TEST(Utf8, CuttingAtEveryLengthKeepsWholeCharacters) {
    // The character starts of Title, found by hand: each cut must land on the last of them that
    // fits.
    std::vector<std::size_t> starts;
    for (std::size_t i = 0; i <= Title.size(); ++i)
        if (i == Title.size() || (static_cast<unsigned char>(Title[i]) & 0xC0) != 0x80)
            starts.push_back(i);
    for (std::size_t limit = 0; limit <= Title.size() + 2; ++limit) {
        std::size_t expected = 0;
        for (std::size_t s : starts)
            if (s <= limit) expected = s;
        EXPECT_EQ(Utf8CutLength(Title.data(), Title.size(), limit), expected) << "limit " << limit;

        char buffer[64];
        std::memset(buffer, 'x', sizeof buffer);
        EXPECT_EQ(CopyUtf8(buffer, limit + 1, Title.c_str()), expected);
        EXPECT_EQ(std::string(buffer), Title.substr(0, expected));
        // The same cut comes out of the UTF-16 side of the boundary.
        EXPECT_EQ(Narrow(Wide(Title), limit + 1), Title.substr(0, expected)) << "limit " << limit;
    }
    // Stray bytes are characters of their own: a cut is never moved before them.
    const std::string stray = "ab\x80\x80\x80\x80\x80";
    EXPECT_EQ(Utf8CutLength(stray.data(), stray.size(), 6), 6u);
}

TEST(Utf8, ConvertsBothWaysAndReplacesWhatIsMalformed) {
    const struct {
        std::string utf8;
        std::u16string utf16;
    } cases[] = {
        {Title, u"日本語 – Ωmega 🎉 e\u0301"},
        {"C:\\Users\\李明\\a b.exe", u"C:\\Users\\李明\\a b.exe"},
        {"", u""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Wide(c.utf8), c.utf16);
        EXPECT_EQ(Narrow(c.utf16, 256), c.utf8);
    }
    // Overlong, encoded surrogate, beyond U+10FFFF, cut sequence: one U+FFFD each, and the
    // byte that broke a sequence starts anew.
    EXPECT_EQ(Wide("a\xC0\x80" "b"), u"a\uFFFD\uFFFDb");
    EXPECT_EQ(Wide("\xED\xA0\x80"), u"\uFFFD");
    EXPECT_EQ(Wide("\xF4\x90\x80\x80"), u"\uFFFD");
    EXPECT_EQ(Wide("\xE6\x97" "x"), u"\uFFFDx");
    // A lone surrogate from a window title becomes U+FFFD in UTF-8.
    const std::u16string lone = {u'a', 0xD83D, u'b', 0xDE00};
    EXPECT_EQ(Narrow(lone, 64), "a\xEF\xBF\xBD" "b\xEF\xBF\xBD");
}

TEST(Utf8, RandomTextsRoundTripAndCutLikeAnOracle) {
    std::mt19937 rng(19);
    const char32_t pool[] = {U'a', U'Z', U'é', U'Ω', U'語', U'–', U'🎉', 0x301, 0x10FFFF, 0xFFFF};
    for (int round = 0; round < 500; ++round) {
        std::u32string points;
        for (int n = rng() % 12; n > 0; --n) points.push_back(pool[rng() % 10]);
        std::string utf8;
        std::vector<std::size_t> ends{0};
        for (char32_t cp : points) {
            char buf[8];
            std::u16string unit;
            if (cp >= 0x10000)
                unit = {static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)),
                        static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF))};
            else
                unit = {static_cast<char16_t>(cp)};
            utf8 += std::string(buf, Utf16ToUtf8(unit.data(), unit.size(), buf, sizeof buf));
            ends.push_back(utf8.size());
        }
        EXPECT_EQ(Narrow(Wide(utf8), utf8.size() + 1), utf8);
        const std::size_t limit = rng() % (utf8.size() + 2);
        std::size_t expected = 0;
        for (std::size_t e : ends)
            if (e <= limit) expected = e;
        EXPECT_EQ(Utf8CutLength(utf8.data(), utf8.size(), limit), expected);
    }
}

}  // namespace
