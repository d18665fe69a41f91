// The one CSV writer of tarn's tables: fields formatted straight into one
// buffer (numbers by integer arithmetic, std::to_chars where rounding is
// close), so a table costs little more than writing its bytes; given a file,
// the buffer goes to it block by block, so a large table never lies whole in
// memory. UTF-8 with a byte-order mark and CR LF, as Excel on Japanese
// Windows reads it.
#pragma once

#include "tarn/format/text_buffer.h"

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

namespace tarn_cli {

using tarn::format::kDmsChars;
using tarn::format::kFixedChars;
using tarn::format::write_dms;
using tarn::format::write_fixed;

class TableWriter {
public:
    TableWriter(); // starts with the byte-order mark
    // Streams to sink; what is left is written by flush() or on destruction.
    explicit TableWriter(std::FILE* sink);
    TableWriter(const TableWriter&) = delete;
    TableWriter& operator=(const TableWriter&) = delete;

    // The fields are written here, inline, since a table writes millions of
    // them: the formatting alone is a call.
    TableWriter& text(std::string_view field); // quoted where it must be
    // "12.500"; "-0.000" reads "0.000"
    TableWriter& fixed(double value, int decimals) {
        commit(write_fixed(separate(kFixedChars), value, decimals));
        return *this;
    }
    // A direction in degrees, 0 <= d < 360, as 12°03'04.50" (one that rounds
    // up to 360° reads 0°).
    TableWriter& dms(double degrees, int second_decimals) {
        commit(write_dms(separate(kDmsChars), degrees, second_decimals));
        return *this;
    }
    TableWriter& empty() {
        commit(separate(0));
        return *this;
    }
    // A field formatted already (by write_fixed or write_dms, or text that
    // needs no quotes), as it is: a field repeated in rows is formatted once.
    TableWriter& formatted(std::string_view field) {
        char* p = separate(field.size());
        std::memcpy(p, field.data(), field.size());
        commit(p + field.size());
        return *this;
    }
    void end_row() {
        char* p = room(2);
        p[0] = '\r';
        p[1] = '\n';
        commit(p + 2);
        row_started_ = false;
    }

    void reserve(std::size_t bytes) { out_.reserve(bytes); } // in memory only
    std::string_view bytes() const { return out_.text(); }
    std::string take() { return out_.take(); } // in memory only
    void flush() { out_.flush(); }             // to the sink

private:
    char* room(std::size_t n) { return out_.room(n); }
    void commit(const char* end) { out_.commit(end); }
    // The comma before a field and room for it.
    char* separate(std::size_t n) {
        char* p = room(n + 1);
        if (row_started_) {
            *p++ = ',';
        }
        row_started_ = true;
        return p;
    }

    tarn::format::TextBuffer out_;
    bool row_started_ = false;
};

} // namespace tarn_cli
