#include "numbers.h"
#include "table_writer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <string>

namespace {

using tarn_cli::TableWriter;

std::string one(double value, int decimals, bool dms) {
    TableWriter w;
    if (dms) {
        w.dms(value, decimals);
    } else {
        w.fixed(value, decimals);
    }
    return std::string(w.bytes().substr(3));
}

// The quoting the setting-out table has always used.
std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        out += c;
        if (c == '"') {
            out += '"';
        }
    }
    return out + "\"";
}

TEST(TableWriter, NumbersAsPrintfWritesThem) {
    // The reference is the snprintf-based formatting of numbers.h.
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> value(-5000.0, 5000.0);
    std::uniform_real_distribution<double> angle(0.0, 360.0);
    for (int i = 0; i < 20000; ++i) {
        const double v = value(random);
        ASSERT_EQ(one(v, 4, false), tarn_cli::fixed(v, 4)) << v;
        const double d = angle(random);
        ASSERT_EQ(one(d, 2, true), quoted(tarn_cli::direction_dms(d, 2))) << d;
    }
    // Every count of decimals and of the seconds' decimals, each its own
    // fast path, over the sizes of table numbers (whole parts of 1 to 7 digits).
    std::uniform_real_distribution<double> exponent(-3.0, 7.0);
    for (int i = 0; i < 20000; ++i) {
        const double v = std::pow(10.0, exponent(random)) * (i % 2 ? -1 : 1);
        const int decimals = 1 + i % 9;
        ASSERT_EQ(one(v, decimals, false), tarn_cli::fixed(v, decimals)) << v;
        const double d = angle(random);
        const int seconds = i % 10;
        ASSERT_EQ(one(d, seconds, true), quoted(tarn_cli::direction_dms(d, seconds))) << d;
    }
    // Directions of many turns, whose units no longer fit 32 bits: printed as
    // the reference prints them less the one turn taken off.
    for (const double d : {3.0e5, 1.23456789e7, 9.87654321e8, 2.5e9}) {
        ASSERT_EQ(one(d, 2, true), quoted(tarn_cli::dms(d - 360.0, 2))) << d;
        ASSERT_EQ(one(d, 0, true), quoted(tarn_cli::dms(d - 360.0, 0))) << d;
    }
    // Near ties, where a rounding shortcut would part from printf.
    for (int i = -20000; i <= 20000; ++i) {
        const double tie = i / 2000.0;
        ASSERT_EQ(one(tie, 3, false), tarn_cli::fixed(tie, 3)) << tie;
        ASSERT_EQ(one(tie * 1000.001, 6, false), tarn_cli::fixed(tie * 1000.001, 6)) << tie;
    }
    // Large values at their ties and either side: many digits, and scaled
    // products whose last bits are coarse.
    std::uniform_real_distribution<double> units(1e9, 9e14);
    for (int i = 0; i < 20000; ++i) {
        const int decimals = 4 + i % 5;
        const double tie = (std::floor(units(random)) + 0.5) / std::pow(10.0, decimals);
        for (const double v : {tie, std::nextafter(tie, 0.0), std::nextafter(tie, 1e300), -tie}) {
            ASSERT_EQ(one(v, decimals, false), tarn_cli::fixed(v, decimals)) << v;
        }
    }
    for (const double edge : {-0.00001, 0.0, 359.999999, 59.99999 / 3600}) {
        EXPECT_EQ(one(edge, 4, false), tarn_cli::fixed(edge, 4)) << edge;
        if (edge >= 0) {
            EXPECT_EQ(one(edge, 2, true), quoted(tarn_cli::direction_dms(edge, 2))) << edge;
        }
    }
}

TEST(TableWriter, FieldsRowsAndMark) {
    TableWriter w;
    w.text("a,b").text("say \"hi\"").empty().fixed(1.5, 1);
    w.end_row();
    EXPECT_EQ(w.bytes(), "\xEF\xBB\xBF\"a,b\",\"say \"\"hi\"\"\",,1.5\r\n");
}

TEST(TableWriter, StreamedAsInMemory) {
    // Enough rows to cross many of the streamed blocks, with fields of every kind.
    const auto fill = [](TableWriter& w) {
        for (int i = 0; i < 60000; ++i) {
            w.text(i % 7 ? "No.1" : "a,\"b\"").fixed(i * 0.37, 4).dms(i % 360 + 0.5, 2);
            w.formatted("x").empty().end_row();
        }
    };
    TableWriter memory;
    fill(memory);
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    {
        TableWriter streamed(file);
        fill(streamed);
    }
    std::string read(memory.bytes().size() + 1, '\0');
    std::rewind(file);
    read.resize(std::fread(read.data(), 1, read.size(), file));
    std::fclose(file);
    EXPECT_GT(read.size(), 1u << 21);
    EXPECT_EQ(read, memory.bytes());
}

} // namespace
