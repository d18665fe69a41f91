// Splits a script file's bytes into lines. A line ends at CR LF, at a lone
// CR or at a lone LF; the last line needs no line end. Splitting works on
// bytes: no trail byte of a double-byte code page is CR or LF.
#pragma once

#include "drafthand/script/script_control.h"

#include <cstddef>
#include <string>
#include <vector>

namespace drafthand::script {

class LineReader {
public:
    enum class Status { line, end, too_long, read_failed };

    LineReader(ScriptFile& file, std::size_t max_line_bytes);

    // The next line's bytes without its line end. too_long when a line holds
    // more than max_line_bytes; read_failed with error filled when the file
    // cannot be read. Either of those ends the reading.
    Status next(std::string& line, ErrorRecord& error);

private:
    bool fill(ErrorRecord& error);

    ScriptFile& file_;
    std::size_t max_line_bytes_;
    std::vector<char> buffer_;
    std::size_t position_ = 0;
    std::size_t filled_ = 0;
    bool at_end_ = false;
    bool skip_lf_ = false; // the previous line ended with CR: a LF right after it belongs to it
};

} // namespace drafthand::script
