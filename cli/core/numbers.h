// How tarn writes numbers into its files and its summary; the one place to
// change them.
#pragma once

#include <string>

namespace tarn_cli {

// Fixed decimals in the C locale ("12.500").
std::string fixed(double value, int decimals);

// The shortest text that reads back as the same double ("49.92193149366025").
std::string exact(double value);

// An angle in degrees as degrees, minutes and seconds with the given decimals
// of a second ("7°09'43.10\""), rounded as a whole so that 59.995" carries.
std::string dms(double degrees, int second_decimals);

// A direction in [0, 360) degrees as dms; one that rounds up to 360 reads 0.
std::string direction_dms(double degrees, int second_decimals);

// Radians to degrees, reduced into [0, 360).
double degrees_0_360(double radians);

} // namespace tarn_cli
