#include "cadsim/joined_lines.h"

namespace cadsim {

void JoinedLines::push(std::string_view line) {
    if (!starts_.empty()) {
        buffer_ += "\r\n";
    }
    starts_.push_back(buffer_origin_ + buffer_.size());
    buffer_ += line;
    while (starts_.size() > capacity_) {
        starts_.pop_front();
    }
    const std::size_t dropped = starts_.empty()
                                    ? buffer_.size()
                                    : static_cast<std::size_t>(starts_.front() - buffer_origin_);
    if (dropped > buffer_.size() / 2) {
        buffer_.erase(0, dropped);
        buffer_origin_ += dropped;
    }
}

std::string_view JoinedLines::text() const {
    if (starts_.empty()) {
        return {};
    }
    const auto first = static_cast<std::size_t>(starts_.front() - buffer_origin_);
    return std::string_view(buffer_).substr(first);
}

} // namespace cadsim
