// Clothoid evaluation, placement of the curve from three points, and the
// searches along it. Lengths of points are internal millimetres; a and arc
// lengths handed to clothoid_point are metres.
#pragma once

#include <cstdint>

namespace curvelib {

// The rounded constants every construction uses; results depend on them.
constexpr double kPi = 3.1415926535898;
constexpr double kHalfPi = 1.5707963267949;

// Beyond this tangent angle the ten-term series drifts and no road curve goes.
constexpr double kMaxTangentAngle = 4.0;

struct Point {
    double x = 0.0;
    double y = 0.0;
};

inline Point operator+(Point p, Point q) {
    return {p.x + q.x, p.y + q.y};
}
inline Point operator-(Point p, Point q) {
    return {p.x - q.x, p.y - q.y};
}

extern const double x_series_denominators[10];
extern const double y_series_denominators[10];

// Point at arc length `length` (metres) on the clothoid of parameter `a`
// (metres), in the local frame, in millimetres.
Point clothoid_point(double a, double length);

// Tangent angle at an arc length held in metres or in internal millimetres.
inline double tangent_angle_m(double a, double length_m) {
    return length_m * length_m * 0.5 / (a * a);
}
inline double tangent_angle_mm(double a, double length_mm) {
    return length_mm * length_mm * 5e-7 / (a * a);
}

double relative_angle(Point p, double theta);

enum class SideCase { right, left };

// Right when p2 lies clockwise of the direction p0->p1, left otherwise.
SideCase side_case(Point end_offset, Point side_offset);

// How the local frame is laid into the drawing; cos/sin are taken once so
// that long polylines do not pay for them per vertex.
class Placement {
public:
    Placement(double theta, double phi, SideCase side_case);
    Point place(Point local) const;
    double theta() const { return theta_; }
    double phi() const { return phi_; }
    SideCase side() const { return side_; }

private:
    double theta_;
    double phi_;
    SideCase side_;
    double cos_;
    double sin_;
};

Point place_point(Point local, double theta, double phi, SideCase side_case);

enum class SearchStatus { found, angle_too_large, no_progress };

struct ChordSearch {
    SearchStatus status = SearchStatus::found;
    Point local;            // the point of the final evaluation
    double length_mm = 0.0; // arc length L, internal millimetres
    int evaluations = 0;
};

// Arc length at which the clothoid's chord from its origin equals chord_mm.
ChordSearch find_length_for_chord(double a, double chord_mm);

struct FootSearch {
    SearchStatus status = SearchStatus::found;
    Point foot;             // placed point, offset from p0 in internal millimetres
    double length_mm = 0.0; // its arc length from p0 (the sign does not matter)
};

// Placed point of the curve nearest to target (offset from p0).
FootSearch find_foot_point(double a, const Placement& placement, Point target);

// Direction of the normal for lines drawn at a station: [0, pi) in the right
// case, (-pi, 0] in the left case.
double normal_direction_line(double alpha, double phi, double tau, SideCase side_case);
// Direction of the normal for offsets: (-pi, 0] right, [0, pi) left, with a
// guard for a horizontal tangent.
double normal_direction_offset(double alpha, double phi, double tau, SideCase side_case);

Point offset_point(Point p, double alpha, double phi, double tau, double distance,
                   SideCase side_case);

// Direction of travel at a station: alpha - phi + tau in the right case,
// alpha + phi - tau in the left case.
double travel_direction(double alpha, double phi, double tau, SideCase side_case);

enum class TravelSide { left, right };

// The side of travel the offset variant's normal points to at a station. Its
// half plane is fixed in the drawing, so the side changes where the tangent
// turns through the vertical.
TravelSide offset_side(double alpha, double phi, double tau, SideCase side_case);

// offset_point kept on one side of travel: where the offset variant's normal
// points to the other side, the distance is taken the other way (the same
// bits as offset_point wherever it does not).
Point offset_point_kept(Point p, double alpha, double phi, double tau, double distance,
                        SideCase side_case, TravelSide side);

} // namespace curvelib
