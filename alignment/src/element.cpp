#include "tarn/alignment/element.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace tarn::alignment {
namespace {

// Ten-point Gauss-Legendre nodes and weights on [-1, 1] (positive half).
constexpr std::array<double, 5> kNodes = {0.1488743389816312108848260, 0.4333953941292471907992659,
                                          0.6794095682990244062343274, 0.8650633666889845107320967,
                                          0.9739065285171717200779640};
constexpr std::array<double, 5> kWeights = {
    0.2955242247147528701738930, 0.2692667193099963550912269, 0.2190863625159820439955349,
    0.1494513491505805931457763, 0.0666713443086881375935688};

// Largest change of direction over one quadrature piece: with ten nodes the
// error is far below 1e-12 m per piece at this size.
constexpr double kMaxTurnPerPiece = 0.25;
// The readers refuse elements that turn more than 100 radians; beyond that
// (or for a NaN) no count of pieces would help, and the cast must not overflow.
constexpr double kMostPieces = 1e6;

double direction_at(const Element& e, double s) {
    const double dk = e.curvature_end - e.curvature_start;
    return e.start_direction + e.curvature_start * s + 0.5 * dk * s * s / e.length;
}

} // namespace

double Element::parameter() const {
    const double dk = std::fabs(curvature_end - curvature_start);
    return kind == ElementKind::spiral && dk > 0.0 ? std::sqrt(length / dk) : 0.0;
}

Pose evaluate(const Element& e, double s) {
    Pose pose;
    pose.direction = direction_at(e, s);
    pose.curvature = e.length > 0.0
                         ? e.curvature_start + (e.curvature_end - e.curvature_start) * s / e.length
                         : e.curvature_start;
    if (e.kind == ElementKind::line || (e.kind == ElementKind::arc && e.curvature_start == 0.0)) {
        pose.point = {e.start.x + s * std::cos(e.start_direction),
                      e.start.y + s * std::sin(e.start_direction)};
        return pose;
    }
    if (e.kind == ElementKind::arc) {
        // Chord of length 2R sin(Δ/2) along the mean direction.
        const double half_turn = 0.5 * e.curvature_start * s;
        const double chord = std::fabs(half_turn) > 1e-9
                                 ? 2.0 * std::sin(half_turn) / e.curvature_start
                                 : s * (1.0 - half_turn * half_turn / 6.0);
        const double mean = e.start_direction + half_turn;
        pose.point = {e.start.x + chord * std::cos(mean), e.start.y + chord * std::sin(mean)};
        return pose;
    }
    const double max_curvature = std::max(std::fabs(e.curvature_start), std::fabs(pose.curvature));
    const double wanted = std::ceil(max_curvature * s / kMaxTurnPerPiece);
    const int pieces = !(wanted > 1.0) ? 1 : static_cast<int>(std::min(wanted, kMostPieces));
    const double h = s / pieces;
    double dx = 0.0;
    double dy = 0.0;
    for (int i = 0; i < pieces; ++i) {
        const double mid = (i + 0.5) * h;
        for (std::size_t k = 0; k < kNodes.size(); ++k) {
            for (const double sign : {-1.0, 1.0}) {
                const double theta = direction_at(e, mid + sign * kNodes[k] * 0.5 * h);
                dx += kWeights[k] * std::cos(theta);
                dy += kWeights[k] * std::sin(theta);
            }
        }
    }
    pose.point = {e.start.x + 0.5 * h * dx, e.start.y + 0.5 * h * dy};
    return pose;
}

double direction_between(Point a, Point b) {
    const double d = std::atan2(b.y - a.y, b.x - a.x);
    return d < 0.0 ? d + 2.0 * 3.14159265358979323846 : d;
}

} // namespace tarn::alignment
