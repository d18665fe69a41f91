// One construction of the curve library, as the command line asks for it,
// and its computed geometry in drawing coordinates.
#pragma once

#include "curvelib/constructions.h"

#include <cstdint>
#include <optional>
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

// Whether two vertices (internal millimetres) lie less than 1e-9 m apart.
bool coincide(curvelib::Point p, curvelib::Point q);

// One vertex as a table or a drawing file lists it.
struct ListedVertex {
    std::size_t index = 0;  // in the construction's order
    curvelib::Point offset; // from p0, internal millimetres
    double station_m = 0.0;
    double offset_mm = 0.0;
    bool last = false; // the construction's last vertex
};

// Picks the listed vertices (see Result::listed_vertices) from all of them
// in order, handing each on once the next shows that it stays: a station that
// lands on the end gives way to the end, which is known only at finish().
template <typename Emit> class ListedFilter {
public:
    ListedFilter(bool polyline, Emit emit) : polyline_(polyline), emit_(emit) {}

    void add(curvelib::Point offset, double station_m, double offset_mm) {
        const ListedVertex v{count_++, offset, station_m, offset_mm, false};
        if (kept_ && polyline_ && coincide(v.offset, kept_->offset)) {
            candidate_ = v; // left out, unless it turns out to be the end
            return;
        }
        candidate_.reset();
        hand_on();
        kept_ = v;
        ++listed_;
    }

    void finish() {
        if (candidate_ && listed_ > 1) {
            kept_ = candidate_; // the end replaces the station before it
        }
        candidate_.reset();
        hand_on();
        kept_.reset();
    }

private:
    void hand_on() {
        if (kept_) {
            kept_->last = kept_->index + 1 == count_;
            emit_(*kept_);
        }
    }

    bool polyline_;
    Emit emit_;
    std::optional<ListedVertex> kept_;
    std::optional<ListedVertex> candidate_;
    std::size_t count_ = 0;
    std::size_t listed_ = 0;
};

// The computed construction. Coordinates handed out are absolute drawing
// coordinates in drawing units (metres, or millimetres with --unit mm).
class Result {
public:
    // streamed: a centre line keeps no vertex list; for_each_listed computes
    // its vertices as it hands them out (the other kinds keep their lists).
    enum class Vertices { kept, streamed };
    explicit Result(const Request& request, Vertices vertices = Vertices::kept);

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
    // The listed vertices handed to f(const ListedVertex&) in order, from the
    // lists or, streamed, as they are computed.
    template <typename F> void for_each_listed(F f) const;
    bool streamed() const { return streamed_; }
    // A vertex's offset from p0 in drawing coordinates.
    curvelib::Point drawing_point(curvelib::Point offset) const;

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
    // Streamed only: every vertex into stream, as the construction computes it.
    void stream_vertices(curvelib::VertexStream& stream) const;

    Request request_;
    bool streamed_;
    curvelib::Construction construction_;
};

template <typename F> void Result::for_each_listed(F f) const {
    ListedFilter<F&> filter(polyline(), f);
    if (streamed_) {
        struct Into final : curvelib::VertexStream {
            explicit Into(ListedFilter<F&>& to) : filter(to) {}
            void add(const curvelib::Construction&, curvelib::Point vertex, double station_m,
                     double offset_mm) override {
                filter.add(vertex, station_m, offset_mm);
            }
            ListedFilter<F&>& filter;
        } into(filter);
        stream_vertices(into);
    } else {
        const curvelib::Construction& c = construction_;
        for (std::size_t i = 0; i < c.vertices.size(); ++i) {
            filter.add(c.vertices[i], c.stations_m[i], c.offsets_mm[i]);
        }
    }
    filter.finish();
}

// What the construction is called in summaries and layer names.
const char* kind_title(Kind kind);

// The meaning of a library result code, as one line.
std::string refusal_text(std::int32_t code);

} // namespace tarn_cli
