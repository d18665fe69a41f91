#include "tarn/alignment/stations.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace tarn::alignment {
namespace {

// Greatest distance of a chord from its curve, bounding the grid's error.
constexpr double kChordSag = 0.01;
constexpr double kLongestChord = 20.0;

std::vector<double> element_starts(const Alignment& a) {
    std::vector<double> starts;
    starts.reserve(a.elements.size());
    double s = 0.0;
    for (const Element& e : a.elements) {
        starts.push_back(s);
        s += e.length;
    }
    return starts;
}

double dot(Point a, Point b) {
    return a.x * b.x + a.y * b.y;
}

Point minus(Point a, Point b) {
    return {a.x - b.x, a.y - b.y};
}

} // namespace

std::string set_equations(Alignment& a, const std::vector<std::pair<double, double>>& back_ahead) {
    a.equations.clear();
    const double length = a.length();
    double base_station = a.start_station;
    double base_internal = 0.0;
    for (const auto& [back, ahead] : back_ahead) {
        const double internal = base_internal + (back - base_station);
        char text[160];
        if (internal < base_internal || internal > length) {
            std::snprintf(text, sizeof text,
                          "the equation %.3f=%.3f lies off the line (%.3f m from BP)", back, ahead,
                          internal);
            return text;
        }
        a.equations.push_back({back, ahead, internal});
        base_station = ahead;
        base_internal = internal;
    }
    return {};
}

double displayed_station(const Alignment& a, double distance) {
    double base_station = a.start_station;
    double base_internal = 0.0;
    for (const StationEquation& e : a.equations) {
        if (distance + kEquationTolerance < e.internal) {
            break;
        }
        base_station = e.ahead;
        base_internal = e.internal;
    }
    return base_station + (distance - base_internal);
}

std::optional<double> distance_of_station(const Alignment& a, double station) {
    const double length = a.length();
    double base_station = a.start_station;
    double base_internal = 0.0;
    for (std::size_t j = 0; j <= a.equations.size(); ++j) {
        const double end = j < a.equations.size() ? a.equations[j].internal : length;
        const double s = base_internal + (station - base_station);
        // The back station of an equation finds the equation's point too.
        if (s >= base_internal - kEquationTolerance && s <= end + kEquationTolerance) {
            return std::clamp(s, 0.0, length);
        }
        if (j < a.equations.size()) {
            base_station = a.equations[j].ahead;
            base_internal = a.equations[j].internal;
        }
    }
    return std::nullopt;
}

std::string station_notation(double station, double interval) {
    // Whole millimetres, so that a station that rounds onto a stake reads as it.
    const long long mm = std::llround(std::fabs(station) * 1000.0);
    const long long step = std::max(1LL, std::llround(interval * 1000.0));
    const bool negative = station < 0 && mm > 0;
    const long long n = mm / step;
    const long long rest = mm % step;
    // Written by hand: a table of a hundred thousand stakes names each one.
    std::string text = negative ? "No.-" : "No.";
    text += std::to_string(n);
    if (rest != 0) {
        text += negative ? '-' : '+';
        text += std::to_string(rest / 1000);
        const long long frac = rest % 1000;
        text += '.';
        text += static_cast<char>('0' + frac / 100);
        text += static_cast<char>('0' + frac / 10 % 10);
        text += static_cast<char>('0' + frac % 10);
    }
    return text;
}

LinePose pose_at(const Alignment& a, double distance) {
    LinePose result;
    double start = 0.0;
    for (std::size_t i = 0; i < a.elements.size(); ++i) {
        const Element& e = a.elements[i];
        if (distance <= start + e.length || i + 1 == a.elements.size()) {
            result.element = i;
            result.pose = evaluate(e, std::clamp(distance - start, 0.0, e.length));
            return result;
        }
        start += e.length;
    }
    return result;
}

