// The drawing script "auto_temp.txt" and the parameter record "auto_temp2.txt".
#pragma once

#include "curvelib/geometry.h"

#include <cstdint>
#include <cstdio>
#include <memory>

namespace curvelib {

constexpr const char* kScriptFileName = "auto_temp.txt";
constexpr const char* kParameterFileName = "auto_temp2.txt";

// The library's one state record; every export rewrites it on entry.
struct CurveState {
    Point origin;      // p0, internal millimetres
    Point end_offset;  // p1 - p0
    Point side_offset; // p2 - p0
    double mormm = 0.0;
    std::int32_t polyline_started = 0;
};

// A text-mode output file (CR LF on Windows), closed when it goes away.
class TextFile {
public:
    // Creates or truncates the file; an empty object when that fails.
    static TextFile create(const char* path);

    explicit operator bool() const { return stream_ != nullptr; }
    std::FILE* stream() const { return stream_.get(); }
    // Flushes and closes; false when anything written was lost.
    bool close();

private:
    struct Closer {
        void operator()(std::FILE* stream) const { std::fclose(stream); }
    };
    std::unique_ptr<std::FILE, Closer> stream_;
};

// Absolute drawing coordinates of an offset from p0.
Point drawing_point(const CurveState& state, Point offset);

// The longest text of format_script_number: sign, 17 significant characters,
// "e", exponent sign and three digits.
constexpr int kScriptNumberChars = 24;

// A number of the drawing script, byte for byte what printf's "%.15le" gives
// (C99 exponent form, at least two exponent digits), without printf's cost.
// Writes at most kScriptNumberChars characters from first; returns the end.
char* format_script_number(char* first, double value);

// The text before the point, then x and y separated by a comma.
void write_point(std::FILE* out, const char* before, Point p);

// The whole "line" record.
void write_line(const CurveState& state, Point start, Point end, std::FILE* out);

// The first call after entry writes the "pline" header and both vertices,
// later calls append the new vertex only.
void write_polyline_vertex(CurveState& state, Point previous, Point vertex, std::FILE* out);

struct ParameterRecord {
    double mormm, p0x, p0y, p1x, p1y, p2x, p2y, a, pitch;
};

// Echo of the centre line's arguments as received; nothing reads it back.
bool write_parameter_record(const ParameterRecord& record);

} // namespace curvelib
