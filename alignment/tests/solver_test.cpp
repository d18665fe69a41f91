#include "tarn/alignment/solver.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

using namespace tarn::alignment;

constexpr double kPi = 3.14159265358979323846;

// One stretch of the curvature diagram as the textbook builds it.
struct Stretch {
    double length;
    double k0;
    double k1;
};

struct Traced {
    std::vector<Point> joints; // start, then the end of every stretch
    double direction;
};

// Composite Simpson's rule on the direction integral, fine enough that its
// own error is far below 1e-8 m: the reference the solver must agree with.
Traced trace(Point start, double direction, const std::vector<Stretch>& stretches) {
    Traced t{{start}, direction};
    Point p = start;
    for (const Stretch& s : stretches) {
        const int n = 20000;
        const double h = s.length / n;
        double x = 0.0;
        double y = 0.0;
        for (int i = 0; i <= n; ++i) {
            const double u = i * h;
            const double theta = t.direction + s.k0 * u + 0.5 * (s.k1 - s.k0) * u * u / s.length;
            const double w = (i == 0 || i == n) ? 1.0 : (i % 2 == 1 ? 4.0 : 2.0);
            x += w * std::cos(theta);
            y += w * std::sin(theta);
        }
        p = {p.x + x * h / 3.0, p.y + y * h / 3.0};
        t.direction += 0.5 * (s.k0 + s.k1) * s.length;
        t.joints.push_back(p);
    }
    return t;
}

IntersectionPoint ip(const char* name, double x, double y, CurveSpec spec = {}) {
    IntersectionPoint p;
    p.name = name;
    p.point = {x, y};
    p.spec = spec;
    return p;
}

// A curve at one IP, the stretches the test derives from its spec by hand,
// and the names of its main points.
struct CurveCase {
    const char* what;
    CurveSpec spec;
    Point ip;
    std::vector<Stretch> stretches;
    std::vector<std::string> names;
};

// IP polygon BP (0,0) -> IP1 -> EP, with IP1 and EP chosen per case.
std::vector<CurveCase> curve_cases() {
    std::vector<CurveCase> cases;
    const Point right{400, 0}; // then to EP (700, 300): a 45° right turn
    const double ia = kPi / 4;
    const double k = 1.0 / 250;
    {
        CurveSpec s{CurveType::circle, 250};
        cases.push_back({"simple curve", s, right, {{250 * ia, k, k}}, {"BC1", "EC1"}});
    }
    {
        CurveSpec s{CurveType::clothoid, 250, 120, 120};
        const double l = 120.0 * 120 / 250;
        cases.push_back({"symmetric clothoid",
                         s,
                         right,
                         {{l, 0, k}, {250 * ia - l, k, k}, {l, k, 0}},
                         {"KA1-1", "KE1-1", "KE1-2", "KA1-2"}});
    }
    {
        CurveSpec s{CurveType::clothoid, 250, 150, 90};
        const double l1 = 150.0 * 150 / 250, l2 = 90.0 * 90 / 250;
        cases.push_back({"asymmetric clothoid",
                         s,
                         right,
                         {{l1, 0, k}, {250 * ia - (l1 + l2) / 2, k, k}, {l2, k, 0}},
                         {"KA1-1", "KE1-1", "KE1-2", "KA1-2"}});
    }
    {
        CurveSpec s{CurveType::clothoid, 250, 0, 100};
        const double l2 = 100.0 * 100 / 250;
        cases.push_back({"circle then clothoid",
                         s,
                         right,
                         {{250 * ia - l2 / 2, k, k}, {l2, k, 0}},
                         {"BC1", "KE1-2", "KA1-2"}});
    }
    {
        CurveSpec s{CurveType::convex, 0, 100, 140};
        const double r = std::sqrt((100.0 * 100 + 140.0 * 140) / (2 * ia));
        cases.push_back({"convex pair",
                         s,
                         right,
                         {{100.0 * 100 / r, 0, 1 / r}, {140.0 * 140 / r, 1 / r, 0}},
                         {"KA1-1", "KE1", "KA1-2"}});
    }
    {
        // Egg to the left: R 300 then R2 150, Lc1 given, Lc2 from IA.
        CurveSpec s{CurveType::egg, 300, 150, 100, 150, 120, 40, 0};
        const double k1 = -1.0 / 300, k2 = -1.0 / 150;
        const double l1 = 150.0 * 150 / 300, le = 120.0 * 120 * (1.0 / 150 - 1.0 / 300),
                     l2 = 100.0 * 100 / 150;
        const double turn = 70 * kPi / 180;
        const double rest =
            turn - l1 / 600 - 40.0 / 300 - le * (1.0 / 300 + 1.0 / 150) / 2 - l2 / 300;
        cases.push_back(
            {"egg, Lc1 given",
             s,
             {500, 0},
             {{l1, 0, k1}, {40, k1, k1}, {le, k1, k2}, {rest * 150, k2, k2}, {l2, k2, 0}},
             {"KA1-1", "KE1-1", "KEE1", "KAE1", "KE1-2", "KA1-2"}});
    }
    return cases;
}

