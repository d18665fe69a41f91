#include "drafthand/script/line_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace drafthand::script {
namespace {

class BytesFile : public ScriptFile {
public:
    BytesFile(std::string bytes, std::size_t chunk, bool fail_after_first = false)
        : bytes_(std::move(bytes)), chunk_(chunk), fail_after_first_(fail_after_first) {}

    bool read(char* buffer, std::size_t capacity, std::size_t& count, ErrorRecord& error) override {
        if (fail_after_first_ && position_ > 0) {
            error = ErrorRecord{57, L"Drafthand", L"I/O"};
            return false;
        }
        count = std::min({capacity, chunk_, bytes_.size() - position_});
        std::memcpy(buffer, bytes_.data() + position_, count);
        position_ += count;
        return true;
    }

private:
    std::string bytes_;
    std::size_t chunk_;
    bool fail_after_first_;
    std::size_t position_ = 0;
};

std::vector<std::string> read_all(const std::string& bytes, std::size_t chunk) {
    BytesFile file(bytes, chunk);
    LineReader reader(file, 1000);
    std::vector<std::string> lines;
    std::string line;
    ErrorRecord error;
    LineReader::Status status;
    while ((status = reader.next(line, error)) == LineReader::Status::line) {
        lines.push_back(line);
    }
    EXPECT_EQ(status, LineReader::Status::end);
    // The end stays the end.
    EXPECT_EQ(reader.next(line, error), LineReader::Status::end);
    return lines;
}

using Lines = std::vector<std::string>;

TEST(LineReader, LineEndsOfEveryKindAtEveryChunkBoundary) {
    struct Case {
        std::string bytes;
        Lines lines;
    };
    const Case cases[] = {
        {"", {}},
        {"A", {"A"}},
        {"A\r\n", {"A"}},
        {"A\r\nB", {"A", "B"}},
        {"A\rB\r", {"A", "B"}},
        {"A\nB\n", {"A", "B"}},
        {"A\r\nB\rC\nD", {"A", "B", "C", "D"}},
        {"\r\n\r\n", {"", ""}},
        {"\n\r", {"", ""}},
        {"\r\r\n", {"", ""}},
        {"A\r\n\nB", {"A", "", "B"}},
        {std::string("N\0L\r\n\xff\xfe", 7), {std::string("N\0L", 3), "\xff\xfe"}},
        {"\x83\x52\x83\x7d\x83\x93\x83\x68\r\n", {"\x83\x52\x83\x7d\x83\x93\x83\x68"}},
    };
    for (const Case& c : cases) {
        for (std::size_t chunk = 1; chunk <= c.bytes.size() + 1; ++chunk) {
            EXPECT_EQ(read_all(c.bytes, chunk), c.lines) << "chunk " << chunk;
        }
    }
}

TEST(LineReader, LineLongerThanTheLimitEndsReading) {
    BytesFile file("12345\r\n123456\r\nnext", 4);
    LineReader reader(file, 5);
    std::string line;
    ErrorRecord error;
    ASSERT_EQ(reader.next(line, error), LineReader::Status::line);
    EXPECT_EQ(line, "12345");
    EXPECT_EQ(reader.next(line, error), LineReader::Status::too_long);
    EXPECT_EQ(reader.next(line, error), LineReader::Status::end);
}

TEST(LineReader, ReadFailureIsReported) {
    BytesFile file("AB\r\nCD\r\nEF", 5, true);
    LineReader reader(file, 100);
    std::string line;
    ErrorRecord error;
    ASSERT_EQ(reader.next(line, error), LineReader::Status::line);
    EXPECT_EQ(line, "AB");
    EXPECT_EQ(reader.next(line, error), LineReader::Status::read_failed);
    EXPECT_EQ(error.number, 57);
}

} // namespace
} // namespace drafthand::script
