// Counts, over N random inputs (default 10 million), how often the library's
// sin, cos and atan2 differ from the correctly rounded result (libquadmath's
// 113-bit value rounded to double) and from the C runtime's (glibc).
//
//   build/native/bin/curvelib_math_check [N]
#include "portable_math.h"

#include <quadmath.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>

namespace {

__extension__ typedef __float128 Quad;

double draw(std::mt19937_64& random, double limit) {
    return (static_cast<double>(random() >> 11) * 0x1p-53 * 2.0 - 1.0) * limit;
}

struct Count {
    long inputs = 0;
    long wrong = 0;         // not the correctly rounded result
    long runtime_other = 0; // not the C runtime's result
    void add(double ours, double exact, double runtime) {
        ++inputs;
        wrong += ours != exact;
        runtime_other += ours != runtime;
    }
    void print(const char* name) const {
        std::printf("%-6s %ld inputs: %ld not correctly rounded, %ld differ from the C runtime's\n",
                    name, inputs, wrong, runtime_other);
    }
};

} // namespace

int main(int argc, char** argv) {
    const long n = argc > 1 ? std::atol(argv[1]) : 10000000;
    const double limits[] = {1e-6, 0.5, 1.0, 4.0, 100.0, 1e5, 1.5e6};
    std::mt19937_64 random(987654321);
    Count sin_count;
    Count cos_count;
    Count atan2_count;
    for (long i = 0; i < n; ++i) {
        const double x = draw(random, limits[i % 7]);
        // Every quadrant, ratios from 2^-70 to 2^70.
        const double y =
            std::ldexp(draw(random, limits[(i / 7) % 7]), static_cast<int>(random() % 141) - 70);
        using curvelib::portable_atan2;
        using curvelib::portable_cos;
        using curvelib::portable_sin;
        sin_count.add(portable_sin(x), static_cast<double>(sinq(x)), std::sin(x));
        cos_count.add(portable_cos(x), static_cast<double>(cosq(x)), std::cos(x));
        atan2_count.add(portable_atan2(y, x), static_cast<double>(atan2q(y, x)), std::atan2(y, x));
    }
    sin_count.print("sin");
    cos_count.print("cos");
    atan2_count.print("atan2");
    return sin_count.wrong + cos_count.wrong + atan2_count.wrong == 0 ? 0 : 1;
}
