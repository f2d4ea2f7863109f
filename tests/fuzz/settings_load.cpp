// ParseColor against the C library's conversion, and a whole load of the numbers, colours and
// font of hostile Preferences, Colors and Font keys.
#include <cerrno>

#include "app/app.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

// strtoul in base 16 as a 32-bit unsigned long would give it.
std::uint32_t ReferenceColor(const char* text) {
    const char* p = text;
    while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
    const bool negative = *p == '-';
    errno = 0;
    const unsigned long long r = std::strtoull(text, nullptr, 16);
    if (errno == ERANGE) return 0xFFFFFFFFu;
    const unsigned long long magnitude = negative ? 0ull - r : r;
    if (magnitude > 0xFFFFFFFFull) return 0xFFFFFFFFu;
    const auto m = static_cast<std::uint32_t>(magnitude);
    return negative ? 0u - m : m;
}

const char* const PrefNames[] = {"Disable navigation", "Corner", "XResolution", "YResolution",
                                 "Follow active", "Switch at borders", "XSize", "YSize",
                                 "ShellHotkey Key", "ShellHotkey Modif", "NavMouseMenu",
                                 "MinimizeTolvo", "Rescale On Exit"};
const char* const ColorNames[] = {"Background", "Grid", "Window", "WindowFrame",
                                  "WindowCaption", "WindowText"};
const char* const FontNames[] = {"Height", "Weight", "Italic", "CharSet", "Quality",
                                 "PitchAndFamily", "FaceName"};

template <std::size_t N>
const char* Pick(const char* const (&names)[N], std::uint8_t b) {
    return names[b % N];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    const std::string text = in.Text();
    std::uint32_t color = 0x12345678;
    ParseColor(text.c_str(), &color);
    FUZZ_CHECK(color == ReferenceColor(text.c_str()));
    char formatted[9];
    FormatColor(formatted, color);
    std::uint32_t back = 0;
    ParseColor(formatted, &back);
    FUZZ_CHECK(back == color);

    fuzz::ResetWorld();
    while (!in.Empty()) {
        const std::uint8_t which = in.Byte();
        const std::uint8_t name = in.Byte();
        const std::uint32_t type = fuzz::PickType(in.Byte());
        const std::vector<std::uint8_t> value = in.Bytes();
        switch (which % 3) {
            case 0: fuzz::PutValue(fuzz::Key("Preferences"), Pick(PrefNames, name), type, value); break;
            case 1: fuzz::PutValue(fuzz::Key("Colors"), Pick(ColorNames, name), type, value); break;
            default: fuzz::PutValue(fuzz::Key("Font"), Pick(FontNames, name), type, value); break;
        }
    }
    int x = 0, y = 0;
    LoadSettingsAndState(&x, &y);
    FUZZ_CHECK(settings.xResolution >= 1 && settings.xResolution <= 256);
    FUZZ_CHECK(settings.yResolution >= 1 && settings.yResolution <= 256);
    FUZZ_CHECK(settings.shellHotkeyKey >= 0 && settings.shellHotkeyKey < ShellHotkeyKeyCount);
    FUZZ_CHECK(fuzz::Terminated(settings.font.lfFaceName, sizeof settings.font.lfFaceName));
    for (std::int32_t v : {settings.followActive, settings.switchAtBorders, settings.onlyWhenButtonDown})
        FUZZ_CHECK(v >= 0 && v <= 255);
    fuzz::ResetWorld();
    return 0;
}
