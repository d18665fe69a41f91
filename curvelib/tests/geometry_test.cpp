#include "curvelib/geometry.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace curvelib;

namespace {

// The series exactly as the textbook form writes it, with the power function
// throughout: the reference the faster evaluation must agree with.
Point plain_series(double a, double length) {
    const double tau = length * length / (a * a + a * a);
    double sx = 0.0;
    double sy = 0.0;
    for (int n = 0; n < 10; ++n) {
        const double t = std::pow(tau, 2.0 * n) * std::pow(-1.0, n);
        sx += t / x_series_denominators[n];
        sy += t / y_series_denominators[n];
    }
    const double k = std::pow(2.0 * tau, 0.5);
    return {k * sx * a * 1000.0, k * sy * tau * a * 333.3333333333333};
}

// The term-by-term sum in scalar form, the terms by repeated multiplication:
// the drawn curves' very bits, which any faster evaluation must keep.
Point scalar_series(double a, double length) {
    const double tau = length * length / (a * a + a * a);
    const double tau_squared = tau * tau;
    double term = 1.0;
    double sx = 0.0;
    double sy = 0.0;
    for (int n = 0; n < 10; ++n) {
        sx += term / x_series_denominators[n];
        sy += term / y_series_denominators[n];
        term *= -tau_squared;
    }
    const double k = std::sqrt(2.0 * tau);
    return {k * sx * a * 1000.0, k * sy * tau * a * 333.3333333333333};
}

double norm(Point p) {
    return std::sqrt(p.x * p.x + p.y * p.y);
}

double factorial(int n) {
    return n <= 1 ? 1.0 : n * factorial(n - 1);
}

} // namespace

TEST(ClothoidPoint, DenominatorTablesFollowTheirFormulas) {
    for (int n = 0; n < 10; ++n) {
        const double x_exact = (4 * n + 1) * factorial(2 * n);
        const double y_exact = (4 * n + 3) * factorial(2 * n + 1) / 3.0;
        const double tolerance = n <= 6 ? 0.0 : 1e-9; // ten significant digits from n = 7
        EXPECT_NEAR(x_series_denominators[n] / x_exact, 1.0, tolerance) << n;
        EXPECT_NEAR(y_series_denominators[n] / y_exact, 1.0, tolerance) << n;
    }
}

TEST(ClothoidPoint, KnownPointsOfA100) {
    const Point at50 = clothoid_point(100.0, 50.0);
    EXPECT_NEAR(at50.x, 49921.931, 5e-4);
    EXPECT_NEAR(at50.y, 2081.009, 5e-4);
    const Point at100 = clothoid_point(100.0, 100.0);
    EXPECT_NEAR(at100.x, 97528.769, 5e-4);
    EXPECT_NEAR(at100.y, 16371.405, 5e-4);
}

TEST(ClothoidPoint, OriginAndNegativeLengths) {
    const Point origin = clothoid_point(250.0, 0.0);
    EXPECT_EQ(origin.x, 0.0);
    EXPECT_EQ(origin.y, 0.0);
    const Point forward = clothoid_point(80.0, 37.5);
    const Point backward = clothoid_point(80.0, -37.5);
    EXPECT_EQ(forward.x, backward.x);
    EXPECT_EQ(forward.y, backward.y);
}

TEST(ClothoidPoint, AgreesWithThePlainSeriesToDoublePrecision) {
    for (double a : {30.0, 100.0, 1000.0}) {
        // Tangent angles from 0 up to the 4 rad the library accepts.
        for (int i = 1; i <= 400; ++i) {
            const double tau = 4.0 * i / 400.0;
            const double length = a * std::sqrt(2.0 * tau);
            const Point fast = clothoid_point(a, length);
            const Point plain = plain_series(a, length);
            const double scale = norm(plain);
            EXPECT_LE(std::fabs(fast.x - plain.x), 1e-12 * scale) << a << " " << tau;
            EXPECT_LE(std::fabs(fast.y - plain.y), 1e-12 * scale) << a << " " << tau;
            const Point scalar = scalar_series(a, length);
            EXPECT_EQ(fast.x, scalar.x) << a << " " << tau;
            EXPECT_EQ(fast.y, scalar.y) << a << " " << tau;
        }
    }
}

