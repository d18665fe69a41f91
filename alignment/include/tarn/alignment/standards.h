// The geometric standards of the road structure ordinance (道路構造令) for a
// design speed: the minimum radius (第15条), the minimum transition length
// (第18条), R/3 <= A <= R, and A1/A2 <= 1.5 where two clothoids meet in an S.
// Findings are warnings for the designer, never refusals.
#pragma once

#include "tarn/alignment/alignment.h"

#include <string>
#include <vector>

namespace tarn::alignment {

struct DesignSpeed {
    int kmh;
    double min_radius;
    double special_radius; // 0 where the ordinance gives none
    double min_transition;
};

// The ordinance's row for a speed; nullptr for a speed it does not list.
const DesignSpeed* design_speed(int kmh);

// One line per finding, each naming its IP.
std::vector<std::string> check_standards(const Alignment& alignment, const DesignSpeed& speed);

} // namespace tarn::alignment
