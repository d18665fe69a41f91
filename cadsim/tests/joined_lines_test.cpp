#include "cadsim/joined_lines.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>

namespace cadsim {
namespace {

std::string join(const std::deque<std::string>& lines) {
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        text += (i == 0 ? "" : "\r\n") + lines[i];
    }
    return text;
}

// Against a plain join of the last lines, through many rounds of dropping
// and compacting, with empty and long lines among them.
TEST(JoinedLines, AlwaysEqualsThePlainJoinOfTheLastLines) {
    for (const std::size_t capacity : {std::size_t{1}, std::size_t{3}, std::size_t{1500}}) {
        SCOPED_TRACE(capacity);
        JoinedLines joined(capacity);
        std::deque<std::string> expected;
        EXPECT_EQ(joined.text(), "");
        for (int i = 0; i < 5000; ++i) {
            const std::string line =
                i % 7 == 0 ? "" : std::string(i % 13 * 10, 'a') + std::to_string(i);
            joined.push(line);
            expected.push_back(line);
            if (expected.size() > capacity) {
                expected.pop_front();
            }
            if (i % 97 == 0 || i > 4990) {
                ASSERT_EQ(joined.text(), join(expected)) << i;
            }
        }
        EXPECT_EQ(joined.lines(), capacity);
    }
}

} // namespace
} // namespace cadsim
