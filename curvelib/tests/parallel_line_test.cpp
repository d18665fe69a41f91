// The parallel line on curves whose tangent turns through the vertical of the
// drawing: every vertex on one side of the centre line, at the widening's
// distance. The centre line is recomputed here by quadrature of the tangent
// direction, not by the library's series and placement.
#include "curvelib.h"
#include "curvelib/constructions.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace curvelib;

namespace {

constexpr double kDegree = 3.14159265358979323846 / 180.0;

struct Pose {
    double x, y, heading;
};

// Start at `start`, heading h0, curvature growing linearly: h(s) = h0 +
// turn s^2 / 2A^2. Composite five-point Gauss-Legendre over 1 m panels.
Pose integrate(Pose start, int turn, double a, double s_end) {
    const double nodes[5] = {0.0, -0.5384693101056831, 0.5384693101056831, -0.9061798459386640,
                             0.9061798459386640};
    const double weights[5] = {0.5688888888888889, 0.4786286704993665, 0.4786286704993665,
                               0.2369268850561891, 0.2369268850561891};
    const int panels = static_cast<int>(std::ceil(s_end)) + 1;
    const double h = s_end / panels;
    Pose p = start;
    for (int i = 0; i < panels; ++i) {
        for (int k = 0; k < 5; ++k) {
            const double s = (i + 0.5 + 0.5 * nodes[k]) * h;
            const double heading = start.heading + turn * s * s / (2 * a * a);
            p.x += 0.5 * h * weights[k] * std::cos(heading);
            p.y += 0.5 * h * weights[k] * std::sin(heading);
        }
    }
    p.heading = start.heading + turn * s_end * s_end / (2 * a * a);
    return p;
}

struct Case {
    const char* name;
    double heading_deg; // at KA
    int turn;           // +1 counter-clockwise, -1 clockwise
    double a, length, pitch, w, dw, transition;
    double unit; // drawing units per metre
    int side;    // expected side of travel of a positive offset: +1 right, -1 left
};

} // namespace

TEST(ParallelLine, KeepsItsSideWhereTheTangentTurnsThroughTheVertical) {
    // A positive W goes to the side the offset normal takes at KA: on the side
    // point's side when the curve sets off eastward, on the other when westward.
    const Case cases[] = {
        {"70 to 99 deg, right case, linear, m", 70, +1, 100, 100, 5, 3, 0.5, 1.0, 1, +1},
        {"110 to 81 deg, left case, quartic, m", 110, -1, 90, 90, 4, 2.5, 1.0, 2.0, 1, +1},
        {"-80 to -98 deg, left case, linear, mm", -80, -1, 120, 95, 3, 3, 0.5, 1.0, 1000, -1},
        {"250 to 279 deg, right case, quartic, mm", 250, +1, 100, 100, 7, 1.5, 2.0, 2.0, 1000, -1},
        {"negative W, 80 to 105 deg, linear, m", 80, +1, 150, 140, 6, -3.5, 0.75, 1.0, 1, +1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Pose ka{12.5, -40.0, c.heading_deg * kDegree};
        const Pose ke = integrate(ka, c.turn, c.a, c.length);
        // The side point on the outside of the bend, beside the chord's middle.
        const double cx = ke.x - ka.x, cy = ke.y - ka.y;
        const double chord = std::hypot(cx, cy);
        const double out = -c.turn * 5.0 / chord; // right of the chord for a left turn
        const ThreePoints p{ka.x * c.unit,
                            ka.y * c.unit,
                            ke.x * c.unit,
                            ke.y * c.unit,
                            (ka.x + cx / 2 + out * -cy) * c.unit,
                            (ka.y + cy / 2 + out * cx) * c.unit};
        const Construction line = compute_parallel_line(p, c.a, c.pitch, c.unit == 1 ? 0.0 : 1.0,
                                                        c.w, c.dw, c.transition);
        ASSERT_EQ(line.result, TARN_OK);
        ASSERT_NEAR(line.curve.length_mm, c.length * 1000, 1e-6);
        ASSERT_GE(line.vertices.size(), 10u);
        bool crossed_vertical = false;
        for (std::size_t i = 0; i < line.vertices.size(); ++i) {
            const double s = line.stations_m[i];
            const Pose centre = integrate(ka, c.turn, c.a, s);
            crossed_vertical |= std::cos(centre.heading) * std::cos(ka.heading) < 0;
            // Vertex relative to the centre point, in metres, along and right of travel.
            const double dx = line.vertices[i].x * 0.001 + ka.x - centre.x;
            const double dy = line.vertices[i].y * 0.001 + ka.y - centre.y;
            const double along = dx * std::cos(centre.heading) + dy * std::sin(centre.heading);
            const double right = dx * std::sin(centre.heading) - dy * std::cos(centre.heading);
            const double u = s / c.length;
            const double law = c.transition == 1.0 ? u : 4 * u * u * u - 3 * u * u * u * u;
            const double widening = c.w > 0 ? std::fabs(c.dw) : -std::fabs(c.dw);
            const double expected = c.side * (c.w + widening * law);
            EXPECT_NEAR(along, 0.0, 1e-7) << "vertex " << i;
            EXPECT_NEAR(right, expected, 1e-7) << "vertex " << i;
            // What the construction reports is the side it drew.
            EXPECT_NEAR(line.offsets_mm[i] * 0.001, expected, 1e-9) << "vertex " << i;
        }
        EXPECT_TRUE(crossed_vertical);
    }
}