TEST(Solver, MainPointsAgreeWithIntegratedCurvature) {
    for (const CurveCase& c : curve_cases()) {
        const bool egg = c.spec.type == CurveType::egg;
        // Egg turns 70° left at (500, 0); the others 45° right at (400, 0).
        const double out = egg ? -70 * kPi / 180 : kPi / 4;
        const Point ep{c.ip.x + 300 * std::cos(out), c.ip.y + 300 * std::sin(out)};
        Solution s =
            solve({ip("BP", 0, 0), ip("IP1", c.ip.x, c.ip.y, c.spec), ip("EP", ep.x, ep.y)});
        ASSERT_TRUE(s.ok()) << c.what << ": " << s.errors.front().message;

        // The reference: trace from the origin, then place it so that it
        // starts on the incoming tangent and ends on the outgoing one.
        const Traced local = trace({0, 0}, 0.0, c.stretches);
        ASSERT_NEAR(local.direction, out, 1e-12) << c.what << ": the test's own stretches";
        const Point d = local.joints.back();
        const Point u_out{std::cos(out), std::sin(out)};
        const double t2 = d.y / u_out.y;
        const double t1 = d.x - t2 * u_out.x;
        const IntersectionPoint& got = s.alignment.ips[1];
        EXPECT_NEAR(got.tangent_in, t1, 1e-8) << c.what;
        EXPECT_NEAR(got.tangent_out, t2, 1e-8) << c.what;

        std::vector<const MainPoint*> curve_points;
        for (const MainPoint& m : s.alignment.main_points) {
            if (m.name != "BP" && m.name != "EP") {
                curve_points.push_back(&m);
            }
        }
        ASSERT_EQ(curve_points.size(), c.names.size()) << c.what;
        double distance = c.ip.x - t1;
        for (std::size_t i = 0; i < c.names.size(); ++i) {
            EXPECT_EQ(curve_points[i]->name, c.names[i]) << c.what;
            EXPECT_NEAR(curve_points[i]->point.x, c.ip.x - t1 + local.joints[i].x, 1e-8)
                << c.what << " " << c.names[i];
            EXPECT_NEAR(curve_points[i]->point.y, local.joints[i].y, 1e-8)
                << c.what << " " << c.names[i];
            EXPECT_NEAR(curve_points[i]->distance, distance, 1e-8) << c.what;
            if (i < c.stretches.size()) {
                distance += c.stretches[i].length;
            }
        }
        const MainPoint& end = s.alignment.main_points.back();
        EXPECT_NEAR(end.point.x, ep.x, 1e-8) << c.what;
        EXPECT_NEAR(end.point.y, ep.y, 1e-8) << c.what;
    }
}

TEST(Solver, SimpleCurveTangentInClosedForm) {
    // T = R tan(IA/2) for a 60° turn.
    const double ia = kPi / 3;
    Solution s = solve({ip("BP", 0, 0), ip("IP1", 500, 0, {CurveType::circle, 200}),
                        ip("EP", 500 + 300 * std::cos(ia), 300 * std::sin(ia))});
    ASSERT_TRUE(s.ok());
    EXPECT_NEAR(s.alignment.ips[1].tangent_in, 200 * std::tan(ia / 2), 1e-9);
    EXPECT_NEAR(s.alignment.ips[1].curve_length, 200 * ia, 1e-9);
    EXPECT_NEAR(s.alignment.ips[1].deflection, ia, 1e-12);
}

