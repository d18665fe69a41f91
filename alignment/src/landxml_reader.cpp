#include "tarn/alignment/landxml.h"

#include "tarn/alignment/stations.h"
#include "text_format.h"

#include <pugixml.hpp>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace tarn::alignment {
namespace {

using detail::kPi;

// Element name without a namespace prefix.
const char* local(const pugi::xml_node& n) {
    const char* name = n.name();
    const char* colon = std::strrchr(name, ':');
    return colon ? colon + 1 : name;
}

bool is(const pugi::xml_node& n, const char* name) {
    return std::strcmp(local(n), name) == 0;
}

pugi::xml_node child(const pugi::xml_node& n, const char* name) {
    for (pugi::xml_node c = n.first_child(); c; c = c.next_sibling()) {
        if (c.type() == pugi::node_element && is(c, name)) {
            return c;
        }
    }
    return {};
}

// A number as xs:double reads it ("INF" and "-INF" included); false if the
// text is not one finite or infinite number.
bool number(const char* text, double& value) {
    auto space = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    while (space(*text)) {
        ++text;
    }
    const char* end = text;
    if (std::strncmp(text, "INF", 3) == 0 || std::strncmp(text, "-INF", 4) == 0) {
        value = text[0] == '-' ? -std::numeric_limits<double>::infinity()
                               : std::numeric_limits<double>::infinity();
        end = text + (text[0] == '-' ? 4 : 3);
    } else {
        char* parsed = nullptr;
        value = std::strtod(text, &parsed);
        // strtod's own "inf" and "nan" spellings are not xs:double's.
        if (parsed == text || !std::isfinite(value)) {
            return false;
        }
        end = parsed;
    }
    while (space(*end)) {
        ++end;
    }
    return *end == '\0';
}

bool point(const pugi::xml_node& n, double scale, Point& p) {
    if (!n) {
        return false;
    }
    const char* text = n.child_value();
    char* end = nullptr;
    p.x = std::strtod(text, &end) * scale;
    if (end == text) {
        return false;
    }
    const char* rest = end;
    p.y = std::strtod(rest, &end) * scale;
    return end != rest && std::isfinite(p.x) && std::isfinite(p.y);
}

double distance(Point a, Point b) {
    return std::hypot(b.x - a.x, b.y - a.y);
}

double angle_difference(double a, double b) {
    double d = std::fmod(a - b, 2.0 * kPi);
    if (d > kPi) {
        d -= 2.0 * kPi;
    } else if (d < -kPi) {
        d += 2.0 * kPi;
    }
    return d;
}

double linear_scale(const pugi::xml_node& root) {
    const pugi::xml_node units = child(root, "Units");
    if (const pugi::xml_node metric = child(units, "Metric")) {
        const std::string u = metric.attribute("linearUnit").value();
        return u == "millimeter"   ? 0.001
               : u == "centimeter" ? 0.01
               : u == "kilometer"  ? 1000.0
                                   : 1.0;
    }
    if (const pugi::xml_node imperial = child(units, "Imperial")) {
        const std::string u = imperial.attribute("linearUnit").value();
        return u == "USSurveyFoot" ? 1200.0 / 3937.0 : u == "foot" ? 0.3048 : 1.0;
    }
    return 1.0;
}

struct Reader {
    double scale = 1.0;
    std::vector<std::string> errors;

    void error(std::size_t index, const char* tag, const std::string& what) {
        errors.push_back("element " + std::to_string(index) + " (" + tag + "): " + what);
    }

    bool attribute(const pugi::xml_node& n, const char* name, double& value) {
        const pugi::xml_attribute a = n.attribute(name);
        return a && number(a.value(), value);
    }

