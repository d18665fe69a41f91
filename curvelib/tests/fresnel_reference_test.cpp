// How far the library's clothoid lies from the true one, as a table by
// tangent angle up to the 4 rad it refuses beyond, and its sin, cos and atan2
// across the points where their methods switch. References: the Fresnel
// integrals by Gauss-Legendre quadrature in long double, and the long double
// functions of the C library.
#include "curvelib.h"
#include "curvelib/constructions.h"
#include "curvelib/geometry.h"
#include "portable_math.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace curvelib;

namespace {

struct Fresnel {
    long double x = 0, y = 0;
};

// Adds the integrals of cos and sin of s^2 / 2A^2 from s0 to s1: composite
// five-point Gauss-Legendre, panels of at most 1 m.
void integrate(Fresnel& f, long double a, long double s0, long double s1) {
    const long double nodes[5] = {0.0L, -0.538469310105683091036L, 0.538469310105683091036L,
                                  -0.906179845938663992798L, 0.906179845938663992798L};
    const long double weights[5] = {0.568888888888888888889L, 0.478628670499366468041L,
                                    0.478628670499366468041L, 0.236926885056189087514L,
                                    0.236926885056189087514L};
    const int panels = static_cast<int>(std::ceil(s1 - s0)) + 1;
    const long double h = (s1 - s0) / panels;
    for (int i = 0; i < panels; ++i) {
        for (int k = 0; k < 5; ++k) {
            const long double s = s0 + (i + 0.5L + 0.5L * nodes[k]) * h;
            const long double angle = s * s / (2 * a * a);
            f.x += 0.5L * h * weights[k] * std::cos(angle);
            f.y += 0.5L * h * weights[k] * std::sin(angle);
        }
    }
}

} // namespace

TEST(FresnelReference, SeriesErrorByTangentAngle) {
    // Tolerances per metre of A: the error is the series' truncation, which
    // scales with A. Measured (mpmath) at about two thirds of each.
    const struct Row {
        double tau_from, tau_to, tolerance_per_a;
    } rows[] = {
        {0.0, 1.5, 2e-15}, {1.5, 2.0, 4e-14},  {2.0, 2.5, 3e-12},  {2.5, 3.0, 1.3e-10},
        {3.0, 3.5, 3e-9},  {3.5, 3.9, 2.7e-8}, {3.9, 4.0, 4.7e-8},
    };
    for (const double a : {100.0, 1000.0}) {
        Fresnel reference;
        long double reached = 0;
        for (const Row& row : rows) {
            for (int i = 1; i <= 10; ++i) {
                const double tau = row.tau_from + (row.tau_to - row.tau_from) * i / 10;
                const double length = a * std::sqrt(2 * tau);
                integrate(reference, a, reached, length);
                reached = length;
                const Point p = clothoid_point(a, length);
                const double error = std::hypot(static_cast<double>(p.x * 0.001L - reference.x),
                                                static_cast<double>(p.y * 0.001L - reference.y));
                EXPECT_LE(error, row.tolerance_per_a * a) << "A " << a << ", tau " << tau;
            }
        }
    }
}

TEST(FresnelReference, RefusedBeyondFourRadians) {
    const double a = 100;
    const ThreePoints p{0, 0, 1, 0, 5, -1};
    const double at_limit = a * std::sqrt(2 * kMaxTangentAngle);
    EXPECT_EQ(compute_centre_line_of_length(p, a, 10, 0, at_limit).result, TARN_OK);
    EXPECT_EQ(compute_centre_line_of_length(p, a, 10, 0, at_limit * (1 + 1e-12)).result,
              TARN_ERROR_ANGLE_TOO_LARGE);
    EXPECT_EQ(compute_normal_at_length(p, a, at_limit * (1 + 1e-12), 0).result,
              TARN_ERROR_ANGLE_TOO_LARGE);
}

namespace {

double ulp(double value) {
    const double magnitude = std::fabs(value);
    return std::nextafter(magnitude, INFINITY) - magnitude;
}

} // namespace

// Where a method hands over to the next, the results on either side keep to
// the function: a point and three doubles either side of it, each within one
// unit in the last place of the long double reference.
TEST(PortableMath, ContinuousWhereItsMethodsSwitch) {
    const long double pi = 3.141592653589793238462643383279502884L;
    const struct Row {
        const char* where;
        double (*f)(double);
        long double (*reference)(long double);
        double at;
    } rows[] = {
        {"sin: x itself below 2^-27", portable_sin, [](long double x) { return std::sin(x); },
         0x1p-27},
        {"cos: 1 below 2^-27", portable_cos, [](long double x) { return std::cos(x); }, 0x1p-27},
        {"sin: reduction from 0.78", portable_sin, [](long double x) { return std::sin(x); }, 0.78},
        {"cos: reduction from 0.78", portable_cos, [](long double x) { return std::cos(x); }, 0.78},
        {"sin: quadrant 1 to 2", portable_sin, [](long double x) { return std::sin(x); },
         static_cast<double>(3 * pi / 4)},
        {"cos: quadrant 2 to 3", portable_cos, [](long double x) { return std::cos(x); },
         static_cast<double>(5 * pi / 4)},
        {"sin: quadrant -1 to -2", portable_sin, [](long double x) { return std::sin(x); },
         static_cast<double>(-3 * pi / 4)},
    };
    for (const Row& row : rows) {
        double x = row.at;
        for (int i = 0; i < 3; ++i) {
            x = std::nextafter(x, -INFINITY);
        }
        for (int i = 0; i < 7; ++i, x = std::nextafter(x, INFINITY)) {
            const double got = row.f(x);
            const double expected = static_cast<double>(row.reference(x));
            EXPECT_LE(std::fabs(got - expected), ulp(expected)) << row.where << " at " << x;
        }
    }
    const struct Atan2Row {
        const char* where;
        double y, x;
    } atan2_rows[] = {
        {"q = 2^-60: atan q = q below", 0x1p-60, 1.0},
        {"q = 2^-60 next to pi/2", 1.0, 0x1p-60},
        {"q = 2^-60 next to pi", 0x1p-60, -1.0},
        {"the diagonal: steep above", 1.0, 1.0},
        {"the diagonal, left", 1.0, -1.0},
        {"table entry 0 to 1", 0.5 / 64, 1.0},
        {"table entry 63 to 64", 63.5 / 64, 1.0},
        {"scaled from 2^900", 0x1p900, 0x1.8p899},
        {"scaled below 2^-900", 0x1p-900, 0x1.8p-900},
    };
    for (const Atan2Row& row : atan2_rows) {
        double y = row.y;
        for (int i = 0; i < 3; ++i) {
            y = std::nextafter(y, -INFINITY);
        }
        for (int i = 0; i < 7; ++i, y = std::nextafter(y, INFINITY)) {
            const double got = portable_atan2(y, row.x);
            const double expected = static_cast<double>(
                std::atan2(static_cast<long double>(y), static_cast<long double>(row.x)));
            EXPECT_LE(std::fabs(got - expected), ulp(expected)) << row.where << " at " << y;
        }
    }
}
