// The Z-order walks every part of the program uses: their order, where they stop, and windows
// that their program closes while the walk stands on them.
#include <functional>
#include <string>
#include <vector>

#include "core/zorder.h"
#include "core_fixture.h"

namespace {

using plat::Hwnd;
using Visit = std::function<bool(Hwnd)>;

class ZOrder : public CoreTest {};

TEST_F(ZOrder, WalksKeepTheirOrderAndGoOnPastAClosedWindow) {
    struct Case {
        const char* name;
        std::function<void(const Visit&)> walk;
        std::vector<int> order;  // indices of the windows added bottom to top
    };
    const Case cases[] = {
        {"below the pager", [](const Visit& v) { ForEachWindowBelow(PagerWindow, v); },
         {2, 1, 0}},
        {"all but the pager", [](const Visit& v) { ForEachTopLevelWindow(PagerWindow, v); },
         {2, 1, 0}},
    };
    for (const Case& k : cases) {
        for (const bool close : {false, true}) {
            SCOPED_TRACE(std::string(k.name) + (close ? ", closing each" : ""));
            std::vector<Hwnd> w;
            for (const char* title : {"a", "b", "c"})
                w.push_back(Add(title, plat::Rect{0, 0, 9, 9}));
            std::vector<Hwnd> expected, seen;
            for (int i : k.order) expected.push_back(w[i]);
            k.walk([&](Hwnd h) {
                seen.push_back(h);
                if (close && h != PagerWindow) sim::RemoveWindow(h);
                return true;
            });
            EXPECT_EQ(seen, expected);
            for (int i = 0; i < 3; ++i)
                if (sim::Exists(w[i])) sim::RemoveWindow(w[i]);
        }
    }
}

TEST_F(ZOrder, AVisitReturningFalseEndsTheWalk) {
    Add("a", plat::Rect{0, 0, 9, 9});
    const Hwnd top = Add("b", plat::Rect{0, 0, 9, 9});
    std::vector<Hwnd> seen;
    ForEachWindowBelow(PagerWindow, [&](Hwnd h) {
        seen.push_back(h);
        return false;
    });
    EXPECT_EQ(seen, std::vector<Hwnd>{top});
}

}  // namespace
