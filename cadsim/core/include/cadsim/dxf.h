// The drawing as an ASCII DXF of release 12: LINE, and POLYLINE with VERTEX
// and SEQEND, numbers at full double precision.
#pragma once

#include "cadsim/engine.h"

#include <string>
#include <vector>

namespace cadsim {

std::string to_dxf(const std::vector<Entity>& entities);

} // namespace cadsim
