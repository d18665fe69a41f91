#include "tarn/alignment/landxml.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace {

using namespace tarn::alignment;

constexpr double kPi = 3.14159265358979323846;

struct Piece {
    ElementKind kind;
    double length;
    double k0;
    double k1;
    const char* end_name;
};

// Elements chained end to end from a start pose, as the solver would leave them.
Alignment chain(Point start, double direction, const std::vector<Piece>& pieces) {
    Alignment a;
    a.name = "試験路線 & <1>";
    a.start_station = -90.0;
    a.equations.push_back({300.0, 310.0, 120.0});
    std::string name = "BP";
    Element e;
    e.start = start;
    e.start_direction = direction;
    for (const Piece& p : pieces) {
        e.kind = p.kind;
        e.length = p.length;
        e.curvature_start = p.k0;
        e.curvature_end = p.k1;
        e.start_name = name;
        e.end_name = p.end_name;
        a.elements.push_back(e);
        const Pose end = evaluate(e, e.length);
        e.start = end.point;
        e.start_direction = end.direction;
        name = p.end_name;
    }
    a.ips = {{"BP", start, {}, 0, 0, 0, 0},
             {"IP1", {150, 60}, {}, 0, 0, 0, 0},
             {"EP", e.start, {}, 0, 0, 0, 0}};
    return a;
}

// Straight, clothoid A 100 into R 200, arc, clothoid out, straight, then an
// egg turning left: clothoid, R 150, egg clothoid to R 300, R 300, clothoid.
Alignment sample() {
    return chain({-5000.25, 12000.75}, 0.5,
                 {{ElementKind::line, 100.0, 0, 0, "KA1-1"},
                  {ElementKind::spiral, 50.0, 0, 1.0 / 200, "KE1-1"},
                  {ElementKind::arc, 80.0, 1.0 / 200, 1.0 / 200, "KE1-2"},
                  {ElementKind::spiral, 50.0, 1.0 / 200, 0, "KA1-2"},
                  {ElementKind::line, 60.0, 0, 0, "KA2-1"},
                  {ElementKind::spiral, 40.0, 0, -1.0 / 150, "KE2-1"},
                  {ElementKind::arc, 30.0, -1.0 / 150, -1.0 / 150, "KEE2"},
                  {ElementKind::spiral, 25.0, -1.0 / 150, -1.0 / 300, "KAE2"},
                  {ElementKind::arc, 45.0, -1.0 / 300, -1.0 / 300, "KE2-2"},
                  {ElementKind::spiral, 30.0, -1.0 / 300, 0, "KA2-2"},
                  {ElementKind::line, 70.0, 0, 0, "EP"}});
}

LandXmlOptions options() {
    LandXmlOptions o;
    o.coordinate_system.horizontal_name = zone_coordinate_system_name(9);
    o.date = "2026-12-09";
    o.time = "02:30:00";
    return o;
}

std::vector<Stake> stakes(const Alignment& a) {
    std::vector<Stake> out;
    double s0 = 0.0;
    for (const Element& e : a.elements) {
        const Pose p = evaluate(e, 0.0);
        out.push_back({"S" + std::to_string(out.size()), s0, p.point, p.direction});
        s0 += e.length;
    }
    return out;
}

pugi::xml_node path(const pugi::xml_document& doc, const char* xpath) {
    return doc.select_node(xpath).node();
}

