// The IP method: from the IP polygon and the curve asked for at each IP to the
// elements from BP to EP, the tangent lengths and the named main points.
#pragma once

#include "tarn/alignment/alignment.h"
#include "tarn/alignment/ip_table.h"

#include <string>
#include <vector>

namespace tarn::alignment {

// The shared point of two curves may leave a straight of at most this length
// (or overlap by as much) between them: the S型.
constexpr double kSharedPointTolerance = 1e-3;

struct Solution {
    Alignment alignment;
    std::vector<InputError> errors; // each names the IP and the reason; empty when solved
    bool ok() const { return errors.empty(); }
};

// points: BP, IP1 ... IPn, EP with their curve specs.
Solution solve(std::vector<IntersectionPoint> points);

} // namespace tarn::alignment
