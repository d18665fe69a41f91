// Reading and writing the numbers of the command line: coordinates and
// integer values as a user types them, and the fixed-decimal form in which
// the program reports coordinates.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace cadsim {

struct Point {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
};

// A finite decimal floating-point number in any C form ("10", "-.5", "1.",
// "1.0e+01", "1.000000000000000e+001"); no blanks, no hex, no inf or nan.
// Anything that overflows a double is refused.
std::optional<double> parse_real(std::wstring_view text);

// "x,y" or "x,y,z"; a missing z is 0.
std::optional<Point> parse_point(std::wstring_view text);

// An optional sign and decimal digits, within the range of int.
std::optional<int> parse_int(std::wstring_view text);

// The value with exactly `decimals` decimals ("%.*f"); a result that rounds
// to zero is shown without a minus sign.
std::wstring format_fixed(double value, int decimals);

// Shortest text that reads back as the same double.
std::string format_round_trip(double value);

} // namespace cadsim
