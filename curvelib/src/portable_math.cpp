#include "portable_math.h"

#include <cmath>
#include <limits>

// Ziv's strategy: a fast evaluation gives the result as an unevaluated sum
// hi + lo with a bound on its error; when every value within the bound rounds
// to the same double, that double is the correctly rounded result. Otherwise
// (about one call in 150 for sin and cos, one in 700 for atan2) the result is
// computed again in double-double arithmetic (about 104 bits), which decides
// all but cases too rare to meet. Only IEEE double operations are used, each
// rounded on its own (the library is built with -ffp-contract=off), so every
// build gives the same bits.
//
// The constants come from curvelib/tools/math_constants.py, which computes
// them with Python's decimal module at 80 digits and splits each into the
// nearest double and the nearest double to the remainder.

namespace curvelib {
namespace {

// The small helpers are marked inline: GCC then inlines them, and their
// constant operands fold; atan2's fast path runs at half the time.

// A value carried as hi + lo, |lo| at most half an ulp of hi (after
// normalisation).
struct DoubleDouble {
    double hi;
    double lo;
};

// hi + lo == a + b exactly; needs |a| >= |b| or a == 0.
inline DoubleDouble fast_two_sum(double a, double b) {
    const double s = a + b;
    return {s, b - (s - a)};
}

// hi + lo == a + b exactly, whatever their sizes.
inline DoubleDouble two_sum(double a, double b) {
    const double s = a + b;
    const double b_part = s - a;
    return {s, (a - (s - b_part)) + (b - b_part)};
}

// Veltkamp's split into two halves of 26 bits, whose products are exact.
inline DoubleDouble split(double a) {
    const double c = 134217729.0 * a; // 2^27 + 1
    const double hi = c - (c - a);
    return {hi, a - hi};
}

// hi + lo == a * b exactly (Dekker), for products far from overflow and
// underflow.
inline DoubleDouble two_product(double a, double b) {
    const double p = a * b;
    const DoubleDouble as = split(a);
    const DoubleDouble bs = split(b);
    const double error = ((as.hi * bs.hi - p) + as.hi * bs.lo + as.lo * bs.hi) + as.lo * bs.lo;
    return {p, error};
}

inline DoubleDouble dd_add(DoubleDouble a, DoubleDouble b) {
    const DoubleDouble s = two_sum(a.hi, b.hi);
    return fast_two_sum(s.hi, s.lo + (a.lo + b.lo));
}

inline DoubleDouble dd_multiply(DoubleDouble a, DoubleDouble b) {
    const DoubleDouble p = two_product(a.hi, b.hi);
    return fast_two_sum(p.hi, p.lo + (a.hi * b.lo + a.lo * b.hi));
}

DoubleDouble negate(DoubleDouble a) {
    return {-a.hi, -a.lo};
}

// sum c[k] z^k for k < count, all in double-double.
DoubleDouble dd_polynomial(const DoubleDouble* c, int count, DoubleDouble z) {
    DoubleDouble acc = c[count - 1];
    for (int k = count - 2; k >= 0; --k) {
        acc = dd_add(c[k], dd_multiply(z, acc));
    }
    return acc;
}

// v rounded to the nearest integer (ties to even) for |v| < 2^51: adding
// 1.5 * 2^52 leaves no fraction bits. A call to nearbyint costs more than the
// rest of a fast atan2's reduction.
inline double round_to_integer(double v) {
    constexpr double kShifter = 0x1.8p52;
    return (v + kShifter) - kShifter;
}

// The double nearest hi + lo if every value within bound of it rounds to the
// same double; NaN (never a result here) otherwise.
inline double round_if_certain(double hi, double lo, double bound) {
    const double low = hi + (lo - bound);
    const double high = hi + (lo + bound);
    return low == high ? low : std::numeric_limits<double>::quiet_NaN();
}

// (-1)^k / (2k+1)!, k = 0..14
constexpr DoubleDouble kSinTaylor[] = {{1.0, 0.0},
                                       {-0.16666666666666666, -9.25185853854297e-18},
                                       {0.008333333333333333, 1.1564823173178714e-19},
                                       {-0.0001984126984126984, -1.7209558293420705e-22},
                                       {2.7557319223985893e-06, -1.858393274046472e-22},
                                       {-2.505210838544172e-08, 1.448814070935912e-24},
                                       {1.6059043836821613e-10, 1.2585294588752098e-26},
                                       {-7.647163731819816e-13, -7.03872877733453e-30},
                                       {2.8114572543455206e-15, 1.6508842730861433e-31},
                                       {-8.22063524662433e-18, -2.2141894119604265e-34},
                                       {1.9572941063391263e-20, -1.3643503830087908e-36},
                                       {-3.868170170630684e-23, 8.843177655482344e-40},
                                       {6.446950284384474e-26, -1.9330404233703465e-42},
                                       {-9.183689863795546e-29, -1.4303150396787322e-45},
                                       {1.1309962886447716e-31, 1.0498015412959506e-47}};
// (-1)^k / (2k)!, k = 0..14
constexpr DoubleDouble kCosTaylor[] = {{1.0, 0.0},
                                       {-0.5, 0.0},
                                       {0.041666666666666664, 2.3129646346357427e-18},
                                       {-0.001388888888888889, 5.300543954373577e-20},
                                       {2.48015873015873e-05, 2.1511947866775882e-23},
                                       {-2.755731922398589e-07, -2.3767714622250297e-23},
                                       {2.08767569878681e-09, -1.20734505911326e-25},
                                       {-1.1470745597729725e-11, -2.0655512752830745e-28},
                                       {4.779477332387385e-14, 4.399205485834081e-31},
                                       {-1.5619206968586225e-16, -1.1910679660273754e-32},
                                       {4.110317623312165e-19, 1.4412973378659527e-36},
                                       {-8.896791392450574e-22, 7.911402614872376e-38},
                                       {1.6117375710961184e-24, -3.6846573564509766e-41},
                                       {-2.4795962632247976e-27, 1.2953730964765229e-43},
                                       {3.279889237069838e-30, 1.5117542744029879e-46}};
// (-1)^k / (2k+1), k = 0..9
constexpr DoubleDouble kAtanTaylor[] = {{1.0, 0.0},
                                        {-0.3333333333333333, -1.850371707708594e-17},
                                        {0.2, -1.1102230246251566e-17},
                                        {-0.14285714285714285, -7.93016446160826e-18},
                                        {0.1111111111111111, 6.1679056923619804e-18},
                                        {-0.09090909090909091, 2.523234146875356e-18},
                                        {0.07692307692307693, -4.270088556250602e-18},
                                        {-0.06666666666666667, -9.251858538542971e-19},
                                        {0.058823529411764705, 8.163404592832033e-19},
                                        {-0.05263157894736842, -2.921639538487254e-18}};
// atan(j/64), j = 0..64
constexpr DoubleDouble kAtanTable[] = {
    {0.0, 0.0},
    {0.015623728620476831, -4.913600136566304e-19},
    {0.031239833430268277, -1.188442711587748e-18},
    {0.046840712915969654, -1.655677442254952e-19},
    {0.06241880999595735, -1.5490756308295046e-18},
    {0.0779666338315423, 5.804551873143357e-18},
    {0.09347678115858947, -6.2844725995420954e-18},
    {0.10894195698986579, 6.8267122072409585e-18},
    {0.12435499454676144, -3.1253241424539383e-18},
    {0.13970887428916365, -2.9579864247315813e-18},
    {0.15499674192394097, 9.585415594114324e-18},
    {0.1702119252854744, -3.541164079802125e-18},
    {0.18534794999569476, 4.180692268843079e-18},
    {0.2003985538258785, 3.1399542871844493e-18},
    {0.21535769969773805, 4.738160130078733e-19},
    {0.23021958727684372, 1.2313404529142703e-17},
    {0.24497866312686414, 1.0698755618734451e-17},
    {0.2596296294082575, 1.9238754924615304e-17},
    {0.2741674511196588, 8.261353575163773e-18},
    {0.2885873618940774, -1.428369957377257e-17},
    {0.3028848683749714, -1.1010827903001369e-17},
    {0.31705575320914703, -1.893928924292642e-17},
    {0.3310960767041321, -7.952610375793799e-18},
    {0.34500217720710513, -2.2938804755578304e-17},
    {0.35877067027057225, -2.4623815582638635e-17},
    {0.3723984466767542, 1.9612311504845653e-17},
    {0.38588266939807375, 2.378822732491941e-17},
    {0.39922076957525254, 2.246598105617042e-17},
    {0.4124104415973873, -1.587652227770689e-17},
    {0.42544963737004227, 2.3315530741892885e-17},
    {0.43833655985795783, -2.494277030626541e-17},
    {0.4510696559885235, -2.2703795229420475e-17},
    {0.4636476090008061, 2.2698777452961687e-17},
    {0.4760693303227612, 1.4654487332256713e-17},
    {0.48833395105640554, -1.1373236189329585e-17},
    {0.5004408131472942, -4.7181675085518756e-17},
    {0.5123894603107377, -2.5462781472855804e-17},
    {0.5241796287829132, 5.520094119641666e-18},
    {0.5358112379604637, -4.0637956834825575e-18},
    {0.5472843809874369, 4.923709671396255e-17},
    {0.5585993153435624, -5.4556305485916264e-18},
    {0.5697564534829784, 1.2255062085054184e-17},
    {0.5807563535676704, -1.441464378193067e-17},
    {0.5915997103351114, 4.920495453686772e-17},
    {0.6022873461349642, 2.950430737228402e-17},
    {0.6128202021652414, -3.1552061848586226e-17},
    {0.6231993299340659, 2.672403885140095e-17},
    {0.6334258829691446, -2.7290767436015276e-17},
    {0.6435011087932844, 1.5834785051444286e-17},
    {0.6534263411807619, 3.5800634857340095e-17},
    {0.6632029927060933, -3.076054864429649e-17},
    {0.6728325475937632, -1.899315009714705e-17},
    {0.6823165548747481, 6.943223671560008e-18},
    {0.6916566218531999, -8.117151192285796e-18},
    {0.7008544078844502, -1.987626234335816e-17},
    {0.7099116184635249, -4.597166450584887e-17},
    {0.7188299996216245, -2.1478388444456983e-17},
    {0.7276113326265107, 2.569325697391839e-18},
    {0.7362574289814281, 3.473937648299457e-17},
    {0.7447701257160751, 3.708315849135547e-17},
    {0.7531512809621944, -2.4256934659182068e-17},
    {0.7614027698055784, 9.850030332752822e-18},
    {0.7695264804056583, -3.704991905602721e-17},
    {0.7775243103733478, -2.6676490951944502e-17},
    {0.7853981633974483, 3.061616997868383e-17},
};

// π/2 in pieces of 33, 33, 33 and 53 bits: a quadrant count below 2^20 times
// each of the first three is exact.
constexpr double kPiOver2Part1 = 1.5707963267341256;
constexpr double kPiOver2Part2 = 6.077100506303966e-11;
constexpr double kPiOver2Part3 = 2.0222662487111665e-21;
constexpr double kPiOver2Part4 = 8.4784276603689e-32;
constexpr double kTwoOverPi = 0.6366197723675814;
constexpr double kMaxQuadrants = 1048576.0; // 2^20
constexpr double kReducibleLimit = kMaxQuadrants * 1.5;
constexpr DoubleDouble kPiOver2 = {1.5707963267948966, 6.123233995736766e-17};
constexpr DoubleDouble kPiDd = {3.141592653589793, 1.2246467991473532e-16};

// x reduced to about [-π/4, π/4], and its quadrant. Exactly: to some 2^-104
// of itself and 2^-130 absolutely, for the slow path. Otherwise the last two
// pieces of π/2 are subtracted in plain double, within 2^-100 absolutely,
// which the fast path's bound allows for.
struct Reduced {
    DoubleDouble r;
    int quadrant;
};

inline Reduced reduce(double x, bool exactly) {
    if (std::fabs(x) <= 0.78) {
        return {{x, 0.0}, 0};
    }
    const double n = round_to_integer(x * kTwoOverPi);
    const double t = x - n * kPiOver2Part1; // exact
    DoubleDouble r = two_sum(t, -(n * kPiOver2Part2));
    if (exactly) {
        r = dd_add(r, {-(n * kPiOver2Part3), 0.0});
        r = dd_add(r, negate(two_product(n, kPiOver2Part4)));
    } else {
        r = two_sum(r.hi, r.lo - (n * kPiOver2Part3 + n * kPiOver2Part4));
    }
    return {r, static_cast<int>(static_cast<long long>(n) & 3)};
}

// Relative error of the fast sin and cos below 2^-63 (the terms from r^7 and
// z^3 on in plain double); the bound leaves a margin, plus the reduction's
// absolute error.
constexpr double kSinCosFastBound = 0x1p-61;
constexpr double kReductionError = 0x1p-99;

// sin(r) for |r| <= π/4 + a little: r + r^3 (-1/6 + z/120 + z^2 P(z)), z = r^2,
// with everything down to the z/120 term in double-double.
double sin_fast(DoubleDouble r) {
    const DoubleDouble z0 = two_product(r.hi, r.hi);
    const double a = z0.hi;
    const double b = z0.lo + 2.0 * r.hi * r.lo;
    DoubleDouble cube = two_product(r.hi, a);
    cube.lo += r.hi * b + r.lo * a;
    // z^2 (1/7! ... 1/19!): the first term left out, r^21/21!, is below
    // 2^-72 of r.
    const double p =
        kSinTaylor[3].hi +
        a * (kSinTaylor[4].hi +
             a * (kSinTaylor[5].hi +
                  a * (kSinTaylor[6].hi +
                       a * (kSinTaylor[7].hi + a * (kSinTaylor[8].hi + a * kSinTaylor[9].hi)))));
    DoubleDouble fifth = two_product(a, kSinTaylor[2].hi);
    fifth.lo += a * kSinTaylor[2].lo + b * kSinTaylor[2].hi;
    const DoubleDouble u0 = fast_two_sum(kSinTaylor[1].hi, fifth.hi);
    const double u_lo = u0.lo + (kSinTaylor[1].lo + (fifth.lo + a * a * p));
    DoubleDouble correction = two_product(cube.hi, u0.hi);
    correction.lo += cube.hi * u_lo + cube.lo * u0.hi;
    const DoubleDouble s = fast_two_sum(r.hi, correction.hi);
    const double lo = s.lo + (r.lo + correction.lo);
    return round_if_certain(s.hi, lo, std::fabs(s.hi) * kSinCosFastBound + kReductionError);
}

// cos(r) for |r| <= π/4 + a little: 1 - z/2 + z^2 (1/24 - z/720 + z^2 P(z)).
double cos_fast(DoubleDouble r) {
    const DoubleDouble z0 = two_product(r.hi, r.hi);
    const double a = z0.hi;
    const double b = z0.lo + 2.0 * r.hi * r.lo;
    const DoubleDouble z2 = two_product(a, a);
    const double z2_lo = z2.lo + 2.0 * a * b;
    // z^3 (1/8! ... 1/18!): the first term left out, r^20/20!, is below 2^-67.
    const double p =
        kCosTaylor[4].hi +
        a * (kCosTaylor[5].hi +
             a * (kCosTaylor[6].hi +
                  a * (kCosTaylor[7].hi + a * (kCosTaylor[8].hi + a * kCosTaylor[9].hi))));
    const double s = a * (kCosTaylor[3].hi + a * p);
    const DoubleDouble u0 = fast_two_sum(kCosTaylor[2].hi, s);
    const double u_lo = u0.lo + kCosTaylor[2].lo;
    DoubleDouble fourth = two_product(z2.hi, u0.hi);
    fourth.lo += z2.hi * u_lo + z2_lo * u0.hi;
    const DoubleDouble w = fast_two_sum(1.0, -0.5 * a);
    const DoubleDouble c = fast_two_sum(w.hi, fourth.hi);
    const double lo = c.lo + (w.lo + (fourth.lo - 0.5 * b));
    return round_if_certain(c.hi, lo, std::fabs(c.hi) * kSinCosFastBound + kReductionError);
}

double sin_slow(DoubleDouble r) {
    const DoubleDouble z = dd_multiply(r, r);
    const DoubleDouble s = dd_multiply(r, dd_polynomial(kSinTaylor, 15, z));
    return s.hi + s.lo;
}

double cos_slow(DoubleDouble r) {
    const DoubleDouble c = dd_polynomial(kCosTaylor, 15, dd_multiply(r, r));
    return c.hi + c.lo;
}

// sin x, or with shift 1 cos x = sin(x + π/2): sin of the reduced argument
// in even quadrants, cos in odd ones, signed for the quadrant.
double sin_shifted(double x, int shift) {
    Reduced reduced = reduce(x, false);
    const int quadrant = reduced.quadrant + shift;
    const bool use_cos = (quadrant & 1) != 0;
    double value = use_cos ? cos_fast(reduced.r) : sin_fast(reduced.r);
    if (std::isnan(value)) {
        reduced = reduce(x, true);
        value = use_cos ? cos_slow(reduced.r) : sin_slow(reduced.r);
    }
    return (quadrant & 2) != 0 ? -value : value;
}

} // namespace

double portable_sin(double x) {
    if (!(std::fabs(x) < kReducibleLimit)) {
        return std::sin(x); // NaN, infinities and angles no construction forms
    }
    if (std::fabs(x) < 0x1p-27) {
        return x; // sin x = x (1 - x^2/6) rounds to x
    }
    return sin_shifted(x, 0);
}

double portable_cos(double x) {
    if (!(std::fabs(x) < kReducibleLimit)) {
        return std::cos(x);
    }
    if (std::fabs(x) < 0x1p-27) {
        return 1.0; // 1 - x^2/2 rounds to 1
    }
    return sin_shifted(x, 1);
}

namespace {

// atan(q) for q in [2^-62, 1] given as a double-double: q moved next to the
// nearest j/64 by atan q = atan(j/64) + atan(t), t = (q - j/64) / (1 + q j/64),
// |t| <= 1/128; then added to the quadrant's base (0, π/2 or π, the angle
// negated where the quadrant runs backwards). Returns NaN when the fast
// evaluation cannot decide the rounding.
struct AtanInputs {
    DoubleDouble q;
    DoubleDouble base;
    bool subtract;
};

inline DoubleDouble reduce_atan(DoubleDouble q, int& j) {
    j = static_cast<int>(round_to_integer(q.hi * 64.0));
    if (j == 0) {
        return q;
    }
    const double c = j / 64.0;
    const DoubleDouble numerator = two_sum(q.hi - c, q.lo); // q.hi - c is exact
    DoubleDouble qc = two_product(q.hi, c);
    qc.lo += q.lo * c;
    DoubleDouble denominator = fast_two_sum(1.0, qc.hi);
    denominator.lo += qc.lo;
    // One division, off the critical path: t need not be the rounded
    // quotient, as its exact remainder corrects it.
    const double inverse = 1.0 / denominator.hi;
    const double t = numerator.hi * inverse;
    const DoubleDouble back = two_product(t, denominator.hi);
    const double remainder =
        ((numerator.hi - back.hi) - back.lo) + (numerator.lo - t * denominator.lo);
    return {t, remainder * inverse};
}

inline DoubleDouble combine(const AtanInputs& in, DoubleDouble angle) {
    return dd_add(in.base, in.subtract ? negate(angle) : angle);
}

constexpr double kAtanFastBound = 0x1p-63;

double atan_fast(const AtanInputs& in) {
    int j = 0;
    const DoubleDouble t = reduce_atan(in.q, j);
    const double z = t.hi * t.hi;
    const double p =
        kAtanTaylor[1].hi +
        z * (kAtanTaylor[2].hi +
             z * (kAtanTaylor[3].hi + z * (kAtanTaylor[4].hi + z * kAtanTaylor[5].hi)));
    const DoubleDouble s = two_sum(kAtanTable[j].hi, t.hi);
    DoubleDouble angle = {s.hi, s.lo + (kAtanTable[j].lo + (t.lo + t.hi * z * p))};
    angle = fast_two_sum(angle.hi, angle.lo);
    const DoubleDouble v = combine(in, angle);
    return round_if_certain(v.hi, v.lo, std::fabs(v.hi) * kAtanFastBound);
}

double atan_slow(const AtanInputs& in) {
    int j = 0;
    const DoubleDouble t = reduce_atan(in.q, j);
    const DoubleDouble series = dd_polynomial(kAtanTaylor, 10, dd_multiply(t, t));
    const DoubleDouble angle = dd_add(kAtanTable[j], dd_multiply(t, series));
    const DoubleDouble v = combine(in, angle);
    return v.hi + v.lo;
}

constexpr double kPi = 3.141592653589793;
constexpr double kHalfPi = 1.5707963267948966;

} // namespace

double portable_atan2(double y, double x) {
    if (std::isnan(x) || std::isnan(y)) {
        return x + y;
    }
    const bool y_negative = std::signbit(y);
    const bool x_negative = std::signbit(x);
    if (y == 0.0) {
        return x_negative ? std::copysign(kPi, y) : y;
    }
    if (x == 0.0) {
        return std::copysign(kHalfPi, y);
    }
    if (std::isinf(x)) {
        if (std::isinf(y)) {
            return std::copysign(x_negative ? 3.0 * kPi / 4.0 : kPi / 4.0, y);
        }
        return x_negative ? std::copysign(kPi, y) : std::copysign(0.0, y);
    }
    if (std::isinf(y)) {
        return std::copysign(kHalfPi, y);
    }
    // The angle from the nearer axis: atan of q = smaller / larger, q <= 1.
    const double ax = std::fabs(x);
    const double ay = std::fabs(y);
    const bool steep = ay > ax;
    const double smaller = steep ? ax : ay;
    const double larger = steep ? ay : ax;
    double numerator = smaller;
    double denominator = larger;
    if (!(larger < 0x1p900 && smaller > 0x1p-900)) {
        // Scaled by a power of two so that the remainder below cannot
        // underflow (nor the splits overflow).
        const int exponent = std::ilogb(larger);
        numerator = std::ldexp(smaller, -exponent);
        denominator = std::ldexp(larger, -exponent);
    }
    if (numerator < denominator * 0x1p-60) {
        // q < 2^-60: atan q = q within 2^-120 of itself, next to π/2 or π
        // nothing at all.
        if (steep) {
            return std::copysign(kHalfPi, y);
        }
        return x_negative ? std::copysign(kPi, y) : y / x;
    }
    // q = smaller / larger as a double-double: an approximate quotient and its
    // exact remainder (numerator - back.hi is exact, the two being close).
    const double inverse = 1.0 / denominator;
    const double q = numerator * inverse;
    const DoubleDouble back = two_product(q, denominator);
    const DoubleDouble quotient = {q, ((numerator - back.hi) - back.lo) * inverse};

    AtanInputs in{quotient, {0.0, 0.0}, false};
    if (steep) {
        in.base = kPiOver2;
        in.subtract = !x_negative; // π/2 - θ right of the axis, π/2 + θ left
    } else if (x_negative) {
        in.base = kPiDd;
        in.subtract = true;
    }
    double value = atan_fast(in);
    if (std::isnan(value)) {
        value = atan_slow(in);
    }
    return y_negative ? -value : value;
}

} // namespace curvelib
