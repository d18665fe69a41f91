#include "tarn/alignment/solver.h"
#include "tarn/alignment/stations.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using namespace tarn::alignment;

struct NotationCase {
    double station;
    double interval;
    const char* text;
};

TEST(Stations, Notation) {
    const NotationCase cases[] = {
        {0.0, 20, "No.0"},
        {125.5, 20, "No.6+5.500"},
        {-90.0, 20, "No.-4-10.000"},
        {-80.0, 20, "No.-4"},
        {-10.0, 20, "No.-0-10.000"},
        {19.9996, 20, "No.1"},
        {39.9994, 20, "No.1+19.999"},
        {250.0, 100, "No.2+50.000"},
    };
    for (const NotationCase& c : cases) {
        EXPECT_EQ(station_notation(c.station, c.interval), c.text) << c.station;
    }
}

Alignment straight(double length, double start_station) {
    IntersectionPoint bp, ep;
    bp.name = "BP";
    ep.name = "EP";
    ep.point = {0, length};
    Solution s = solve({bp, ep});
    s.alignment.start_station = start_station;
    return s.alignment;
}

TEST(Stations, EquationsForwardAndBack) {
    Alignment a = straight(1000, 0);
    ASSERT_EQ(set_equations(a, {{300, 350}, {600, 580}}), "");
    EXPECT_DOUBLE_EQ(a.equations[0].internal, 300);
    EXPECT_DOUBLE_EQ(a.equations[1].internal, 550);
    EXPECT_DOUBLE_EQ(displayed_station(a, 299), 299);
    EXPECT_DOUBLE_EQ(displayed_station(a, 300), 350);               // on it: the ahead station
    EXPECT_DOUBLE_EQ(displayed_station(a, 300 - 5e-7), 350 - 5e-7); // within 1e-6 m
    EXPECT_DOUBLE_EQ(displayed_station(a, 560), 590);
    EXPECT_FALSE(distance_of_station(a, 320).has_value()); // the gap 300-350
    EXPECT_DOUBLE_EQ(*distance_of_station(a, 360), 310);
    // 580-600 is carried twice; the first point (back of the equation) answers.
    EXPECT_DOUBLE_EQ(*distance_of_station(a, 590), 540);
    EXPECT_FALSE(distance_of_station(a, -1).has_value());
    EXPECT_NE(set_equations(a, {{1200, 1300}}), "");
}

TEST(Stations, StakesFromANegativeStation) {
    Alignment a = straight(100, -90);
    const std::vector<CentreStake> s = stakes(a, {20, 0, 3, 4, true});
    const char* names[] = {"BP", "No.-4", "No.-3", "No.-2", "No.-1", "No.0", "EP"};
    ASSERT_EQ(s.size(), 7u);
    for (std::size_t i = 0; i < s.size(); ++i) {
        EXPECT_EQ(s[i].name, names[i]);
    }
    EXPECT_DOUBLE_EQ(s[1].distance, 10);
    EXPECT_DOUBLE_EQ(s[1].station, -80);
    // Heading east: right is south.
    EXPECT_NEAR(s[1].right.x, -4, 1e-12);
    EXPECT_NEAR(s[1].left.x, 3, 1e-12);
    EXPECT_NEAR(s[6].centre.y, 100, 1e-12);
    const std::vector<CentreStake> pitched = stakes(a, {20, 5, 0, 0, false});
    EXPECT_EQ(pitched.size(), 21u); // -90 ... +10 every 5 m
    EXPECT_EQ(pitched[1].name, "No.-4-5.000");
}

TEST(Stations, LocateAndAtRoundTrip) {
    IntersectionPoint p[4];
    const char* names[] = {"BP", "IP1", "IP2", "EP"};
    const Point at[] = {{0, 0}, {400, 100}, {500, 500}, {900, 700}};
    for (int i = 0; i < 4; ++i) {
        p[i].name = names[i];
        p[i].point = at[i];
    }
    p[1].spec = {CurveType::clothoid, 150, 80, 100};
    p[2].spec = {CurveType::egg, 200, 90, 70, 120, 80, 30, 0};
    const Solution s = solve({p[0], p[1], p[2], p[3]});
    ASSERT_TRUE(s.ok()) << s.errors.front().message;
    const Locator locator(s.alignment);
    for (double d = 0.0; d < s.alignment.length(); d += 13.7) {
        const Pose pose = pose_at(s.alignment, d).pose;
        for (const double offset : {-6.0, 0.0, 4.5}) {
            const Point q{pose.point.x - offset * std::sin(pose.direction),
                          pose.point.y + offset * std::cos(pose.direction)};
            const Locator::Hit hit = locator.locate(q);
            EXPECT_NEAR(hit.distance, d, 1e-8) << d << " " << offset;
            EXPECT_NEAR(hit.offset, offset, 1e-8) << d << " " << offset;
        }
    }
    // Far outside: the nearest end.
    const Locator::Hit far = locator.locate({-5000, -5000});
    EXPECT_NEAR(far.distance, 0.0, 1e-9);
}

} // namespace
