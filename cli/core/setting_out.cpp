#include "setting_out.h"

#include "numbers.h"
#include "table_writer.h"

#include <cstring>
#include <string_view>
#include <vector>

namespace tarn_cli {
namespace {

bool has_offsets(Kind kind) {
    return kind != Kind::centre && kind != Kind::centre_of_length;
}

// Formatted into a buffer of the caller's: a table names every vertex so.
struct StationName {
    char text[kFixedChars + 3];
    std::string_view view;
};

void station_name(double station, StationName& name) {
    if (station == 0.0) {
        name.view = "KA";
        return;
    }
    std::memcpy(name.text, "KA+", 3);
    const char* end = write_fixed(name.text + 3, station, 3);
    name.view = {name.text, static_cast<std::size_t>(end - name.text)};
}

// Names of the points as a survey crew marks them.
std::string_view point_name(const Result& r, const ListedVertex& v, StationName& name) {
    switch (r.request().kind) {
    case Kind::normal:
        return v.index == 0 ? "KE" : "N";
    case Kind::normal_at:
        if (v.index != 0) {
            return "N";
        }
        station_name(v.station_m, name);
        return name.view;
    case Kind::perpendicular:
        return v.index == 0 ? "P" : "F";
    default:
        if (v.last) {
            return "KE";
        }
        station_name(v.station_m, name);
        return name.view;
    }
}

void setting_out_rows(TableWriter& w, const Result& r, Language language, Axes axes) {
    const bool ja = language == Language::japanese;
    const bool survey = axes == Axes::survey;
    std::vector<std::string> header;
    if (ja) {
        header = {"点名",
                  "追加距離(m)",
                  survey ? "X(北)" : "X(東)",
                  survey ? "Y(東)" : "Y(北)",
                  survey ? "接線方向角(北から右回り 度分秒)" : "接線方向(X軸から左回り 度分秒)",
                  survey ? "接線方向角(北から右回り 度)" : "接線方向(X軸から左回り 度)",
                  "曲率半径(m)"};
        if (has_offsets(r.request().kind)) {
            header.push_back("オフセット(m, 進行方向右が+)");
        }
    } else {
        header = {"point",
                  "station (m)",
                  survey ? "X (north)" : "X (east)",
                  survey ? "Y (east)" : "Y (north)",
                  survey ? "tangent azimuth (cw from north, dms)" : "tangent (ccw from X, dms)",
                  survey ? "tangent azimuth (cw from north, deg)" : "tangent (ccw from X, deg)",
                  "radius (m)"};
        if (has_offsets(r.request().kind)) {
            header.push_back("offset (m, right of travel +)");
        }
    }
    for (const std::string& name : header) {
        w.text(name);
    }
    w.end_row();
    StationName name;
    const bool offsets = has_offsets(r.request().kind);
    r.for_each_listed([&](const ListedVertex& v) {
        const curvelib::Point p = r.drawing_point(v.offset);
        const double station = v.station_m;
        double direction = r.tangent_direction(station);
        if (survey) {
            direction = 3.14159265358979323846 / 2 - direction;
        }
        const double degrees = degrees_0_360(direction);
        // Names and stations never need quotes.
        w.formatted(point_name(r, v, name))
            .fixed(station, 6)
            .fixed(survey ? p.y : p.x, 6)
            .fixed(survey ? p.x : p.y, 6)
            .dms(degrees, 2)
            .fixed(degrees, 8);
        if (station > 0) {
            w.fixed(r.a() * r.a() / station, 6);
        } else {
            w.formatted("∞");
        }
        if (offsets) {
            w.fixed(v.offset_mm * 0.001, 6);
        }
        w.end_row();
    });
}

} // namespace

std::string setting_out_csv(const Result& r, Language language, Axes axes) {
    TableWriter w;
    w.reserve(r.vertex_count() * 110 + 512);
    setting_out_rows(w, r, language, axes);
    return w.take();
}

void write_setting_out_csv(std::FILE* out, const Result& r, Language language, Axes axes) {
    TableWriter w(out);
    setting_out_rows(w, r, language, axes);
}

} // namespace tarn_cli