TEST(LandXml, WritesTheElementsAndAttributesJLandXmlAsks) {
    const Alignment a = sample();
    const std::string text = write_landxml(a, options(), stakes(a));
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string(text.c_str())) << text;
    struct Expect {
        const char* xpath;
        const char* value; // nullptr: present
    };
    const Expect expects[] = {
        {"/LandXML/@version", "1.2"},
        {"/LandXML/@date", "2026-12-09"},
        {"/LandXML/Project/@name", "試験路線 & <1>"},
        {"/LandXML/Project/Feature/Property[@label='applicationCriterion']/@value",
         "MlitLandXmlVer.1.7"},
        {"/LandXML/Application/@name", "tarn"},
        {"/LandXML/CoordinateSystem/@horizontalDatum", "JGD2011"},
        {"/LandXML/CoordinateSystem/@horizontalCoordinateSystemName", "9(X,Y)"},
        {"/LandXML/Units/Metric/@areaUnit", "squareMeter"},
        {"/LandXML/Units/Metric/@linearUnit", "meter"},
        {"/LandXML/Units/Metric/@volumeUnit", "cubicMeter"},
        {"/LandXML/Units/Metric/@temperatureUnit", "celsius"},
        {"/LandXML/Units/Metric/@pressureUnit", nullptr},
        {"/LandXML/Units/Metric/@angularUnit", "decimal dd.mm.ss"},
        {"/LandXML/Units/Metric/@directionUnit", "decimal dd.mm.ss"},
        {"/LandXML/CgPoints/CgPoint[@name='S0']/@featureRef", "0"},
        {"/LandXML/CgPoints/Feature[@name='0']/Property[@label='sta']/@value", "-90"},
        // 0.5 rad = 28°38'52.40"
        {"/LandXML/CgPoints/Feature[@name='0']/Property[@label='tangentDirectionAngle']/@value",
         "28.385240"},
        {"//Alignment/@name", "試験路線 & <1>"},
        {"//Alignment/@staStart", "-90"},
        {"//Alignment/StaEquation/@staBack", "300"},
        {"//Alignment/StaEquation/@staInternal", "30"},
        {"//Alignment/StaEquation/@staAhead", "310"},
        {"//CoordGeom/Line[1]/Start/@name", "BP"},
        {"//CoordGeom/Line[1]/End/@name", "KA1-1"},
        {"//CoordGeom/Spiral[1]/@spiType", "clothoid"},
        {"//CoordGeom/Spiral[1]/@radiusStart", "INF"},
        {"//CoordGeom/Spiral[1]/@radiusEnd", "200"},
        {"//CoordGeom/Spiral[1]/@rot", "cw"},
        {"//CoordGeom/Spiral[1]/@length", "50"},
        {"//CoordGeom/Spiral[1]/PI", nullptr},
        {"//CoordGeom/Spiral[1]/Feature/Property[@label='A']/@value", "100"},
        {"//CoordGeom/Spiral[4]/@radiusStart", "150"},
        {"//CoordGeom/Spiral[4]/@radiusEnd", "300"},
        {"//CoordGeom/Spiral[4]/@rot", "ccw"},
        {"//CoordGeom/Curve[1]/@rot", "cw"},
        {"//CoordGeom/Curve[1]/@radius", "200"},
        {"//CoordGeom/Curve[1]/@length", "80"},
        {"//CoordGeom/Curve[1]/Center", nullptr},
        {"//CoordGeom/Curve[1]/Start/@name", "KE1-1"},
        {"//CoordGeom/Curve[1]/End/@name", "KE1-2"},
        {"//AlignPIs/AlignPI[2]/PI/@name", "IP1"},
        {"//Alignment/Feature[@name='Horizontal']/Property[@label='method']/@value", "IP 法"},
        {"//Alignment/Feature[@name='Interval']/Property[@label='main']/@value", "20"},
    };
    for (const Expect& e : expects) {
        const pugi::xpath_node_set found = doc.select_nodes(e.xpath);
        ASSERT_FALSE(found.empty()) << e.xpath;
        if (e.value) {
            const pugi::xpath_node n = found.first();
            const std::string got = n.attribute() ? n.attribute().value() : n.node().child_value();
            EXPECT_EQ(got, e.value) << e.xpath;
        }
    }
    EXPECT_EQ(doc.select_nodes("//CoordGeom/*").size(), a.elements.size());
    // The Start of the first Line is BP as "X Y" (north east).
    EXPECT_STREQ(path(doc, "//CoordGeom/Line[1]/Start").child_value(), "-5000.25 12000.75");
}

