#include "cadsim/view.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace cadsim {
namespace {

// Screen y grows downwards, world y upwards; the centre of the area shows
// the centre of the view.
TEST(View, ScreenPointsFromWorldPoints) {
    const View view{{0, 0, 200, 100}, 50.0, 50.0, 2.0};
    const double huge = 1e300;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        Point world;
        int x, y;
    };
    for (const Case& c : std::vector<Case>{{{50, 50}, 100, 50},
                                           {{60, 45}, 120, 60},
                                           {{0, 100}, 0, -50},
                                           {{huge, -huge}, 30000, 30000},
                                           {{nan, 50}, 0, 50}}) {
        const Pixel pixel = view.to_screen(c.world);
        EXPECT_EQ(pixel.x, c.x) << c.world.x;
        EXPECT_EQ(pixel.y, c.y) << c.world.y;
    }
}

TEST(View, WorldPointsFromPixels) {
    const View view{{10, 20, 210, 120}, 0.0, 0.0, 4.0};
    const auto centre = view.to_world(110, 70);
    ASSERT_TRUE(centre);
    EXPECT_EQ(centre->x, 0.0);
    EXPECT_EQ(centre->y, 0.0);
    const auto corner = view.to_world(150, 30);
    ASSERT_TRUE(corner);
    EXPECT_EQ(corner->x, 10.0);
    EXPECT_EQ(corner->y, 10.0);
    for (const double scale : {0.0, -1.0, std::numeric_limits<double>::infinity(), 1e-320}) {
        const View broken{{0, 0, 100, 100}, 0.0, 0.0, scale};
        EXPECT_FALSE(broken.to_world(0, 0)) << scale;
    }
}

// Scales worked by hand: the larger span with a 5 % margin on each side
// fills the narrower side of the area.
TEST(View, FitShowsEveryPointWithAMargin) {
    struct Case {
        Area area;
        std::vector<Point> points;
        double centre_x, centre_y, scale;
    };
    const std::vector<Case> cases{
        {{0, 0, 220, 110}, {}, 50, 50, 1.0},              // nothing drawn: 0..100 square
        {{0, 0, 0, 0}, {}, 50, 50, 1.0 / 110},            // an area of no size counts as 1 pixel
        {{0, 0, 110, 110}, {{0, 0}, {10, 0}}, 5, 0, 10},  // a line along the x axis
        {{0, 0, 440, 110}, {{-4, 2}, {4, -2}}, 0, 0, 25}, // height limits
        {{0, 0, 110, 110}, {{3, 4}}, 3, 4, 1e13},         // one point: a tiny extent
    };
    for (const Case& c : cases) {
        Extent extent;
        for (const Point& p : c.points) {
            extent.include(p);
        }
        const View view = fit_view(c.area, extent);
        EXPECT_EQ(view.area.right, c.area.right);
        EXPECT_DOUBLE_EQ(view.centre_x, c.centre_x) << c.points.size();
        EXPECT_DOUBLE_EQ(view.centre_y, c.centre_y) << c.points.size();
        EXPECT_NEAR(view.scale, c.scale, c.scale * 1e-12) << c.points.size();
    }
}

} // namespace
} // namespace cadsim
