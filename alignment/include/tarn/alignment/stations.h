// Stations along a solved alignment: the continuous distance from BP (追加距離),
// the displayed station with the equations applied, the Japanese notation
// No.n+d.ddd, the stakes, and the inverse queries.
#pragma once

#include "tarn/alignment/alignment.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tarn::alignment {

// A point within this distance of an equation takes the ahead station.
constexpr double kEquationTolerance = 1e-6;

// Fills alignment.equations from (back, ahead) pairs in order along the
// line, finding where each lies; an error text when one lies outside the
// line or before the one before it.
std::string set_equations(Alignment& alignment,
                          const std::vector<std::pair<double, double>>& back_ahead);

// Displayed station (metres) at a distance from BP.
double displayed_station(const Alignment& alignment, double distance);

// The distance from BP of a displayed station (the first point that carries
// it, where a backward equation repeats stations); nullopt where no point of the
// line carries it (before BP, past EP, or in the gap a forward equation leaves).
std::optional<double> distance_of_station(const Alignment& alignment, double station);

// "No.12+5.000" at the given interval; "No.12" on a stake; negative stations
// count back from zero: -90 m at 20 m is "No.-4-10.000".
std::string station_notation(double station, double interval);

struct LinePose {
    Pose pose;
    std::size_t element = 0;
};

// The pose at a distance from BP (clamped to the line).
LinePose pose_at(const Alignment& alignment, double distance);

struct CentreStake {
    std::string name;      // No.n, No.n+d for the pitch's extras, or the main point's name
    double distance = 0.0; // from BP
    double station = 0.0;  // displayed
    Point centre;
    double direction = 0.0;
    Point left; // width stakes (the centre when no width is asked for)
    Point right;
};

struct StakeOptions {
    double interval = 20.0;
    double pitch = 0.0;      // extra stakes between the interval's, 0 for none
    double left_width = 0.0; // width-stake offsets, metres
    double right_width = 0.0;
    bool main_points = true; // the main points among the stakes
};

std::vector<CentreStake> stakes(const Alignment& alignment, const StakeOptions& options);

// Nearest point of the line to a point: a grid of short chords finds the
// candidate elements, Newton's method the foot on each.
class Locator {
public:
    // The alignment must outlive the locator.
    explicit Locator(const Alignment& alignment);

    struct Hit {
        double distance = 0.0; // from BP
        double offset = 0.0;   // signed, right of the direction of travel positive
        Point foot;
        std::size_t element = 0;
    };
    Hit locate(Point point) const;

private:
    struct Chord {
        Point a;
        Point b;
        double s_a; // distance along its element at a
        double s_b;
        std::size_t element;
    };
    double foot_on(std::size_t element, double& s, Point point, Pose& foot) const;

    const Alignment& alignment_;
    std::vector<double> element_start_;
    std::vector<Chord> chords_;
    std::vector<std::vector<unsigned>> cells_;
    double cell_ = 50.0;
    double min_x_ = 0.0;
    double min_y_ = 0.0;
    long columns_ = 1;
    long rows_ = 1;
};

} // namespace tarn::alignment
