#include "construction.h"

#include "curvelib.h"

#include <cmath>

namespace tarn_cli {
namespace {

bool streams(const Request& r, Result::Vertices vertices) {
    return vertices == Result::Vertices::streamed &&
           (r.kind == Kind::centre || r.kind == Kind::centre_of_length);
}

curvelib::Construction compute(const Request& r, bool streamed) {
    const double mormm = r.millimetres ? 1.0 : 0.0;
    if (streamed) {
        // As far as the refusals; the vertices come with stream_vertices.
        return r.kind == Kind::centre
                   ? curvelib::place_centre_line(r.points, r.a, r.pitch, mormm)
                   : curvelib::place_centre_line_of_length(r.points, r.a, r.pitch, mormm, r.length);
    }
    switch (r.kind) {
    case Kind::centre:
        return curvelib::compute_centre_line(r.points, r.a, r.pitch, mormm);
    case Kind::parallel:
        return curvelib::compute_parallel_line(r.points, r.a, r.pitch, mormm, r.w, r.dw,
                                               r.quartic ? 2.0 : 1.0);
    case Kind::normal:
        return curvelib::compute_normal_at_end(r.points, r.a, mormm);
    case Kind::normal_at:
        return curvelib::compute_normal_at_length(r.points, r.a, r.at, mormm);
    case Kind::perpendicular:
        return curvelib::compute_perpendicular(r.points, r.from_x, r.from_y, r.a, mormm);
    case Kind::centre_of_length:
        break;
    }
    return curvelib::compute_centre_line_of_length(r.points, r.a, r.pitch, mormm, r.length);
}

} // namespace

Result::Result(const Request& request, Vertices vertices)
    : request_(request), streamed_(streams(request, vertices)),
      construction_(compute(request, streamed_)) {}

void Result::stream_vertices(curvelib::VertexStream& stream) const {
    if (code() != TARN_OK) {
        return;
    }
    if (request_.kind == Kind::centre) {
        curvelib::stream_centre_line(construction_, request_.pitch, stream);
    } else {
        curvelib::stream_centre_line_of_length(construction_, request_.pitch, request_.length,
                                               stream);
    }
}

curvelib::Point Result::drawing_point(curvelib::Point offset) const {
    return curvelib::drawing_point(construction_.state, offset);
}

curvelib::Point Result::vertex(std::size_t i) const {
    return drawing_point(construction_.vertices[i]);
}

bool coincide(curvelib::Point p, curvelib::Point q) {
    const curvelib::Point d = p - q;
    // Internal millimetres: 1e-6 mm is 1e-9 m. A component that large alone
    // decides it, without the hypotenuse (which is never below either).
    if (std::fabs(d.x) >= 1e-6 || std::fabs(d.y) >= 1e-6) {
        return false;
    }
    return std::hypot(d.x, d.y) < 1e-6;
}

std::vector<std::size_t> Result::listed_vertices() const {
    std::vector<std::size_t> listed;
    listed.reserve(vertex_count());
    for_each_listed([&](const ListedVertex& v) { listed.push_back(v.index); });
    return listed;
}

curvelib::Point Result::curve_point(double station) const {
    return curvelib::drawing_point(construction_.state, construction_.curve.point_at(station));
}

curvelib::Point Result::ka() const {
    return {request_.points.p0x, request_.points.p0y};
}
curvelib::Point Result::ke() const {
    return {request_.points.p1x, request_.points.p1y};
}
curvelib::Point Result::side() const {
    return {request_.points.p2x, request_.points.p2y};
}

const char* kind_title(Kind kind) {
    switch (kind) {
    case Kind::centre:
        return "centre line";
    case Kind::parallel:
        return "parallel line";
    case Kind::normal:
        return "normal at KE";
    case Kind::normal_at:
        return "normal at a station";
    case Kind::perpendicular:
        return "perpendicular";
    case Kind::centre_of_length:
        break;
    }
    return "centre line of given length";
}

std::string refusal_text(std::int32_t code) {
    switch (code) {
    case TARN_ERROR_INVALID_ARGUMENT:
        // The other causes are named before the library is called.
        return "invalid argument: the coordinates are too large to place a curve";
    case TARN_ERROR_ANGLE_TOO_LARGE:
        return "the curve would turn by more than 4 rad";
    case TARN_ERROR_TOO_MANY_VERTICES:
        return "the polyline would have more than 1,000,000 vertices";
    case TARN_ERROR_FILE:
        return "the output could not be written";
    case TARN_ERROR_SEARCH_FAILED:
        return "a length search made no progress (lengths beyond double resolution)";
    default:
        return "unknown result";
    }
}

} // namespace tarn_cli