// The clothoid's PI from the series of Japanese practice (X, Y at τ, then
// T_L = X - Y / tan τ), and the arc's centre a radius to the right.
TEST(LandXml, SpiralPiAndCurveCentreAgreeWithTheClothoidFormulas) {
    const Alignment a = sample();
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string(write_landxml(a, options(), {}).c_str()));
    const double l = 50.0;
    const double tau = l / (2 * 200.0);
    const double x =
        l * (1 - std::pow(tau, 2) / 10 + std::pow(tau, 4) / 216 - std::pow(tau, 6) / 9360);
    const double y =
        l * (tau / 3 - std::pow(tau, 3) / 42 + std::pow(tau, 5) / 1320 - std::pow(tau, 7) / 75600);
    const double t_l = x - y / std::tan(tau);
    const Element& ka = a.elements[1];
    double n = 0.0;
    double e = 0.0;
    std::sscanf(path(doc, "//CoordGeom/Spiral[1]/PI").child_value(), "%lf %lf", &n, &e);
    EXPECT_NEAR(n, ka.start.x + t_l * std::cos(0.5), 1e-9);
    EXPECT_NEAR(e, ka.start.y + t_l * std::sin(0.5), 1e-9);
    const Element& arc = a.elements[2];
    std::sscanf(path(doc, "//CoordGeom/Curve[1]/Center").child_value(), "%lf %lf", &n, &e);
    EXPECT_NEAR(n, arc.start.x + 200 * std::cos(arc.start_direction + kPi / 2), 1e-9);
    EXPECT_NEAR(e, arc.start.y + 200 * std::sin(arc.start_direction + kPi / 2), 1e-9);
}

TEST(LandXml, RoundTripGivesTheSamePoints) {
    const Alignment a = sample();
    LandXmlOptions o = options();
    o.coordinate_system.vertical_datum = "T.P.";
    const LandXmlReadResult r = read_landxml(write_landxml(a, o, stakes(a)));
    ASSERT_TRUE(r.ok) << (r.errors.empty() ? "" : r.errors.front());
    const Alignment& b = r.document.alignment;
    EXPECT_EQ(b.name, a.name);
    EXPECT_EQ(b.start_station, -90.0);
    ASSERT_EQ(b.equations.size(), 1u);
    EXPECT_NEAR(b.equations[0].internal, 120.0, 1e-9);
    EXPECT_EQ(b.equations[0].back, 300.0);
    EXPECT_EQ(b.equations[0].ahead, 310.0);
    EXPECT_EQ(r.document.coordinate_system.horizontal_name, "9(X,Y)");
    EXPECT_EQ(r.document.coordinate_system.vertical_datum, "T.P.");
    EXPECT_EQ(r.document.interval, 20.0);
    ASSERT_EQ(b.elements.size(), a.elements.size());
    for (std::size_t i = 0; i < a.elements.size(); ++i) {
        const Element& want = a.elements[i];
        const Element& got = b.elements[i];
        EXPECT_EQ(got.kind, want.kind) << i;
        EXPECT_EQ(got.end_name, want.end_name) << i;
        for (const double f : {0.0, 0.5, 1.0}) {
            const Pose p = evaluate(want, f * want.length);
            const Pose q = evaluate(got, f * got.length);
            EXPECT_NEAR(q.point.x, p.point.x, 1e-6) << i << " at " << f;
            EXPECT_NEAR(q.point.y, p.point.y, 1e-6) << i << " at " << f;
        }
    }
    // The curves are found again: a clothoid curve at IP1 and an egg at IP2.
    ASSERT_EQ(b.ips.size(), 4u);
    EXPECT_EQ(b.ips[1].spec.type, CurveType::clothoid);
    EXPECT_NEAR(b.ips[1].spec.a1, 100.0, 1e-9);
    EXPECT_NEAR(b.ips[1].spec.r, 200.0, 1e-9);
    EXPECT_NEAR(b.ips[1].curve_length, 180.0, 1e-9);
    EXPECT_NEAR(b.ips[1].deflection, 130.0 / 200.0, 1e-9);
    EXPECT_EQ(b.ips[2].spec.type, CurveType::egg);
    EXPECT_NEAR(b.ips[2].spec.r2, 300.0, 1e-9);
    EXPECT_NEAR(b.ips[2].spec.ae, std::sqrt(25.0 / (1.0 / 150 - 1.0 / 300)), 1e-9);
    EXPECT_LT(b.ips[2].deflection, 0.0);
    ASSERT_EQ(b.main_points.size(), a.elements.size() + 1);
    EXPECT_EQ(b.main_points[3].name, "KE1-2");
    EXPECT_NEAR(b.main_points[3].distance, 230.0, 1e-9);
}

