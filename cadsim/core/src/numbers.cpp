#include "cadsim/numbers.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <system_error>

namespace cadsim {
namespace {

bool is_digit(wchar_t c) {
    return c >= L'0' && c <= L'9';
}

// Rough power of ten of a checked unsigned decimal text: positive for
// numbers of 1 and more, 0 or less for smaller ones.
long long decimal_magnitude(const std::string& text) {
    const size_t e = text.find_first_of("eE");
    const std::string mantissa = text.substr(0, e);
    long long exponent = 0;
    if (e != std::string::npos) {
        size_t k = e + 1;
        bool minus = false;
        if (k < text.size() && (text[k] == '+' || text[k] == '-')) {
            minus = text[k] == '-';
            ++k;
        }
        for (; k < text.size() && exponent < 1000000000; ++k) {
            exponent = exponent * 10 + (text[k] - '0');
        }
        exponent = minus ? -exponent : exponent;
    }
    const size_t point = mantissa.find('.');
    const std::string whole = mantissa.substr(0, point);
    const size_t first_whole = whole.find_first_not_of('0');
    if (first_whole != std::string::npos) {
        return static_cast<long long>(whole.size() - first_whole) + exponent;
    }
    if (point == std::string::npos) {
        return exponent;
    }
    const size_t first_fraction = mantissa.find_first_not_of('0', point + 1);
    if (first_fraction == std::string::npos) {
        return 0;
    }
    return exponent - static_cast<long long>(first_fraction - point - 1);
}

// Checks the grammar on the wide text and hands an ASCII copy to from_chars,
// which knows no locale and rounds correctly.
std::optional<double> parse_decimal(std::wstring_view text) {
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) {
        negative = text[i] == L'-';
        ++i;
    }
    const size_t body = i;
    size_t mantissa_digits = 0;
    while (i < text.size() && is_digit(text[i])) {
        ++i;
        ++mantissa_digits;
    }
    if (i < text.size() && text[i] == L'.') {
        ++i;
        while (i < text.size() && is_digit(text[i])) {
            ++i;
            ++mantissa_digits;
        }
    }
    if (mantissa_digits == 0) {
        return std::nullopt;
    }
    if (i < text.size() && (text[i] == L'e' || text[i] == L'E')) {
        ++i;
        if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) {
            ++i;
        }
        size_t exponent_digits = 0;
        while (i < text.size() && is_digit(text[i])) {
            ++i;
            ++exponent_digits;
        }
        if (exponent_digits == 0) {
            return std::nullopt;
        }
    }
    if (i != text.size()) {
        return std::nullopt;
    }
    std::string ascii;
    ascii.reserve(text.size() - body);
    for (size_t k = body; k < text.size(); ++k) {
        ascii.push_back(static_cast<char>(text[k]));
    }
    double value = 0.0;
    const auto result = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        // Underflow reads as zero, as a user would expect of 1e-400; overflow
        // has no sensible value.
        if (decimal_magnitude(ascii) <= 0) {
            return negative ? -0.0 : 0.0;
        }
        return std::nullopt;
    }
    if (result.ec != std::errc() || result.ptr != ascii.data() + ascii.size() ||
        !std::isfinite(value)) {
        return std::nullopt;
    }
    return negative ? -value : value;
}

} // namespace

std::optional<double> parse_real(std::wstring_view text) {
    return parse_decimal(text);
}

std::optional<Point> parse_point(std::wstring_view text) {
    double values[3] = {0.0, 0.0, 0.0};
    size_t count = 0;
    size_t start = 0;
    while (true) {
        const size_t comma = text.find(L',', start);
        const std::wstring_view part = text.substr(
            start, comma == std::wstring_view::npos ? std::wstring_view::npos : comma - start);
        if (count == 3) {
            return std::nullopt;
        }
        const auto value = parse_decimal(part);
        if (!value) {
            return std::nullopt;
        }
        values[count++] = *value;
        if (comma == std::wstring_view::npos) {
            break;
        }
        start = comma + 1;
    }
    if (count < 2) {
        return std::nullopt;
    }
    return Point{values[0], values[1], values[2]};
}

std::optional<int> parse_int(std::wstring_view text) {
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) {
        negative = text[i] == L'-';
        ++i;
    }
    if (i == text.size()) {
        return std::nullopt;
    }
    long long value = 0;
    for (; i < text.size(); ++i) {
        if (!is_digit(text[i])) {
            return std::nullopt;
        }
        value = value * 10 + (text[i] - L'0');
        if (value > static_cast<long long>(INT_MAX) + 1) {
            return std::nullopt;
        }
    }
    if (negative) {
        value = -value;
    }
    if (value < INT_MIN || value > INT_MAX) {
        return std::nullopt;
    }
    return static_cast<int>(value);
}

std::wstring format_fixed(double value, int decimals) {
    decimals = decimals < 0 ? 0 : (decimals > 20 ? 20 : decimals);
    if (!std::isfinite(value)) {
        return L"0";
    }
    // The widest double in fixed form has 309 integer digits.
    char buffer[400];
    const int written = std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    if (written <= 0 || static_cast<size_t>(written) >= sizeof buffer) {
        return L"0";
    }
    std::string text(buffer, static_cast<size_t>(written));
    if (!text.empty() && text[0] == '-' && text.find_first_of("123456789") == std::string::npos) {
        text.erase(0, 1);
    }
    return std::wstring(text.begin(), text.end());
}

std::string format_round_trip(double value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    if (result.ec != std::errc()) {
        return "0";
    }
    return std::string(buffer, result.ptr);
}

} // namespace cadsim
