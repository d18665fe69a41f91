// The short report tarn prints when no output file is asked for.
#pragma once

#include "construction.h"

#include <string>

namespace tarn_cli {

std::string summary_text(const Result& result);

} // namespace tarn_cli
