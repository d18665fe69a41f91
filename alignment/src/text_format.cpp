#include "text_format.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace tarn::alignment::detail {

std::string exact(double value) {
    if (value == 0.0) {
        return "0"; // also for -0
    }
    std::array<char, 32> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return std::string(buffer.data(), result.ptr);
}

std::string fixed(double value, int decimals) {
    std::array<char, 64> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::fixed, decimals);
    std::string text(buffer.data(), result.ptr);
    if (text[0] == '-' && text.find_first_not_of("-0.") == std::string::npos) {
        text.erase(0, 1);
    }
    return text;
}

std::string xml_escape(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

double normalised_direction(double radians) {
    double d = std::fmod(radians, 2.0 * kPi);
    if (d < 0.0) {
        d += 2.0 * kPi;
    }
    return d;
}

std::string direction_ddmmss(double radians) {
    // Whole hundredths of a second, so that 59.995" carries into the minute.
    const double degrees = normalised_direction(radians) * 180.0 / kPi;
    long long hundredths = std::llround(degrees * 360000.0);
    hundredths %= 360LL * 360000;
    const long long d = hundredths / 360000;
    const long long m = hundredths / 6000 % 60;
    const long long s = hundredths % 6000;
    std::array<char, 32> buffer{};
    std::snprintf(buffer.data(), buffer.size(), "%lld.%02lld%04lld", d, m, s);
    return buffer.data();
}

} // namespace tarn::alignment::detail
