// The library's own sin, cos and atan2: accurate, and the same bits in every
// build.
#include "portable_math.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>

namespace curvelib {
namespace {

std::uint64_t bits_of(double value) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// Distance in units in the last place between two finite doubles.
std::uint64_t ulps_apart(double a, double b) {
    auto ordered = [](double v) {
        const auto bits = static_cast<std::int64_t>(bits_of(v));
        return bits < 0 ? std::numeric_limits<std::int64_t>::min() - bits : bits;
    };
    const std::int64_t x = ordered(a);
    const std::int64_t y = ordered(b);
    return x > y ? static_cast<std::uint64_t>(x - y) : static_cast<std::uint64_t>(y - x);
}

// Uniform in [-limit, limit), from the generator's bits alone so that every
// build draws the same inputs.
double draw(std::mt19937_64& random, double limit) {
    const double unit = static_cast<double>(random() >> 11) * 0x1p-53;
    return (2.0 * unit - 1.0) * limit;
}

constexpr double kLimits[] = {1e-6, 0.5, 1.0, 4.0, 100.0, 1e5, 1.5e6};

#if !defined(_WIN32)
// glibc's sin, cos and atan2 are correctly rounded in all but rare cases, so
// they serve as the reference; a wrong constant shows as many ulps.
TEST(PortableMath, WithinOneUlpOfTheCorrectlyRoundedResult) {
    std::mt19937_64 random(20261207);
    for (double limit : kLimits) {
        SCOPED_TRACE(limit);
        for (int i = 0; i < 200000; ++i) {
            const double x = draw(random, limit);
            const double y = draw(random, limit);
            ASSERT_LE(ulps_apart(portable_sin(x), std::sin(x)), 1U) << x;
            ASSERT_LE(ulps_apart(portable_cos(x), std::cos(x)), 1U) << x;
            ASSERT_LE(ulps_apart(portable_atan2(y, x), std::atan2(y, x)), 1U) << y << ", " << x;
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
        {0.0, 1.0, 0.0},           {-0.0, 1.0, -0.0},        {0.0, -1.0, pi},
        {-0.0, -1.0, -pi},         {0.0, 0.0, 0.0},          {0.0, -0.0, pi},
        {-0.0, -0.0, -pi},         {1.0, 0.0, pi / 2},       {-1.0, -0.0, -pi / 2},
        {1.0, inf, 0.0},           {-1.0, inf, -0.0},        {1.0, -inf, pi},
        {-1.0, -inf, -pi},         {inf, 5.0, pi / 2},       {-inf, -5.0, -pi / 2},
        {inf, inf, pi / 4},        {-inf, -inf, -3 * pi / 4}, {1e300, 1e-300, pi / 2},
        {1e-300, -1e300, pi},      {-1.0, -1.0, -3 * pi / 4}, {1.0, 1.0, pi / 4},
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
        }
    }
    EXPECT_EQ(hash, 0x8184541f097252a1ULL);
}

} // namespace
} // namespace curvelib
