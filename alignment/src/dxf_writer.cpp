#include "tarn/alignment/dxf.h"

#include "tarn/format/text_buffer.h"
#include "text_format.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string_view>

namespace tarn::alignment {
namespace {

using detail::kPi;
using format::TextBuffer;

// R12 text is in the drawing's code page; characters beyond ASCII are
// written in AutoCAD's own \U+XXXX notation, which every code page reads.
struct DxfText {
    std::string_view utf8;
};
TextBuffer& operator<<(TextBuffer& out, DxfText text) {
    const std::string_view utf8 = text.utf8;
    for (std::size_t i = 0; i < utf8.size();) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        unsigned code = c;
        std::size_t n = 1;
        if (c >= 0xF0 && i + 3 < utf8.size()) {
            code = ((c & 0x07u) << 18) | ((utf8[i + 1] & 0x3Fu) << 12) |
                   ((utf8[i + 2] & 0x3Fu) << 6) | (utf8[i + 3] & 0x3Fu);
            n = 4;
        } else if (c >= 0xE0 && i + 2 < utf8.size()) {
            code = ((c & 0x0Fu) << 12) | ((utf8[i + 1] & 0x3Fu) << 6) | (utf8[i + 2] & 0x3Fu);
            n = 3;
        } else if (c >= 0xC0 && i + 1 < utf8.size()) {
            code = ((c & 0x1Fu) << 6) | (utf8[i + 1] & 0x3Fu);
            n = 2;
        }
        i += n;
        if (code < 0x80) {
            out << static_cast<char>(code);
        } else if (code <= 0xFFFF) {
            static const char* hex = "0123456789ABCDEF";
            out << "\\U+";
            for (int shift = 12; shift >= 0; shift -= 4) {
                out << hex[(code >> shift) & 0xF];
            }
        } else {
            out << '?';
        }
    }
    return out;
}

class Writer {
public:
    explicit Writer(TextBuffer& out) : out_(out) {}
    // A group code and its value, each on a line of its own.
    template <typename Value> void pair(int code, const Value& value) {
        out_ << code << '\n' << value << '\n';
    }
    void number(int code, double value) { pair(code, format::shortest(value)); }
    // A size (group code 40): the marks and labels of a kind share theirs,
    // so the last one's text is kept.
    void size(double value) {
        if (value != size_) {
            size_ = value;
            char* const end = format::write_shortest(size_text_, value);
            size_length_ = static_cast<std::size_t>(end - size_text_);
        }
        pair(40, std::string_view(size_text_, size_length_));
    }
    // A survey point in drawing axes: X east, Y north.
    void point(int code, Point p) {
        number(code, p.y);
        number(code + 10, p.x);
        pair(code + 20, "0.0");
    }
    void line(const char* layer, Point a, Point b) {
        pair(0, "LINE");
        pair(8, layer);
        point(10, a);
        point(11, b);
    }
    void circle(const char* layer, Point c, double r) {
        pair(0, "CIRCLE");
        pair(8, layer);
        point(10, c);
        size(r);
    }
    void text(const char* layer, Point at, double height, const std::string& value,
              double rotation_degrees = 0.0) {
        pair(0, "TEXT");
        pair(8, layer);
        point(10, at);
        size(height);
        pair(1, DxfText{value});
        if (rotation_degrees != 0.0) {
            number(50, rotation_degrees);
        }
        pair(7, kTextStyle);
    }
    void polyline(const char* layer, const std::vector<Point>& points) {
        pair(0, "POLYLINE");
        pair(8, layer);
        pair(66, "1");
        point(10, {0, 0});
        pair(70, "0");
        for (const Point& p : points) {
            pair(0, "VERTEX");
            pair(8, layer);
            point(10, p);
        }
        pair(0, "SEQEND");
        pair(8, layer);
    }

private:
    TextBuffer& out_;
    double size_ = std::numeric_limits<double>::quiet_NaN();
    char size_text_[format::kShortestChars] = {};
    std::size_t size_length_ = 0;
};

Point along(Point p, double direction, double distance) {
    return {p.x + distance * std::cos(direction), p.y + distance * std::sin(direction)};
}

// A direction's cosine and sine, for points along it at several distances.
struct Heading {
    double cos, sin;
    explicit Heading(double direction) : cos(std::cos(direction)), sin(std::sin(direction)) {}
    Point along(Point p, double distance) const {
        return {p.x + distance * cos, p.y + distance * sin};
    }
};

// A survey direction (clockwise from north) as a drawing angle in degrees
// (counter-clockwise from east).
double drawing_degrees(double direction) {
    return detail::normalised_direction(kPi / 2 - direction) * 180.0 / kPi;
}

void centre_line(Writer& w, const Element& e) {
    const Pose end = evaluate(e, e.length);
    if (e.kind == ElementKind::line) {
        w.line(kLayerCentre, e.start, end.point);
        return;
    }
    if (e.kind == ElementKind::arc) {
        const double k = e.curvature_start;
        const double r = 1.0 / std::fabs(k);
        const Point centre = along(e.start, e.start_direction + (k > 0 ? kPi / 2 : -kPi / 2), r);
        // DXF arcs run counter-clockwise in the drawing: a right turn (clockwise
        // on the ground and in the drawing) runs from its end to its start.
        const double a0 = drawing_degrees(direction_between(centre, e.start));
        const double a1 = drawing_degrees(direction_between(centre, end.point));
        w.pair(0, "ARC");
        w.pair(8, kLayerCentre);
        w.point(10, centre);
        w.number(40, r);
        w.number(50, k > 0 ? a1 : a0);
        w.number(51, k > 0 ? a0 : a1);
        return;
    }
    const int steps = std::max(1, static_cast<int>(std::ceil(e.length)));
    std::vector<Point> points;
    for (int i = 0; i <= steps; ++i) {
        points.push_back(evaluate(e, e.length * i / steps).point);
    }
    w.polyline(kLayerCentre, points);
}

void tables(Writer& w) {
    w.pair(0, "SECTION");
    w.pair(2, "TABLES");
    w.pair(0, "TABLE");
    w.pair(2, "LTYPE");
    w.pair(70, "1");
    w.pair(0, "LTYPE");
    w.pair(2, "CONTINUOUS");
    w.pair(70, "0");
    w.pair(3, "Solid line");
    w.pair(72, "65");
    w.pair(73, "0");
    w.pair(40, "0.0");
    w.pair(0, "ENDTAB");
    const struct {
        const char* name;
        const char* colour;
    } layers[] = {{kLayerCentre, "1"},
                  {kLayerTangent, "8"},
                  {kLayerMainPoints, "5"},
                  {kLayerStations, "3"},
                  {kLayerWidth, "6"}};
    w.pair(0, "TABLE");
    w.pair(2, "LAYER");
    w.pair(70, std::size(layers));
    for (const auto& layer : layers) {
        w.pair(0, "LAYER");
        w.pair(2, layer.name);
        w.pair(70, "0");
        w.pair(62, layer.colour);
        w.pair(6, "CONTINUOUS");
    }
    w.pair(0, "ENDTAB");
    w.pair(0, "TABLE");
    w.pair(2, "STYLE");
    w.pair(70, "1");
    w.pair(0, "STYLE");
    w.pair(2, kTextStyle);
    w.pair(70, "0");
    w.pair(40, "0.0");
    w.pair(41, "1.0");
    w.pair(50, "0.0");
    w.pair(71, "0");
    w.pair(42, "2.5");
    w.pair(3, "msgothic.ttc");
    w.pair(4, "");
    w.pair(0, "ENDTAB");
    w.pair(0, "ENDSEC");
}

void drawing(TextBuffer& out, const Alignment& a, const std::vector<Stake>& stakes,
             const std::vector<WidthStake>& width_stakes, const DxfOptions& o) {
    Writer w(out);
    w.pair(0, "SECTION");
    w.pair(2, "HEADER");
    w.pair(9, "$ACADVER");
    w.pair(1, "AC1009");
    w.pair(9, "$DWGCODEPAGE");
    w.pair(3, "ANSI_932");
    w.pair(0, "ENDSEC");
    tables(w);
    w.pair(0, "SECTION");
    w.pair(2, "ENTITIES");
    const double h = o.text_height;
    if (!a.name.empty() && !a.elements.empty()) {
        w.text(kLayerTangent, along(a.elements.front().start, 0.0, 4 * h), 2 * h, a.name);
    }
    for (const Element& e : a.elements) {
        centre_line(w, e);
    }
    std::vector<Point> polygon;
    for (const IntersectionPoint& ip : a.ips) {
        polygon.push_back(ip.point);
        w.text(kLayerTangent, along(ip.point, 0.0, h), h, ip.name);
    }
    if (polygon.size() >= 2) {
        w.polyline(kLayerTangent, polygon);
    }
    for (const MainPoint& m : a.main_points) {
        w.circle(kLayerMainPoints, m.point, 0.5 * h);
        // Labels on the left of the line, along the normal.
        w.text(kLayerMainPoints, along(m.point, m.direction - kPi / 2, 1.5 * h), h, m.name,
               drawing_degrees(m.direction - kPi / 2));
    }
    for (const Stake& s : stakes) {
        const Heading right(s.direction + kPi / 2);
        w.line(kLayerStations, along(s.point, s.direction - kPi / 2, o.tick),
               right.along(s.point, o.tick));
        w.text(kLayerStations, right.along(s.point, o.tick + 0.5 * h), 0.8 * h, s.name,
               drawing_degrees(s.direction + kPi / 2));
    }
    for (const WidthStake& s : width_stakes) {
        w.line(kLayerWidth, s.left, s.right);
        w.circle(kLayerWidth, s.left, 0.25 * h);
        w.circle(kLayerWidth, s.right, 0.25 * h);
    }
    w.pair(0, "ENDSEC");
    w.pair(0, "EOF");
}

} // namespace

std::string write_dxf(const Alignment& a, const std::vector<Stake>& stakes,
                      const std::vector<WidthStake>& width_stakes, const DxfOptions& o) {
    TextBuffer out;
    drawing(out, a, stakes, width_stakes, o);
    return out.take();
}

void write_dxf(std::FILE* sink, const Alignment& a, const std::vector<Stake>& stakes,
               const std::vector<WidthStake>& width_stakes, const DxfOptions& o) {
    TextBuffer out(sink);
    drawing(out, a, stakes, width_stakes, o);
}

} // namespace tarn::alignment
