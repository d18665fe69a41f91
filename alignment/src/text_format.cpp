#include "text_format.h"

#include <charconv>
#include <cmath>

namespace tarn::alignment::detail {

std::string exact(double value) {
    char text[format::kShortestChars];
    return std::string(text, format::write_shortest(text, value));
}

std::string fixed(double value, int decimals) {
    char text[format::kFixedChars];
    return std::string(text, format::write_fixed(text, value, decimals));
}

format::TextBuffer& operator<<(format::TextBuffer& out, Escaped escaped) {
    // Most texts (names, stations) need nothing: one scan, one copy.
    bool plain = true;
    for (const char c : escaped.text) {
        plain = plain && c != '&' && c != '<' && c != '>' && c != '"';
    }
    if (plain) {
        return out << escaped.text;
    }
    for (const char c : escaped.text) {
        switch (c) {
        case '&':
            out << "&amp;";
            break;
        case '<':
            out << "&lt;";
            break;
        case '>':
            out << "&gt;";
            break;
        case '"':
            out << "&quot;";
            break;
        default:
            out << c;
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

format::TextBuffer& operator<<(format::TextBuffer& out, DirectionDdmmss direction) {
    // Whole hundredths of a second, so that 59.995" carries into the minute.
    const double degrees = normalised_direction(direction.radians) * 180.0 / kPi;
    long long hundredths = std::llround(degrees * 360000.0);
    hundredths %= 360LL * 360000;
    const long long d = hundredths / 360000;
    const long long m = hundredths / 6000 % 60;
    const long long s = hundredths % 6000;
    // "%lld.%02lld%04lld", by hand: every stake carries one.
    char* const start = out.room(32);
    char* p = std::to_chars(start, start + 24, d).ptr;
    *p++ = '.';
    const long long tail = m * 10000 + s;
    for (long long digit = 100000; digit > 0; digit /= 10) {
        *p++ = static_cast<char>('0' + tail / digit % 10);
    }
    out.commit(p);
    return out;
}

} // namespace tarn::alignment::detail