    // One CoordGeom child as an element starting at the file's Start point;
    // false (with an error) if it cannot be one.
    bool element(const pugi::xml_node& n, std::size_t index, Element& e) {
        const char* tag = local(n);
        Point start;
        Point end;
        const pugi::xml_node start_node = child(n, "Start");
        const pugi::xml_node end_node = child(n, "End");
        if (!point(start_node, scale, start) || !point(end_node, scale, end)) {
            error(index, tag, "Start or End is missing or not \"X Y\"");
            return false;
        }
        e.start = start;
        e.start_name = start_node.attribute("name").value();
        e.end_name = end_node.attribute("name").value();
        const std::string rot = n.attribute("rot").value();
        const double sign = rot == "cw" ? 1.0 : -1.0;
        if (is(n, "Line")) {
            e.kind = ElementKind::line;
            e.length = distance(start, end);
            e.start_direction = direction_between(start, end);
            return true;
        }
        if (rot != "cw" && rot != "ccw") {
            error(index, tag, "rot is neither cw nor ccw");
            return false;
        }
        if (is(n, "Curve")) {
            Point centre;
            if (!point(child(n, "Center"), scale, centre)) {
                error(index, tag, "Center is missing or not \"X Y\"");
                return false;
            }
            double radius = distance(start, centre);
            if (attribute(n, "radius", radius)) {
                radius *= scale;
            }
            if (!(radius > 0.0) || !std::isfinite(radius)) {
                error(index, tag, "radius is not a positive number");
                return false;
            }
            e.kind = ElementKind::arc;
            e.curvature_start = e.curvature_end = sign / radius;
            e.start_direction = direction_between(start, centre) - sign * kPi / 2;
            double length = 0.0;
            if (attribute(n, "length", length)) {
                e.length = length * scale;
            } else {
                // The angle swept from Start to End about the centre, in the turning sense.
                double swept = sign * angle_difference(direction_between(centre, end),
                                                       direction_between(centre, start));
                if (swept <= 0.0) {
                    swept += 2.0 * kPi;
                }
                e.length = swept * radius;
            }
        } else if (is(n, "Spiral")) {
            const std::string type = n.attribute("spiType").value();
            if (type != "clothoid") {
                error(index, tag, "spiType \"" + type + "\" is not clothoid");
                return false;
            }
            double r0 = 0.0;
            double r1 = 0.0;
            Point pi;
            if (!attribute(n, "radiusStart", r0) || !attribute(n, "radiusEnd", r1) ||
                !(std::fabs(r0) > 0.0) || !(std::fabs(r1) > 0.0) ||
                (std::isinf(r0) && std::isinf(r1))) {
                error(index, tag, "radiusStart or radiusEnd is missing or not a radius");
                return false;
            }
            if (!point(child(n, "PI"), scale, pi) || distance(start, pi) <= 0.0) {
                error(index, tag, "PI is missing or lies on Start");
                return false;
            }
            double length = 0.0;
            if (!attribute(n, "length", length)) {
                error(index, tag, "length is missing");
                return false;
            }
            e.kind = ElementKind::spiral;
            e.length = length * scale;
            e.curvature_start = std::isinf(r0) ? 0.0 : sign / (std::fabs(r0) * scale);
            e.curvature_end = std::isinf(r1) ? 0.0 : sign / (std::fabs(r1) * scale);
            e.start_direction = direction_between(start, pi);
            if (e.curvature_start == e.curvature_end) {
                error(index, tag, "radiusStart equals radiusEnd");
                return false;
            }
        } else {
            return false;
        }
        if (!(e.length > 0.0) || !std::isfinite(e.length) || e.length > 1e7) {
            error(index, tag, "length is not a positive number");
            return false;
        }
        // A turn this large is no road element, and would make evaluation slow.
        if (std::fabs(e.curvature_start) * e.length > 100.0 ||
            std::fabs(e.curvature_end) * e.length > 100.0) {
            error(index, tag, "turns more than 100 radians");
            return false;
        }
        return true;
    }
};

// IP data, curve by curve: a curve is a run of curved elements between
// straights or between points of zero curvature; two straights meeting at an
// angle make an IP without curve, a run of no elements.
void fill_curves(Alignment& a, const std::vector<IntersectionPoint>& file_ips) {
    struct Run {
        std::size_t first;
        std::size_t last; // first > last: an angle point where `first` starts
    };
    std::vector<Run> curves;
    for (std::size_t i = 0; i < a.elements.size(); ++i) {
        const Element& e = a.elements[i];
        if (e.kind == ElementKind::line) {
            if (i > 0 && a.elements[i - 1].kind == ElementKind::line &&
                std::fabs(angle_difference(e.start_direction, a.elements[i - 1].start_direction)) >
                    kMaxKink) {
                curves.push_back({i, i - 1});
            }
            continue;
        }
        const bool continues = !curves.empty() && curves.back().first <= curves.back().last &&
                               curves.back().last + 1 == i &&
                               a.elements[i - 1].curvature_end != 0.0;
        if (continues) {
            curves.back().last = i;
        } else {
            curves.push_back({i, i});
        }
    }
    a.ips.clear();
    IntersectionPoint bp;
    bp.name = file_ips.size() >= 2 ? file_ips.front().name : "BP";
    bp.point = a.elements.front().start;
    a.ips.push_back(bp);
    const bool named = file_ips.size() == curves.size() + 2;
    for (std::size_t c = 0; c < curves.size(); ++c) {
        if (curves[c].first > curves[c].last) {
            const Element& after = a.elements[curves[c].first];
            IntersectionPoint ip;
            ip.name = named ? file_ips[c + 1].name : "IP" + std::to_string(c + 1);
            ip.point = after.start;
            ip.deflection =
                angle_difference(after.start_direction, a.elements[curves[c].last].start_direction);
            a.ips.push_back(ip);
            continue;
        }
        const Element& first = a.elements[curves[c].first];
        const Element& last = a.elements[curves[c].last];
        const Pose end = evaluate(last, last.length);
        IntersectionPoint ip;
        ip.name = named ? file_ips[c + 1].name : "IP" + std::to_string(c + 1);
        ip.deflection = angle_difference(end.direction, first.start_direction);
        const double turn = std::sin(ip.deflection);
        const double dx = end.point.x - first.start.x;
        const double dy = end.point.y - first.start.y;
        const double t1 = std::fabs(turn) > 1e-15
                              ? (dx * std::sin(end.direction) - dy * std::cos(end.direction)) / turn
                              : 0.0;
        ip.point = named ? file_ips[c + 1].point
                         : Point{first.start.x + t1 * std::cos(first.start_direction),
                                 first.start.y + t1 * std::sin(first.start_direction)};
        ip.tangent_in = distance(first.start, ip.point);
        ip.tangent_out = distance(ip.point, end.point);
        std::vector<const Element*> parts;
        for (std::size_t i = curves[c].first; i <= curves[c].last; ++i) {
            a.elements[i].ip = c + 1;
            ip.curve_length += a.elements[i].length;
            parts.push_back(&a.elements[i]);
        }
        CurveSpec& s = ip.spec;
        std::vector<const Element*> arcs;
        std::vector<const Element*> spirals;
        for (const Element* e : parts) {
            (e->kind == ElementKind::arc ? arcs : spirals).push_back(e);
        }
        if (!arcs.empty()) {
            s.r = 1.0 / std::fabs(arcs.front()->curvature_start);
        }
        const bool entry = parts.front()->kind == ElementKind::spiral;
        const bool exit = parts.back()->kind == ElementKind::spiral;
        s.a1 = entry ? parts.front()->parameter() : 0.0;
        s.a2 = exit && (parts.size() > 1 || !entry) ? parts.back()->parameter() : 0.0;
        if (arcs.size() == 2) {
            s.type = CurveType::egg;
            s.r2 = 1.0 / std::fabs(arcs.back()->curvature_start);
            s.lc1 = arcs.front()->length;
            for (const Element* e : spirals) {
                if (e->curvature_start != 0.0 && e->curvature_end != 0.0) {
                    s.ae = e->parameter();
                }
            }
        } else if (arcs.empty()) {
            s.type = CurveType::convex;
        } else {
            s.type = spirals.empty() ? CurveType::circle : CurveType::clothoid;
        }
        a.ips.push_back(ip);
    }
    IntersectionPoint ep;
    ep.name = file_ips.size() >= 2 ? file_ips.back().name : "EP";
    const Element& last = a.elements.back();
    ep.point = evaluate(last, last.length).point;
    a.ips.push_back(ep);
}

void fill_main_points(Alignment& a) {
    a.main_points.clear();
    double s = 0.0;
    const Element& first = a.elements.front();
    a.main_points.push_back({first.start_name.empty() ? "BP" : first.start_name, 0.0, first.start,
                             first.start_direction});
    for (std::size_t i = 0; i < a.elements.size(); ++i) {
        const Element& e = a.elements[i];
        s += e.length;
        const bool last = i + 1 == a.elements.size();
        const std::string name = !e.end_name.empty() ? e.end_name : last ? "EP" : "";
        if (!name.empty()) {
            const Pose end = evaluate(e, e.length);
            a.main_points.push_back({name, s, end.point, end.direction});
        }
    }
}

} // namespace

