// The text of the last lines of a history joined by CR LF, kept up to date one
// line at a time, so that a live-text window answers without rebuilding it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

namespace cadsim {

class JoinedLines {
public:
    explicit JoinedLines(std::size_t capacity) : capacity_(capacity) {}

    // Appends a line and drops the oldest beyond the capacity: amortised
    // constant time per byte, whatever the history's length.
    void push(std::string_view line);
    // The kept lines joined by CR LF, no line end after the last.
    std::string_view text() const;
    std::size_t lines() const { return starts_.size(); }

private:
    std::size_t capacity_;
    // Dropped lines stay at the front of buffer_ until they are half of it.
    std::string buffer_;
    std::uint64_t buffer_origin_ = 0;  // position of buffer_[0] in the stream
    std::deque<std::uint64_t> starts_; // stream positions of the kept lines
};

} // namespace cadsim
