#include "portable_math.h"

#include <cmath>

namespace curvelib {
namespace {

// π/2 in three pieces; the first two have 33 significant bits, so their
// products with a quadrant count below 2^20 are exact.
constexpr double kPiOver2Part1 = 1.5707963267341256e+00;
constexpr double kPiOver2Part2 = 6.077100506303966e-11;
constexpr double kPiOver2Part3 = 2.0222662487959506e-21;
constexpr double kTwoOverPi = 0.6366197723675814;
constexpr double kMaxQuadrants = 1048576.0; // 2^20
constexpr double kReducibleLimit = kMaxQuadrants * 1.5;

// x reduced to [-π/4, π/4] as head + tail, and its quadrant.
struct Reduced {
    double head;
    double tail;
    int quadrant;
};

Reduced reduce(double x) {
    const double n = std::nearbyint(x * kTwoOverPi);
    const double t = x - n * kPiOver2Part1; // exact
    const double w = n * kPiOver2Part2;     // exact
    // t - w as an unevaluated sum (two-sum), then the last piece.
    const double r = t - w;
    const double t_part = r + w;
    const double error = (t - t_part) + (-w - (r - t_part));
    const double tail = error - n * kPiOver2Part3;
    const double head = r + tail;
    return {head, (r - head) + tail, static_cast<int>(static_cast<long long>(n) & 3)};
}

// Minimax polynomials on [-π/4, π/4] (fdlibm's coefficients), with the
// reduced argument's tail carried in.
double sin_kernel(double x, double tail) {
    constexpr double s1 = -1.66666666666666324348e-01;
    constexpr double s2 = 8.33333333332248946124e-03;
    constexpr double s3 = -1.98412698298579493134e-04;
    constexpr double s4 = 2.75573137070700676789e-06;
    constexpr double s5 = -2.50507602534068634195e-08;
    constexpr double s6 = 1.58969099521155010221e-10;
    const double z = x * x;
    const double v = z * x;
    const double r = s2 + z * (s3 + z * (s4 + z * (s5 + z * s6)));
    return x - ((z * (0.5 * tail - v * r) - tail) - v * s1);
}

double cos_kernel(double x, double tail) {
    constexpr double c1 = 4.16666666666666019037e-02;
    constexpr double c2 = -1.38888888888741095749e-03;
    constexpr double c3 = 2.48015872894767294178e-05;
    constexpr double c4 = -2.75573143513906633035e-07;
    constexpr double c5 = 2.08757232129817482790e-09;
    constexpr double c6 = -1.13596475577881948265e-11;
    const double z = x * x;
    const double r = z * (c1 + z * (c2 + z * (c3 + z * (c4 + z * (c5 + z * c6)))));
    const double half_z = 0.5 * z;
    const double w = 1.0 - half_z;
    return w + (((1.0 - w) - half_z) + (z * r - x * tail));
}

// atan on [0, ∞): the argument moved next to 0, 0.5, 1, 1.5 or ∞ and a
// minimax polynomial around it (fdlibm's reduction and coefficients).
double atan_non_negative(double x) {
    constexpr double at[] = {
        3.33333333333329318027e-01,  -1.99999999998764832476e-01, 1.42857142725034663711e-01,
        -1.11111104054623557880e-01, 9.09088713343650656196e-02,  -7.69187620504482999495e-02,
        6.66107313738753120669e-02,  -5.83357013379057348645e-02, 4.97687799461593236017e-02,
        -3.65315727442169155270e-02, 1.62858201153657823623e-02,
    };
    // atan(0.5), atan(1), atan(1.5), atan(∞), each as head + tail.
    constexpr double atan_head[] = {4.636476090008061e-01, 7.853981633974483e-01,
                                    9.82793723247329e-01, 1.5707963267948966e+00};
    constexpr double atan_tail[] = {2.2698777452961687e-17, 3.061616997868383e-17,
                                    1.3903311031230998e-17, 6.123233995736766e-17};
    if (x >= 0x1p66) {
        return atan_head[3] + atan_tail[3];
    }
    int id = -1;
    if (x < 0.4375) {
        if (x < 0x1p-27) {
            return x;
        }
    } else if (x < 0.6875) {
        id = 0;
        x = (2.0 * x - 1.0) / (2.0 + x);
    } else if (x < 1.1875) {
        id = 1;
        x = (x - 1.0) / (x + 1.0);
    } else if (x < 2.4375) {
        id = 2;
        x = (x - 1.5) / (1.0 + 1.5 * x);
    } else {
        id = 3;
        x = -1.0 / x;
    }
    const double z = x * x;
    const double w = z * z;
    const double odd =
        z * (at[0] + w * (at[2] + w * (at[4] + w * (at[6] + w * (at[8] + w * at[10])))));
    const double even = w * (at[1] + w * (at[3] + w * (at[5] + w * (at[7] + w * at[9]))));
    if (id < 0) {
        return x - x * (odd + even);
    }
    return atan_head[id] - ((x * (odd + even) - atan_tail[id]) - x);
}

constexpr double kPi = 3.141592653589793;
constexpr double kPiTail = 1.2246467991473532e-16;
constexpr double kHalfPi = 1.5707963267948966;

} // namespace

double portable_sin(double x) {
    if (!(std::fabs(x) < kReducibleLimit)) {
        return std::sin(x); // NaN, infinities and angles no construction forms
    }
    if (std::fabs(x) < 0x1p-27) {
        return x;
    }
    const Reduced r = reduce(x);
    switch (r.quadrant) {
    case 0:
        return sin_kernel(r.head, r.tail);
    case 1:
        return cos_kernel(r.head, r.tail);
    case 2:
        return -sin_kernel(r.head, r.tail);
    default:
        return -cos_kernel(r.head, r.tail);
    }
}

double portable_cos(double x) {
    if (!(std::fabs(x) < kReducibleLimit)) {
        return std::cos(x);
    }
    if (std::fabs(x) < 0x1p-27) {
        return 1.0;
    }
    const Reduced r = reduce(x);
    switch (r.quadrant) {
    case 0:
        return cos_kernel(r.head, r.tail);
    case 1:
        return -sin_kernel(r.head, r.tail);
    case 2:
        return -cos_kernel(r.head, r.tail);
    default:
        return sin_kernel(r.head, r.tail);
    }
}

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
    // |y/x| beyond 2^60 or, left of the axis, below 2^-60: the quotient's
    // atan is π/2 or nothing next to π.
    const int exponent_difference = std::ilogb(y) - std::ilogb(x);
    double z;
    if (exponent_difference > 60) {
        z = kHalfPi + 0.5 * kPiTail;
    } else if (x_negative && exponent_difference < -60) {
        z = 0.0;
    } else {
        z = atan_non_negative(std::fabs(y / x));
    }
    if (!x_negative) {
        return y_negative ? -z : z;
    }
    const double angle = kPi - (z - kPiTail);
    return y_negative ? -angle : angle;
}

} // namespace curvelib
