#include "curvelib/constructions.h"

#include "curvelib.h"
#include "portable_math.h"

#include <cmath>
#include <functional>
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
std::int32_t place_curve(const CurveState& state, double a, PlacedCurve& curve) {
    const Point chord = state.end_offset;
    const double chord_length = portable_sqrt(chord.x * chord.x + chord.y * chord.y);
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
    const double phi = portable_atan2(y, portable_sqrt((chord_length - y) * (chord_length + y)));
    if (!std::isfinite(phi)) {
        return TARN_ERROR_ANGLE_TOO_LARGE;
    }
    curve.a = a;
    curve.alpha = portable_atan2(chord.y, chord.x);
    curve.length_mm = search.length_mm;
    curve.placement = Placement(curve.alpha, phi, side_case(chord, state.side_offset));
    return TARN_OK;
}

// Entry steps, then the placed curve; the result code of the construction.
std::int32_t enter_and_place(Construction& c, const ThreePoints& p, double a, double mormm) {
    if (!enter(c.state, p, mormm)) {
        return TARN_ERROR_INVALID_ARGUMENT;
    }
    return place_curve(c.state, a, c.curve);
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

void add_vertex(Construction& c, Point vertex, double station_m, double offset_mm) {
    if (c.stream != nullptr) {
        c.stream->add(c, vertex, station_m, offset_mm);
        return;
    }
    c.vertices.push_back(vertex);
    c.stations_m.push_back(station_m);
    c.offsets_mm.push_back(offset_mm);
}

// The vertices at the stations s = pitch, 2 pitch, ... (repeated addition)
// while s < end - pitch, after `first` at station 0.
template <typename VertexAt>
void add_stations(Construction& c, double end_m, double pitch, Point first, double first_offset,
                  VertexAt vertex_at) {
    if (c.stream == nullptr) {
        const long stations = count_stations(end_m, pitch, kMaxPolylineVertices);
        c.vertices.reserve(stations + 2);
        c.stations_m.reserve(stations + 2);
        c.offsets_mm.reserve(stations + 2);
    }
    add_vertex(c, first, 0.0, first_offset);
    double s = 0.0;
    if (end_m - pitch > 0) {
        do {
            s += pitch;
            double offset = 0.0;
            const Point vertex = vertex_at(s, offset);
            add_vertex(c, vertex, s, offset);
        } while (s < end_m - pitch);
    }
}

// A line record; each end's offset is its distance from the curve point of
// its station, right of the direction of travel positive.
void set_line(Construction& c, Point start, Point end, double station_m) {
    c.record = RecordKind::line;
    const Point on_curve = c.curve.point_at(station_m);
    const double travel = c.curve.tangent_direction(station_m);
    for (const Point vertex : {start, end}) {
        const Point d = vertex - on_curve;
        add_vertex(c, vertex, station_m, d.x * portable_sin(travel) - d.y * portable_cos(travel));
    }
}

Construction refused(Construction c, std::int32_t result) {
    c.result = result;
    c.vertices.clear();
    c.stations_m.clear();
    c.offsets_mm.clear();
    return c;
}

// The exports' side: the state record as the computation left it, then the
// script file, only when the input was accepted.
std::int32_t write_script_file(CurveState& state, const Construction& c) {
    state = c.state;
    if (c.result != TARN_OK) {
        return c.result;
    }
    TextFile file = TextFile::create(kScriptFileName);
    if (!file) {
        return TARN_ERROR_FILE;
    }
    write_script(c, file.stream());
    return file.close() ? TARN_OK : TARN_ERROR_FILE;
}

// The polyline exports' stream: the script file, created at the first vertex
// (after `before_file`, the centre line's parameter record), so that a refused
// input, which computes no vertex, never touches it. Writes what
// write_script_file writes from the lists.
class ScriptFileStream final : public VertexStream {
public:
    explicit ScriptFileStream(std::function<bool()> before_file = {})
        : before_file_(std::move(before_file)) {}

    void add(const Construction& c, Point vertex, double, double) override {
        if (failed_) {
            return;
        }
        if (vertices_ == 0) {
            if (!open()) {
                return;
            }
            state_ = c.state;
            state_.polyline_started = 0;
        } else {
            write_polyline_vertex(state_, previous_, vertex, file_.stream());
        }
        previous_ = vertex;
        ++vertices_;
    }

    // The export's result once the construction has ended.
    std::int32_t finish(CurveState& state, const Construction& c) {
        state = c.state;
        if (c.result != TARN_OK) {
            return c.result;
        }
        if (vertices_ == 0) {
            open(); // no record, as from empty lists
        }
        return !failed_ && file_.close() ? TARN_OK : TARN_ERROR_FILE;
    }

private:
    bool open() {
        failed_ = (before_file_ && !before_file_()) || !(file_ = TextFile::create(kScriptFileName));
        return !failed_;
    }

    std::function<bool()> before_file_;
    TextFile file_;
    CurveState state_;
    Point previous_{};
    long vertices_ = 0;
    bool failed_ = false;
};

} // namespace

