// The seven constructions behind the exports, and their geometry for callers
// that want the points rather than a drawing script. Each computation refuses
// input that cannot give a meaningful curve and answers one of the TARN_
// result codes of curvelib.h; writing the script comes afterwards, so a refused
// input never touches a file.
#pragma once

#include "curvelib/script_output.h"

#include <cstdint>
#include <cstdio>
#include <vector>

namespace curvelib {

struct ThreePoints {
    double p0x, p0y, p1x, p1y, p2x, p2y;
};

// The clothoid as it lies in the drawing, relative to p0.
struct PlacedCurve {
    double a = 0.0;
    double alpha = 0.0;     // direction p0->p1
    double length_mm = 0.0; // arc length from p0 to the end of the curve
    Placement placement{0.0, 0.0, SideCase::right};

    // Offset from p0 (internal millimetres) of the point at station s (metres).
    Point point_at(double s_m) const;
    // Direction of travel at station s, radians counter-clockwise from +x.
    double tangent_direction(double s_m) const;
    // True when the curve turns counter-clockwise in the drawing.
    bool turns_left() const { return placement.side() == SideCase::right; }
};

enum class RecordKind { line, polyline };

struct Construction;

// Takes a polyline's vertices as the construction computes them, in place of
// the construction's own lists (which then stay empty): the exports write the
// script this way and hold no vertex list, whatever the count.
class VertexStream {
public:
    virtual ~VertexStream() = default;
    // With the station and the offset the construction's lists would hold.
    virtual void add(const Construction& construction, Point vertex, double station_m,
                     double offset_mm) = 0;
};

// What one construction computed: the vertices of its record as offsets from
// p0 in internal millimetres, with the station (metres from p0 along the
// curve) each belongs to and its signed distance from the curve there, right
// of the direction of travel positive.
struct Construction {
    std::int32_t result = 0;
    CurveState state; // as the entry steps leave it
    PlacedCurve curve;
    RecordKind record = RecordKind::polyline;
    std::vector<Point> vertices;
    std::vector<double> stations_m;
    std::vector<double> offsets_mm;
    VertexStream* stream = nullptr; // not owned; when set, the lists stay empty
};

Construction compute_normal_at_end(const ThreePoints& p, double a, double mormm);
Construction compute_perpendicular(const ThreePoints& p, double p3x, double p3y, double a,
                                   double mormm);
Construction compute_normal_at_length(const ThreePoints& p, double a, double LLL, double mormm);
Construction compute_centre_line(const ThreePoints& p, double a, double pitch, double mormm,
                                 VertexStream* stream = nullptr);
Construction compute_parallel_line(const ThreePoints& p, double a, double pitch, double mormm,
                                   double w, double dw, double transition,
                                   VertexStream* stream = nullptr);
Construction compute_centre_line_of_length(const ThreePoints& p, double a, double pitch,
                                           double mormm, double LC, VertexStream* stream = nullptr);

// The two centre lines in two steps, for a caller with more to decide before
// the vertices come: the construction as far as its refusals (result code,
// state and placed curve, no vertex), then, once accepted, its vertices into
// a stream. Together the same as compute_centre_line and
// compute_centre_line_of_length.
Construction place_centre_line(const ThreePoints& p, double a, double pitch, double mormm);
void stream_centre_line(const Construction& placed, double pitch, VertexStream& stream);
Construction place_centre_line_of_length(const ThreePoints& p, double a, double pitch, double mormm,
                                         double LC);
void stream_centre_line_of_length(const Construction& placed, double pitch, double LC,
                                  VertexStream& stream);

// Writes the construction's drawing script to an open text-mode stream,
// exactly as the exports write "auto_temp.txt".
void write_script(const Construction& construction, std::FILE* out);

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
