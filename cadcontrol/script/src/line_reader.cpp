#include "drafthand/script/line_reader.h"

namespace drafthand::script {

namespace {
constexpr std::size_t kChunk = 64 * 1024;
}

LineReader::LineReader(ScriptFile& file, std::size_t max_line_bytes)
    : file_(file), max_line_bytes_(max_line_bytes), buffer_(kChunk) {}

bool LineReader::fill(ErrorRecord& error) {
    position_ = 0;
    filled_ = 0;
    std::size_t count = 0;
    if (!file_.read(buffer_.data(), buffer_.size(), count, error)) {
        at_end_ = true;
        return false;
    }
    if (count == 0 || count > buffer_.size()) {
        at_end_ = true;
    } else {
        filled_ = count;
    }
    return true;
}

LineReader::Status LineReader::next(std::string& line, ErrorRecord& error) {
    line.clear();
    bool have_text = false;
    for (;;) {
        if (position_ == filled_) {
            if (at_end_) {
                return have_text ? Status::line : Status::end;
            }
            if (!fill(error)) {
                return Status::read_failed;
            }
            continue;
        }
        if (skip_lf_) {
            skip_lf_ = false;
            if (buffer_[position_] == '\n') {
                ++position_;
                continue;
            }
        }
        const char* begin = buffer_.data() + position_;
        const char* end = buffer_.data() + filled_;
        const char* stop = begin;
        while (stop != end && *stop != '\r' && *stop != '\n') {
            ++stop;
        }
        const auto length = static_cast<std::size_t>(stop - begin);
        if (line.size() + length > max_line_bytes_) {
            at_end_ = true;
            position_ = filled_;
            return Status::too_long;
        }
        line.append(begin, length);
        have_text = true;
        position_ += length;
        if (stop != end) {
            skip_lf_ = *stop == '\r';
            ++position_;
            return Status::line;
        }
    }
}

} // namespace drafthand::script
