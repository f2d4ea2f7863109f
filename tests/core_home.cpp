// The way home at the end of a run: the switches back to desktop (0, 0), and the last moves of
// the windows the move thread still held.
#include <climits>

#include "core/home.h"
#include "core_fixture.h"

namespace {

TEST(WayHome, StepsStayWithinOneSwitchAndEndAtTheFirstDesktop) {
    const struct {
        int column, row;
        std::vector<DesktopStep> steps;
    } cases[] = {
        {0, 0, {}},
        {2, 1, {{2, 1}}},
        {10, 0, {{10, 0}}},
        {0, 11, {{0, 10}, {0, 1}}},
        {25, 3, {{10, 3}, {10, 0}, {5, 0}}},
        {-1, 2, {{0, 2}}},  // never a step away from home
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.column << "," << c.row);
        EXPECT_EQ(PlanWayHome(c.column, c.row), c.steps);
    }
    EXPECT_EQ(PlanWayHome(255, 255).size(), 26u);
}

class HeldHome : public CoreTest {};

// 1024 x 768 desktops; the run ended on desktop (2, 1), so going home adds (2048, 768).
TEST_F(HeldHome, HeldMovesLandWhereTheOtherWindowsGo) {
    const auto w = reinterpret_cast<plat::Hwnd>(0x10);
    const struct {
        const char* name;
        PendingMove held;
        plat::Rect now;
        bool fold;
        int x, y;
    } cases[] = {
        {"back by the desktop's offset", {w, 100, -50}, {5, 5, 105, 105}, false, 2148, 718},
        {"offset saturates", {w, INT_MAX - 10, 0}, {0, 0, 10, 10}, false, INT_MAX, 768},
        {"folded by its centre", {w, 2100, 900}, {0, 0, 100, 100}, true, 52, 132},
        {"its size now decides the fold", {w, 1000, 0}, {0, 0, 100, 10}, true, -24, 0},
        {"a narrow one stays", {w, 1000, 0}, {0, 0, 10, 10}, true, 1000, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<PendingMove> moves =
            PlanHeldWindowsHome({HeldWindow{c.held, c.now}}, c.fold, 2048, 768);
        ASSERT_EQ(moves.size(), 1u);
        EXPECT_EQ(moves[0].window, w);
        EXPECT_EQ(moves[0].x, c.x);
        EXPECT_EQ(moves[0].y, c.y);
    }
}

}  // namespace
