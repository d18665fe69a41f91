// The script's numbers against the C library's own "%.15le".
#include "curvelib/script_output.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>

namespace curvelib {
namespace {

std::string printed(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.15le", value);
    return text;
}

std::string formatted(double value) {
    char text[kScriptNumberChars + 1];
    return std::string(text, format_script_number(text, value));
}

double from_bits(std::uint64_t bits) {
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

TEST(ScriptNumber, SameTextAsPrintfOverEveryExponentRange) {
    const double special[] = {0.0,
                              -0.0,
                              1.0,
                              -1.0,
                              0.5,
                              1e-5,
                              123456789012345678.0,
                              9.9999999999999995e+22,
                              std::numeric_limits<double>::max(),
                              -std::numeric_limits<double>::max(),
                              std::numeric_limits<double>::min(),
                              std::numeric_limits<double>::denorm_min(),
                              -std::numeric_limits<double>::denorm_min(),
                              std::numeric_limits<double>::infinity(),
                              -std::numeric_limits<double>::infinity()};
    for (const double value : special) {
        ASSERT_EQ(formatted(value), printed(value)) << value;
    }
    // Random bit patterns reach every exponent, subnormals included; random
    // values near the drawing's size are what scripts hold.
    std::mt19937_64 random(20261207);
    std::uniform_real_distribution<double> drawing(-1e7, 1e7);
    for (int i = 0; i < 2000000; ++i) {
        double value = from_bits(random());
        if (std::isnan(value)) {
            value = drawing(random);
        }
        ASSERT_EQ(formatted(value), printed(value)) << i;
        const double near = drawing(random);
        ASSERT_EQ(formatted(near), printed(near)) << i;
    }
}

} // namespace
} // namespace curvelib
