#include "drafthand/script/script_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace drafthand::script {

std::wstring_view trim_spaces(std::wstring_view text) {
    const auto first = text.find_first_not_of(L' ');
    if (first == std::wstring_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(L' ');
    return text.substr(first, last - first + 1);
}

std::wstring collapse_tab_runs(std::wstring_view line) {
    std::wstring result;
    result.reserve(line.size());
    std::size_t i = 0;
    while (i < line.size()) {
        if (line[i] != L'\t') {
            const auto tab = std::min(line.find(L'\t', i), line.size());
            result.append(line, i, tab - i);
            i = tab;
            continue;
        }
        std::size_t run = 0;
        while (i < line.size() && line[i] == L'\t') {
            ++run;
            ++i;
        }
        for (std::size_t k = 10; k >= 2; --k) {
            run = run / k + run % k;
        }
        result.append(run, L'\t');
    }
    return result;
}

std::vector<std::wstring> split_words(std::wstring_view line) {
    std::vector<std::wstring> words;
    const std::wstring collapsed = collapse_tab_runs(line);
    if (collapsed.empty()) {
        return words;
    }
    std::size_t start = 0;
    for (;;) {
        const auto tab = collapsed.find(L'\t', start);
        if (tab == std::wstring::npos) {
            words.emplace_back(collapsed, start);
            return words;
        }
        words.emplace_back(collapsed, start, tab - start);
        start = tab + 1;
    }
}

bool begins_with_variable_name(std::wstring_view text, int& index) {
    if (text.size() < 7 || text.substr(0, 5) != L"%USER" || text[6] != L'%') {
        return false;
    }
    const wchar_t digit = text[5];
    if (digit < L'0' || digit > L'9') {
        return false;
    }
    index = digit - L'0';
    return true;
}

bool parse_variable_name(std::wstring_view text, int& index) {
    return text.size() == 7 && begins_with_variable_name(text, index);
}

namespace {

bool is_digit(wchar_t c) {
    return c >= L'0' && c <= L'9';
}

// Checks the numeric form and copies it as ASCII without a leading "+",
// which from_chars does not take.
bool numeric_form(std::wstring_view text, std::string& ascii) {
    std::size_t i = 0;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) {
        if (text[i] == L'-') {
            ascii.push_back('-');
        }
        ++i;
    }
    std::size_t digits = 0;
    while (i < text.size() && is_digit(text[i])) {
        ascii.push_back(static_cast<char>(text[i++]));
        ++digits;
    }
    if (i < text.size() && text[i] == L'.') {
        ascii.push_back('.');
        ++i;
        while (i < text.size() && is_digit(text[i])) {
            ascii.push_back(static_cast<char>(text[i++]));
            ++digits;
        }
    }
    if (digits == 0) {
        return false;
    }
    if (i < text.size() && (text[i] == L'e' || text[i] == L'E')) {
        ascii.push_back('e');
        ++i;
        if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) {
            ascii.push_back(static_cast<char>(text[i++]));
        }
        std::size_t exponent_digits = 0;
        while (i < text.size() && is_digit(text[i])) {
            ascii.push_back(static_cast<char>(text[i++]));
            ++exponent_digits;
        }
        if (exponent_digits == 0) {
            return false;
        }
    }
    return i == text.size();
}

bool equals_ignoring_case(std::wstring_view text, std::wstring_view upper) {
    if (text.size() != upper.size()) {
        return false;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        wchar_t c = text[i];
        if (c >= L'a' && c <= L'z') {
            c = static_cast<wchar_t>(c - L'a' + L'A');
        }
        if (c != upper[i]) {
            return false;
        }
    }
    return true;
}

} // namespace

Conversion to_double(std::wstring_view text, double& value) {
    std::string ascii;
    if (!numeric_form(trim_spaces(text), ascii)) {
        return Conversion::type_mismatch;
    }
    double parsed = 0.0;
    const auto [end, ec] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), parsed);
    if (ec == std::errc::result_out_of_range) {
        // Underflow towards zero is no overflow: a tiny number is just 0.
        const auto e = ascii.find('e');
        const bool negative_exponent =
            e != std::string::npos && e + 1 < ascii.size() && ascii[e + 1] == '-';
        if (!negative_exponent) {
            return Conversion::overflow;
        }
        parsed = 0.0;
    } else if (ec != std::errc() || end != ascii.data() + ascii.size()) {
        return Conversion::type_mismatch;
    }
    if (!std::isfinite(parsed)) {
        return Conversion::overflow;
    }
    value = parsed;
    return Conversion::ok;
}

Conversion to_long(std::wstring_view text, int32_t& value) {
    double number = 0.0;
    const Conversion conversion = to_double(text, number);
    if (conversion != Conversion::ok) {
        return conversion;
    }
    // The default rounding mode rounds halves to the even neighbour.
    const double rounded = std::nearbyint(number);
    if (rounded < -2147483648.0 || rounded > 2147483647.0) {
        return Conversion::overflow;
    }
    value = static_cast<int32_t>(rounded);
    return Conversion::ok;
}

Conversion to_boolean(std::wstring_view text, bool& value) {
    const std::wstring_view word = trim_spaces(text);
    if (equals_ignoring_case(word, L"TRUE")) {
        value = true;
        return Conversion::ok;
    }
    if (equals_ignoring_case(word, L"FALSE")) {
        value = false;
        return Conversion::ok;
    }
    double number = 0.0;
    const Conversion conversion = to_double(word, number);
    if (conversion == Conversion::ok) {
        value = number != 0.0;
    }
    return conversion;
}

std::wstring format_number(double value) {
    if (std::isnan(value)) {
        return L"NaN";
    }
    if (std::isinf(value)) {
        return value < 0 ? L"-Infinity" : L"Infinity";
    }
    if (value == 0.0) {
        return L"0";
    }
    // Fifteen significant digits, rounded by the C library, then laid out by
    // hand so that every platform's printf gives the same text.
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.14E", value);
    std::string text(buffer);
    const bool negative = text[0] == '-';
    if (negative) {
        text.erase(0, 1);
    }
    const auto e = text.find('E');
    std::string digits = text.substr(0, 1) + text.substr(2, e - 2);
    const int exponent = std::atoi(text.c_str() + e + 1);
    while (digits.size() > 1 && digits.back() == '0') {
        digits.pop_back();
    }

    std::string out = negative ? "-" : "";
    if (exponent < -4 || exponent >= 15) {
        out += digits[0];
        if (digits.size() > 1) {
            out += '.';
            out += digits.substr(1);
        }
        char exponent_text[16];
        std::snprintf(exponent_text, sizeof exponent_text, "E%c%02d", exponent < 0 ? '-' : '+',
                      exponent < 0 ? -exponent : exponent);
        out += exponent_text;
    } else if (exponent < 0) {
        out += "0.";
        out.append(static_cast<std::size_t>(-exponent - 1), '0');
        out += digits;
    } else {
        const auto integer_digits = static_cast<std::size_t>(exponent) + 1;
        if (digits.size() <= integer_digits) {
            out += digits;
            out.append(integer_digits - digits.size(), '0');
        } else {
            out += digits.substr(0, integer_digits);
            out += '.';
            out += digits.substr(integer_digits);
        }
    }
    return std::wstring(out.begin(), out.end());
}

} // namespace drafthand::script
