#include "tarn/format/numbers.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace tarn::format {
namespace {

constexpr char kPairs[] = "00010203040506070809"
                          "10111213141516171819"
                          "20212223242526272829"
                          "30313233343536373839"
                          "40414243444546474849"
                          "50515253545556575859"
                          "60616263646566676869"
                          "70717273747576777879"
                          "80818283848586878889"
                          "90919293949596979899";

constexpr unsigned long long kPowers[] = {1,      10,      100,      1000,      10000,
                                          100000, 1000000, 10000000, 100000000, 1000000000};

// Exactly N digits of value (below 10^N, N at most 10), ending at end, in
// 32-bit arithmetic, unrolled: the count is a constant.
template <int N> void digits_back32(char* end, std::uint32_t value) {
    static_assert(N >= 0 && N <= 10);
    if constexpr (N >= 2) {
        const std::uint32_t rest = value / 100;
        std::memcpy(end - 2, kPairs + (value - rest * 100) * 2, 2);
        digits_back32<N - 2>(end - 2, rest);
    } else if constexpr (N == 1) {
        end[-1] = static_cast<char>('0' + value);
    }
}

template <int N> char* digits_at32(char* p, std::uint32_t value) {
    digits_back32<N>(p + N, value);
    return p + N;
}

// The decimal digits of value, at p; returns the end. Whole parts of table
// numbers are short, so the count is found from the small end.
inline char* digits32(char* p, std::uint32_t value) {
    if (value < 10) {
        return digits_at32<1>(p, value);
    }
    if (value < 100) {
        return digits_at32<2>(p, value);
    }
    if (value < 1000) {
        return digits_at32<3>(p, value);
    }
    if (value < 10000) {
        return digits_at32<4>(p, value);
    }
    if (value < 100000) {
        return digits_at32<5>(p, value);
    }
    if (value < 1000000) {
        return digits_at32<6>(p, value);
    }
    if (value < 10000000) {
        return digits_at32<7>(p, value);
    }
    if (value < 100000000) {
        return digits_at32<8>(p, value);
    }
    if (value < 1000000000) {
        return digits_at32<9>(p, value);
    }
    return digits_at32<10>(p, value);
}

// to_chars, exact: near a tie and outside the fast path's range.
char* exact_fixed(char* p, double value, int decimals) {
    const auto result =
        std::to_chars(p, p + kFixedChars - 1, value, std::chars_format::fixed, decimals);
    // "-0.000" says nothing a reader needs.
    if (*p == '-') {
        bool zero = true;
        for (const char* q = p + 1; q < result.ptr; ++q) {
            zero = zero && (*q == '0' || *q == '.');
        }
        if (zero) {
            std::memmove(p, p + 1, static_cast<std::size_t>(result.ptr - p - 1));
            return result.ptr - 1;
        }
    }
    return result.ptr;
}

// Fast path: the value scaled to whole units of the last decimal, when it is
// far enough from a half that rounding the exact binary value (as printf
// does) cannot differ; anything near a tie takes to_chars. The decimals are a
// constant here so that the divisions become multiplications; below 1e9 the
// whole part and the decimals each fit 32 bits.
template <int Decimals> char* fast_fixed(char* p, double value) {
    constexpr unsigned long long kUnit = kPowers[Decimals];
    const double scaled = std::fabs(value) * static_cast<double>(kUnit);
    if (!(std::fabs(value) < 1e9 && scaled < 9e15)) {
        return exact_fixed(p, value, Decimals);
    }
    // Truncation is the floor here, and below 2^53 the whole part converts
    // back exactly, so the fraction is exact. Signed: one instruction each way.
    const auto whole = static_cast<long long>(scaled);
    const double fraction = scaled - static_cast<double>(whole);
    if (!(std::fabs(fraction - 0.5) > 1e-6)) {
        return exact_fixed(p, value, Decimals);
    }
    const auto units = static_cast<unsigned long long>(whole + (fraction > 0.5 ? 1 : 0));
    if (value < 0 && units != 0) {
        *p++ = '-';
    }
    p = digits32(p, static_cast<std::uint32_t>(units / kUnit));
    *p++ = '.';
    digits_back32<Decimals>(p + Decimals, static_cast<std::uint32_t>(units % kUnit));
    return p + Decimals;
}

} // namespace

char* write_fixed(char* p, double value, int decimals) {
    // One instance per count of decimals, so that no division remains; each
    // takes the exact path itself where it must, so the value need not be
    // kept across the call.
    static constexpr char* (*kByDecimals[])(char*, double) = {
        nullptr,       fast_fixed<1>, fast_fixed<2>, fast_fixed<3>, fast_fixed<4>,
        fast_fixed<5>, fast_fixed<6>, fast_fixed<7>, fast_fixed<8>, fast_fixed<9>,
    };
    if (decimals < 1 || decimals > 9) {
        return exact_fixed(p, value, decimals);
    }
    return kByDecimals[decimals](p, value);
}

