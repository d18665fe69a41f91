// The construction as an R12 DXF drawing: a LINE or a 2D POLYLINE with the
// computed vertices, on a layer named for what it is.
#pragma once

#include "construction.h"

#include <string>

namespace tarn_cli {

// Layer of the construction's entity.
const char* dxf_layer(Kind kind);

std::string dxf_text(const Result& result);

} // namespace tarn_cli
