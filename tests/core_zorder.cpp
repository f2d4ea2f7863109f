// The Z-order walks every part of the program uses: their order and where they stop.
#include <vector>

#include "core/zorder.h"
#include "core_fixture.h"

namespace {

using plat::Hwnd;

class ZOrder : public CoreTest {};

TEST_F(ZOrder, WalksKeepTheOrderAndStopWhereTold) {
    const Hwnd a = Add("a", plat::Rect{0, 0, 9, 9});
    const Hwnd b = Add("b", plat::Rect{0, 0, 9, 9});
    const Hwnd c = Add("c", plat::Rect{0, 0, 9, 9});
    std::vector<Hwnd> seen;
    auto all = [&](Hwnd w) { seen.push_back(w); };
    auto first = [&](Hwnd w) { seen.push_back(w); return false; };

    ForEachWindowBelow(settings.pagerWindow, all);
    EXPECT_EQ(seen, (std::vector<Hwnd>{c, b, a}));
    seen.clear();
    ForEachWindowBelow(b, all);
    EXPECT_EQ(seen, (std::vector<Hwnd>{a}));
    seen.clear();
    ForEachWindowBelow(reinterpret_cast<Hwnd>(0x7777), all);  // not a window: nothing below it
    EXPECT_TRUE(seen.empty());
    ForEachTopLevelWindow(settings.pagerWindow, all);
    EXPECT_EQ(seen, (std::vector<Hwnd>{c, b, a}));
    seen.clear();
    ForEachTopLevelWindow(nullptr, first);
    EXPECT_EQ(seen, (std::vector<Hwnd>{settings.pagerWindow}));
    seen.clear();
    ForEachWindowBelow(settings.pagerWindow, first);
    EXPECT_EQ(seen, (std::vector<Hwnd>{c}));
}

}  // namespace