std::vector<CentreStake> stakes(const Alignment& a, const StakeOptions& o) {
    // A stake is named from its station only when it is kept, and the
    // stakes and the main points, each in order along the line already, are
    // merged rather than sorted.
    struct Wanted {
        double distance;
        double station;          // the stake's, for its name
        const std::string* name; // a main point's; null for a stake
        int rank;                // a main point's name wins over a stake number at one place
    };
    std::vector<Wanted> wanted;
    const double length = a.length();
    const double step = o.pitch > 0 ? o.pitch : o.interval;
    double base_station = a.start_station;
    double base_internal = 0.0;
    wanted.reserve(static_cast<std::size_t>(std::max(0.0, length / step)) + 2 + a.equations.size());
    for (std::size_t j = 0; j <= a.equations.size(); ++j) {
        const double end = j < a.equations.size() ? a.equations[j].internal : length;
        const double first = std::ceil((base_station - kEquationTolerance) / step);
        for (double k = first;; ++k) {
            const double station = k * step;
            const double s = base_internal + (station - base_station);
            if (s > end + kEquationTolerance ||
                (j < a.equations.size() && s > end - kEquationTolerance)) {
                break;
            }
            wanted.push_back({std::clamp(s, 0.0, length), station, nullptr, 1});
        }
        if (j < a.equations.size()) {
            base_station = a.equations[j].ahead;
            base_internal = a.equations[j].internal;
        }
    }
    const auto before = [](const Wanted& x, const Wanted& y) {
        return x.distance < y.distance - kEquationTolerance ||
               (std::fabs(x.distance - y.distance) <= kEquationTolerance && x.rank < y.rank);
    };
    if (o.main_points) {
        const auto stakes_end = static_cast<std::ptrdiff_t>(wanted.size());
        for (const MainPoint& m : a.main_points) {
            wanted.push_back({m.distance, 0.0, &m.name, 0});
        }
        // Both runs in order: merging them is the stable sort of the whole.
        const auto middle = wanted.begin() + stakes_end;
        if (std::is_sorted(wanted.begin(), middle, before) &&
            std::is_sorted(middle, wanted.end(), before)) {
            std::vector<Wanted> merged(wanted.size());
            std::merge(wanted.begin(), middle, middle, wanted.end(), merged.begin(), before);
            wanted.swap(merged);
        } else {
            std::stable_sort(wanted.begin(), wanted.end(), before);
        }
    } else {
        std::stable_sort(wanted.begin(), wanted.end(), before);
    }

    std::vector<CentreStake> out;
    out.reserve(wanted.size());
    const std::vector<double> starts = element_starts(a);
    std::size_t element = 0;
    for (const Wanted& w : wanted) {
        if (!out.empty() && std::fabs(out.back().distance - w.distance) <= kEquationTolerance) {
            if (w.rank == 0) {
                out.back().name += "=" + *w.name; // two main points at one place (S型)
            }
            continue;
        }
        while (element + 1 < a.elements.size() &&
               w.distance > starts[element] + a.elements[element].length) {
            ++element;
        }
        CentreStake stake;
        stake.name = w.name != nullptr ? *w.name : station_notation(w.station, o.interval);
        stake.distance = w.distance;
        stake.station = displayed_station(a, w.distance);
        if (!a.elements.empty()) {
            const Element& e = a.elements[element];
            const Pose p = evaluate(e, std::clamp(w.distance - starts[element], 0.0, e.length));
            stake.centre = p.point;
            stake.direction = p.direction;
        }
        // Right of the direction of travel is (-sin, cos) in survey axes.
        const Point right{-std::sin(stake.direction), std::cos(stake.direction)};
        stake.left = {stake.centre.x - o.left_width * right.x,
                      stake.centre.y - o.left_width * right.y};
        stake.right = {stake.centre.x + o.right_width * right.x,
                       stake.centre.y + o.right_width * right.y};
        out.push_back(std::move(stake));
    }
    return out;
}

Locator::Locator(const Alignment& alignment)
    : alignment_(alignment), element_start_(element_starts(alignment)) {
    double max_x = -std::numeric_limits<double>::infinity();
    double max_y = max_x;
    min_x_ = std::numeric_limits<double>::infinity();
    min_y_ = min_x_;
    for (std::size_t i = 0; i < alignment.elements.size(); ++i) {
        const Element& e = alignment.elements[i];
        const double k = std::max(std::fabs(e.curvature_start), std::fabs(e.curvature_end));
        // A chord of length c on radius R strays c²/(8R) from its arc.
        double chord = k > 0 ? std::sqrt(8.0 * kChordSag / k) : e.length;
        chord = std::min(chord, kLongestChord);
        const int pieces = std::max(1, static_cast<int>(std::ceil(e.length / chord)));
        Point a = e.start;
        for (int p = 1; p <= pieces; ++p) {
            const double s = e.length * p / pieces;
            const Point b = p == pieces && i + 1 < alignment.elements.size()
                                ? alignment.elements[i + 1].start
                                : evaluate(e, s).point;
            chords_.push_back({a, b, e.length * (p - 1) / pieces, s, i});
            for (const Point q : {a, b}) {
                min_x_ = std::min(min_x_, q.x);
                min_y_ = std::min(min_y_, q.y);
                max_x = std::max(max_x, q.x);
                max_y = std::max(max_y, q.y);
            }
            a = b;
        }
    }
    if (chords_.empty()) {
        return;
    }
    columns_ = static_cast<long>((max_x - min_x_) / cell_) + 1;
    rows_ = static_cast<long>((max_y - min_y_) / cell_) + 1;
    cells_.resize(static_cast<std::size_t>(columns_ * rows_));
    for (std::size_t c = 0; c < chords_.size(); ++c) {
        const Chord& ch = chords_[c];
        const long x0 = static_cast<long>((std::min(ch.a.x, ch.b.x) - min_x_) / cell_);
        const long x1 = static_cast<long>((std::max(ch.a.x, ch.b.x) - min_x_) / cell_);
        const long y0 = static_cast<long>((std::min(ch.a.y, ch.b.y) - min_y_) / cell_);
        const long y1 = static_cast<long>((std::max(ch.a.y, ch.b.y) - min_y_) / cell_);
        for (long x = x0; x <= x1; ++x) {
            for (long y = y0; y <= y1; ++y) {
                cells_[static_cast<std::size_t>(x * rows_ + y)].push_back(static_cast<unsigned>(c));
            }
        }
    }
}

