#include "tarn/format/text_buffer.h"

#include <algorithm>
#include <charconv>

namespace tarn::format {
namespace {

// A block of streamed text: large enough that each write is worth its call,
// small enough to stay in the cache.
constexpr std::size_t kBlock = 256 * 1024;

} // namespace

TextBuffer::TextBuffer() : out_(4096, '\0') {}

TextBuffer::TextBuffer(std::FILE* sink) : out_(kBlock, '\0'), sink_(sink) {}

TextBuffer::~TextBuffer() {
    flush();
}

TextBuffer& TextBuffer::operator<<(unsigned long long n) {
    char* p = room(24);
    commit(std::to_chars(p, p + 24, n).ptr);
    return *this;
}

TextBuffer& TextBuffer::operator<<(long long n) {
    char* p = room(24);
    commit(std::to_chars(p, p + 24, n).ptr);
    return *this;
}

void TextBuffer::flush() {
    if (sink_ != nullptr && size_ > 0) {
        std::fwrite(out_.data(), 1, size_, sink_);
        size_ = 0;
    }
}

void TextBuffer::reserve(std::size_t bytes) {
    if (sink_ == nullptr && out_.size() < bytes) {
        out_.resize(bytes);
    }
}

void TextBuffer::grow(std::size_t n) {
    if (sink_ != nullptr) {
        flush();
        if (out_.size() >= n) {
            return;
        }
    }
    out_.resize(std::max(out_.size() * 2, size_ + n));
}

std::string TextBuffer::take() {
    out_.resize(size_);
    size_ = 0;
    return std::move(out_);
}

} // namespace tarn::format