TEST(ClothoidPoint, FollowsTheFresnelIntegralsWhereTheSeriesConverges) {
    // Curvature grows linearly: integrating the tangent direction numerically
    // must reproduce the series point.
    const double a = 100.0;
    const double length = 120.0;
    const int steps = 20000;
    double x = 0.0;
    double y = 0.0;
    for (int i = 0; i < steps; ++i) {
        const double s = (i + 0.5) * length / steps;
        const double tau = s * s / (2 * a * a);
        x += std::cos(tau) * length / steps;
        y += std::sin(tau) * length / steps;
    }
    const Point series = clothoid_point(a, length);
    EXPECT_NEAR(series.x, x * 1000.0, 1e-3);
    EXPECT_NEAR(series.y, y * 1000.0, 1e-3);
}

TEST(SideTest, ClockwiseIsRightAndTheLineItselfIsLeft) {
    const Point chord{1000.0, 500.0};
    EXPECT_EQ(side_case(chord, {500.0, -800.0}), SideCase::right);
    EXPECT_EQ(side_case(chord, {500.0, 800.0}), SideCase::left);
    // On the line, behind p0 (e2 = pi), beyond p1, at p1 and at p0 itself: left.
    for (const Point on_line :
         {Point{-2000.0, -1000.0}, Point{3000.0, 1500.0}, Point{1000.0, 500.0}, Point{0.0, 0.0}}) {
        EXPECT_EQ(side_case(chord, on_line), SideCase::left) << on_line.x << ", " << on_line.y;
    }
    // Just off the line behind p0 the angles still decide.
    EXPECT_EQ(side_case(chord, {-2000.0, -1000.001}), SideCase::right);
    EXPECT_EQ(side_case(chord, {-2000.0, -999.999}), SideCase::left);
    EXPECT_NEAR(relative_angle({0.0, 1.0}, kPi / 2), 0.0, 1e-12);
    EXPECT_NEAR(relative_angle({1.0, 0.0}, kPi / 2), -kPi / 2, 1e-12);
}

TEST(ChordSearch, FindsTheArcOfA100AndFiftyMetres) {
    const Point at50 = clothoid_point(100.0, 50.0);
    const ChordSearch search = find_length_for_chord(100.0, norm(at50));
    ASSERT_EQ(search.status, SearchStatus::found);
    EXPECT_NEAR(search.length_mm, 50000.0, 1e-9);
    EXPECT_GT(search.evaluations, 120);
    EXPECT_LT(search.evaluations, 260);
    EXPECT_NEAR(norm(search.local), norm(at50), 1e-6);
}

TEST(ChordSearch, ConvergesForLongCurvesBeyondTheLastStepsResolution) {
    // At 3 km the last step (1e-10 mm) is below the length's resolution.
    const Point end = clothoid_point(1500.0, 3000.0);
    const ChordSearch search = find_length_for_chord(1500.0, norm(end));
    ASSERT_EQ(search.status, SearchStatus::found);
    EXPECT_NEAR(search.length_mm, 3.0e6, 1e-6);
}

TEST(ChordSearch, RefusesChordsTheSeriesCannotReach) {
    // Longer than any chord of the curve up to 4 rad.
    EXPECT_EQ(find_length_for_chord(100.0, 400000.0).status, SearchStatus::angle_too_large);
    // Lengths whose metre steps vanish in double precision.
    EXPECT_EQ(find_length_for_chord(1e300, 1e300).status, SearchStatus::no_progress);
}

