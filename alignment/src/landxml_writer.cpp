#include "tarn/alignment/landxml.h"

#include "tarn/alignment/stations.h"
#include "tarn/format/text_buffer.h"
#include "text_format.h"

#include <cmath>
#include <string_view>

namespace tarn::alignment {
namespace {

using detail::Escaped;
using format::shortest;
using format::TextBuffer;

// "X Y": north, then east.
struct NorthEast {
    Point p;
};
TextBuffer& operator<<(TextBuffer& out, NorthEast n) {
    return out << shortest(n.p.x) << ' ' << shortest(n.p.y);
}

Point along(Point p, double direction, double distance) {
    return {p.x + distance * std::cos(direction), p.y + distance * std::sin(direction)};
}

// A named point element: <Start name="KA1-1">X Y</Start>.
void point_element(TextBuffer& x, const char* tag, const std::string& name, Point p) {
    x << "          <" << tag;
    if (!name.empty()) {
        x << " name=\"" << Escaped{name} << '"';
    }
    x << '>' << NorthEast{p} << "</" << tag << ">\n";
}

// A radius, "INF" for a straight end.
struct Radius {
    double curvature;
};
TextBuffer& operator<<(TextBuffer& out, Radius r) {
    if (r.curvature == 0.0) {
        return out << "INF";
    }
    return out << shortest(1.0 / std::fabs(r.curvature));
}

const char* rotation(const Element& e) {
    const double k = e.curvature_start != 0.0 ? e.curvature_start : e.curvature_end;
    return k > 0.0 ? "cw" : "ccw";
}

// Where the tangents at a spiral's two ends meet.
Point spiral_pi(const Element& e, const Pose& end) {
    const double d0 = e.start_direction;
    const double d1 = end.direction;
    const double turn = std::sin(d1 - d0);
    if (std::fabs(turn) < 1e-15) {
        return along(e.start, d0, 0.5 * e.length);
    }
    // start + u (cos d0, sin d0) = end - v (cos d1, sin d1), solved for u.
    const double dx = end.point.x - e.start.x;
    const double dy = end.point.y - e.start.y;
    const double u = (dx * std::sin(d1) - dy * std::cos(d1)) / turn;
    return along(e.start, d0, u);
}

void write_element(TextBuffer& x, const Element& e) {
    const Pose end = evaluate(e, e.length);
    switch (e.kind) {
    case ElementKind::line:
        x << "        <Line length=\"" << shortest(e.length) << "\">\n";
        point_element(x, "Start", e.start_name, e.start);
        point_element(x, "End", e.end_name, end.point);
        x << "        </Line>\n";
        return;
    case ElementKind::arc: {
        const double k = e.curvature_start;
        const double side = k > 0.0 ? detail::kPi / 2 : -detail::kPi / 2;
        x << "        <Curve rot=\"" << rotation(e) << "\" radius=\"" << Radius{k} << "\" length=\""
          << shortest(e.length) << "\">\n";
        point_element(x, "Start", e.start_name, e.start);
        point_element(x, "Center", "",
                      along(e.start, e.start_direction + side, 1.0 / std::fabs(k)));
        point_element(x, "End", e.end_name, end.point);
        x << "        </Curve>\n";
        return;
    }
    case ElementKind::spiral:
        x << "        <Spiral length=\"" << shortest(e.length) << "\" radiusStart=\""
          << Radius{e.curvature_start} << "\" radiusEnd=\"" << Radius{e.curvature_end}
          << "\" rot=\"" << rotation(e) << "\" spiType=\"clothoid\">\n";
        point_element(x, "Start", e.start_name, e.start);
        point_element(x, "PI", "", spiral_pi(e, end));
        point_element(x, "End", e.end_name, end.point);
        x << "          <Feature>\n            <Property label=\"A\" value=\""
          << shortest(e.parameter()) << "\"/>\n          </Feature>\n";
        x << "        </Spiral>\n";
        return;
    }
}

void write_stakes(TextBuffer& x, const Alignment& a, const std::vector<Stake>& stakes) {
    if (stakes.empty()) {
        return;
    }
    x << "  <CgPoints name=\"IntermediatePnts\">\n";
    for (std::size_t i = 0; i < stakes.size(); ++i) {
        x << "    <CgPoint name=\"" << Escaped{stakes[i].name} << "\" featureRef=\"" << i << "\">"
          << NorthEast{stakes[i].point} << "</CgPoint>\n";
    }
    x << "    <Feature name=\"IntermediatePnts\">\n      <Property label=\"alignmentRefs\" "
         "value=\""
      << Escaped{a.name} << "\"/>\n    </Feature>\n";
    for (std::size_t i = 0; i < stakes.size(); ++i) {
        x << "    <Feature name=\"" << i << "\">\n      <Property label=\"sta\" value=\""
          << shortest(displayed_station(a, stakes[i].distance))
          << "\"/>\n      <Property label=\"tangentDirectionAngle\" value=\"";
        x << detail::DirectionDdmmss{stakes[i].direction} << "\"/>\n    </Feature>\n";
    }
    x << "  </CgPoints>\n";
}

void landxml(TextBuffer& x, const Alignment& a, const LandXmlOptions& o,
             const std::vector<Stake>& stakes) {
    x << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    x << "<LandXML xmlns=\"http://www.landxml.org/schema/LandXML-1.2\" "
         "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
         "xsi:schemaLocation=\"http://www.landxml.org/schema/LandXML-1.2 "
         "http://www.landxml.org/schema/LandXML-1.2/LandXML-1.2.xsd\" date=\""
      << Escaped{o.date} << "\" time=\"" << Escaped{o.time} << "\" version=\"1.2\">\n";
    x << "  <Project name=\"" << Escaped{a.name} << "\">\n    <Feature>\n"
      << "      <Property label=\"applicationCriterion\" value=\"" << Escaped{o.criterion}
      << "\"/>\n    </Feature>\n  </Project>\n";
    x << "  <Application name=\"" << Escaped{o.application} << "\" version=\""
      << Escaped{o.application_version} << "\"/>\n";
    const CoordinateSystem& cs = o.coordinate_system;
    x << "  <CoordinateSystem";
    if (!cs.name.empty()) {
        x << " name=\"" << Escaped{cs.name} << '"';
    }
    x << " horizontalDatum=\"" << Escaped{cs.horizontal_datum} << '"';
    if (!cs.vertical_datum.empty()) {
        x << " verticalDatum=\"" << Escaped{cs.vertical_datum} << '"';
    }
    if (!cs.horizontal_name.empty()) {
        x << " horizontalCoordinateSystemName=\"" << Escaped{cs.horizontal_name} << '"';
    }
    x << "/>\n";
    x << "  <Units>\n    <Metric areaUnit=\"squareMeter\" linearUnit=\"meter\" "
         "volumeUnit=\"cubicMeter\" temperatureUnit=\"celsius\" pressureUnit=\"HPA\" "
         "angularUnit=\"decimal dd.mm.ss\" directionUnit=\"decimal dd.mm.ss\"/>\n  </Units>\n";
    write_stakes(x, a, stakes);

    x << "  <Alignments>\n    <Alignment name=\"" << Escaped{a.name} << "\" length=\""
      << shortest(a.length()) << "\" staStart=\"" << shortest(a.start_station) << "\">\n";
    // LandXML's internal station is the start station plus the distance.
    for (const StationEquation& e : a.equations) {
        x << "      <StaEquation staBack=\"" << shortest(e.back) << "\" staInternal=\""
          << shortest(a.start_station + e.internal) << "\" staAhead=\"" << shortest(e.ahead)
          << "\"/>\n";
    }
    x << "      <CoordGeom>\n";
    for (const Element& e : a.elements) {
        write_element(x, e);
    }
    x << "      </CoordGeom>\n";
    if (a.ips.size() >= 2) {
        x << "      <AlignPIs>\n";
        for (const IntersectionPoint& ip : a.ips) {
            x << "        <AlignPI>\n  ";
            point_element(x, "PI", ip.name, ip.point);
            x << "        </AlignPI>\n";
        }
        x << "      </AlignPIs>\n";
    }
    x << "      <Feature name=\"Horizontal\">\n        <Property label=\"method\" value=\"IP "
         "法\"/>\n      </Feature>\n";
    x << "      <Feature name=\"Interval\">\n        <Property label=\"main\" value=\""
      << shortest(o.interval) << "\"/>\n      </Feature>\n";
    x << "    </Alignment>\n  </Alignments>\n</LandXML>\n";
}

} // namespace

std::string zone_coordinate_system_name(int zone) {
    return zone > 0 ? std::to_string(zone) + "(X,Y)" : std::string();
}

std::string write_landxml(const Alignment& a, const LandXmlOptions& o,
                          const std::vector<Stake>& stakes) {
    TextBuffer x;
    x.reserve(4096 + 400 * a.elements.size() + 260 * stakes.size());
    landxml(x, a, o, stakes);
    return x.take();
}

void write_landxml(std::FILE* sink, const Alignment& a, const LandXmlOptions& o,
                   const std::vector<Stake>& stakes) {
    TextBuffer x(sink);
    landxml(x, a, o, stakes);
}

} // namespace tarn::alignment
