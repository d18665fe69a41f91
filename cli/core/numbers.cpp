#include "numbers.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace tarn_cli {

std::string fixed(double value, int decimals) {
    char text[512];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    // "-0.000" says nothing a reader needs.
    std::string result = text;
    if (result[0] == '-' && result.find_first_not_of("-0.") == std::string::npos) {
        result.erase(0, 1);
    }
    return result;
}

std::string exact(double value) {
    char text[64];
    const auto written = std::to_chars(text, text + sizeof text, value);
    return std::string(text, written.ptr);
}

std::string dms(double degrees, int second_decimals) {
    const bool negative = degrees < 0;
    const double scale = std::pow(10.0, second_decimals);
    // Whole units of the last shown decimal of a second, rounded once.
    const double units = std::round(std::fabs(degrees) * 3600.0 * scale);
    const double per_degree = 3600.0 * scale;
    const double per_minute = 60.0 * scale;
    const double whole_degrees = std::floor(units / per_degree);
    const double rest = units - whole_degrees * per_degree;
    const double minutes = std::floor(rest / per_minute);
    const double seconds = (rest - minutes * per_minute) / scale;
    char text[128];
    std::snprintf(text, sizeof text, "%s%.0f°%02.0f'%0*.*f\"", negative ? "-" : "", whole_degrees,
                  minutes, second_decimals > 0 ? second_decimals + 3 : 2, second_decimals, seconds);
    return text;
}

std::string direction_dms(double degrees, int second_decimals) {
    const std::string text = dms(degrees, second_decimals);
    return text.compare(0, 5, "360°") == 0 ? "0" + text.substr(3) : text;
}

double degrees_0_360(double radians) {
    double degrees = radians * 180.0 / 3.14159265358979323846;
    // fmod is exact and leaves a value within a turn as it is: only the rest
    // pay for the call.
    if (!(std::fabs(degrees) < 360.0)) {
        degrees = std::fmod(degrees, 360.0);
    }
    if (degrees < 0) {
        degrees += 360.0;
    }
    if (degrees >= 360.0) {
        degrees = 0.0;
    }
    return degrees;
}

} // namespace tarn_cli
