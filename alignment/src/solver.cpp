#include "tarn/alignment/solver.h"

#include <cmath>
#include <cstdio>

namespace tarn::alignment {
namespace {

constexpr double kPi = 3.14159265358979323846;
// An IA closer than this to 0 or 180° leaves no curve to fit.
constexpr double kAngleTolerance = 1e-9;

struct Piece {
    ElementKind kind;
    double length;
    double k0;
    double k1;
    std::string start_name;
    std::string end_name;
};

std::string metres(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.3f m", value);
    return text;
}

double wrap(double angle) {
    while (angle > kPi) {
        angle -= 2 * kPi;
    }
    while (angle <= -kPi) {
        angle += 2 * kPi;
    }
    return angle;
}

// The elements of the curve at IP i, curvatures signed by the turn; empty
// for none. Returns an error text or empty.
std::string curve_pieces(const IntersectionPoint& ip, std::size_t i, double turn,
                         std::vector<Piece>& pieces) {
    const CurveSpec& c = ip.spec;
    const std::string n = std::to_string(i);
    const double sign = turn > 0 ? 1.0 : -1.0;
    const double ia = std::fabs(turn);
    const auto positive = [](double v) { return v > 0.0; };
    const auto non_negative = [](double v) { return v >= 0.0; };
    switch (c.type) {
    case CurveType::none:
        return {};
    case CurveType::circle:
        if (!positive(c.r)) {
            return "a simple curve needs R > 0";
        }
        pieces.push_back({ElementKind::arc, c.r * ia, sign / c.r, sign / c.r, "BC" + n, "EC" + n});
        return {};
    case CurveType::clothoid: {
        if (!positive(c.r) || !non_negative(c.a1) || !non_negative(c.a2)) {
            return "a clothoid curve needs R > 0 and A1, A2 of 0 or more";
        }
        const double k = sign / c.r;
        const double l1 = c.a1 * c.a1 / c.r;
        const double l2 = c.a2 * c.a2 / c.r;
        const double circle = c.r * ia - 0.5 * (l1 + l2);
        if (circle < -1e-9) {
            return "the circle would get a negative length (" + metres(circle) +
                   "): the clothoids turn more than IA";
        }
        const std::string in = l1 > 0 ? "KE" + n + "-1" : "BC" + n;
        const std::string out = l2 > 0 ? "KE" + n + "-2" : "EC" + n;
        if (l1 > 0) {
            pieces.push_back({ElementKind::spiral, l1, 0.0, k, "KA" + n + "-1", in});
        }
        if (circle > 0) {
            pieces.push_back({ElementKind::arc, circle, k, k, in, out});
        }
        if (l2 > 0) {
            pieces.push_back({ElementKind::spiral, l2, k, 0.0, out, "KA" + n + "-2"});
        }
        return {};
    }
    case CurveType::convex: {
        if (!positive(c.a1) || !positive(c.a2)) {
            return "a convex pair needs A1 > 0 and A2 > 0";
        }
        // The two clothoids turn A²/(2R²) each and together IA.
        const double r = std::sqrt((c.a1 * c.a1 + c.a2 * c.a2) / (2.0 * ia));
        const double k = sign / r;
        pieces.push_back({ElementKind::spiral, c.a1 * c.a1 / r, 0.0, k, "KA" + n + "-1", "KE" + n});
        pieces.push_back({ElementKind::spiral, c.a2 * c.a2 / r, k, 0.0, "KE" + n, "KA" + n + "-2"});
        return {};
    }
    case CurveType::egg: {
        if (!positive(c.r) || !positive(c.r2) || !positive(c.ae) || c.r == c.r2 ||
            !non_negative(c.a1) || !non_negative(c.a2)) {
            return "an egg curve needs R > 0, R2 > 0 (not equal), Ae > 0 and A1, A2 of 0 or more";
        }
        if ((c.lc1 != 0.0) == (c.lc2 != 0.0)) {
            return "an egg curve needs exactly one of Lc1 and Lc2";
        }
        if (c.lc1 < 0 || c.lc2 < 0) {
            return "an egg curve's circle lengths are positive";
        }
        const double k1 = sign / c.r;
        const double k2 = sign / c.r2;
        const double l1 = c.a1 * c.a1 / c.r;
        const double le = c.ae * c.ae * std::fabs(1.0 / c.r2 - 1.0 / c.r);
        const double l2 = c.a2 * c.a2 / c.r2;
        // Turn of everything but the missing circle.
        const double fixed = 0.5 * l1 / c.r + 0.5 * le * (1.0 / c.r + 1.0 / c.r2) +
                             0.5 * l2 / c.r2 + c.lc1 / c.r + c.lc2 / c.r2;
        const double missing = (ia - fixed) * (c.lc1 != 0.0 ? c.r2 : c.r);
        if (missing < -1e-9) {
            return "the egg's circle " + std::string(c.lc1 != 0.0 ? "R2" : "R") +
                   " would get a negative length (" + metres(missing) + ")";
        }
        const double lc1 = c.lc1 != 0.0 ? c.lc1 : std::max(missing, 0.0);
        const double lc2 = c.lc2 != 0.0 ? c.lc2 : std::max(missing, 0.0);
        const std::string in = l1 > 0 ? "KE" + n + "-1" : "BC" + n;
        const std::string out = l2 > 0 ? "KE" + n + "-2" : "EC" + n;
        if (l1 > 0) {
            pieces.push_back({ElementKind::spiral, l1, 0.0, k1, "KA" + n + "-1", in});
        }
        if (lc1 > 0) {
            pieces.push_back({ElementKind::arc, lc1, k1, k1, in, "KEE" + n});
        }
        pieces.push_back({ElementKind::spiral, le, k1, k2, lc1 > 0 ? "KEE" + n : in, "KAE" + n});
        if (lc2 > 0) {
            pieces.push_back({ElementKind::arc, lc2, k2, k2, "KAE" + n, out});
        }
        if (l2 > 0) {
            pieces.push_back(
                {ElementKind::spiral, l2, k2, 0.0, lc2 > 0 ? out : "KAE" + n, "KA" + n + "-2"});
        }
        return {};
    }
    }
    return "unknown curve type";
}

// A radius too small for its inverse, say, leaves values no curve can have.
bool computable(const std::vector<Piece>& pieces) {
    for (const Piece& piece : pieces) {
        if (!std::isfinite(piece.length) || !std::isfinite(piece.k0) || !std::isfinite(piece.k1)) {
            return false;
        }
    }
    return true;
}

double cross(Point a, Point b) {
    return a.x * b.y - a.y * b.x;
}

Point unit(double direction) {
    return {std::cos(direction), std::sin(direction)};
}

} // namespace

Solution solve(std::vector<IntersectionPoint> points) {
    Solution solution;
    Alignment& a = solution.alignment;
    const auto fail = [&](std::string text) { solution.errors.push_back({0, std::move(text)}); };
    if (points.size() < 2) {
        fail("an alignment needs BP and EP");
        return solution;
    }
    const std::size_t n = points.size();
    std::vector<double> leg(n - 1);
    std::vector<double> heading(n - 1);
    for (std::size_t i = 0; i + 1 < n; ++i) {
        const Point p = points[i].point;
        const Point q = points[i + 1].point;
        leg[i] = std::hypot(q.x - p.x, q.y - p.y);
        heading[i] = direction_between(p, q);
        if (leg[i] == 0.0) {
            fail(points[i].name + ", " + points[i + 1].name + ": two consecutive points are equal");
        }
    }
    if (!solution.ok()) {
        return solution;
    }

    // Each curve solved on its own: its pieces, their turn, T1 and T2.
    std::vector<std::vector<Piece>> curves(n);
    for (std::size_t i = 1; i + 1 < n; ++i) {
        IntersectionPoint& ip = points[i];
        const double turn = wrap(heading[i] - heading[i - 1]);
        ip.deflection = turn;
        if (std::fabs(std::fabs(turn) - kPi) < kAngleTolerance) {
            fail(ip.name + ": IA is 180°, the line turns back on itself");
            continue;
        }
        if (ip.spec.type == CurveType::none) {
            continue;
        }
        if (std::fabs(turn) < kAngleTolerance) {
            fail(ip.name + ": IA is 0, there is no turn to fit a curve to");
            continue;
        }
        const std::string error = curve_pieces(ip, i, turn, curves[i]);
        if (!error.empty()) {
            fail(ip.name + ": " + error);
            continue;
        }
        if (!computable(curves[i])) {
            fail(ip.name + ": the curve's values are too large or too small to compute");
            continue;
        }
        // Run the curve from the origin along the incoming tangent; its end
        // d = T1 u_in + T2 u_out gives both tangent lengths at once.
        Element e;
        e.start = {0.0, 0.0};
        e.start_direction = heading[i - 1];
        double length = 0.0;
        for (const Piece& piece : curves[i]) {
            e.kind = piece.kind;
            e.length = piece.length;
            e.curvature_start = piece.k0;
            e.curvature_end = piece.k1;
            const Pose end = evaluate(e, piece.length);
            e.start = end.point;
            e.start_direction = end.direction;
            length += piece.length;
        }
        const Point in = unit(heading[i - 1]);
        const Point out = unit(heading[i]);
        const double det = cross(in, out);
        ip.tangent_in = cross(e.start, out) / det;
        ip.tangent_out = cross(in, e.start) / det;
        ip.curve_length = length;
        if (!std::isfinite(ip.tangent_in) || !std::isfinite(ip.tangent_out)) {
            fail(ip.name + ": the curve's values are too large or too small to compute");
        } else if (ip.tangent_in < 0 || ip.tangent_out < 0) {
            fail(ip.name + ": the curve cannot close: a tangent length is negative (T1 " +
                 metres(ip.tangent_in) + ", T2 " + metres(ip.tangent_out) + ")");
        }
    }
    if (!solution.ok()) {
        return solution;
    }

    // The straights between the curves; a shortfall within the tolerance is
    // the S型's shared point.
    std::vector<double> straight(n - 1);
    for (std::size_t i = 0; i + 1 < n; ++i) {
        const double gap = leg[i] - points[i].tangent_out - points[i + 1].tangent_in;
        if (gap < -kSharedPointTolerance) {
            fail(points[i].name + ", " + points[i + 1].name + ": the curves overlap by " +
                 metres(-gap));
        }
        straight[i] = std::fabs(gap) <= kSharedPointTolerance ? 0.0 : gap;
    }
    if (!solution.ok()) {
        return solution;
    }

    // Chain the elements from BP, each starting where the last one ends.
    Point at = points[0].point;
    double distance = 0.0;
    a.main_points.push_back({points[0].name, 0.0, at, heading[0]});
    const auto add = [&](ElementKind kind, double length, double k0, double k1, double direction,
                         std::string start_name, std::string end_name, std::size_t ip) {
        Element e;
        e.kind = kind;
        e.start = at;
        e.start_direction = direction;
        e.length = length;
        e.curvature_start = k0;
        e.curvature_end = k1;
        e.start_name = std::move(start_name);
        e.end_name = std::move(end_name);
        e.ip = ip;
        const Pose end = evaluate(e, length);
        at = end.point;
        distance += length;
        a.elements.push_back(std::move(e));
        return end.direction;
    };
    for (std::size_t i = 0; i + 1 < n; ++i) {
        if (straight[i] > 0) {
            const std::string from =
                a.elements.empty() ? points[0].name : a.elements.back().end_name;
            const std::string to = i + 2 == n              ? points[n - 1].name
                                   : curves[i + 1].empty() ? points[i + 1].name
                                                           : curves[i + 1].front().start_name;
            add(ElementKind::line, straight[i], 0.0, 0.0, heading[i], from, to, 0);
        }
        if (i + 2 == n) {
            break;
        }
        if (curves[i + 1].empty()) {
            a.main_points.push_back({points[i + 1].name, distance, at, heading[i + 1]});
            continue;
        }
        double direction = heading[i];
        for (const Piece& piece : curves[i + 1]) {
            a.main_points.push_back({piece.start_name, distance, at, direction});
            direction = add(piece.kind, piece.length, piece.k0, piece.k1, direction,
                            piece.start_name, piece.end_name, i + 1);
        }
        a.main_points.push_back({curves[i + 1].back().end_name, distance, at, direction});
    }
    a.main_points.push_back({points[n - 1].name, distance, at, heading[n - 2]});
    a.ips = std::move(points);
    return solution;
}

} // namespace tarn::alignment
