#include "alignment_tables.h"

#include "table_writer.h"

#include <cmath>
#include <initializer_list>

namespace tarn_cli {
namespace {

using namespace tarn::alignment;

constexpr double kPi = 3.14159265358979323846;

void header(TableWriter& w, TableLanguage language, std::initializer_list<const char*> japanese,
            std::initializer_list<const char*> english) {
    for (const char* name : language == TableLanguage::japanese ? japanese : english) {
        w.text(name);
    }
    w.end_row();
}

const char* type_name(CurveType type, bool ja) {
    switch (type) {
    case CurveType::circle:
        return ja ? "単曲線" : "circle";
    case CurveType::clothoid:
        return ja ? "基本型" : "clothoid";
    case CurveType::convex:
        return ja ? "凸型" : "convex";
    case CurveType::egg:
        return ja ? "卵形" : "egg";
    case CurveType::none:
        break;
    }
    return "";
}

const char* kind_name(const Element& e, bool ja) {
    switch (e.kind) {
    case ElementKind::line:
        return ja ? "直線" : "line";
    case ElementKind::arc:
        return ja ? "円曲線" : "arc";
    case ElementKind::spiral:
        break;
    }
    return ja ? "クロソイド" : "clothoid";
}

// A value that is zero where it does not apply is left empty.
void optional(TableWriter& w, double value, int decimals) {
    if (value != 0.0) {
        w.fixed(value, decimals);
    } else {
        w.empty();
    }
}

void radius(TableWriter& w, double curvature) {
    if (curvature == 0.0) {
        w.text("∞");
    } else {
        w.fixed(1.0 / std::fabs(curvature), 6);
    }
}

} // namespace

double azimuth_degrees(double radians) {
    double degrees = std::fmod(radians * 180.0 / kPi, 360.0);
    if (degrees < 0) {
        degrees += 360.0;
    }
    return degrees >= 360.0 ? 0.0 : degrees;
}

std::string ip_table_csv(const Alignment& a, TableLanguage language) {
    const bool ja = language == TableLanguage::japanese;
    TableWriter w;
    header(w, language,
           {"点名", "X", "Y", "線形", "R", "A1", "A2", "R2", "Ae", "Lc1", "Lc2", "IA", "方向角",
            "IP間距離", "T1", "T2", "CL"},
           {"name", "X", "Y", "type", "R", "A1", "A2", "R2", "Ae", "Lc1", "Lc2", "IA", "direction",
            "distance", "T1", "T2", "CL"});
    for (std::size_t i = 0; i < a.ips.size(); ++i) {
        const IntersectionPoint& p = a.ips[i];
        const CurveSpec& c = p.spec;
        w.text(p.name).fixed(p.point.x, 4).fixed(p.point.y, 4).text(type_name(c.type, ja));
        for (const double v : {c.r, c.a1, c.a2, c.r2, c.ae, c.lc1, c.lc2}) {
            optional(w, v, 3);
        }
        if (i > 0 && i + 1 < a.ips.size()) {
            // IA with its sign: right turns positive.
            w.dms(p.deflection * 180.0 / kPi, 2);
        } else {
            w.empty();
        }
        if (i + 1 < a.ips.size()) {
            const Point q = a.ips[i + 1].point;
            w.dms(azimuth_degrees(direction_between(p.point, q)), 2)
                .fixed(std::hypot(q.x - p.point.x, q.y - p.point.y), 4);
        } else {
            w.empty().empty();
        }
        optional(w, p.tangent_in, 4);
        optional(w, p.tangent_out, 4);
        optional(w, p.curve_length, 4);
        w.end_row();
    }
    return w.take();
}

std::string elements_csv(const Alignment& a, TableLanguage language) {
    const bool ja = language == TableLanguage::japanese;
    TableWriter w;
    header(w, language,
           {"始点名", "終点名", "要素", "追加距離", "延長", "A", "始点半径", "終点半径", "始点X",
            "始点Y", "始点方向角"},
           {"start", "end", "element", "distance", "length", "A", "radius at start",
            "radius at end", "start X", "start Y", "start direction"});
    double s = 0.0;
    for (const Element& e : a.elements) {
        w.text(e.start_name).text(e.end_name).text(kind_name(e, ja)).fixed(s, 4).fixed(e.length, 4);
        optional(w, e.parameter(), 4);
        radius(w, e.curvature_start);
        radius(w, e.curvature_end);
        w.fixed(e.start.x, 4).fixed(e.start.y, 4).dms(azimuth_degrees(e.start_direction), 2);
        w.end_row();
        s += e.length;
    }
    return w.take();
}

std::string main_points_csv(const Alignment& a, double interval, TableLanguage language) {
    TableWriter w;
    header(w, language, {"点名", "測点", "追加距離", "X", "Y", "方向角"},
           {"name", "station", "distance", "X", "Y", "direction"});
    for (const MainPoint& m : a.main_points) {
        w.text(m.name)
            .text(station_notation(displayed_station(a, m.distance), interval))
            .fixed(m.distance, 4)
            .fixed(m.point.x, 4)
            .fixed(m.point.y, 4)
            .dms(azimuth_degrees(m.direction), 2);
        w.end_row();
    }
    return w.take();
}

namespace {

void stakes_rows(TableWriter& w, const std::vector<CentreStake>& stakes, double interval,
                 bool widths, TableLanguage language) {
    const bool ja = language == TableLanguage::japanese;
    header(w, language, {"点名", "区分", "測点", "追加距離", "X", "Y", "方向角"},
           {"name", "kind", "station", "distance", "X", "Y", "direction"});
    for (const CentreStake& s : stakes) {
        // The width stakes' rows repeat the centre's station, distance and
        // direction: each formatted once.
        const std::string station = station_notation(s.station, interval);
        char distance_text[kFixedChars];
        const std::string_view distance(
            distance_text,
            static_cast<std::size_t>(write_fixed(distance_text, s.distance, 4) - distance_text));
        char direction_text[kDmsChars];
        const std::string_view direction(
            direction_text,
            static_cast<std::size_t>(write_dms(direction_text, azimuth_degrees(s.direction), 2) -
                                     direction_text));
        const auto row = [&](const char* kind, Point p) {
            w.text(s.name).text(kind).text(station).formatted(distance).fixed(p.x, 4).fixed(p.y, 4);
            w.formatted(direction).end_row();
        };
        row(ja ? "中心" : "centre", s.centre);
        if (widths) {
            row(ja ? "左幅杭" : "left", s.left);
            row(ja ? "右幅杭" : "right", s.right);
        }
    }
}

} // namespace

std::string stakes_csv(const std::vector<CentreStake>& stakes, double interval, bool widths,
                       TableLanguage language) {
    TableWriter w;
    w.reserve(stakes.size() * (widths ? 330 : 110) + 256);
    stakes_rows(w, stakes, interval, widths, language);
    return w.take();
}

void write_stakes_csv(std::FILE* out, const std::vector<CentreStake>& stakes, double interval,
                      bool widths, TableLanguage language) {
    TableWriter w(out);
    stakes_rows(w, stakes, interval, widths, language);
}

} // namespace tarn_cli