Point PlacedCurve::point_at(double s_m) const {
    return placement.place(clothoid_point(a, s_m));
}

double PlacedCurve::tangent_direction(double s_m) const {
    return travel_direction(alpha, placement.phi(), tangent_angle_m(a, s_m), placement.side());
}

Construction compute_normal_at_end(const ThreePoints& p, double a, double mormm) {
    Construction c;
    if (!valid_points(p) || !valid_parameter(a)) {
        return refused(c, TARN_ERROR_INVALID_ARGUMENT);
    }
    if (std::int32_t result = enter_and_place(c, p, a, mormm)) {
        return refused(c, result);
    }
    const double tau = tangent_angle_mm(a, c.curve.length_mm);
    const double psi = normal_direction_line(c.curve.alpha, c.curve.placement.phi(), tau,
                                             c.curve.placement.side());
    // The line starts at p1 itself, not at a computed point.
    const Point start = c.state.end_offset;
    const Point end{start.x + 10000.0 * portable_cos(psi), start.y + 10000.0 * portable_sin(psi)};
    set_line(c, start, end, c.curve.length_mm * 0.001);
    return c;
}

Construction compute_perpendicular(const ThreePoints& p, double p3x, double p3y, double a,
                                   double mormm) {
    Construction c;
    if (!valid_points(p) || !all_finite({p3x, p3y}) || !valid_parameter(a)) {
        return refused(c, TARN_ERROR_INVALID_ARGUMENT);
    }
    if (!enter(c.state, p, mormm)) {
        return refused(c, TARN_ERROR_INVALID_ARGUMENT);
    }
    const double scale = mormm == 0.0 ? 1000.0 : 1.0;
    const Point target = Point{p3x * scale, p3y * scale} - c.state.origin;
    if (!all_finite({target.x, target.y})) {
        return refused(c, TARN_ERROR_INVALID_ARGUMENT);
    }
    if (std::int32_t result = place_curve(c.state, a, c.curve)) {
        return refused(c, result);
    }
    const FootSearch foot = find_foot_point(a, c.curve.placement, target);
    if (foot.status != SearchStatus::found) {
        return refused(c, search_failure(foot.status));
    }
    set_line(c, target, foot.foot, std::fabs(foot.length_mm) * 0.001);
    return c;
}

Construction compute_normal_at_length(const ThreePoints& p, double a, double LLL, double mormm) {
    Construction c;
    if (!valid_points(p) || !std::isfinite(LLL) || !valid_parameter(a)) {
        return refused(c, TARN_ERROR_INVALID_ARGUMENT);
    }
    if (std::int32_t result = enter_and_place(c, p, a, mormm)) {
        return refused(c, result);
    }
    const double tau = tangent_angle_m(a, LLL);
    if (tau > kMaxTangentAngle) {
        return refused(c, TARN_ERROR_ANGLE_TOO_LARGE);
    }
    const Point station = c.curve.point_at(LLL);
    const double psi = normal_direction_line(c.curve.alpha, c.curve.placement.phi(), tau,
                                             c.curve.placement.side());
    const Point end{station.x + 10000.0 * portable_cos(psi),
                    station.y + 10000.0 * portable_sin(psi)};
    set_line(c, station, end, std::fabs(LLL));
    return c;
}

double curve_length(CurveState& state, const ThreePoints& p, double a, double mormm) {
    PlacedCurve curve;
    if (!valid_points(p) || !valid_parameter(a) || !enter(state, p, mormm) ||
        place_curve(state, a, curve) != TARN_OK) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    return curve.length_mm * 0.001;
}