TEST(Placement, MapsTheChordOntoP0P1OnTheSidePointsSide) {
    const double a = 60.0;
    const Point local = clothoid_point(a, 45.0);
    const double chord = norm(local);
    const double phi = std::asin(local.y / chord);
    for (double alpha : {0.3, 2.5, -1.9}) {
        for (SideCase side : {SideCase::right, SideCase::left}) {
            const Placement placement(alpha, phi, side);
            const Point end = placement.place(local);
            EXPECT_NEAR(end.x, chord * std::cos(alpha), 1e-7);
            EXPECT_NEAR(end.y, chord * std::sin(alpha), 1e-7);
            // The middle of the arc lies on the side the case names.
            const Point middle = placement.place(clothoid_point(a, 22.5));
            const double cross = std::cos(alpha) * middle.y - std::sin(alpha) * middle.x;
            if (side == SideCase::right) {
                EXPECT_LT(cross, 0.0);
            } else {
                EXPECT_GT(cross, 0.0);
            }
            const Point same = place_point(local, alpha, phi, side);
            EXPECT_EQ(same.x, end.x);
            EXPECT_EQ(same.y, end.y);
        }
    }
}

TEST(NormalDirection, HalfPlanesOfBothVariants) {
    EXPECT_NEAR(normal_direction_line(0, 0, 0, SideCase::right), kHalfPi, 1e-12);
    EXPECT_NEAR(normal_direction_offset(0, 0, 0, SideCase::right), -kHalfPi, 1e-12);
    EXPECT_NEAR(normal_direction_line(0, 0, 0, SideCase::left), -kHalfPi, 1e-12);
    EXPECT_NEAR(normal_direction_offset(0, 0, 0, SideCase::left), kHalfPi, 1e-12);
    for (double tau = 0.05; tau < 3.0; tau += 0.1) {
        for (double alpha : {-2.0, 0.2, 1.4}) {
            const double right_line = normal_direction_line(alpha, 0.1, tau, SideCase::right);
            const double left_line = normal_direction_line(alpha, 0.1, tau, SideCase::left);
            const double right_offset = normal_direction_offset(alpha, 0.1, tau, SideCase::right);
            const double left_offset = normal_direction_offset(alpha, 0.1, tau, SideCase::left);
            EXPECT_TRUE(right_line >= 0 && right_line < kPi);
            EXPECT_TRUE(left_line > -kPi && left_line <= 0);
            EXPECT_TRUE(right_offset > -kPi && right_offset <= 0);
            EXPECT_TRUE(left_offset >= 0 && left_offset < kPi);
            // Perpendicular to the tangent alpha - phi + tau (right case).
            const double tangent = alpha - 0.1 + tau;
            EXPECT_NEAR(std::cos(right_line - tangent), 0.0, 1e-9);
            EXPECT_NEAR(std::cos(right_offset - tangent), 0.0, 1e-9);
        }
    }
}

TEST(FootPoint, IsTheNearestPointOfTheCurve) {
    const double a = 100.0;
    const Placement placement(0.4, 0.04, SideCase::left);
    const Point target{30000.0, 40000.0};
    const FootSearch foot = find_foot_point(a, placement, target);
    ASSERT_EQ(foot.status, SearchStatus::found);
    const double found = norm(foot.foot - target);
    for (double s = 0.0; s <= 150.0; s += 0.01) {
        const Point p = placement.place(clothoid_point(a, s));
        EXPECT_GE(norm(p - target), found - 1e-9);
    }
    // From p0 itself the search settles on the origin of the curve.
    const FootSearch origin = find_foot_point(a, placement, Point{});
    EXPECT_LT(norm(origin.foot), 1e-6);
}

TEST(OffsetPoint, MovesAlongTheNormalByTheDistance) {
    const Point p{1000.0, 2000.0};
    const Point moved = offset_point(p, 0.3, 0.05, 0.4, 2500.0, SideCase::right);
    EXPECT_NEAR(norm(moved - p), 2500.0, 1e-9);
    const Point level = offset_point(Point{}, 0.0, 0.0, 0.0, 3000.0, SideCase::right);
    EXPECT_NEAR(level.x, 0.0, 1e-9);
    EXPECT_NEAR(level.y, -3000.0, 1e-9);
}
