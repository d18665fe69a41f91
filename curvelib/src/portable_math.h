// sin, cos and atan2 in plain double arithmetic, and sqrt from the SSE2
// instruction, so that every build of the library (x64, x86, native; debug
// and optimised) gives the same bits for the same input. The C runtimes' own
// versions differ between builds in the last bit (mingw's use the x87 unit,
// whose result depends on its precision setting; its sqrt, called where the
// compiler does not expand it inline, is not correctly rounded), which moved
// some results of the x86 build away from the x64 build's.
#pragma once

#if defined(__SSE2__)
#include <emmintrin.h>
#else
#include <cmath>
#endif

namespace curvelib {

// The correctly rounded result (the double nearest the exact value, but in
// cases too rare to meet) for |x| < 1.5e6, every angle the library forms;
// beyond that the C runtime's result.
double portable_sin(double x);
double portable_cos(double x);

// Correctly rounded likewise, for all inputs; the C standard's results for
// zeros, infinities and NaN.
double portable_atan2(double y, double x);

// The correctly rounded square root, as IEEE 754 requires of the hardware.
inline double portable_sqrt(double x) {
#if defined(__SSE2__)
    return _mm_cvtsd_f64(_mm_sqrt_sd(_mm_setzero_pd(), _mm_set_sd(x)));
#else
    return std::sqrt(x);
#endif
}

} // namespace curvelib