// Newton's method on (P(s) - point) . t(s) = 0 from s; the squared distance
// of the foot found.
double Locator::foot_on(std::size_t element, double& s, Point point, Pose& foot) const {
    const Element& e = alignment_.elements[element];
    Pose p = evaluate(e, s);
    for (int iteration = 0; iteration < 12; ++iteration) {
        const Point d = minus(p.point, point);
        const Point t{std::cos(p.direction), std::sin(p.direction)};
        const Point n{-t.y, t.x};
        const double f = dot(d, t);
        const double slope = 1.0 + p.curvature * dot(d, n);
        const double next = std::clamp(slope > 0.1 ? s - f / slope : s - f, 0.0, e.length);
        if (std::fabs(next - s) < 1e-11) {
            break;
        }
        s = next;
        p = evaluate(e, s);
    }
    foot = p;
    const Point d = minus(p.point, point);
    return dot(d, d);
}

Locator::Hit Locator::locate(Point point) const {
    Hit hit;
    if (chords_.empty()) {
        return hit;
    }
    const auto chord_distance = [&](const Chord& c, double& along) {
        const Point ab = minus(c.b, c.a);
        const double ll = dot(ab, ab);
        const double t = ll > 0 ? std::clamp(dot(minus(point, c.a), ab) / ll, 0.0, 1.0) : 0.0;
        along = c.s_a + t * (c.s_b - c.s_a);
        const Point q{c.a.x + t * ab.x, c.a.y + t * ab.y};
        return std::hypot(point.x - q.x, point.y - q.y);
    };
    // Rings of cells around the point's cell until no unseen cell can hold a
    // nearer chord; far outside the grid every chord is looked at.
    const long cx = static_cast<long>(std::floor((point.x - min_x_) / cell_));
    const long cy = static_cast<long>(std::floor((point.y - min_y_) / cell_));
    const long span = std::max(columns_, rows_);
    const bool inside_reach = cx > -span && cx < 2 * span && cy > -span && cy < 2 * span;
    double best = std::numeric_limits<double>::infinity();
    std::vector<std::pair<double, unsigned>> near; // chord distance, chord
    const auto consider = [&](unsigned c) {
        double along = 0.0;
        const double d = chord_distance(chords_[c], along);
        best = std::min(best, d);
        if (d <= best + 2 * kChordSag) {
            near.push_back({d, c});
        }
    };
    if (inside_reach) {
        for (long ring = 0;; ++ring) {
            for (long x = cx - ring; x <= cx + ring; ++x) {
                for (long y = cy - ring; y <= cy + ring; ++y) {
                    if (std::max(std::labs(x - cx), std::labs(y - cy)) != ring || x < 0 || y < 0 ||
                        x >= columns_ || y >= rows_) {
                        continue;
                    }
                    for (const unsigned c : cells_[static_cast<std::size_t>(x * rows_ + y)]) {
                        consider(c);
                    }
                }
            }
            if (best + 2 * kChordSag <= ring * cell_ || ring > 3 * span) {
                break;
            }
        }
    } else {
        for (unsigned c = 0; c < chords_.size(); ++c) {
            consider(c);
        }
    }
    double best_squared = std::numeric_limits<double>::infinity();
    std::size_t last_element = std::numeric_limits<std::size_t>::max();
    std::sort(near.begin(), near.end());
    for (const auto& [d, c] : near) {
        if (d > best + 2 * kChordSag) {
            break;
        }
        const Chord& chord = chords_[c];
        if (chord.element == last_element) {
            continue;
        }
        double along = 0.0;
        chord_distance(chord, along);
        Pose foot;
        const double squared = foot_on(chord.element, along, point, foot);
        if (squared < best_squared) {
            best_squared = squared;
            hit.element = chord.element;
            hit.foot = foot.point;
            hit.distance = element_start_[chord.element] + along;
            const Point right{-std::sin(foot.direction), std::cos(foot.direction)};
            hit.offset = dot(minus(point, foot.point), right);
        }
        last_element = chord.element;
    }
    return hit;
}

} // namespace tarn::alignment
