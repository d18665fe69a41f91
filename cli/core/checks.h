// What tarn refuses or warns about beyond the library's own result codes:
// input that the library would refuse, named by its one cause, and input the
// library accepts but that cannot give the drawing meant.
#pragma once

#include "construction.h"

#include <string>
#include <vector>

namespace tarn_cli {

struct Findings {
    std::string refusal;       // one line, empty when the input is accepted
    bool library_code = false; // the refusal is the library's TARN_ERROR_INVALID_ARGUMENT
    std::vector<std::string> warnings;
};

// Before computing: the values themselves (finite, positive where they must be,
// KE apart from KA, a station or length that exists).
Findings check_input(const Request& request);

// After computing: the side point, the foot of a perpendicular, a parallel line
// that would fold back, a station beyond KE, and the series' accuracy.
Findings check_result(const Result& result);

// Input of the element table: A and the one of --length, --radius, --angle
// given, with the length that follows from it.
Findings check_elements(double a, const char* option, double value, double length);

// Bound on the distance between the library's series point and the clothoid
// at tangent angle tau, in metres: the first omitted terms of its two
// alternating series, which fall in size for every tau up to 4 rad.
double series_error_bound_m(double a, double tau);

// The warning of a curve turning beyond where the series keeps to 1e-6 m;
// empty below.
std::string accuracy_warning(double a, double tau);

} // namespace tarn_cli