std::string with(std::string text, const std::string& from, const std::string& to) {
    const std::size_t at = text.find(from);
    return at == std::string::npos ? std::string() : text.replace(at, from.size(), to);
}

TEST(LandXml, ReaderReportsFaultsByElement) {
    const Alignment a = sample();
    const std::string good = write_landxml(a, options(), {});
    const std::string second = "<Alignment name=\"other\" length=\"1\" staStart=\"0\">"
                               "<CoordGeom><Line><Start>0 0</Start><End>1 0</End></Line>"
                               "</CoordGeom></Alignment>";
    struct Case {
        const char* what;
        std::string text;
        std::string name;
        std::string error; // part of the first error
    };
    const Case cases[] = {
        {"not XML", "<LandXML><Alignments>", "", "not XML"},
        {"no alignment of that name", good, "nothing", "no Alignment named \"nothing\""},
        {"two alignments, none picked", with(good, "</Alignments>", second + "</Alignments>"), "",
         "2 alignments"},
        {"a radius that leaves a gap", with(good, "radius=\"200\"", "radius=\"200.01\""), "",
         "element 4 (Spiral at KE1-2): starts"},
        {"a spiral that is no clothoid", with(good, "spiType=\"clothoid\"", "spiType=\"cubic\""),
         "", "element 2 (Spiral): spiType \"cubic\""},
    };
    for (const Case& c : cases) {
        ASSERT_FALSE(c.text.empty()) << c.what;
        const LandXmlReadResult r = read_landxml(c.text, c.name);
        EXPECT_FALSE(r.ok) << c.what;
        ASSERT_FALSE(r.errors.empty()) << c.what;
        EXPECT_NE(r.errors.front().find(c.error), std::string::npos)
            << c.what << ": " << r.errors.front();
    }
    // A kink: the second Line turned by 1e-5 rad against the clothoid before it.
    Alignment kinked = a;
    kinked.elements[4].start_direction += 1e-5;
    const LandXmlReadResult k = read_landxml(write_landxml(kinked, options(), {}));
    ASSERT_FALSE(k.ok);
    EXPECT_NE(k.errors.front().find("element 5 (Line at KA1-2): turns"), std::string::npos)
        << k.errors.front();
    // The named one of two is read.
    const LandXmlReadResult picked =
        read_landxml(with(good, "</Alignments>", second + "</Alignments>"), "other");
    ASSERT_TRUE(picked.ok);
    EXPECT_EQ(picked.document.alignment.elements.size(), 1u);
}

} // namespace

