// One construction of the curve library, as the command line asks for it,
// and its computed geometry in drawing coordinates.
#pragma once

#include "curvelib/constructions.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tarn_cli {

enum class Kind { centre, parallel, normal, normal_at, perpendicular, centre_of_length };

struct Request {
    Kind kind = Kind::centre;
    curvelib::ThreePoints points{0, 0, 0, 0, 0, 0}; // KA, KE (or tangent point), side point
    double a = 0.0;
    double pitch = 0.1;
    bool millimetres = false;
    double w = 0.0;
    double dw = 0.0;
    bool quartic = false;
    double at = 0.0;     // normal-at: station in metres
    double length = 0.0; // centre-of-length: curve length in metres
    double from_x = 0.0; // perpendicular: the outside point
    double from_y = 0.0;
};

// The computed construction. Coordinates handed out are absolute drawing
// coordinates in drawing units (metres, or millimetres with --unit mm).
class Result {
public:
    explicit Result(const Request& request);

    const Request& request() const { return request_; }
    const curvelib::Construction& construction() const { return construction_; }
    std::int32_t code() const { return construction_.result; }
    bool polyline() const { return construction_.record == curvelib::RecordKind::polyline; }

    std::size_t vertex_count() const { return construction_.vertices.size(); }
    curvelib::Point vertex(std::size_t i) const;
    double station_m(std::size_t i) const { return construction_.stations_m[i]; }
    // Signed distance from the curve, right of the direction of travel positive.
    double offset_m(std::size_t i) const { return construction_.offsets_mm[i] * 0.001; }
    // The vertices a table or a drawing file lists: a polyline's each at least
    // 1e-9 m from the one before; a station that lands within that of the end
    // gives way to the end itself. Both ends of a line.
    std::vector<std::size_t> listed_vertices() const;
    // The same indices handed to f in order, without a list.
    template <typename F> void for_each_listed(F f) const;

    // The clothoid itself: its length, where it lies, how it turns.
    double curve_length_m() const { return construction_.curve.length_mm * 0.001; }
    double a() const { return construction_.curve.a; }
    curvelib::Point curve_point(double station_m) const;
    double tangent_direction(double station_m) const {
        return construction_.curve.tangent_direction(station_m);
    }
    bool turns_left() const { return construction_.curve.turns_left(); }
    // Input points in drawing coordinates.
    curvelib::Point ka() const;
    curvelib::Point ke() const;
    curvelib::Point side() const;
    // Drawing units per metre: 1 or 1000.
    double units_per_metre() const { return request_.millimetres ? 1000.0 : 1.0; }

private:
    // Vertices i and j less than 1e-9 m apart.
    bool coincides(std::size_t i, std::size_t j) const;

    Request request_;
    curvelib::Construction construction_;
};

template <typename F> void Result::for_each_listed(F f) const {
    const std::size_t count = vertex_count();
    // The last listed index is held back one step: a station that lands on
    // the end gives way to the end.
    bool held = false;
    std::size_t last = 0;
    std::size_t listed = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (held && polyline() && coincides(i, last)) {
            if (i + 1 < count || listed == 1) {
                continue;
            }
            held = false; // the end replaces it
            --listed;
        }
        if (held) {
            f(last);
        }
        held = true;
        last = i;
        ++listed;
    }
    if (held) {
        f(last);
    }
}

// What the construction is called in summaries and layer names.
const char* kind_title(Kind kind);

// The meaning of a library result code, as one line.
std::string refusal_text(std::int32_t code);

} // namespace tarn_cli
