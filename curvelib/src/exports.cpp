// The plain exports of auto_tarn5: one static state record, rewritten by
// every call, as the library has always kept it.
#include "curvelib.h"

#include "curvelib/constructions.h"

#include <cmath>

namespace {
curvelib::CurveState g_curve_state;

// No exception may cross into the caller: a failure inside becomes a result.
template <typename Body> int32_t guarded(Body&& body) noexcept {
    try {
        return body();
    } catch (...) {
        return TARN_ERROR_INTERNAL;
    }
}
} // namespace

using curvelib::ThreePoints;

extern "C" {

int32_t TARN_CALL tarn1(double p0x, double p0y, double p1x, double p1y, double p2x, double p2y,
                        double a, double mormm) {
    return guarded([&] {
        return curvelib::normal_at_end(g_curve_state, ThreePoints{p0x, p0y, p1x, p1y, p2x, p2y}, a,
                                       mormm);
    });
}

int32_t TARN_CALL tarn2(double p0x, double p0y, double p1x, double p1y, double p2x, double p2y,
                        double p3x, double p3y, double a, double mormm) {
    return guarded([&] {
        return curvelib::perpendicular_from_point(
            g_curve_state, ThreePoints{p0x, p0y, p1x, p1y, p2x, p2y}, p3x, p3y, a, mormm);
    });
}

int32_t TARN_CALL tarn3(double p0x, double p0y, double p1x, double p1y, double p2x, double p2y,
                        double a, double LLL, double mormm) {
    return guarded([&] {
        return curvelib::normal_at_length(g_curve_state, ThreePoints{p0x, p0y, p1x, p1y, p2x, p2y},
                                          a, LLL, mormm);
    });
}

double TARN_CALL tarn4(double p0x, double p0y, double p1x, double p1y, double p2x, double p2y,
                       double a, double mormm) {
    try {
        return curvelib::curve_length(g_curve_state, ThreePoints{p0x, p0y, p1x, p1y, p2x, p2y}, a,
                                      mormm);
    } catch (...) {
        return std::nan("");
    }
}

int32_t TARN_CALL tarn5(double p0x, double p0y, double p1x, double p1y, double p2x, double p2y,
                        double a, double pitch, double mormm) {
    return guarded([&] {
        return curvelib::centre_line(g_curve_state, ThreePoints{p0x, p0y, p1x, p1y, p2x, p2y}, a,
                                     pitch, mormm);
    });
}

int32_t TARN_CALL tarn6(double p0x, double p0y, double p1x, double p1y, double p2x, double p2y,
                        double a, double pitch, double mormm, double w, double dw,
                        double transition) {
    return guarded([&] {
        return curvelib::parallel_line(g_curve_state, ThreePoints{p0x, p0y, p1x, p1y, p2x, p2y}, a,
                                       pitch, mormm, w, dw, transition);
    });
}

int32_t TARN_CALL tarn7(double p0x, double p0y, double p1x, double p1y, double p2x, double p2y,
                        double a, double pitch, double mormm, double LC) {
    return guarded([&] {
        return curvelib::centre_line_of_length(
            g_curve_state, ThreePoints{p0x, p0y, p1x, p1y, p2x, p2y}, a, pitch, mormm, LC);
    });
}

double TARN_CALL Test(double value) {
    return value;
}

} // extern "C"
