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
    const char* begin = buffer.data();
    if (*begin == '-') {
        bool zero = true;
        for (const char* p = begin + 1; p < result.ptr; ++p) {
            zero = zero && (*p == '0' || *p == '.');
        }
        begin += zero ? 1 : 0;
    }
    return std::string(begin, static_cast<const char*>(result.ptr));
}

void append_xml_escaped(std::string& out, std::string_view text) {
    // Most texts (names, stations) need nothing: one scan, one copy.
    bool plain = true;
    for (const char c : text) {
        plain = plain && c != '&' && c != '<' && c != '>' && c != '"';
    }
    if (plain) {
        out += text;
        return;
    }
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
}

std::string xml_escape(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    append_xml_escaped(out, text);
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
    // "%lld.%02lld%04lld", by hand: every stake carries one.
    std::array<char, 32> buffer{};
    char* p = std::to_chars(buffer.data(), buffer.data() + 24, d).ptr;
    *p++ = '.';
    const long long tail = m * 10000 + s;
    for (long long digit = 100000; digit > 0; digit /= 10) {
        *p++ = static_cast<char>('0' + tail / digit % 10);
    }
    return std::string(buffer.data(), p);
}

} // namespace tarn::alignment::detail
