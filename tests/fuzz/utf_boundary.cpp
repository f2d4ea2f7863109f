// The UTF-8/UTF-16 conversion at the Windows boundary: any bytes and any units convert into
// well-formed text, valid text survives the round trip unchanged, a small buffer holds a
// prefix of whole characters, and a cut never ends inside a sequence.
#include <algorithm>
#include <string>

#include "platform/text.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

// The well-formed byte sequences of the Unicode standard's table, written out range by range,
// apart from the decoder's arithmetic.
bool WellFormedUtf8(const std::string& s) {
    auto in = [](unsigned char b, int lo, int hi) { return b >= lo && b <= hi; };
    for (std::size_t i = 0; i < s.size();) {
        const unsigned char b0 = s[i];
        const std::size_t left = s.size() - i;
        auto at = [&](std::size_t k) { return static_cast<unsigned char>(s[i + k]); };
        if (b0 <= 0x7F) { i += 1; continue; }
        if (in(b0, 0xC2, 0xDF) && left >= 2 && in(at(1), 0x80, 0xBF)) { i += 2; continue; }
        if (left >= 3 && in(at(2), 0x80, 0xBF) &&
            ((b0 == 0xE0 && in(at(1), 0xA0, 0xBF)) || (in(b0, 0xE1, 0xEC) && in(at(1), 0x80, 0xBF)) ||
             (b0 == 0xED && in(at(1), 0x80, 0x9F)) || (in(b0, 0xEE, 0xEF) && in(at(1), 0x80, 0xBF)))) {
            i += 3;
            continue;
        }
        if (left >= 4 && in(at(2), 0x80, 0xBF) && in(at(3), 0x80, 0xBF) &&
            ((b0 == 0xF0 && in(at(1), 0x90, 0xBF)) || (in(b0, 0xF1, 0xF3) && in(at(1), 0x80, 0xBF)) ||
             (b0 == 0xF4 && in(at(1), 0x80, 0x8F)))) {
            i += 4;
            continue;
        }
        return false;
    }
    return true;
}

bool WellFormedUtf16(const std::u16string& s) {
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] >= 0xDC00 && s[i] <= 0xDFFF) return false;
        if (s[i] >= 0xD800 && s[i] <= 0xDBFF) {
            if (i + 1 >= s.size() || s[i + 1] < 0xDC00 || s[i + 1] > 0xDFFF) return false;
            ++i;
        }
    }
    return true;
}

std::u16string ToUtf16(const std::string& s, std::size_t size) {
    std::u16string out(size, u'\xAAAA');
    const std::size_t n = Utf8ToUtf16(s.data(), s.size(), size ? &out[0] : nullptr, size);
    if (size) {
        FUZZ_CHECK(n < size && out[n] == 0);
        out.resize(n);
    }
    return size ? out : std::u16string();
}

std::string ToUtf8(const std::u16string& s, std::size_t size) {
    std::string out(size, '\xAA');
    const std::size_t n = Utf16ToUtf8(s.data(), s.size(), size ? &out[0] : nullptr, size);
    if (size) {
        FUZZ_CHECK(n < size && out[n] == 0);
        out.resize(n);
    }
    return size ? out : std::string();
}

void CheckBytes(const std::string& bytes) {
    const std::size_t units = Utf8ToUtf16<char16_t>(bytes.data(), bytes.size(), nullptr, 0);
    const std::u16string wide = ToUtf16(bytes, units + 1);
    FUZZ_CHECK(wide.size() == units);
    FUZZ_CHECK(WellFormedUtf16(wide));
    const std::string back = ToUtf8(wide, Utf16ToUtf8(wide.data(), wide.size(), nullptr, 0) + 1);
    FUZZ_CHECK(WellFormedUtf8(back));
    FUZZ_CHECK((back == bytes) == WellFormedUtf8(bytes));
    // Every smaller buffer holds a prefix of whole characters.
    for (std::size_t size = 1; size <= units && size < 64; ++size) {
        const std::u16string part = ToUtf16(bytes, size);
        FUZZ_CHECK(part.size() <= size - 1 && part.size() + 2 >= size - 1);
        FUZZ_CHECK(wide.compare(0, part.size(), part) == 0 && WellFormedUtf16(part));
    }
    // A cut at any limit stays in the text, ends a character of valid text, and loses at most
    // the three bytes of one cut sequence.
    for (std::size_t limit = 0; limit <= bytes.size() + 1; ++limit) {
        const std::size_t cut = Utf8CutLength(bytes.data(), bytes.size(), limit);
        FUZZ_CHECK(cut <= limit && cut <= bytes.size());
        FUZZ_CHECK(cut + 3 >= std::min(limit, bytes.size()));
        if (WellFormedUtf8(bytes)) FUZZ_CHECK(WellFormedUtf8(bytes.substr(0, cut)));
    }
}

void CheckUnits(const std::u16string& wide) {
    const std::string utf8 = ToUtf8(wide, Utf16ToUtf8(wide.data(), wide.size(), nullptr, 0) + 1);
    FUZZ_CHECK(WellFormedUtf8(utf8));
    const std::u16string back = ToUtf16(utf8, Utf8ToUtf16<char16_t>(utf8.data(), utf8.size(), nullptr, 0) + 1);
    FUZZ_CHECK((back == wide) == WellFormedUtf16(wide));
    for (std::size_t size = 1; size <= utf8.size() && size < 64; ++size) {
        const std::string part = ToUtf8(wide, size);
        FUZZ_CHECK(part.size() <= size - 1 && part.size() + 4 >= size - 1);
        FUZZ_CHECK(utf8.compare(0, part.size(), part) == 0 && WellFormedUtf8(part));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    CheckBytes(bytes);
    std::u16string units;
    for (std::size_t i = 0; i + 1 < size; i += 2)
        units.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
    CheckUnits(units);
    return 0;
}
