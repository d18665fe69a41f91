#include "table_writer.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

namespace tarn_cli {
namespace {

constexpr char kPairs[] = "00010203040506070809"
                          "10111213141516171819"
                          "20212223242526272829"
                          "30313233343536373839"
                          "40414243444546474849"
                          "50515253545556575859"
                          "60616263646566676869"
                          "70717273747576777879"
                          "80818283848586878889"
                          "90919293949596979899";

// Exactly n digits of value (leading zeros kept), ending at end.
void digits_back(char* end, unsigned long long value, int n) {
    while (n >= 2) {
        const auto pair = static_cast<std::size_t>(value % 100) * 2;
        value /= 100;
        end -= 2;
        end[0] = kPairs[pair];
        end[1] = kPairs[pair + 1];
        n -= 2;
    }
    if (n == 1) {
        *--end = static_cast<char>('0' + value % 10);
    }
}

// The decimal digits of value, written at p; returns the end.
char* digits(char* p, unsigned long long value) {
    // Counted by comparisons, not by a chain of divisions.
    int n = 1;
    for (unsigned long long bound = 10; n < 19 && value >= bound; bound *= 10) {
        ++n;
    }
    if (n == 19 && value >= 10000000000000000000ULL) {
        n = 20;
    }
    digits_back(p + n, value, n);
    return p + n;
}

// The bytes that make a CSV field need quotes.
struct Special {
    bool byte[256] = {};
    constexpr Special() {
        byte[static_cast<unsigned char>(',')] = true;
        byte[static_cast<unsigned char>('"')] = true;
        byte[static_cast<unsigned char>('\r')] = true;
        byte[static_cast<unsigned char>('\n')] = true;
    }
};
constexpr Special kSpecial;

constexpr unsigned long long kPowers[] = {1,      10,      100,      1000,      10000,
                                          100000, 1000000, 10000000, 100000000, 1000000000};

// A block of a streamed table: large enough that each write is worth its
// call, small enough to stay in the cache.
constexpr std::size_t kBlock = 256 * 1024;

} // namespace

TableWriter::TableWriter() : out_(4096, '\0') {
    std::memcpy(out_.data(), "\xEF\xBB\xBF", 3);
    size_ = 3;
}

TableWriter::TableWriter(std::FILE* sink) : TableWriter() {
    sink_ = sink;
    out_.resize(kBlock);
}

TableWriter::~TableWriter() {
    flush();
}

void TableWriter::flush() {
    if (sink_ != nullptr && size_ > 0) {
        std::fwrite(out_.data(), 1, size_, sink_);
        size_ = 0;
    }
}

void TableWriter::reserve(std::size_t bytes) {
    if (sink_ == nullptr && out_.size() < bytes) {
        out_.resize(bytes);
    }
}

void TableWriter::grow(std::size_t n) {
    if (sink_ != nullptr) {
        flush();
        if (out_.size() >= n) {
            return;
        }
    }
    out_.resize(std::max(out_.size() * 2, size_ + n));
}

std::string TableWriter::take() {
    out_.resize(size_);
    size_ = 0;
    return std::move(out_);
}

char* TableWriter::separate(std::size_t n) {
    char* p = room(n + 1);
    if (row_started_) {
        *p++ = ',';
    }
    row_started_ = true;
    return p;
}

TableWriter& TableWriter::text(std::string_view field) {
    // Without a branch per byte: names and stations are short and never quoted.
    bool special = false;
    for (const char c : field) {
        special |= kSpecial.byte[static_cast<unsigned char>(c)];
    }
    if (!special) {
        char* p = separate(field.size());
        std::memcpy(p, field.data(), field.size());
        commit(p + field.size());
        return *this;
    }
    char* p = separate(field.size() * 2 + 2);
    *p++ = '"';
    for (const char c : field) {
        *p++ = c;
        if (c == '"') {
            *p++ = '"';
        }
    }
    *p++ = '"';
    commit(p);
    return *this;
}

namespace {

// Fast path: the value scaled to whole units of the last decimal, when it is
// far enough from a half that rounding the exact binary value (as printf
// does) cannot differ; anything near a tie takes to_chars. The decimals are a
// constant here so that the divisions become multiplications.
template <int Decimals> char* fast_fixed(char* p, double value) {
    constexpr unsigned long long kUnit = kPowers[Decimals];
    const double scaled = std::fabs(value) * static_cast<double>(kUnit);
    const double whole = std::floor(scaled);
    const double fraction = scaled - whole;
    if (!(scaled < 9e15 && std::fabs(fraction - 0.5) > 1e-6)) {
        return nullptr;
    }
    const unsigned long long units =
        static_cast<unsigned long long>(whole) + (fraction > 0.5 ? 1 : 0);
    if (value < 0 && units != 0) {
        *p++ = '-';
    }
    p = digits(p, units / kUnit);
    *p++ = '.';
    digits_back(p + Decimals, units % kUnit, Decimals);
    return p + Decimals;
}

char* try_fast_fixed(char* p, double value, int decimals) {
    // One instance per count of decimals, so that no division remains.
    static constexpr char* (*kByDecimals[])(char*, double) = {
        nullptr,       fast_fixed<1>, fast_fixed<2>, fast_fixed<3>, fast_fixed<4>,
        fast_fixed<5>, fast_fixed<6>, fast_fixed<7>, fast_fixed<8>, fast_fixed<9>,
    };
    if (!(std::fabs(value) < 1e9) || decimals < 1 || decimals > 9) {
        return nullptr;
    }
    return kByDecimals[decimals](p, value);
}

} // namespace

char* write_fixed(char* p, double value, int decimals) {
    if (char* end = try_fast_fixed(p, value, decimals)) {
        return end;
    }
    // Near a tie, and outside the fast path's range: to_chars, exact.
    const auto result =
        std::to_chars(p, p + kFixedChars - 1, value, std::chars_format::fixed, decimals);
    // "-0.000" says nothing a reader needs.
    if (*p == '-') {
        bool zero = true;
        for (const char* q = p + 1; q < result.ptr; ++q) {
            zero = zero && (*q == '0' || *q == '.');
        }
        if (zero) {
            std::memmove(p, p + 1, static_cast<std::size_t>(result.ptr - p - 1));
            return result.ptr - 1;
        }
    }
    return result.ptr;
}

TableWriter& TableWriter::fixed(double value, int decimals) {
    commit(write_fixed(separate(kFixedChars), value, decimals));
    return *this;
}

char* write_dms(char* p, double degrees, int second_decimals) {
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
    *p++ = '"';
    if (degrees < 0 && units > 0) {
        *p++ = '-';
    }
    p = std::to_chars(p, p + 24, d).ptr;
    constexpr std::string_view kDegree = "°";
    std::memcpy(p, kDegree.data(), kDegree.size());
    p += kDegree.size();
    digits_back(p + 2, static_cast<unsigned long long>(m), 2);
    p[2] = '\'';
    p += 3;
    digits_back(p + 2, static_cast<unsigned long long>(s / scale), 2);
    p += 2;
    if (second_decimals > 0) {
        *p++ = '.';
        digits_back(p + second_decimals, static_cast<unsigned long long>(s % scale),
                    second_decimals);
        p += second_decimals;
    }
    std::memcpy(p, "\"\"\"", 3);
    return p + 3;
}

TableWriter& TableWriter::dms(double degrees, int second_decimals) {
    commit(write_dms(separate(kDmsChars), degrees, second_decimals));
    return *this;
}

TableWriter& TableWriter::formatted(std::string_view field) {
    char* p = separate(field.size());
    std::memcpy(p, field.data(), field.size());
    commit(p + field.size());
    return *this;
}

TableWriter& TableWriter::empty() {
    commit(separate(0));
    return *this;
}

void TableWriter::end_row() {
    char* p = room(2);
    p[0] = '\r';
    p[1] = '\n';
    commit(p + 2);
    row_started_ = false;
}

} // namespace tarn_cli
