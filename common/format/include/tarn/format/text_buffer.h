// One buffer that tables and drawings are written into: text and numbers
// formatted straight into it; given a file, it goes there block by block, so
// that a drawing of a long road never lies whole in memory.
#pragma once

#include "tarn/format/numbers.h"

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

namespace tarn::format {

// Numbers for operator<<: shortest(v) as write_shortest writes it, fixed(v, d)
// as write_fixed does.
struct Shortest {
    double value;
};
struct Fixed {
    double value;
    int decimals;
};
inline Shortest shortest(double value) {
    return {value};
}
inline Fixed fixed(double value, int decimals) {
    return {value, decimals};
}

class TextBuffer {
public:
    TextBuffer(); // in memory
    // Streams to sink; what is left is written by flush() or on destruction.
    explicit TextBuffer(std::FILE* sink);
    ~TextBuffer();
    TextBuffer(const TextBuffer&) = delete;
    TextBuffer& operator=(const TextBuffer&) = delete;

    TextBuffer& operator<<(std::string_view text) {
        char* p = room(text.size());
        std::memcpy(p, text.data(), text.size());
        commit(p + text.size());
        return *this;
    }
    TextBuffer& operator<<(char c) {
        char* p = room(1);
        *p = c;
        commit(p + 1);
        return *this;
    }
    TextBuffer& operator<<(Shortest n) {
        commit(write_shortest(room(kShortestChars), n.value));
        return *this;
    }
    TextBuffer& operator<<(Fixed n) {
        commit(write_fixed(room(kFixedChars), n.value, n.decimals));
        return *this;
    }
    TextBuffer& operator<<(unsigned long long n);
    TextBuffer& operator<<(long long n);
    TextBuffer& operator<<(int n) {
        // Small counts and DXF group codes, the most written, without a call.
        if (n >= 0 && n < 100) {
            char* p = room(2);
            if (n >= 10) {
                *p++ = static_cast<char>('0' + n / 10);
            }
            *p++ = static_cast<char>('0' + n % 10);
            commit(p);
            return *this;
        }
        return *this << static_cast<long long>(n);
    }
    TextBuffer& operator<<(unsigned n) { return *this << static_cast<unsigned long long>(n); }
    TextBuffer& operator<<(unsigned long n) { return *this << static_cast<unsigned long long>(n); }

    // Room for n more bytes at the end of the text, to be filled and then
    // committed up to where the filling ended.
    char* room(std::size_t n) {
        if (out_.size() - size_ < n) {
            grow(n);
        }
        return out_.data() + size_;
    }
    void commit(const char* end) { size_ = static_cast<std::size_t>(end - out_.data()); }

    void reserve(std::size_t bytes); // in memory only
    std::string_view text() const { return {out_.data(), size_}; }
    std::string take(); // in memory only
    void flush();       // to the sink

private:
    void grow(std::size_t n);

    // Sized ahead; the first size_ bytes are the text.
    std::string out_;
    std::size_t size_ = 0;
    std::FILE* sink_ = nullptr;
};

} // namespace tarn::format
