#include "curvelib/geometry.h"

#include "portable_math.h"

#include <cmath>

namespace curvelib {

// (4n+1)(2n)! and (4n+3)(2n+1)!/3; from n = 7 on held to ten digits, as the
// curves drawn so far were computed with these very values.
constexpr double x_series_denominators[10] = {
    1.0,        10.0,        216.0,          9360.0,         685440.0,
    76204800.0, 1.197504e10, 2.528170445e12, 6.904520663e14, 2.368878271e17,
};
constexpr double y_series_denominators[10] = {
    1.0,         14.0,          440.0,          25200.0,        2298240.0,
    306028800.0, 5.60431872e10, 1.351263513e13, 4.149686661e15, 1.581386305e18,
};

namespace {

// Guards against input whose searches could otherwise run for hours.
constexpr int kMaxSearchEvaluations = 20'000'000;
constexpr int kSearchStepSizes = 14;

// 1000 / 10^k, with 10^k formed exactly (k is below 22) rather than by pow.
double search_step(int k) {
    double power = 1.0;
    for (int i = 0; i < k; ++i) {
        power *= 10.0;
    }
    return 1000.0 / power;
}

double distance(Point p, Point q) {
    const double dx = q.x - p.x;
    const double dy = q.y - p.y;
    return portable_sqrt(dx * dx + dy * dy);
}

enum class Probe { go_on, overshoot, too_far };

// The walk both length searches take: forward in steps of 1 m; after an
// overshoot two steps back and on with steps ten times smaller, fourteen step
// sizes in all (1 m down to 1e-10 mm). `probe` evaluates the curve at a
// length; `back` is told the length the walk went back to.
template <typename ProbeAt, typename Back>
SearchStatus walk_lengths(double& length, ProbeAt probe, Back back) {
    int evaluations = 0;
    int k = 0;
    while (k < kSearchStepSizes) {
        const double step = search_step(k);
        const double next = length + step;
        if (next == length) {
            // Below the resolution of the length: converged as far as doubles
            // go, unless even metre steps vanish.
            if (k == 0) {
                return SearchStatus::no_progress;
            }
            break;
        }
        if (++evaluations > kMaxSearchEvaluations) {
            return SearchStatus::no_progress;
        }
        length = next;
        const Probe outcome = probe(length);
        if (outcome == Probe::too_far) {
            return SearchStatus::angle_too_large;
        }
        if (outcome == Probe::go_on) {
            continue;
        }
        length -= 2.0 * step;
        back(length);
        ++k;
    }
    return SearchStatus::found;
}

// The x and y series side by side in the two lanes of one vector: each lane
// divides and adds exactly as the scalar form does, so the bits are the same,
// but a term's two divisions go through the divider together.
using DoublePair = double __attribute__((vector_size(16)));

struct PairedDenominators {
    DoublePair n[10];
};

constexpr PairedDenominators pair_denominators() {
    PairedDenominators paired{};
    for (int n = 0; n < 10; ++n) {
        paired.n[n] = DoublePair{x_series_denominators[n], y_series_denominators[n]};
    }
    return paired;
}

// Constant-initialised: a caller during another file's static initialisation
// finds it ready.
constexpr PairedDenominators kPairedDenominators = pair_denominators();

} // namespace

Point clothoid_point(double a, double length) {
    const double tau = length * length / (a * a + a * a);
    // The ten terms (-1)^n tau^(2n) by repeated multiplication; agrees with
    // the power-function form to double precision and is several times faster.
    const double tau_squared = tau * tau;
    double term = 1.0;
    DoublePair sums{0.0, 0.0};
    for (int n = 0; n < 10; ++n) {
        sums += DoublePair{term, term} / kPairedDenominators.n[n];
        term *= -tau_squared;
    }
    const double k = portable_sqrt(2.0 * tau);
    return {k * sums[0] * a * 1000.0, k * sums[1] * tau * a * 333.3333333333333};
}

double relative_angle(Point p, double theta) {
    const double t = -theta;
    const double u = p.x * portable_cos(t) - p.y * portable_sin(t);
    const double v = p.y * portable_cos(t) + p.x * portable_sin(t);
    return portable_atan2(v, u);
}

SideCase side_case(Point end_offset, Point side_offset) {
    // A side point on the line p0->p1 is the left case. The angles below would
    // decide that only by an exact cancellation (behind p0, e2 must come out
    // as +pi, not -pi), which the compiler's choice of precision can undo;
    // equal cross products are equal however they are rounded.
    if (end_offset.x * side_offset.y == end_offset.y * side_offset.x) {
        return SideCase::left;
    }
    const double alpha = portable_atan2(end_offset.y, end_offset.x);
    const double e1 = relative_angle(end_offset, alpha);
    const double e2 = relative_angle(side_offset, alpha);
    return e2 < e1 ? SideCase::right : SideCase::left;
}

Placement::Placement(double theta, double phi, SideCase side_case)
    : theta_(theta), phi_(phi), side_(side_case) {
    const double angle = side_ == SideCase::right ? theta - phi : theta + phi;
    cos_ = portable_cos(angle);
    sin_ = portable_sin(angle);
}

Point Placement::place(Point local) const {
    if (side_ == SideCase::right) {
        return {local.x * cos_ - local.y * sin_, local.y * cos_ + local.x * sin_};
    }
    // Mirrored about the local x axis, then turned: the curve turns clockwise.
    return {local.x * cos_ + local.y * sin_, local.x * sin_ - local.y * cos_};
}

Point place_point(Point local, double theta, double phi, SideCase side_case) {
    return Placement(theta, phi, side_case).place(local);
}

ChordSearch find_length_for_chord(double a, double chord_mm) {
    ChordSearch result;
    double length = chord_mm; // an arc is never shorter than its chord
    result.status = walk_lengths(
        length,
        [&](double at) {
            result.local = clothoid_point(a, at * 0.001);
            ++result.evaluations;
            const Point p = result.local;
            if (!(portable_sqrt(p.x * p.x + p.y * p.y) <= chord_mm)) {
                return Probe::overshoot;
            }
            return tangent_angle_mm(a, at) > kMaxTangentAngle ? Probe::too_far : Probe::go_on;
        },
        [](double) {});
    result.length_mm = length;
    if (result.status == SearchStatus::found && tangent_angle_mm(a, length) > kMaxTangentAngle) {
        result.status = SearchStatus::angle_too_large;
    }
    return result;
}

FootSearch find_foot_point(double a, const Placement& placement, Point target) {
    FootSearch result;
    double s = 0.0;
    double nearest = distance(Point{}, target);
    result.status = walk_lengths(
        s,
        [&](double at) {
            result.foot = placement.place(clothoid_point(a, at * 0.001));
            const double d = distance(target, result.foot);
            if (!(d <= nearest)) {
                return Probe::overshoot;
            }
            nearest = d;
            return tangent_angle_mm(a, at) > kMaxTangentAngle ? Probe::too_far : Probe::go_on;
        },
        [&](double back_at) {
            result.foot = placement.place(clothoid_point(a, back_at * 0.001));
            nearest = distance(target, result.foot);
        });
    result.length_mm = s;
    return result;
}

namespace {

// Formed from the library's own sin and cos, so it gives the same bits in
// every build.
double portable_tan(double angle) {
    return portable_sin(angle) / portable_cos(angle);
}

// The normal as atan2(-1/tan(beta), 1), before it is moved into a half plane.
// In the left case the tangent is taken of pi - tau + phi + alpha, which
// equals alpha + phi - tau up to the rounding of the pi literal. A tangent of
// exactly zero gives -1/0 = -inf and so a vertical normal.
double unfolded_normal(double alpha, double phi, double tau, SideCase side_case) {
    const double tangent = side_case == SideCase::right ? portable_tan(alpha - phi + tau)
                                                        : portable_tan(kPi - tau + phi + alpha);
    return portable_atan2(-1.0 / tangent, 1.0);
}

} // namespace

double normal_direction_line(double alpha, double phi, double tau, SideCase side_case) {
    double psi = unfolded_normal(alpha, phi, tau, side_case);
    if (side_case == SideCase::right) {
        if (psi < 0) {
            psi += kPi;
        }
    } else if (psi > 0) {
        psi -= kPi;
    }
    return psi;
}

double normal_direction_offset(double alpha, double phi, double tau, SideCase side_case) {
    const double beta = side_case == SideCase::right ? alpha + tau - phi : alpha - tau + phi;
    if (std::fabs(beta) < 1e-6 || std::fabs(std::fabs(beta) - kPi) < 1e-6) {
        return side_case == SideCase::right ? -kHalfPi : kHalfPi;
    }
    double psi = unfolded_normal(alpha, phi, tau, side_case);
    if (side_case == SideCase::right) {
        if (psi > 0) {
            psi -= kPi;
        }
    } else if (psi < 0) {
        psi += kPi;
    }
    return psi;
}

Point offset_point(Point p, double alpha, double phi, double tau, double distance_mm,
                   SideCase side_case) {
    const double psi = normal_direction_offset(alpha, phi, tau, side_case);
    return {p.x + distance_mm * portable_cos(psi), p.y + distance_mm * portable_sin(psi)};
}

double travel_direction(double alpha, double phi, double tau, SideCase side_case) {
    return side_case == SideCase::right ? alpha - phi + tau : alpha + phi - tau;
}

namespace {

// psi lies a quarter turn from the direction of travel, so the sine of their
// difference is +1 or -1 up to rounding and its sign cannot flicker.
TravelSide side_of_travel(double psi, double travel) {
    return portable_sin(psi - travel) > 0 ? TravelSide::left : TravelSide::right;
}

} // namespace

TravelSide offset_side(double alpha, double phi, double tau, SideCase side_case) {
    return side_of_travel(normal_direction_offset(alpha, phi, tau, side_case),
                          travel_direction(alpha, phi, tau, side_case));
}

Point offset_point_kept(Point p, double alpha, double phi, double tau, double distance_mm,
                        SideCase side_case, TravelSide side) {
    const double psi = normal_direction_offset(alpha, phi, tau, side_case);
    if (side_of_travel(psi, travel_direction(alpha, phi, tau, side_case)) != side) {
        distance_mm = -distance_mm;
    }
    return {p.x + distance_mm * portable_cos(psi), p.y + distance_mm * portable_sin(psi)};
}

} // namespace curvelib
