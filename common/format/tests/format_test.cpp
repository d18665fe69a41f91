#include "tarn/format/numbers.h"
#include "tarn/format/text_buffer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

using namespace tarn::format;

TEST(TextBuffer, StreamedAsInMemory) {
    // Long enough to cross several blocks, with numbers at every boundary.
    TextBuffer memory;
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    {
        TextBuffer streamed(file);
        for (int i = 0; i < 200000; ++i) {
            const double v = i * 0.37 - 5000.0;
            memory << "row " << i << ' ' << shortest(v) << ',' << fixed(v, 3) << '\n';
            streamed << "row " << i << ' ' << shortest(v) << ',' << fixed(v, 3) << '\n';
        }
    }
    const std::string expected = memory.take();
    std::string written(expected.size() + 1, '\0');
    std::rewind(file);
    written.resize(std::fread(written.data(), 1, written.size(), file));
    std::fclose(file);
    EXPECT_GT(expected.size(), 4'000'000u);
    EXPECT_EQ(written, expected);
    EXPECT_EQ(expected.substr(0, 26), "row 0 -5000,-5000.000\nrow ");
    // Shortest round trip, and no sign on a zero.
    TextBuffer numbers;
    numbers << shortest(0.1) << ' ' << shortest(-0.0) << ' ' << shortest(300000.0) << ' '
            << fixed(-0.0004, 3) << ' ' << -12 << ' ' << 12345678901234ULL;
    EXPECT_EQ(numbers.take(), "0.1 0 3e+05 0.000 -12 12345678901234");
}

} // namespace
