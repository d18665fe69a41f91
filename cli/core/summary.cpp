#include "summary.h"

#include "numbers.h"

namespace tarn_cli {

std::string summary_text(const Result& r) {
    const double length = r.curve_length_m();
    std::string text = std::string(kind_title(r.request().kind)) + ": " +
                       std::to_string(r.vertex_count()) + " vertices (" +
                       (r.polyline() ? "polyline" : "line") + ")\n";
    text += "curve length:  " + fixed(length, 6) + " m\n";
    text += "end tangent:   " + fixed(degrees_0_360(r.tangent_direction(length)), 7) +
            " deg counter-clockwise from +X (" +
            direction_dms(degrees_0_360(r.tangent_direction(length)), 2) + ")\n";
    text +=
        "radius at end: " + (length > 0 ? fixed(r.a() * r.a() / length, 6) + " m" : "infinite") +
        "\n";
    return text;
}

} // namespace tarn_cli
