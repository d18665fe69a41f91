// The seven constructions behind the exports. Each rewrites the state record,
// refuses input that cannot give a meaningful curve before touching any file,
// and answers one of the TARN_ result codes of curvelib.h.
#pragma once

#include "script_output.h"

#include <cstdint>

namespace curvelib {

struct ThreePoints {
    double p0x, p0y, p1x, p1y, p2x, p2y;
};

std::int32_t normal_at_end(CurveState& state, const ThreePoints& p, double a, double mormm);
std::int32_t perpendicular_from_point(CurveState& state, const ThreePoints& p, double p3x,
                                      double p3y, double a, double mormm);
std::int32_t normal_at_length(CurveState& state, const ThreePoints& p, double a, double LLL,
                              double mormm);
// Arc length from p0 to p1 in metres, or NaN when refused.
double curve_length(CurveState& state, const ThreePoints& p, double a, double mormm);
std::int32_t centre_line(CurveState& state, const ThreePoints& p, double a, double pitch,
                         double mormm);
std::int32_t parallel_line(CurveState& state, const ThreePoints& p, double a, double pitch,
                           double mormm, double w, double dw, double transition);
std::int32_t centre_line_of_length(CurveState& state, const ThreePoints& p, double a, double pitch,
                                   double mormm, double LC);

// Polylines longer than this would take hours to type into a CAD program.
constexpr long kMaxPolylineVertices = 1'000'000;

} // namespace curvelib
