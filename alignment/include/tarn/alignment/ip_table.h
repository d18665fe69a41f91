// The IP table as a designer keeps it in a spreadsheet: a CSV file with a
// header row, BP first, the IPs, EP last. Excel in Japan saves it as UTF-8
// (with or without a byte-order mark) or as Shift_JIS (code page 932); the
// reader tells them apart itself.
#pragma once

#include "tarn/alignment/alignment.h"

#include <string>
#include <string_view>
#include <vector>

namespace tarn::alignment {

// A refusal with the line of the file it concerns (0 for the file as a whole).
struct InputError {
    int line = 0;
    std::string message;
};

struct IpTable {
    std::vector<IntersectionPoint> points; // BP, IPs, EP; names filled in where empty
    std::vector<InputError> errors;        // empty when the table was read
    bool ok() const { return errors.empty(); }
};

IpTable read_ip_table(std::string_view bytes);

// CP932 bytes as UTF-8; false at the first byte sequence that code page 932
// does not define.
bool cp932_to_utf8(std::string_view bytes, std::string& utf8);

// Whether the bytes are well-formed UTF-8.
bool is_utf8(std::string_view bytes);

} // namespace tarn::alignment
