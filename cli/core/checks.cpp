#include "checks.h"

#include "curvelib/geometry.h"
#include "numbers.h"

#include <cmath>

namespace tarn_cli {
namespace {

std::string point_text(double x, double y) {
    return exact(x) + "," + exact(y);
}

// The text of a number that names itself in a message ("--a 0").
std::string named(const char* option, double value) {
    return std::string(option) + " " + exact(value);
}

bool positive_polyline_pitch(Kind kind) {
    return kind == Kind::centre || kind == Kind::parallel || kind == Kind::centre_of_length;
}

std::string metres(double value) {
    return fixed(value, 3) + " m";
}

// The tangent angle beyond which the series may be off by more than 1e-6 m
// for this A (4 rad, the library's limit, when it never is).
double accurate_up_to(double a) {
    if (series_error_bound_m(a, curvelib::kMaxTangentAngle) <= 1e-6) {
        return curvelib::kMaxTangentAngle;
    }
    double below = 0.0, above = curvelib::kMaxTangentAngle;
    for (int i = 0; i < 60; ++i) {
        const double mid = 0.5 * (below + above);
        (series_error_bound_m(a, mid) <= 1e-6 ? below : above) = mid;
    }
    return below;
}

} // namespace

double series_error_bound_m(double a, double tau) {
    // tau^20 / (41 * 20!) and tau^21 / (43 * 21!), scaled by A sqrt(2 tau).
    const double factorial_20 = 2432902008176640000.0;
    const double t20 = std::pow(tau, 20.0);
    const double x_term = t20 / (41.0 * factorial_20);
    const double y_term = t20 * tau / (43.0 * 21.0 * factorial_20);
    return a * std::sqrt(2.0 * tau) * std::hypot(x_term, y_term);
}

std::string accuracy_warning(double a, double tau) {
    const double bound = series_error_bound_m(a, tau);
    if (!(bound > 1e-6)) {
        return {};
    }
    char text[200];
    std::snprintf(text, sizeof text,
                  "the curve turns by %.3f rad; beyond %.3f rad the points of a clothoid of "
                  "A = %s m may be off by more than 1e-6 m (here up to %.1e m)",
                  tau, accurate_up_to(a), exact(a).c_str(), bound);
    return text;
}

Findings check_input(const Request& r) {
    Findings f;
    f.library_code = true;
    auto refuse = [&](std::string text) {
        if (f.refusal.empty()) {
            f.refusal = std::move(text);
        }
    };
    const curvelib::ThreePoints& p = r.points;
    const bool of_length = r.kind == Kind::centre_of_length;
    struct Named {
        const char* option;
        double x, y;
    };
    const Named points[] = {{"--ka", p.p0x, p.p0y},
                            {"--ke", p.p1x, p.p1y},
                            {"--side", p.p2x, p.p2y},
                            {"--from", r.from_x, r.from_y}};
    for (const Named& n : points) {
        if (!std::isfinite(n.x) || !std::isfinite(n.y)) {
            refuse(std::string(n.option) + " " + point_text(n.x, n.y) + ": not a finite point");
        }
    }
    const struct {
        const char* option;
        double value;
        bool used;
    } numbers[] = {{"--a", r.a, true},
                   {"--pitch", r.pitch, positive_polyline_pitch(r.kind)},
                   {"--w", r.w, r.kind == Kind::parallel},
                   {"--dw", r.dw, r.kind == Kind::parallel},
                   {"--at", r.at, r.kind == Kind::normal_at},
                   {"--length", r.length, of_length}};
    for (const auto& n : numbers) {
        if (n.used && !std::isfinite(n.value)) {
            refuse(named(n.option, n.value) + ": not a finite number");
        }
    }
    if (!(r.a > 0)) {
        refuse(named("--a", r.a) + ": the clothoid parameter A must be greater than 0");
    }
    if (p.p0x == p.p1x && p.p0y == p.p1y) {
        refuse(std::string("--ke ") + point_text(p.p1x, p.p1y) + ": equals --ka" +
               (of_length ? ", so it gives no tangent direction" : ", so there is no curve"));
    }
    if (positive_polyline_pitch(r.kind) && !(r.pitch > 0)) {
        refuse(named("--pitch", r.pitch) + ": the vertex spacing must be greater than 0");
    }
    if (!f.refusal.empty()) {
        return f;
    }
    f.library_code = false;
    if (r.kind == Kind::normal_at && r.at < 0) {
        refuse(named("--at", r.at) + ": a station before KA (stations count from 0 at KA)");
    }
    if (of_length && !(r.length > 0)) {
        refuse(named("--length", r.length) + ": the curve length must be greater than 0");
    }
    return f;
}

Findings check_result(const Result& result) {
    Findings f;
    const Request& r = result.request();
    const curvelib::Construction& c = result.construction();
    const double length_m = result.curve_length_m();

    // The library takes a side point on the line KA-KE as the left case
    // without a word; the bend would be the user's guess.
    const curvelib::Point e = c.state.end_offset, s = c.state.side_offset;
    const double cross = e.x * s.y - e.y * s.x;
    if (!(std::fabs(cross) > 1e-9 * std::hypot(e.x, e.y) * std::hypot(s.x, s.y))) {
        f.refusal =
            "--side " + point_text(r.points.p2x, r.points.p2y) + ": lies on the line " +
            (r.kind == Kind::centre_of_length ? "of the tangent at KA" : "through KA and KE") +
            ", so it cannot tell which way the curve bends";
        return f;
    }

    double tau = curvelib::tangent_angle_m(result.a(), length_m);
    if (r.kind == Kind::normal_at) {
        if (r.at > length_m) {
            f.warnings.push_back(named("--at", r.at) + ": beyond KE (curve length " +
                                 metres(length_m) + "), on the clothoid's continuation");
        }
        tau = std::fmax(tau, curvelib::tangent_angle_m(result.a(), r.at));
    }
    if (r.kind == Kind::perpendicular) {
        const double foot = result.station_m(1);
        const curvelib::Point from{r.from_x, r.from_y};
        const curvelib::Point ka = result.ka();
        const double start = result.tangent_direction(0.0);
        const double ahead =
            ((from.x - ka.x) * std::cos(start) + (from.y - ka.y) * std::sin(start)) /
            result.units_per_metre();
        if (foot < 1e-6 && ahead < -1e-9) {
            f.refusal = "--from " + point_text(from.x, from.y) +
                        ": lies behind the normal at KA, so no perpendicular from it meets the "
                        "curve";
            return f;
        }
        if (foot > length_m + 1e-9) {
            f.warnings.push_back("--from " + point_text(from.x, from.y) +
                                 ": the foot lies beyond KE (station " + metres(foot) +
                                 ", curve length " + metres(length_m) +
                                 "), on the clothoid's continuation");
        }
        tau = std::fmax(tau, curvelib::tangent_angle_m(result.a(), foot));
    }
    if (r.kind == Kind::parallel) {
        // Towards the centre of curvature an offset reaching the radius
        // makes the line turn back on itself.
        const double inward = result.turns_left() ? -1.0 : 1.0;
        for (std::size_t i = 0; i < result.vertex_count(); ++i) {
            const double station = result.station_m(i);
            const double radius = station > 0 ? result.a() * result.a() / station : INFINITY;
            if (inward * result.offset_m(i) >= radius) {
                f.refusal = named("--w", r.w) + " with " + named("--dw", r.dw) +
                            ": the offset reaches " + metres(std::fabs(result.offset_m(i))) +
                            " towards the centre of curvature, where the radius is " +
                            metres(radius) + " (station " + metres(station) +
                            "), so the line would fold back";
                return f;
            }
        }
    }
    const std::string accuracy = accuracy_warning(result.a(), tau);
    if (!accuracy.empty()) {
        f.warnings.push_back(accuracy);
    }
    return f;
}

Findings check_elements(double a, const char* option, double value, double length) {
    Findings f;
    f.library_code = true;
    if (!std::isfinite(a) || !(a > 0)) {
        f.refusal = named("--a", a) + ": the clothoid parameter A must be a finite number above 0";
    } else if (!std::isfinite(value) || !(value > 0) || !std::isfinite(length) || !(length > 0)) {
        f.refusal = named(option, value) + ": must be a finite number above 0";
    } else if (const double tau = curvelib::tangent_angle_m(a, length);
               tau <= curvelib::kMaxTangentAngle) {
        const std::string accuracy = accuracy_warning(a, tau);
        if (!accuracy.empty()) {
            f.warnings.push_back(accuracy);
        }
    }
    return f;
}

} // namespace tarn_cli
