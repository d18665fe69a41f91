#include "dxf.h"

#include "numbers.h"

namespace tarn_cli {
namespace {

void pair(std::string& out, int code, const std::string& value) {
    out += std::to_string(code);
    out += '\n';
    out += value;
    out += '\n';
}

void point(std::string& out, curvelib::Point p) {
    pair(out, 10, exact(p.x));
    pair(out, 20, exact(p.y));
    pair(out, 30, "0.0");
}

} // namespace

const char* dxf_layer(Kind kind) {
    switch (kind) {
    case Kind::centre:
    case Kind::centre_of_length:
        return "CLOTHOID_CENTRE";
    case Kind::parallel:
        return "CLOTHOID_PARALLEL";
    case Kind::normal:
    case Kind::normal_at:
        return "CLOTHOID_NORMAL";
    case Kind::perpendicular:
        break;
    }
    return "CLOTHOID_PERPENDICULAR";
}

std::string dxf_text(const Result& r) {
    const std::string layer = dxf_layer(r.request().kind);
    std::string out;
    pair(out, 0, "SECTION");
    pair(out, 2, "HEADER");
    pair(out, 9, "$ACADVER");
    pair(out, 1, "AC1009");
    pair(out, 0, "ENDSEC");

    // Tables a CAD program expects before it meets the layer by name.
    pair(out, 0, "SECTION");
    pair(out, 2, "TABLES");
    pair(out, 0, "TABLE");
    pair(out, 2, "LTYPE");
    pair(out, 70, "1");
    pair(out, 0, "LTYPE");
    pair(out, 2, "CONTINUOUS");
    pair(out, 70, "0");
    pair(out, 3, "Solid line");
    pair(out, 72, "65");
    pair(out, 73, "0");
    pair(out, 40, "0.0");
    pair(out, 0, "ENDTAB");
    pair(out, 0, "TABLE");
    pair(out, 2, "LAYER");
    pair(out, 70, "1");
    pair(out, 0, "LAYER");
    pair(out, 2, layer);
    pair(out, 70, "0");
    pair(out, 62, "7");
    pair(out, 6, "CONTINUOUS");
    pair(out, 0, "ENDTAB");
    pair(out, 0, "ENDSEC");

    pair(out, 0, "SECTION");
    pair(out, 2, "ENTITIES");
    if (r.polyline()) {
        pair(out, 0, "POLYLINE");
        pair(out, 8, layer);
        pair(out, 66, "1");
        point(out, {0.0, 0.0});
        pair(out, 70, "0");
        for (const std::size_t i : r.listed_vertices()) {
            pair(out, 0, "VERTEX");
            pair(out, 8, layer);
            point(out, r.vertex(i));
        }
        pair(out, 0, "SEQEND");
        pair(out, 8, layer);
    } else {
        pair(out, 0, "LINE");
        pair(out, 8, layer);
        point(out, r.vertex(0));
        const curvelib::Point end = r.vertex(1);
        pair(out, 11, exact(end.x));
        pair(out, 21, exact(end.y));
        pair(out, 31, "0.0");
    }
    pair(out, 0, "ENDSEC");
    pair(out, 0, "EOF");
    return out;
}

} // namespace tarn_cli
