#include "landxml.h"

#include "elements.h"
#include "numbers.h"

#include <cmath>

namespace tarn_cli {
namespace {

constexpr double kPi = 3.14159265358979323846;

// A drawing direction (counter-clockwise from +X, east) as LandXML's
// (counter-clockwise from north), in [0, 2 pi).
double landxml_direction(double drawing) {
    double d = std::fmod(drawing - kPi / 2, 2 * kPi);
    if (d < 0) {
        d += 2 * kPi;
    }
    return d;
}

std::string northing_easting(curvelib::Point metres) {
    return exact(metres.y) + " " + exact(metres.x);
}

} // namespace

std::string landxml_text(const Result& r, const LandXmlOptions& options) {
    const double per_metre = r.units_per_metre();
    auto metres = [&](curvelib::Point p) {
        return curvelib::Point{p.x / per_metre, p.y / per_metre};
    };
    const double length = r.curve_length_m();
    const double dir_start = r.tangent_direction(0.0);
    const double dir_end = r.tangent_direction(length);
    const curvelib::Point start = metres(r.curve_point(0.0));
    const curvelib::Point end = metres(r.curve_point(length));
    // A curve of length 0 has no elements: its end is its start.
    Elements e;
    const bool has_length = clothoid_elements(r.a(), length, e) == 0;
    const curvelib::Point pi{start.x + e.t_l * std::cos(dir_start),
                             start.y + e.t_l * std::sin(dir_start)};
    const double lead_in = options.lead_in_m;

    std::string x = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    x += "<LandXML xmlns=\"http://www.landxml.org/schema/LandXML-1.2\" "
         "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
         "xsi:schemaLocation=\"http://www.landxml.org/schema/LandXML-1.2 "
         "http://www.landxml.org/schema/LandXML-1.2/LandXML-1.2.xsd\" version=\"1.2\" date=\"" +
         options.date + "\" time=\"" + options.time + "\">\n";
    x += "  <Units>\n    <Metric areaUnit=\"squareMeter\" linearUnit=\"meter\" "
         "volumeUnit=\"cubicMeter\" temperatureUnit=\"celsius\" pressureUnit=\"milliBars\" "
         "angularUnit=\"radians\" directionUnit=\"radians\"/>\n  </Units>\n";
    x += "  <Application name=\"tarn\" manufacturer=\"tarn\" version=\"1.0\"/>\n";
    x += "  <Alignments>\n";
    x += "    <Alignment name=\"clothoid A" + exact(r.a()) + "\" length=\"" +
         exact(lead_in + length) + "\" staStart=\"0\">\n";
    x += "      <CoordGeom>\n";
    if (lead_in > 0) {
        const curvelib::Point from{start.x - lead_in * std::cos(dir_start),
                                   start.y - lead_in * std::sin(dir_start)};
        x += "        <Line dir=\"" + exact(landxml_direction(dir_start)) + "\" length=\"" +
             exact(lead_in) + "\">\n";
        x += "          <Start>" + northing_easting(from) + "</Start>\n";
        x += "          <End>" + northing_easting(start) + "</End>\n";
        x += "        </Line>\n";
    }
    x += "        <Spiral length=\"" + exact(length) + "\" radiusStart=\"INF\" radiusEnd=\"" +
         (has_length ? exact(e.r) : "INF") + "\" rot=\"" + (r.turns_left() ? "ccw" : "cw") +
         "\" spiType=\"clothoid\" dirStart=\"" + exact(landxml_direction(dir_start)) +
         "\" dirEnd=\"" + exact(landxml_direction(dir_end)) + "\">\n";
    x += "          <Start>" + northing_easting(start) + "</Start>\n";
    x += "          <PI>" + northing_easting(pi) + "</PI>\n";
    x += "          <End>" + northing_easting(end) + "</End>\n";
    x += "        </Spiral>\n";
    x += "      </CoordGeom>\n    </Alignment>\n  </Alignments>\n</LandXML>\n";
    return x;
}

} // namespace tarn_cli