namespace {

// An IP without curve: two straights meeting at an angle the AlignPIs declare.
TEST(LandXml, AnglePointDeclaredInAlignPisIsAnIpWithoutCurve) {
    Alignment a =
        chain({0, 0}, 0.0,
              {{ElementKind::line, 50.0, 0, 0, "IP1"}, {ElementKind::line, 40.0, 0, 0, "EP"}});
    a.elements[1].start_direction = 0.3;
    a.ips = {{"BP", {0, 0}, {}, 0, 0, 0, 0},
             {"IP1", {50, 0}, {}, 0, 0, 0, 0},
             {"EP", evaluate(a.elements[1], 40.0).point, {}, 0, 0, 0, 0}};
    const LandXmlReadResult r = read_landxml(write_landxml(a, options(), {}));
    ASSERT_TRUE(r.ok) << r.errors.front();
    ASSERT_EQ(r.document.alignment.ips.size(), 3u);
    EXPECT_EQ(r.document.alignment.ips[1].name, "IP1");
    EXPECT_EQ(r.document.alignment.ips[1].spec.type, CurveType::none);
    EXPECT_NEAR(r.document.alignment.ips[1].deflection, 0.3, 1e-12);
    // Without the AlignPIs the same angle is a kink.
    a.ips.clear();
    EXPECT_FALSE(read_landxml(write_landxml(a, options(), {})).ok);
}

// Lengths in millimetres are read as metres.
TEST(LandXml, LinearUnitsAreScaledToMetres) {
    const std::string text =
        "<LandXML><Units><Metric linearUnit=\"millimeter\"/></Units><Alignments>"
        "<Alignment name=\"mm\" length=\"1\" staStart=\"-5000\"><CoordGeom>"
        "<Line><Start>0 0</Start><End>10000 0</End></Line>"
        "<Curve rot=\"ccw\" radius=\"100000\" length=\"20000\"><Start>10000 0</Start>"
        "<Center>10000 -100000</Center><End>29933.4665 -1998.6671</End></Curve>"
        "</CoordGeom></Alignment></Alignments></LandXML>";
    const LandXmlReadResult r = read_landxml(text);
    ASSERT_TRUE(r.ok) << r.errors.front();
    const Alignment& a = r.document.alignment;
    EXPECT_EQ(a.start_station, -5.0);
    ASSERT_EQ(a.elements.size(), 2u);
    EXPECT_NEAR(a.elements[0].length, 10.0, 1e-12);
    EXPECT_NEAR(a.elements[1].curvature_start, -0.01, 1e-12);
    EXPECT_NEAR(a.elements[1].length, 20.0, 1e-12);
}

} // namespace

namespace {

// A second parser, namespace-aware: Python's ElementTree finds the elements
// in LandXML 1.2's namespace.
TEST(LandXml, ElementTreeReadsItInTheLandXmlNamespace) {
#ifdef _WIN32
    GTEST_SKIP() << "Python runs on the native build";
#else
    const Alignment a = sample();
    char name[] = "/tmp/tarn-landxml-XXXXXX";
    const int fd = mkstemp(name);
    ASSERT_GE(fd, 0);
    const std::string xml = write_landxml(a, options(), stakes(a));
    ASSERT_EQ(write(fd, xml.data(), xml.size()), static_cast<ssize_t>(xml.size()));
    close(fd);
    const std::string script = std::string(name) + ".py";
    {
        std::ofstream file(script, std::ios::binary);
        file << "import sys, xml.etree.ElementTree as ET\n"
                "n = {'l': 'http://www.landxml.org/schema/LandXML-1.2'}\n"
                "r = ET.parse(sys.argv[1]).getroot()\n"
                "g = r.find('l:Alignments/l:Alignment/l:CoordGeom', n)\n"
                "print('elements', len(list(g)))\n"
                "print('points', len(r.findall('l:CgPoints/l:CgPoint', n)))\n"
                "print('angular', r.find('l:Units/l:Metric', n).get('angularUnit'))\n"
                "print('pis', len(r.findall('.//l:AlignPIs/l:AlignPI/l:PI', n)))\n";
    }
    std::string out;
    if (FILE* pipe = popen(("/usr/bin/python3 " + script + " " + name + " 2>&1").c_str(), "r")) {
        char buffer[1024];
        std::size_t n = 0;
        while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
            out.append(buffer, n);
        }
        pclose(pipe);
    }
    std::remove(script.c_str());
    std::remove(name);
    EXPECT_EQ(out, "elements 11\npoints 11\nangular decimal dd.mm.ss\npis 3\n");
#endif
}

} // namespace
