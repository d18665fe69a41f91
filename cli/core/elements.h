// The clothoid's element table for a design report, from the library's
// series.
#pragma once

#include <cstdint>
#include <string>

namespace tarn_cli {

struct Elements {
    double a = 0.0;     // A
    double l = 0.0;     // L, arc length
    double r = 0.0;     // R = A^2 / L
    double tau = 0.0;   // tangent angle at L, radians
    double shift = 0.0; // dR, shift of the circle
    double x = 0.0;     // X, Y: the end point in the local frame
    double y = 0.0;
    double x_m = 0.0;   // X_M: abscissa of the shifted circle's centre
    double t_k = 0.0;   // short tangent
    double t_l = 0.0;   // long tangent
    double s_0 = 0.0;   // chord length
    double sigma = 0.0; // polar angle of the end point, radians
};

// Elements for A and L (metres); a TARN_ result code: invalid argument for
// A or L not positive and finite, angle too large beyond 4 rad.
std::int32_t clothoid_elements(double a, double l, Elements& out);

// The length for a given end radius or end tangent angle (radians).
inline double length_for_radius(double a, double r) {
    return a * a / r;
}
double length_for_angle(double a, double tau);

std::string elements_text(const Elements& e);

} // namespace tarn_cli
