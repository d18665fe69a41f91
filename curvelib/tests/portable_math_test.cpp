// The library's own sin, cos and atan2: accurate, and the same bits in every
// build.
#include "portable_math.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>

#if defined(CURVELIB_QUAD_REFERENCE)
#include <quadmath.h>
#endif

namespace curvelib {
namespace {

std::uint64_t bits_of(double value) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// Uniform in [-limit, limit), from the generator's bits alone so that every
// build draws the same inputs.
double draw(std::mt19937_64& random, double limit) {
    const double unit = static_cast<double>(random() >> 11) * 0x1p-53;
    return (2.0 * unit - 1.0) * limit;
}

constexpr double kLimits[] = {1e-6, 0.5, 1.0, 4.0, 100.0, 1e5, 1.5e6};

// Results that lie within 2^-72 of half an ulp, where a last step of ordinary
// accuracy rounds the wrong way (glibc 2.36 misses all but the first), and
// arguments next to a multiple of π/2. Expected values from mpmath at 200
// bits, rounded to nearest.
TEST(PortableMath, HardCasesAreCorrectlyRounded) {
    enum Function { sin, cos, atan2 };
    const struct {
        Function function;
        double y, x, expected;
    } cases[] = {
        {atan2, 2081.0093401773629, 49921.931493660253, 0.041661153114413096},
        {atan2, 5.253723475548324e-09, -7.683629523406055e-10, 1.7160178889234314},
        {atan2, 967497.8821923791, -23431.16424913616, 1.5950099042007406},
        {atan2, 0.061917797965282184, 0.3323749720111009, 0.1841778128706166},
        {sin, 0, -33286.377280929206, 0.9331637183554745},
        {sin, 0, -0.3653337660059698, -0.3572610533459378},
        {sin, 0, -238372.20442022223, -0.6595624128001608},
        {cos, 0, 127969.58572997729, 0.9987790136632239},
        {cos, 0, -8.217452308261613, -0.3555202981237772},
        {cos, 0, -4027.3152445602173, 0.9787468753528826},
        {cos, 0, 321307.9594422229, -4.429600834596129e-17},
        {sin, 0, 642615.9188844458, 8.859201669192259e-17},
        {sin, 0, 1285231.8377688916, -1.7718403338384517e-16},
    };
    for (const auto& c : cases) {
        const double result = c.function == sin   ? portable_sin(c.x)
                              : c.function == cos ? portable_cos(c.x)
                                                  : portable_atan2(c.y, c.x);
        EXPECT_EQ(bits_of(result), bits_of(c.expected)) << c.function << ": " << c.y << ", " << c.x;
    }
}

#if defined(CURVELIB_QUAD_REFERENCE)
__extension__ typedef __float128 Quad;

// The correctly rounded result: libquadmath's value (113 bits, within an ulp
// of its own) rounded to double, which is wrong only within 2^-112 of half an
// ulp of the double.
double reference_sin(double x) {
    return static_cast<double>(sinq(static_cast<Quad>(x)));
}
double reference_cos(double x) {
    return static_cast<double>(cosq(static_cast<Quad>(x)));
}
double reference_atan2(double y, double x) {
    return static_cast<double>(atan2q(static_cast<Quad>(y), static_cast<Quad>(x)));
}

TEST(PortableMath, CorrectlyRoundedOnRandomInputs) {
    std::mt19937_64 random(20261207);
    for (double limit : kLimits) {
        SCOPED_TRACE(limit);
        for (int i = 0; i < 30000; ++i) {
            const double x = draw(random, limit);
            ASSERT_EQ(bits_of(portable_sin(x)), bits_of(reference_sin(x))) << x;
            ASSERT_EQ(bits_of(portable_cos(x)), bits_of(reference_cos(x))) << x;
            // Every quadrant, and ratios from 2^-70 to 2^70.
            const double y = std::ldexp(draw(random, limit), static_cast<int>(random() % 141) - 70);
            ASSERT_EQ(bits_of(portable_atan2(y, x)), bits_of(reference_atan2(y, x)))
                << y << ", " << x;
        }
    }
}
#endif

TEST(PortableMath, Atan2FollowsTheCStandardAtZerosAndInfinities) {
    const double inf = std::numeric_limits<double>::infinity();
    const double pi = 3.141592653589793;
    const struct {
        double y, x, expected;
    } cases[] = {
        {0.0, 1.0, 0.0},      {-0.0, 1.0, -0.0},         {0.0, -1.0, pi},
        {-0.0, -1.0, -pi},    {0.0, 0.0, 0.0},           {0.0, -0.0, pi},
        {-0.0, -0.0, -pi},    {1.0, 0.0, pi / 2},        {-1.0, -0.0, -pi / 2},
        {1.0, inf, 0.0},      {-1.0, inf, -0.0},         {1.0, -inf, pi},
        {-1.0, -inf, -pi},    {inf, 5.0, pi / 2},        {-inf, -5.0, -pi / 2},
        {inf, inf, pi / 4},   {-inf, -inf, -3 * pi / 4}, {1e300, 1e-300, pi / 2},
        {1e-300, -1e300, pi}, {-1.0, -1.0, -3 * pi / 4}, {1.0, 1.0, pi / 4},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(bits_of(portable_atan2(c.y, c.x)), bits_of(c.expected)) << c.y << ", " << c.x;
    }
    EXPECT_TRUE(std::isnan(portable_atan2(std::nan(""), 1.0)));
    EXPECT_TRUE(std::isnan(portable_sin(inf)));
    EXPECT_TRUE(std::isnan(portable_cos(std::nan(""))));
}

// The point of these functions: native, x64 and x86 builds give the same
// bits. The digest was recorded natively; the Windows builds must match it.
TEST(PortableMath, SameBitsInEveryBuild) {
    std::mt19937_64 random(7);
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    auto add = [&hash](double value) { hash = (hash ^ bits_of(value)) * 0x100000001b3ULL; };
    for (double limit : kLimits) {
        for (int i = 0; i < 20000; ++i) {
            const double x = draw(random, limit);
            const double y = draw(random, limit);
            add(portable_sin(x));
            add(portable_cos(x));
            add(portable_atan2(y, x));
            add(portable_sqrt(x * x + y));
        }
    }
    EXPECT_EQ(hash, 0xa17fd6ee37aa3dd3ULL);
}

} // namespace
} // namespace curvelib