LandXmlReadResult read_landxml(const std::string& text, const std::string& name) {
    LandXmlReadResult result;
    pugi::xml_document doc;
    const pugi::xml_parse_result parsed = doc.load_buffer(text.data(), text.size());
    if (!parsed) {
        result.errors.push_back("not XML at byte " + std::to_string(parsed.offset) + ": " +
                                parsed.description());
        return result;
    }
    const pugi::xml_node root = doc.document_element();
    if (!is(root, "LandXML")) {
        result.errors.push_back("the document is not LandXML");
        return result;
    }
    LandXmlDocument& d = result.document;
    if (const pugi::xml_node cs = child(root, "CoordinateSystem")) {
        d.coordinate_system.horizontal_datum = cs.attribute("horizontalDatum").value();
        d.coordinate_system.horizontal_name =
            cs.attribute("horizontalCoordinateSystemName").value();
        d.coordinate_system.vertical_datum = cs.attribute("verticalDatum").value();
        d.coordinate_system.name = cs.attribute("name").value();
    }
    pugi::xml_node alignment;
    std::size_t count = 0;
    for (pugi::xml_node group = root.first_child(); group; group = group.next_sibling()) {
        if (group.type() != pugi::node_element || !is(group, "Alignments")) {
            continue;
        }
        for (pugi::xml_node n = group.first_child(); n; n = n.next_sibling()) {
            if (n.type() != pugi::node_element || !is(n, "Alignment")) {
                continue;
            }
            ++count;
            if (name.empty() ? count == 1 : name == n.attribute("name").value()) {
                alignment = alignment ? alignment : n;
            }
        }
    }
    if (!alignment) {
        result.errors.push_back(name.empty() ? std::string("the file has no Alignment")
                                             : "the file has no Alignment named \"" + name + "\"");
        return result;
    }
    if (name.empty() && count > 1) {
        result.errors.push_back("the file has " + std::to_string(count) +
                                " alignments: pick one with --alignment NAME");
        return result;
    }

    Reader reader;
    reader.scale = linear_scale(root);
    Alignment& a = d.alignment;
    a.name = alignment.attribute("name").value();
    double start_station = 0.0;
    if (alignment.attribute("staStart") &&
        (!number(alignment.attribute("staStart").value(), start_station) ||
         !std::isfinite(start_station))) {
        reader.errors.push_back("staStart is not a number");
    }
    a.start_station = std::isfinite(start_station) ? start_station * reader.scale : 0.0;
    start_station = a.start_station / reader.scale;

    std::vector<IntersectionPoint> file_ips;
    std::size_t index = 0;
    for (pugi::xml_node n = alignment.first_child(); n; n = n.next_sibling()) {
        if (n.type() != pugi::node_element) {
            continue;
        }
        if (is(n, "StaEquation")) {
            StationEquation e;
            double internal = 0.0;
            double back = 0.0;
            const bool has_back = reader.attribute(n, "staBack", back);
            if (!reader.attribute(n, "staInternal", internal) ||
                !reader.attribute(n, "staAhead", e.ahead) || !std::isfinite(internal) ||
                !std::isfinite(e.ahead) || (has_back && !std::isfinite(back))) {
                reader.errors.push_back("a StaEquation lacks staInternal or staAhead");
                continue;
            }
            e.internal = (internal - start_station) * reader.scale;
            e.ahead *= reader.scale;
            // Without staBack, the back station is the displayed one so far.
            e.back = has_back ? back * reader.scale : displayed_station(a, e.internal);
            a.equations.push_back(e);
        } else if (is(n, "AlignPIs")) {
            for (pugi::xml_node p = n.first_child(); p; p = p.next_sibling()) {
                const pugi::xml_node pi = is(p, "AlignPI") ? child(p, "PI") : pugi::xml_node();
                IntersectionPoint ip;
                if (point(pi, reader.scale, ip.point)) {
                    ip.name = pi.attribute("name").value();
                    file_ips.push_back(ip);
                }
            }
        } else if (is(n, "Feature") && std::string(n.attribute("name").value()) == "Interval") {
            for (pugi::xml_node p = n.first_child(); p; p = p.next_sibling()) {
                if (std::string(p.attribute("label").value()) == "main") {
                    number(p.attribute("value").value(), d.interval);
                }
            }
        } else if (is(n, "CoordGeom")) {
            for (pugi::xml_node g = n.first_child(); g; g = g.next_sibling()) {
                if (g.type() != pugi::node_element ||
                    !(is(g, "Line") || is(g, "Curve") || is(g, "Spiral"))) {
                    continue;
                }
                ++index;
                Element e;
                if (reader.element(g, index, e) && e.length > 0.0) {
                    a.elements.push_back(e);
                }
            }
        }
    }
    if (a.elements.empty() && reader.errors.empty()) {
        reader.errors.push_back("the Alignment \"" + a.name + "\" has no Line, Curve or Spiral");
    }
    for (std::size_t i = 1; i < a.elements.size() && reader.errors.empty(); ++i) {
        const Element& before = a.elements[i - 1];
        const Element& e = a.elements[i];
        const Pose end = evaluate(before, before.length);
        const double gap = distance(end.point, e.start);
        const double kink = std::fabs(angle_difference(e.start_direction, end.direction));
        const char* tag = e.kind == ElementKind::line  ? "Line"
                          : e.kind == ElementKind::arc ? "Curve"
                                                       : "Spiral";
        const std::string where = "element " + std::to_string(i + 1) + " (" + tag +
                                  (e.start_name.empty() ? "" : " at " + e.start_name) + "): ";
        if (gap > kMaxGap) {
            reader.errors.push_back(where + "starts " + detail::fixed(gap, 6) +
                                    " m from the end of the element before");
        }
        // An angle point without curve is a kink the AlignPIs declare.
        bool angle_point = false;
        for (const IntersectionPoint& ip : file_ips) {
            angle_point =
                angle_point || (before.kind == ElementKind::line && e.kind == ElementKind::line &&
                                distance(ip.point, e.start) <= kMaxGap);
        }
        if (kink > kMaxKink && !angle_point) {
            reader.errors.push_back(where + "turns " + detail::exact(kink) +
                                    " rad from the direction of the element before");
        }
    }
    if (!reader.errors.empty()) {
        result.errors = reader.errors;
        return result;
    }
    fill_curves(a, file_ips);
    fill_main_points(a);
    result.ok = true;
    return result;
}

} // namespace tarn::alignment
