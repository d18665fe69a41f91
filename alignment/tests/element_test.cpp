#include "tarn/alignment/element.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using tarn::alignment::Element;
using tarn::alignment::ElementKind;

// Composite Simpson's rule on the curvature integral itself, with enough steps
// that its own error is far below the tolerance: an independent reference.
tarn::alignment::Point simpson_point(const Element& e, double s) {
    const int n = 200000;
    const double h = s / n;
    double x = 0.0;
    double y = 0.0;
    for (int i = 0; i <= n; ++i) {
        const double t = i * h;
        const double theta = e.start_direction + e.curvature_start * t +
                             0.5 * (e.curvature_end - e.curvature_start) * t * t / e.length;
        const double w = (i == 0 || i == n) ? 1.0 : (i % 2 == 1 ? 4.0 : 2.0);
        x += w * std::cos(theta);
        y += w * std::sin(theta);
    }
    return {e.start.x + x * h / 3.0, e.start.y + y * h / 3.0};
}

struct Case {
    const char* what;
    Element element;
};

const Case kCases[] = {
    {"straight", {ElementKind::line, {100, 200}, 0.7, 150.0, 0.0, 0.0, "", "", 0}},
    {"arc to the right",
     {ElementKind::arc, {-50, 10}, 2.0, 300.0, 1.0 / 250, 1.0 / 250, "", "", 1}},
    {"arc to the left", {ElementKind::arc, {0, 0}, 5.5, 90.0, -1.0 / 60, -1.0 / 60, "", "", 1}},
    {"clothoid from a straight",
     {ElementKind::spiral, {0, 0}, 1.0, 80.0, 0.0, 1.0 / 200, "", "", 1}},
    {"clothoid into a straight, left",
     {ElementKind::spiral, {10, 10}, 4.0, 120.0, -1.0 / 150, 0.0, "", "", 1}},
    {"egg clothoid", {ElementKind::spiral, {5, -5}, 3.0, 60.0, 1.0 / 300, 1.0 / 120, "", "", 1}},
    {"tight clothoid, 3 rad", {ElementKind::spiral, {0, 0}, 0.0, 60.0, 0.0, 0.1, "", "", 1}},
};

TEST(Element, PointsAgreeWithIndependentQuadrature) {
    for (const Case& c : kCases) {
        for (const double fraction : {0.0, 0.37, 1.0}) {
            const double s = fraction * c.element.length;
            const auto got = tarn::alignment::evaluate(c.element, s);
            const auto want = simpson_point(c.element, s);
            EXPECT_NEAR(got.point.x, want.x, 1e-9) << c.what << " at " << s;
            EXPECT_NEAR(got.point.y, want.y, 1e-9) << c.what << " at " << s;
        }
    }
}

TEST(Element, ClothoidParameter) {
    // A² = R L for a clothoid from a straight.
    const Element e{ElementKind::spiral, {0, 0}, 0.0, 80.0, 0.0, 1.0 / 200, "", "", 1};
    EXPECT_NEAR(e.parameter(), std::sqrt(80.0 * 200.0), 1e-12);
}

} // namespace