Construction place_centre_line(const ThreePoints& p, double a, double pitch, double mormm) {
    Construction c;
    if (!valid_points(p) || !valid_parameter(a) || !std::isfinite(pitch) || !(pitch > 0.0)) {
        return refused(c, TARN_ERROR_INVALID_ARGUMENT);
    }
    if (std::int32_t result = enter_and_place(c, p, a, mormm)) {
        return refused(c, result);
    }
    if (too_many_vertices(c.curve.length_mm * 0.001, pitch)) {
        return refused(c, TARN_ERROR_TOO_MANY_VERTICES);
    }
    return c;
}

namespace {

void add_centre_line_vertices(Construction& c, double pitch) {
    const double end_m = c.curve.length_mm * 0.001;
    add_stations(c, end_m, pitch, Point{}, 0.0,
                 [&](double s, double&) { return c.curve.point_at(s); });
    // The curve ends exactly at p1, not at a computed point.
    add_vertex(c, c.state.end_offset, end_m, 0.0);
}

} // namespace

void stream_centre_line(const Construction& placed, double pitch, VertexStream& stream) {
    Construction c = placed;
    c.stream = &stream;
    add_centre_line_vertices(c, pitch);
}

Construction compute_centre_line(const ThreePoints& p, double a, double pitch, double mormm,
                                 VertexStream* stream) {
    Construction c = place_centre_line(p, a, pitch, mormm);
    c.stream = stream;
    if (c.result == TARN_OK) {
        add_centre_line_vertices(c, pitch);
    }
    return c;
}

Construction compute_parallel_line(const ThreePoints& p, double a, double pitch, double mormm,
                                   double w, double dw, double transition, VertexStream* stream) {
    Construction c;
    c.stream = stream;
    if (!valid_points(p) || !valid_parameter(a) || !all_finite({pitch, w, dw}) || !(pitch > 0.0)) {
        return refused(c, TARN_ERROR_INVALID_ARGUMENT);
    }
    if (std::int32_t result = enter_and_place(c, p, a, mormm)) {
        return refused(c, result);
    }
    const double length_mm = c.curve.length_mm;
    if (too_many_vertices(length_mm * 0.001, pitch)) {
        return refused(c, TARN_ERROR_TOO_MANY_VERTICES);
    }
    // The widening lies on the offset's side; an offset of 0 counts as negative.
    const double w_mm = w * 1000.0;
    double dw_mm = std::fabs(dw * 1000.0);
    if (w_mm <= 0) {
        dw_mm = -dw_mm;
    }
    const double alpha = c.curve.alpha;
    const double phi = c.curve.placement.phi();
    const SideCase side = c.curve.placement.side();

    // The side is taken where the normal points at KA and then kept relative to
    // the direction of travel: the offset normal's half plane is fixed in the
    // drawing, and a tangent turning through the vertical would otherwise take
    // the line across the curve.
    const TravelSide kept = offset_side(alpha, phi, 0.0, side);
    const double to_right = kept == TravelSide::right ? 1.0 : -1.0;
    const Point start = offset_point_kept(Point{}, alpha, phi, 0.0, w_mm, side, kept);
    add_stations(
        c, length_mm * 0.001, pitch, start, to_right * w_mm, [&](double s, double& offset) {
            const double tau = tangent_angle_m(a, s);
            const Point station = c.curve.point_at(s);
            if (transition == 1.0) {
                offset = s * dw_mm * 1000.0 / length_mm + w_mm;
            } else {
                const double u = s * 1000.0 / length_mm;
                const double u3 = u * u * u;
                const double u4 = u3 * u;
                offset = dw_mm * (4.0 * u3 - 3.0 * u4) + w_mm;
            }
            const Point vertex = offset_point_kept(station, alpha, phi, tau, offset, side, kept);
            offset *= to_right;
            return vertex;
        });
    const double tau_end = tangent_angle_mm(a, length_mm);
    add_vertex(c,
               offset_point_kept(c.state.end_offset, alpha, phi, tau_end, w_mm + dw_mm, side, kept),
               length_mm * 0.001, to_right * (w_mm + dw_mm));
    return c;
}

