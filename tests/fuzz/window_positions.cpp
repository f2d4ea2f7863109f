// A whole "Window Positions" key, loaded and applied to a few windows: the list stays bounded
// and every window a remembered entry moves lands on a desktop of the grid.
#include "app/app.h"
#include "core/compress.h"
#include "pager/pager.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    fuzz::ResetWorld();
    const std::string path = fuzz::Key("Window Positions");
    const std::uint8_t grid = in.Byte();
    fuzz::PutValue(fuzz::Key("Preferences"), "XResolution", plat::REG_DWORD,
                   {static_cast<std::uint8_t>(1 + grid % 5), 0, 0, 0});
    fuzz::PutValue(fuzz::Key("Preferences"), "YResolution", plat::REG_DWORD,
                   {static_cast<std::uint8_t>(1 + (grid / 5) % 5), 0, 0, 0});
    while (!in.Empty()) {
        const std::uint8_t kind = in.Byte();
        char name[32];
        const int index = in.Byte() % 12;
        switch (kind % 4) {
            case 0: std::snprintf(name, sizeof name, "Count"); break;
            case 1: std::snprintf(name, sizeof name, "ResetAtStart"); break;
            case 2: std::snprintf(name, sizeof name, "Pos%iName", index); break;
            default: std::snprintf(name, sizeof name, "Pos%iPos", index); break;
        }
        const std::uint32_t type = (kind & 0x80) ? fuzz::PickType(in.Byte())
                                                 : ((kind % 4) == 2 ? plat::REG_SZ : plat::REG_DWORD);
        fuzz::PutValue(path, name, type, in.Bytes());
    }
    int x = 0, y = 0;
    LoadSettingsAndState(&x, &y);
    int entries = 0;
    for (const WindowPositionEntry* e = settings.positionList.next; e; e = e->next, ++entries) {
        FUZZ_CHECK(e->name != nullptr);
        FUZZ_CHECK(std::strlen(e->name) <= MaxPositionNameLength);
    }
    FUZZ_CHECK(entries <= 12);

    // Windows on the first desktop whose titles the patterns above may match.
    const char* titles[] = {"a", "ab", "Notes", "x", "", "*"};
    std::vector<plat::Hwnd> windows;
    for (const char* t : titles) windows.push_back(sim::AddWindow({t, "App", {100, 100, 300, 200}}));
    ApplyRememberedPositions();
    for (plat::Hwnd w : windows) {
        const plat::Rect r = sim::WindowRect(w);
        const std::int64_t column = (r.left - 100) / desktop.screenWidth;
        const std::int64_t row = (r.top - 100) / desktop.screenHeight;
        FUZZ_CHECK(column >= 0 && column < desktop.columns);
        FUZZ_CHECK(row >= 0 && row < desktop.rows);
    }
    fuzz::ResetWorld();
    return 0;
}
