#include "cadsim/dxf.h"

namespace cadsim {
namespace {

class DxfWriter {
public:
    void group(int code, const std::string& value) {
        text_ += std::to_string(code);
        text_ += "\r\n";
        text_ += value;
        text_ += "\r\n";
    }
    void real(int code, double value) { group(code, with_point(format_round_trip(value))); }
    void point(int code, const Point& p) {
        real(code, p.x);
        real(code + 10, p.y);
        real(code + 20, p.z);
    }
    std::string take() { return std::move(text_); }

private:
    // Some readers want a decimal point in every real.
    static std::string with_point(std::string number) {
        if (number.find_first_of(".eEn") == std::string::npos) {
            number += ".0";
        }
        return number;
    }
    std::string text_;
};

} // namespace

std::string to_dxf(const std::vector<Entity>& entities) {
    DxfWriter out;
    out.group(0, "SECTION");
    out.group(2, "HEADER");
    out.group(9, "$ACADVER");
    out.group(1, "AC1009");
    out.group(0, "ENDSEC");
    out.group(0, "SECTION");
    out.group(2, "ENTITIES");
    for (const auto& entity : entities) {
        if (entity.kind == EntityKind::Line && entity.points.size() == 2) {
            out.group(0, "LINE");
            out.group(8, "0");
            out.point(10, entity.points[0]);
            out.point(11, entity.points[1]);
        } else if (entity.kind == EntityKind::Polyline && !entity.points.empty()) {
            // A 2D polyline lies at the height of its first vertex.
            const double elevation = entity.points.front().z;
            out.group(0, "POLYLINE");
            out.group(8, "0");
            out.group(66, "1");
            out.point(10, Point{0.0, 0.0, elevation});
            out.group(70, "0");
            for (const auto& vertex : entity.points) {
                out.group(0, "VERTEX");
                out.group(8, "0");
                out.point(10, Point{vertex.x, vertex.y, elevation});
            }
            out.group(0, "SEQEND");
            out.group(8, "0");
        }
    }
    out.group(0, "ENDSEC");
    out.group(0, "EOF");
    return out.take();
}

} // namespace cadsim
