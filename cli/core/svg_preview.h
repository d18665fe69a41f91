// A picture of the construction to check by eye: the clothoid, its chord,
// KA, KE and the side point labelled, the constructed line and a scale bar.
#pragma once

#include "construction.h"

#include <string>

namespace tarn_cli {

std::string svg_preview(const Result& result);

} // namespace tarn_cli
