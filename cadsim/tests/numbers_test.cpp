#include "cadsim/numbers.h"

#include <gtest/gtest.h>

#include <cmath>

namespace cadsim {
namespace {

TEST(ParseReal, AcceptsEveryCForm) {
    EXPECT_EQ(parse_real(L"10"), 10.0);
    EXPECT_EQ(parse_real(L"1.000000000000000e+001"), 10.0);
    EXPECT_EQ(parse_real(L"1.0e+01"), 10.0);
    EXPECT_EQ(parse_real(L"1E1"), 10.0);
    EXPECT_EQ(parse_real(L"-.5"), -0.5);
    EXPECT_EQ(parse_real(L"+3."), 3.0);
    EXPECT_EQ(parse_real(L"2.5e-3"), 0.0025);
    EXPECT_EQ(parse_real(L"1.150000000000000e+001"), 11.5);
    // Correctly rounded, not accumulated digit by digit.
    EXPECT_EQ(parse_real(L"0.1"), 0.1);
    EXPECT_EQ(parse_real(L"1.7976931348623157e308"), 1.7976931348623157e308);
}

TEST(ParseReal, RefusesWhatIsNoFiniteDecimalNumber) {
    for (const wchar_t* text :
         {L"", L"-", L".", L"e5", L"1e", L"1e+", L"1.2.3", L"1,5", L" 1", L"1 ", L"inf", L"nan",
          L"0x10", L"1e400", L"-1e400", L"１", L"12a", L"--1"}) {
        EXPECT_FALSE(parse_real(text).has_value()) << std::wstring(text).size();
    }
}

TEST(ParseReal, UnderflowReadsAsZeroAndLongDigitRunsWork) {
    EXPECT_EQ(parse_real(L"1e-400"), 0.0);
    std::wstring many(100000, L'9');
    EXPECT_FALSE(parse_real(many).has_value()); // 1e100000 overflows
    std::wstring small = L"0." + std::wstring(100000, L'0') + L"1";
    EXPECT_EQ(parse_real(small), 0.0);
}

TEST(ParsePoint, TwoOrThreeCoordinates) {
    const auto p = parse_point(L"1.000000000000000e+001,-2.5");
    ASSERT_TRUE(p.has_value());
    EXPECT_EQ(p->x, 10.0);
    EXPECT_EQ(p->y, -2.5);
    EXPECT_EQ(p->z, 0.0);
    const auto q = parse_point(L"1,2,3");
    ASSERT_TRUE(q.has_value());
    EXPECT_EQ(q->z, 3.0);
    for (const wchar_t* text :
         {L"1", L"1,", L",1", L"1,2,", L"1,2,3,4", L"1;2", L"a,b", L"", L"1,,2", L"1,1e999"}) {
        EXPECT_FALSE(parse_point(text).has_value());
    }
}

TEST(ParseInt, RangeOfInt) {
    EXPECT_EQ(parse_int(L"4"), 4);
    EXPECT_EQ(parse_int(L"-0"), 0);
    EXPECT_EQ(parse_int(L"+8"), 8);
    EXPECT_EQ(parse_int(L"-2147483648"), -2147483647 - 1);
    EXPECT_FALSE(parse_int(L"2147483648").has_value());
    EXPECT_FALSE(parse_int(L"99999999999999999999999").has_value());
    EXPECT_FALSE(parse_int(L"3.0").has_value());
    EXPECT_FALSE(parse_int(L"").has_value());
    EXPECT_FALSE(parse_int(L"-").has_value());
}

TEST(FormatFixed, DecimalsAndNegativeZero) {
    EXPECT_EQ(format_fixed(10.0, 4), L"10.0000");
    EXPECT_EQ(format_fixed(-2.5, 2), L"-2.50");
    EXPECT_EQ(format_fixed(1.23456, 0), L"1");
    EXPECT_EQ(format_fixed(-0.00001, 4), L"0.0000");
    EXPECT_EQ(format_fixed(-0.0, 3), L"0.000");
    EXPECT_EQ(format_fixed(0.123456789, 8), L"0.12345679");
    EXPECT_EQ(format_fixed(1e300, 8).size(), 301u + 9u);
}

TEST(FormatRoundTrip, ReadsBackExactly) {
    for (double v : {0.1, 1.0 / 3.0, -123456.789e-7, 1e300, 2.2250738585072014e-308}) {
        const std::string text = format_round_trip(v);
        EXPECT_EQ(std::stod(text), v) << text;
    }
}

} // namespace
} // namespace cadsim
