#include "table_writer.h"

#include <charconv>
#include <cmath>

namespace tarn_cli {

TableWriter::TableWriter() : out_("\xEF\xBB\xBF") {}

void TableWriter::separate() {
    if (row_started_) {
        out_ += ',';
    }
    row_started_ = true;
}

TableWriter& TableWriter::text(std::string_view field) {
    separate();
    // One pass over the bytes (find_first_of searches once per character).
    bool plain = true;
    for (const char c : field) {
        plain = plain && c != ',' && c != '"' && c != '\r' && c != '\n';
    }
    if (plain) {
        out_ += field;
        return *this;
    }
    out_ += '"';
    for (const char c : field) {
        out_ += c;
        if (c == '"') {
            out_ += '"';
        }
    }
    out_ += '"';
    return *this;
}

TableWriter& TableWriter::fixed(double value, int decimals) {
    separate();
    // Fast path: the value scaled to whole units of the last decimal, when it
    // is far enough from a half that rounding the exact binary value (as
    // printf does) cannot differ; anything near a tie takes to_chars.
    static constexpr double kScale[] = {1, 10, 100, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9};
    if (decimals >= 1 && decimals <= 9 && std::fabs(value) < 1e9) {
        const double scaled = std::fabs(value) * kScale[decimals];
        const double whole = std::floor(scaled);
        const double fraction = scaled - whole;
        if (std::fabs(fraction - 0.5) > 1e-6 && scaled < 9e15) {
            unsigned long long units = static_cast<unsigned long long>(whole) + (fraction > 0.5);
            char digits[32];
            int n = 0;
            do {
                digits[n++] = static_cast<char>('0' + units % 10);
                units /= 10;
            } while (units > 0 || n <= decimals);
            char text[40];
            char* p = text;
            bool zero = true;
            for (int i = 0; i < n; ++i) {
                zero = zero && digits[i] == '0';
            }
            if (value < 0 && !zero) {
                *p++ = '-';
            }
            for (int i = n - 1; i >= 0; --i) {
                *p++ = digits[i];
                if (i == decimals) {
                    *p++ = '.';
                }
            }
            out_.append(text, static_cast<std::size_t>(p - text));
            return *this;
        }
    }
    char text[400];
    const auto result =
        std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
    const char* begin = text;
    // "-0.000" says nothing a reader needs.
    if (text[0] == '-') {
        bool zero = true;
        for (const char* p = text + 1; p < result.ptr; ++p) {
            zero = zero && (*p == '0' || *p == '.');
        }
        begin += zero ? 1 : 0;
    }
    out_.append(begin, static_cast<std::size_t>(result.ptr - begin));
    return *this;
}

TableWriter& TableWriter::dms(double degrees, int second_decimals) {
    separate();
    // Whole units of the last decimal of a second, rounded once, so 59.995" carries.
    long long scale = 1;
    for (int i = 0; i < second_decimals; ++i) {
        scale *= 10;
    }
    const long long per_degree = 3600 * scale;
    long long units = std::llround(std::fabs(degrees) * 3600.0 * static_cast<double>(scale));
    if (units >= 360 * per_degree) {
        units -= 360 * per_degree;
    }
    const long long d = units / per_degree;
    const long long m = units % per_degree / (60 * scale);
    const long long s = units % (60 * scale);
    // The seconds' mark is a quote, so the field is quoted and the mark doubled.
    char text[64];
    char* p = text;
    *p++ = '"';
    if (degrees < 0 && units > 0) {
        *p++ = '-';
    }
    p = std::to_chars(p, text + sizeof text, d).ptr;
    for (const char c : std::string_view("°")) {
        *p++ = c;
    }
    *p++ = static_cast<char>('0' + m / 10);
    *p++ = static_cast<char>('0' + m % 10);
    *p++ = '\'';
    const long long whole = s / scale;
    *p++ = static_cast<char>('0' + whole / 10);
    *p++ = static_cast<char>('0' + whole % 10);
    if (second_decimals > 0) {
        *p++ = '.';
        long long fraction = s % scale;
        for (long long digit = scale / 10; digit > 0; digit /= 10) {
            *p++ = static_cast<char>('0' + fraction / digit);
            fraction %= digit;
        }
    }
    for (int i = 0; i < 3; ++i) {
        *p++ = '"';
    }
    out_.append(text, static_cast<std::size_t>(p - text));
    return *this;
}

TableWriter& TableWriter::empty() {
    separate();
    return *this;
}

void TableWriter::end_row() {
    out_ += "\r\n";
    row_started_ = false;
}

} // namespace tarn_cli
