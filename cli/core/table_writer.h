// The one CSV writer of tarn's tables: rows appended to one buffer with
// numbers formatted by std::to_chars, so a table costs little more than
// writing its bytes. UTF-8 with a byte-order mark and CR LF, as Excel on
// Japanese Windows reads it.
#pragma once

#include <string>
#include <string_view>

namespace tarn_cli {

class TableWriter {
public:
    TableWriter(); // starts with the byte-order mark

    TableWriter& text(std::string_view field);      // quoted where it must be
    TableWriter& fixed(double value, int decimals); // "12.500"; "-0.000" reads "0.000"
    // A direction in degrees, 0 <= d < 360, as 12°03'04.50" (one that rounds
    // up to 360° reads 0°).
    TableWriter& dms(double degrees, int second_decimals);
    TableWriter& empty();
    void end_row();

    void reserve(std::size_t bytes) { out_.reserve(bytes); }
    const std::string& bytes() const { return out_; }
    std::string take() { return std::move(out_); }

private:
    void separate();
    std::string out_;
    bool row_started_ = false;
};

} // namespace tarn_cli
