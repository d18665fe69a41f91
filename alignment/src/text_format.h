// Number and text formatting shared by the alignment's writers.
#pragma once

#include "tarn/alignment/alignment.h"
#include "tarn/format/text_buffer.h"

#include <string>
#include <string_view>

namespace tarn::alignment::detail {

constexpr double kPi = 3.14159265358979323846;

// The shortest text that reads back as the same double, C locale.
std::string exact(double value);

// Fixed decimals, C locale.
std::string fixed(double value, int decimals);

// A text made safe inside an XML attribute or element, for operator<<.
struct Escaped {
    std::string_view text;
};
format::TextBuffer& operator<<(format::TextBuffer& out, Escaped text);

// A direction (radians clockwise from north) in [0, 2 pi).
double normalised_direction(double radians);

// A direction as "decimal dd.mm.ss" with hundredths of a second
// ("30.204512" is 30°20'45.12"), rounded as a whole, for operator<<.
struct DirectionDdmmss {
    double radians;
};
format::TextBuffer& operator<<(format::TextBuffer& out, DirectionDdmmss direction);

} // namespace tarn::alignment::detail
