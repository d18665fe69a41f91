#include "constructions.h"

#include "curvelib.h"

#include <cmath>
#include <initializer_list>
#include <limits>

namespace curvelib {
namespace {

bool all_finite(std::initializer_list<double> values) {
    for (double value : values) {
        if (!std::isfinite(value)) {
            return false;
        }
    }
    return true;
}

// Entry steps shared by every construction; false when the scaled points
// cannot place a curve (overflow, p1 equal to p0).
bool enter(CurveState& state, const ThreePoints& p, double mormm) {
    state.mormm = mormm;
    const double scale = mormm == 0.0 ? 1000.0 : 1.0;
    const Point p0{p.p0x * scale, p.p0y * scale};
    const Point p1{p.p1x * scale, p.p1y * scale};
    const Point p2{p.p2x * scale, p.p2y * scale};
    state.polyline_started = 0;
    state.origin = p0;
    state.end_offset = p1 - p0;
    state.side_offset = p2 - p0;
    return all_finite({state.origin.x, state.origin.y, state.end_offset.x, state.end_offset.y,
                       state.side_offset.x, state.side_offset.y}) &&
           (state.end_offset.x != 0.0 || state.end_offset.y != 0.0);
}

bool valid_parameter(double a) {
    return std::isfinite(a) && a > 0.0;
}

bool valid_points(const ThreePoints& p) {
    return all_finite({p.p0x, p.p0y, p.p1x, p.p1y, p.p2x, p.p2y});
}

std::int32_t search_failure(SearchStatus status) {
    return status == SearchStatus::angle_too_large ? TARN_ERROR_ANGLE_TOO_LARGE
                                                   : TARN_ERROR_SEARCH_FAILED;
}

// The clothoid through p0 and p1 on p2's side.
struct PlacedCurve {
    double alpha = 0.0;     // chord direction
    double length_mm = 0.0; // arc length from p0 to p1
    Placement placement{0.0, 0.0, SideCase::right};
};

std::int32_t place_curve(const CurveState& state, double a, PlacedCurve& curve) {
    const Point chord = state.end_offset;
    const double chord_length = std::sqrt(chord.x * chord.x + chord.y * chord.y);
    if (!std::isfinite(chord_length)) {
        return TARN_ERROR_INVALID_ARGUMENT;
    }
    const ChordSearch search = find_length_for_chord(a, chord_length);
    if (search.status != SearchStatus::found) {
        return search_failure(search.status);
    }
    // asin(y / chord), formed from atan2 and sqrt: the C runtime's asin is
    // rounded differently by its 32- and 64-bit builds (see portable_tan).
    const double y = search.local.y;
    const double phi = std::atan2(y, std::sqrt((chord_length - y) * (chord_length + y)));
    if (!std::isfinite(phi)) {
        return TARN_ERROR_ANGLE_TOO_LARGE;
    }
    curve.alpha = std::atan2(chord.y, chord.x);
    curve.length_mm = search.length_mm;
    curve.placement = Placement(curve.alpha, phi, side_case(chord, state.side_offset));
    return TARN_OK;
}

// Stations s = pitch, 2 pitch, ... by repeated addition while s < end - pitch,
// as the drawing loops take them; counting stops past `cap`.
long count_stations(double end_m, double pitch, long cap) {
    const double limit = end_m - pitch;
    if (!(limit > 0)) {
        return 0;
    }
    long count = 0;
    double s = 0.0;
    do {
        s += pitch;
        ++count;
    } while (s < limit && count <= cap);
    return count;
}

bool too_many_vertices(double end_m, double pitch) {
    const long stations_allowed = kMaxPolylineVertices - 2;
    return count_stations(end_m, pitch, stations_allowed) > stations_allowed;
}

std::int32_t close_script(TextFile& file) {
    return file.close() ? TARN_OK : TARN_ERROR_FILE;
}

// Writes the vertices at the stations s = pitch, 2 pitch, ... (repeated
// addition) while s < end - pitch, after `first`; returns the last vertex.
template <typename VertexAt>
Point write_stations(CurveState& state, TextFile& file, double end_m, double pitch, Point first,
                     VertexAt vertex_at) {
    Point previous = first;
    double s = 0.0;
    if (end_m - pitch > 0) {
        do {
            s += pitch;
            const Point vertex = vertex_at(s);
            write_polyline_vertex(state, previous, vertex, file);
            previous = vertex;
        } while (s < end_m - pitch);
    }
    return previous;
}

} // namespace

std::int32_t normal_at_end(CurveState& state, const ThreePoints& p, double a, double mormm) {
    if (!valid_points(p) || !valid_parameter(a) || !enter(state, p, mormm)) {
        return TARN_ERROR_INVALID_ARGUMENT;
    }
    PlacedCurve curve;
    if (std::int32_t refused = place_curve(state, a, curve)) {
        return refused;
    }
    const double tau = tangent_angle_mm(a, curve.length_mm);
    const double psi =
        normal_direction_line(curve.alpha, curve.placement.phi(), tau, curve.placement.side());
    const Point start = state.end_offset;
    const Point end{start.x + 10000.0 * std::cos(psi), start.y + 10000.0 * std::sin(psi)};
    return write_line(state, start, end) ? TARN_OK : TARN_ERROR_FILE;
}

std::int32_t perpendicular_from_point(CurveState& state, const ThreePoints& p, double p3x,
                                      double p3y, double a, double mormm) {
    if (!valid_points(p) || !all_finite({p3x, p3y}) || !valid_parameter(a) ||
        !enter(state, p, mormm)) {
        return TARN_ERROR_INVALID_ARGUMENT;
    }
    const double scale = mormm == 0.0 ? 1000.0 : 1.0;
    const Point target = Point{p3x * scale, p3y * scale} - state.origin;
    if (!all_finite({target.x, target.y})) {
        return TARN_ERROR_INVALID_ARGUMENT;
    }
    PlacedCurve curve;
    if (std::int32_t refused = place_curve(state, a, curve)) {
        return refused;
    }
    const FootSearch foot = find_foot_point(a, curve.placement, target);
    if (foot.status != SearchStatus::found) {
        return search_failure(foot.status);
    }
    return write_line(state, target, foot.foot) ? TARN_OK : TARN_ERROR_FILE;
}

std::int32_t normal_at_length(CurveState& state, const ThreePoints& p, double a, double LLL,
                              double mormm) {
    if (!valid_points(p) || !std::isfinite(LLL) || !valid_parameter(a) || !enter(state, p, mormm)) {
        return TARN_ERROR_INVALID_ARGUMENT;
    }
    PlacedCurve curve;
    if (std::int32_t refused = place_curve(state, a, curve)) {
        return refused;
    }
    const double tau = tangent_angle_m(a, LLL);
    if (tau > kMaxTangentAngle) {
        return TARN_ERROR_ANGLE_TOO_LARGE;
    }
    const Point station = curve.placement.place(clothoid_point(a, LLL));
    const double psi =
        normal_direction_line(curve.alpha, curve.placement.phi(), tau, curve.placement.side());
    const Point end{station.x + 10000.0 * std::cos(psi), station.y + 10000.0 * std::sin(psi)};
    return write_line(state, station, end) ? TARN_OK : TARN_ERROR_FILE;
}

double curve_length(CurveState& state, const ThreePoints& p, double a, double mormm) {
    PlacedCurve curve;
    if (!valid_points(p) || !valid_parameter(a) || !enter(state, p, mormm) ||
        place_curve(state, a, curve) != TARN_OK) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    return curve.length_mm * 0.001;
}

std::int32_t centre_line(CurveState& state, const ThreePoints& p, double a, double pitch,
                         double mormm) {
    if (!valid_points(p) || !valid_parameter(a) || !std::isfinite(pitch) || !(pitch > 0.0) ||
        !enter(state, p, mormm)) {
        return TARN_ERROR_INVALID_ARGUMENT;
    }
    PlacedCurve curve;
    if (std::int32_t refused = place_curve(state, a, curve)) {
        return refused;
    }
    const double end_m = curve.length_mm * 0.001;
    if (too_many_vertices(end_m, pitch)) {
        return TARN_ERROR_TOO_MANY_VERTICES;
    }
    if (!write_parameter_record({mormm, p.p0x, p.p0y, p.p1x, p.p1y, p.p2x, p.p2y, a, pitch})) {
        return TARN_ERROR_FILE;
    }
    TextFile file = TextFile::create(kScriptFileName);
    if (!file) {
        return TARN_ERROR_FILE;
    }
    const Point last = write_stations(state, file, end_m, pitch, Point{}, [&](double s) {
        return curve.placement.place(clothoid_point(a, s));
    });
    // The curve ends exactly at p1, not at a computed point.
    write_polyline_vertex(state, last, state.end_offset, file);
    return close_script(file);
}

std::int32_t parallel_line(CurveState& state, const ThreePoints& p, double a, double pitch,
                           double mormm, double w, double dw, double transition) {
    if (!valid_points(p) || !valid_parameter(a) || !all_finite({pitch, w, dw}) || !(pitch > 0.0) ||
        !enter(state, p, mormm)) {
        return TARN_ERROR_INVALID_ARGUMENT;
    }
    PlacedCurve curve;
    if (std::int32_t refused = place_curve(state, a, curve)) {
        return refused;
    }
    const double length_mm = curve.length_mm;
    if (too_many_vertices(length_mm * 0.001, pitch)) {
        return TARN_ERROR_TOO_MANY_VERTICES;
    }
    // The widening lies on the offset's side; an offset of 0 counts as negative.
    const double w_mm = w * 1000.0;
    double dw_mm = std::fabs(dw * 1000.0);
    if (w_mm <= 0) {
        dw_mm = -dw_mm;
    }
    const double alpha = curve.alpha;
    const double phi = curve.placement.phi();
    const SideCase side = curve.placement.side();

    TextFile file = TextFile::create(kScriptFileName);
    if (!file) {
        return TARN_ERROR_FILE;
    }
    const Point start = offset_point(Point{}, alpha, phi, 0.0, w_mm, side);
    const Point last = write_stations(state, file, length_mm * 0.001, pitch, start, [&](double s) {
        const double tau = tangent_angle_m(a, s);
        const Point station = curve.placement.place(clothoid_point(a, s));
        double d;
        if (transition == 1.0) {
            d = s * dw_mm * 1000.0 / length_mm + w_mm;
        } else {
            const double u = s * 1000.0 / length_mm;
            const double u3 = u * u * u;
            const double u4 = u3 * u;
            d = dw_mm * (4.0 * u3 - 3.0 * u4) + w_mm;
        }
        return offset_point(station, alpha, phi, tau, d, side);
    });
    const double tau_end = tangent_angle_mm(a, length_mm);
    const Point end = offset_point(state.end_offset, alpha, phi, tau_end, w_mm + dw_mm, side);
    write_polyline_vertex(state, last, end, file);
    return close_script(file);
}

std::int32_t centre_line_of_length(CurveState& state, const ThreePoints& p, double a, double pitch,
                                   double mormm, double LC) {
    if (!valid_points(p) || !valid_parameter(a) || !all_finite({pitch, LC}) || !(pitch > 0.0) ||
        !enter(state, p, mormm)) {
        return TARN_ERROR_INVALID_ARGUMENT;
    }
    if (tangent_angle_m(a, LC) > kMaxTangentAngle) {
        return TARN_ERROR_ANGLE_TOO_LARGE;
    }
    if (too_many_vertices(LC, pitch)) {
        return TARN_ERROR_TOO_MANY_VERTICES;
    }
    // p1 only gives the tangent at p0: no chord search, phi = 0.
    const double alpha = std::atan2(state.end_offset.y, state.end_offset.x);
    const Placement placement(alpha, 0.0, side_case(state.end_offset, state.side_offset));

    TextFile file = TextFile::create(kScriptFileName);
    if (!file) {
        return TARN_ERROR_FILE;
    }
    const Point last = write_stations(state, file, LC, pitch, Point{}, [&](double s) {
        return placement.place(clothoid_point(a, s));
    });
    write_polyline_vertex(state, last, placement.place(clothoid_point(a, LC)), file);
    return close_script(file);
}

} // namespace curvelib
