#include "curvelib/script_output.h"

#include <charconv>
#include <cmath>

namespace curvelib {

TextFile TextFile::create(const char* path) {
    TextFile file;
    file.stream_.reset(std::fopen(path, "w"));
    if (file.stream_) {
        // Long polylines: fewer, larger writes.
        std::setvbuf(file.stream_.get(), nullptr, _IOFBF, 1 << 16);
    }
    return file;
}

bool TextFile::close() {
    std::FILE* stream = stream_.release();
    if (stream == nullptr) {
        return false;
    }
    const bool written = std::ferror(stream) == 0;
    return std::fclose(stream) == 0 && written;
}

Point drawing_point(const CurveState& state, Point offset) {
    const Point absolute = state.origin + offset;
    if (state.mormm == 0.0) {
        return {absolute.x * 0.001, absolute.y * 0.001};
    }
    return absolute;
}

char* format_script_number(char* first, double value) {
    return std::to_chars(first, first + kScriptNumberChars, value, std::chars_format::scientific,
                         15)
        .ptr;
}

// Every number of the drawing script goes through here.
void write_point(std::FILE* out, const char* before, Point p) {
    char text[2 * kScriptNumberChars + 1];
    char* end = format_script_number(text, p.x);
    *end++ = ',';
    end = format_script_number(end, p.y);
    std::fputs(before, out);
    std::fwrite(text, 1, static_cast<std::size_t>(end - text), out);
}

void write_line(const CurveState& state, Point start, Point end, std::FILE* out) {
    write_point(out, "line\n", drawing_point(state, start));
    write_point(out, "\n", drawing_point(state, end));
}

void write_polyline_vertex(CurveState& state, Point previous, Point vertex, std::FILE* out) {
    if (state.polyline_started == 0) {
        write_point(out, "pline\n", drawing_point(state, previous));
    }
    write_point(out, "\n", drawing_point(state, vertex));
    state.polyline_started = 1;
}

namespace {

// The unit flag as a whole number, as C's (int) conversion shows it, without
// its undefined cases.
int unit_flag_shown(double mormm) {
    if (mormm == 0.0) {
        return 0;
    }
    if (std::isfinite(mormm) && std::fabs(mormm) < 2147483647.0) {
        return static_cast<int>(mormm);
    }
    return 1;
}

} // namespace

bool write_parameter_record(const ParameterRecord& r) {
    TextFile file = TextFile::create(kParameterFileName);
    if (!file) {
        return false;
    }
    std::fprintf(file.stream(),
                 "xxxxxxxxxxxxxxx\nmormm=%i\np0x=%f\np0y=%f\np1x=%f\np1y=%f\np2x=%f\np2y=%f\na=%f"
                 "\npitch=%f",
                 unit_flag_shown(r.mormm), r.p0x, r.p0y, r.p1x, r.p1y, r.p2x, r.p2y, r.a, r.pitch);
    return file.close();
}

} // namespace curvelib
