#include "elements.h"

#include "curvelib.h"
#include "curvelib/geometry.h"
#include "numbers.h"

#include <cmath>

namespace tarn_cli {

double length_for_angle(double a, double tau) {
    return tau >= 0 ? a * std::sqrt(2.0 * tau) : std::nan("");
}

std::int32_t clothoid_elements(double a, double l, Elements& e) {
    if (!std::isfinite(a) || !(a > 0) || !std::isfinite(l) || !(l > 0)) {
        return TARN_ERROR_INVALID_ARGUMENT;
    }
    const double tau = curvelib::tangent_angle_m(a, l);
    if (tau > curvelib::kMaxTangentAngle) {
        return TARN_ERROR_ANGLE_TOO_LARGE;
    }
    const curvelib::Point end = curvelib::clothoid_point(a, l);
    e.a = a;
    e.l = l;
    e.r = a * a / l;
    e.tau = tau;
    e.x = end.x * 0.001;
    e.y = end.y * 0.001;
    e.shift = e.y + e.r * std::cos(tau) - e.r;
    e.x_m = e.x - e.r * std::sin(tau);
    e.t_k = e.y / std::sin(tau);
    e.t_l = e.x - e.y / std::tan(tau);
    e.s_0 = std::hypot(e.x, e.y);
    e.sigma = std::atan2(e.y, e.x);
    return TARN_OK;
}

namespace {

// Numbers right-aligned so that the decimal points of one unit line up.
std::string pad(const std::string& number) {
    return number.size() < 14 ? std::string(14 - number.size(), ' ') + number : number;
}

} // namespace

std::string elements_text(const Elements& e) {
    auto metres = [](const char* name, double value, const char* meaning) {
        return std::string(name) + pad(fixed(value, 6)) + " m    " + meaning + "\n";
    };
    auto angle = [](const char* name, double value, const char* meaning) {
        return std::string(name) + pad(fixed(value, 9)) + " rad  " +
               dms(value * 180.0 / 3.14159265358979323846, 2) + "  " + meaning + "\n";
    };
    return metres("A      ", e.a, "clothoid parameter") + metres("L      ", e.l, "curve length") +
           metres("R      ", e.r, "radius at the end") +
           angle("tau    ", e.tau, "tangent angle at the end") +
           metres("dR     ", e.shift, "shift") +
           metres("X      ", e.x, "end point, along KA tangent") +
           metres("Y      ", e.y, "end point, across") +
           metres("X_M    ", e.x_m, "abscissa of the circle centre") +
           metres("T_K    ", e.t_k, "short tangent") + metres("T_L    ", e.t_l, "long tangent") +
           metres("S_0    ", e.s_0, "chord") + angle("sigma  ", e.sigma, "polar angle of the end");
}

} // namespace tarn_cli