TEST(Solver, SCurveSharesThePoint) {
    // Two simple curves right then left whose tangents use up the leg
    // between them, 0.5 mm short.
    const double ia = kPi / 6;
    const double t = 200 * std::tan(ia / 2);
    const double leg = 2 * t - 0.0005;
    const Point ip1{500, 0};
    const Point ip2{500 + leg * std::cos(ia), leg * std::sin(ia)};
    Solution s =
        solve({ip("BP", 0, 0), ip("IP1", ip1.x, ip1.y, {CurveType::circle, 200}),
               ip("IP2", ip2.x, ip2.y, {CurveType::circle, 200}), ip("EP", ip2.x + 300, ip2.y)});
    ASSERT_TRUE(s.ok()) << s.errors.front().message;
    ASSERT_EQ(s.alignment.elements.size(), 4u); // straight, arc, arc, straight
    EXPECT_EQ(s.alignment.elements[1].end_name, "EC1");
    EXPECT_EQ(s.alignment.elements[2].start_name, "BC2");
}

struct ErrorCase {
    const char* what;
    std::vector<IntersectionPoint> points;
    const char* says;
};

TEST(Solver, ErrorsNameTheIpAndTheReason) {
    const double ia = kPi / 6;
    const Point ip2{500 + 100 * std::cos(ia), 100 * std::sin(ia)};
    const ErrorCase cases[] = {
        {"equal points", {ip("BP", 0, 0), ip("IP1", 0, 0), ip("EP", 5, 5)}, "BP, IP1: two"},
        {"IA 0",
         {ip("BP", 0, 0), ip("IP1", 100, 0, {CurveType::circle, 50}), ip("EP", 200, 0)},
         "IP1: IA is 0"},
        {"IA 180",
         {ip("BP", 0, 0), ip("IP1", 100, 0, {CurveType::circle, 50}), ip("EP", 50, 0)},
         "IP1: IA is 180"},
        {"negative circle",
         {ip("BP", 0, 0), ip("IP1", 1000, 0, {CurveType::clothoid, 100, 150, 150}),
          ip("EP", 1000, 1000)},
         "IP1: the circle would get a negative length"},
        {"R too small to invert",
         {ip("BP", 0, 0), ip("IP1", 100, 0, {CurveType::circle, 1e-310}), ip("EP", 0, 100)},
         "IP1: the curve's values are too large or too small"},
        {"missing R",
         {ip("BP", 0, 0), ip("IP1", 100, 0, {CurveType::circle}), ip("EP", 0, 100)},
         "IP1: a simple curve needs R"},
        {"egg with both lengths",
         {ip("BP", 0, 0), ip("IP1", 1000, 0, {CurveType::egg, 300, 100, 100, 150, 100, 10, 10}),
          ip("EP", 1000, 1000)},
         "exactly one of Lc1 and Lc2"},
        {"convex without its second clothoid",
         {ip("BP", 0, 0), ip("IP1", 1000, 0, {CurveType::convex, 0, 100, 0}), ip("EP", 1000, 1000)},
         "IP1: a convex pair needs A1 > 0 and A2 > 0"},
        {"overlap",
         {ip("BP", 0, 0), ip("IP1", 500, 0, {CurveType::circle, 200}),
          ip("IP2", ip2.x, ip2.y, {CurveType::circle, 200}), ip("EP", ip2.x + 300, ip2.y)},
         "IP1, IP2: the curves overlap by"},
        {"overlap at BP",
         {ip("BP", 0, 0), ip("IP1", 10, 0, {CurveType::circle, 200}), ip("EP", 10, 300)},
         "BP, IP1: the curves overlap by 190.000 m"},
    };
    for (const ErrorCase& c : cases) {
        const Solution s = solve(c.points);
        ASSERT_FALSE(s.ok()) << c.what;
        EXPECT_NE(s.errors.front().message.find(c.says), std::string::npos)
            << c.what << ": " << s.errors.front().message;
    }
}

} // namespace