namespace {

// Exactly n digits of value (leading zeros kept), ending at end.
void digits_back(char* end, unsigned long long value, int n) {
    for (; n >= 2; n -= 2) {
        end -= 2;
        std::memcpy(end, kPairs + value % 100 * 2, 2);
        value /= 100;
    }
    if (n == 1) {
        *--end = static_cast<char>('0' + value % 10);
    }
}

// Beyond any direction (and NaN): the general arithmetic, as it always was.
char* wide_dms(char* p, double degrees, int second_decimals) {
    long long scale = 1;
    for (int i = 0; i < second_decimals; ++i) {
        scale *= 10;
    }
    const long long per_degree = 3600 * scale;
    long long units = std::llround(std::fabs(degrees) * 3600.0 * static_cast<double>(scale));
    if (units >= 360 * per_degree) {
        units -= 360 * per_degree;
    }
    const long long d = units / per_degree;
    const long long m = units % per_degree / (60 * scale);
    const long long s = units % (60 * scale);
    *p++ = '"';
    if (degrees < 0 && units > 0) {
        *p++ = '-';
    }
    p = std::to_chars(p, p + 24, d).ptr;
    constexpr std::string_view kDegree = "°";
    std::memcpy(p, kDegree.data(), kDegree.size());
    p += kDegree.size();
    digits_back(p + 2, static_cast<unsigned long long>(m), 2);
    p[2] = '\'';
    p += 3;
    digits_back(p + 2, static_cast<unsigned long long>(s / scale), 2);
    p += 2;
    if (second_decimals > 0) {
        *p++ = '.';
        digits_back(p + second_decimals, static_cast<unsigned long long>(s % scale),
                    second_decimals);
        p += second_decimals;
    }
    std::memcpy(p, "\"\"\"", 3);
    return p + 3;
}

// The dms field from whole units of the last decimal of a second (Scale of
// them to the second), at p; returns the end. Unsigned is the units' type:
// 32 bits for every direction below a few thousand degrees, else 64.
template <typename Unsigned, std::uint32_t Scale, int Decimals>
char* dms_from_units(char* p, Unsigned units, bool negative) {
    constexpr Unsigned kPerMinute = 60 * static_cast<Unsigned>(Scale);
    constexpr Unsigned kPerDegree = 60 * kPerMinute;
    if (units >= 360 * kPerDegree) {
        units -= 360 * kPerDegree;
    }
    const Unsigned d = units / kPerDegree;
    const auto m = static_cast<std::uint32_t>(units % kPerDegree / kPerMinute);
    const Unsigned s = units % kPerMinute;
    // The seconds' mark is a quote, so the field is quoted and the mark doubled.
    *p++ = '"';
    if (negative && units > 0) {
        *p++ = '-';
    }
    if (d < 1000000000) {
        p = digits32(p, static_cast<std::uint32_t>(d));
    } else {
        p = std::to_chars(p, p + 24, static_cast<unsigned long long>(d)).ptr;
    }
    constexpr std::string_view kDegree = "°";
    std::memcpy(p, kDegree.data(), kDegree.size());
    p += kDegree.size();
    digits_back32<2>(p + 2, m);
    p[2] = '\'';
    p += 3;
    digits_back32<2>(p + 2, static_cast<std::uint32_t>(s / Scale));
    p += 2;
    if constexpr (Decimals > 0) {
        *p++ = '.';
        digits_back32<Decimals>(p + Decimals, static_cast<std::uint32_t>(s % Scale));
        p += Decimals;
    }
    std::memcpy(p, "\"\"\"", 3);
    return p + 3;
}

// One instance per count of decimals, so that the divisions by the units of
// a degree and a minute become multiplications.
template <int Decimals> char* dms_with(char* p, double degrees) {
    constexpr auto kScale = static_cast<std::uint32_t>(kPowers[Decimals]);
    // Rounded once, so 59.995" carries: half away from zero, as llround does;
    // below 2^52 the fraction is exact, so floor and compare give its result.
    const double x = std::fabs(degrees) * 3600.0 * static_cast<double>(kScale);
    const bool negative = degrees < 0;
    // The units of a whole turn must fit 32 bits too (up to milliseconds).
    constexpr bool kTurnFits = 360ULL * 3600 * kScale < 0xFFFFFFFFULL;
    if constexpr (kTurnFits) {
        if (x < 4e9) {
            const auto whole = static_cast<std::uint32_t>(x);
            const std::uint32_t units = whole + (x - static_cast<double>(whole) >= 0.5 ? 1 : 0);
            return dms_from_units<std::uint32_t, kScale, Decimals>(p, units, negative);
        }
    }
    if (x < 4e15) {
        const auto whole = static_cast<unsigned long long>(x);
        const unsigned long long units = whole + (x - static_cast<double>(whole) >= 0.5 ? 1 : 0);
        return dms_from_units<unsigned long long, kScale, Decimals>(p, units, negative);
    }
    return wide_dms(p, degrees, Decimals);
}

} // namespace

char* write_dms(char* p, double degrees, int second_decimals) {
    static constexpr char* (*kByDecimals[])(char*, double) = {
        dms_with<0>, dms_with<1>, dms_with<2>, dms_with<3>, dms_with<4>,
        dms_with<5>, dms_with<6>, dms_with<7>, dms_with<8>, dms_with<9>,
    };
    return kByDecimals[second_decimals > 0 ? second_decimals : 0](p, degrees);
}

char* write_shortest(char* p, double value) {
    if (value == 0.0) {
        *p = '0'; // also for -0
        return p + 1;
    }
    // Ryu inside to_chars: a shortcut by checking decimals in turn (tried)
    // needs about as long, as computed values mostly need 16 or 17 digits.
    return std::to_chars(p, p + kShortestChars, value).ptr;
}

} // namespace tarn::format
