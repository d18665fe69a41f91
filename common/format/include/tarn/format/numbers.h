// Numbers as text, by integer arithmetic where the result is certain and
// std::to_chars where it is close: the tables and drawings write millions of
// them, and each costs little more than its bytes. C locale throughout.
#pragma once

#include <cstddef>

namespace tarn::format {

// value with that many decimals as printf's "%.*f" writes it, "-0.000" as
// "0.000", into out (room for kFixedChars); returns the end.
constexpr std::size_t kFixedChars = 400;
char* write_fixed(char* out, double value, int decimals);

// The shortest text that reads back as the same double, as std::to_chars
// writes it, but "0" for -0; into out (room for kShortestChars); returns the
// end.
constexpr std::size_t kShortestChars = 32;
char* write_shortest(char* out, double value);

// A direction in degrees, 0 <= d < 360, as a quoted CSV field "12°03'04.50"""
// (the seconds' mark doubled; one that rounds up to 360° reads 0°), into out
// (room for kDmsChars, second_decimals at most 9); returns the end.
constexpr std::size_t kDmsChars = 64;
char* write_dms(char* out, double degrees, int second_decimals);

} // namespace tarn::format