Construction place_centre_line_of_length(const ThreePoints& p, double a, double pitch, double mormm,
                                         double LC) {
    Construction c;
    if (!valid_points(p) || !valid_parameter(a) || !all_finite({pitch, LC}) || !(pitch > 0.0) ||
        !enter(c.state, p, mormm)) {
        return refused(c, TARN_ERROR_INVALID_ARGUMENT);
    }
    if (tangent_angle_m(a, LC) > kMaxTangentAngle) {
        return refused(c, TARN_ERROR_ANGLE_TOO_LARGE);
    }
    if (too_many_vertices(LC, pitch)) {
        return refused(c, TARN_ERROR_TOO_MANY_VERTICES);
    }
    // p1 only gives the tangent at p0: no chord search, phi = 0.
    c.curve.a = a;
    c.curve.alpha = portable_atan2(c.state.end_offset.y, c.state.end_offset.x);
    c.curve.length_mm = std::fabs(LC) * 1000.0;
    c.curve.placement =
        Placement(c.curve.alpha, 0.0, side_case(c.state.end_offset, c.state.side_offset));
    return c;
}

namespace {

void add_centre_line_of_length_vertices(Construction& c, double pitch, double LC) {
    add_stations(c, LC, pitch, Point{}, 0.0,
                 [&](double s, double&) { return c.curve.point_at(s); });
    add_vertex(c, c.curve.point_at(LC), std::fabs(LC), 0.0);
}

} // namespace

void stream_centre_line_of_length(const Construction& placed, double pitch, double LC,
                                  VertexStream& stream) {
    Construction c = placed;
    c.stream = &stream;
    add_centre_line_of_length_vertices(c, pitch, LC);
}

Construction compute_centre_line_of_length(const ThreePoints& p, double a, double pitch,
                                           double mormm, double LC, VertexStream* stream) {
    Construction c = place_centre_line_of_length(p, a, pitch, mormm, LC);
    c.stream = stream;
    if (c.result == TARN_OK) {
        add_centre_line_of_length_vertices(c, pitch, LC);
    }
    return c;
}

void write_script(const Construction& c, std::FILE* out) {
    if (c.result != TARN_OK || c.vertices.size() < 2) {
        return; // a refused construction has no record
    }
    CurveState state = c.state;
    state.polyline_started = 0;
    if (c.record == RecordKind::line) {
        write_line(state, c.vertices[0], c.vertices[1], out);
        return;
    }
    for (size_t i = 1; i < c.vertices.size(); ++i) {
        write_polyline_vertex(state, c.vertices[i - 1], c.vertices[i], out);
    }
}

std::int32_t normal_at_end(CurveState& state, const ThreePoints& p, double a, double mormm) {
    return write_script_file(state, compute_normal_at_end(p, a, mormm));
}

std::int32_t perpendicular_from_point(CurveState& state, const ThreePoints& p, double p3x,
                                      double p3y, double a, double mormm) {
    return write_script_file(state, compute_perpendicular(p, p3x, p3y, a, mormm));
}

std::int32_t normal_at_length(CurveState& state, const ThreePoints& p, double a, double LLL,
                              double mormm) {
    return write_script_file(state, compute_normal_at_length(p, a, LLL, mormm));
}

std::int32_t centre_line(CurveState& state, const ThreePoints& p, double a, double pitch,
                         double mormm) {
    ScriptFileStream stream([&] {
        return write_parameter_record({mormm, p.p0x, p.p0y, p.p1x, p.p1y, p.p2x, p.p2y, a, pitch});
    });
    return stream.finish(state, compute_centre_line(p, a, pitch, mormm, &stream));
}

std::int32_t parallel_line(CurveState& state, const ThreePoints& p, double a, double pitch,
                           double mormm, double w, double dw, double transition) {
    ScriptFileStream stream;
    return stream.finish(state,
                         compute_parallel_line(p, a, pitch, mormm, w, dw, transition, &stream));
}

std::int32_t centre_line_of_length(CurveState& state, const ThreePoints& p, double a, double pitch,
                                   double mormm, double LC) {
    ScriptFileStream stream;
    return stream.finish(state, compute_centre_line_of_length(p, a, pitch, mormm, LC, &stream));
}

} // namespace curvelib
