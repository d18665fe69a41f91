#include "tarn/alignment/report.h"

#include "tarn/alignment/dxf.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace {

using namespace tarn::alignment;

TEST(Report, StationNotation) {
    struct Case {
        double station;
        const char* want;
    };
    const Case cases[] = {
        {0.0, "No.0"},
        {125.5, "No.6+5.500"},
        {-90.0, "No.-4-10.000"},
        {-80.0, "No.-4"},
        {-10.0, "No.-0-10.000"},
        {39.9996, "No.2"},
        {1234.5678, "No.61+14.568"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(station_notation(c.station, 20.0), c.want) << c.station;
    }
}

// The clothoid elements against the series of Japanese practice in τ.
TEST(Report, ClothoidTableAgreesWithTheSeries) {
    struct Case {
        const char* what;
        Element e;
        double l; // from the origin
        double r;
    };
    const Case cases[] = {
        {"entry A 100 R 200",
         {ElementKind::spiral, {5, 5}, 1.0, 50.0, 0.0, 1.0 / 200, "", "", 1},
         50.0,
         200},
        {"exit to the left A 120 R 150",
         {ElementKind::spiral, {0, 0}, 2.0, 96.0, -1.0 / 150, 0.0, "", "", 1},
         96.0,
         150},
        {"egg A 100 from R 300 to R 150: origin at L = A²/150",
         {ElementKind::spiral, {0, 0}, 0.0, 1e4 / 150 - 1e4 / 300, 1.0 / 300, 1.0 / 150, "", "", 1},
         1e4 / 150,
         150},
    };
    for (const Case& c : cases) {
        const ClothoidTable t = clothoid_table(c.e);
        const double tau = c.l / (2 * c.r);
        double x = 0.0;
        double y = 0.0;
        // X = L Σ (-1)^n τ^2n / ((4n+1)(2n)!), Y = L Σ (-1)^n τ^(2n+1) / ((4n+3)(2n+1)!)
        double term = 1.0;
        for (int n = 0; n < 12; ++n) {
            if (n > 0) {
                term *= -tau * tau / ((2 * n - 1) * (2 * n));
            }
            x += c.l * term / (4 * n + 1);
            y += c.l * term * tau / ((4 * n + 3) * (2 * n + 1));
        }
        EXPECT_NEAR(t.l, c.l, 1e-9) << c.what;
        EXPECT_NEAR(t.r, c.r, 1e-9) << c.what;
        EXPECT_NEAR(t.tau, tau, 1e-12) << c.what;
        EXPECT_NEAR(t.x, x, 1e-9) << c.what;
        EXPECT_NEAR(t.y, y, 1e-9) << c.what;
        EXPECT_NEAR(t.x_m, x - c.r * std::sin(tau), 1e-9) << c.what;
        EXPECT_NEAR(t.delta_r, y - c.r * (1 - std::cos(tau)), 1e-9) << c.what;
        EXPECT_NEAR(t.t_k, y / std::sin(tau), 1e-9) << c.what;
        EXPECT_NEAR(t.t_l, x - y / std::tan(tau), 1e-9) << c.what;
        EXPECT_NEAR(t.s_0, std::hypot(x, y), 1e-9) << c.what;
        EXPECT_NEAR(t.sigma, std::atan(y / x), 1e-12) << c.what;
    }
}

Alignment small() {
    Alignment a;
    a.name = "県道 1 号";
    a.start_station = -90.0;
    Element e{ElementKind::line, {1000, 2000}, 0.4, 100.0, 0.0, 0.0, "BP", "KA1-1", 0};
    const struct {
        ElementKind kind;
        double l, k0, k1;
        const char* name;
    } pieces[] = {{ElementKind::line, 100, 0, 0, "KA1-1"},
                  {ElementKind::spiral, 50, 0, 0.005, "KE1-1"},
                  {ElementKind::arc, 80, 0.005, 0.005, "KE1-2"},
                  {ElementKind::spiral, 50, 0.005, 0, "KA1-2"},
                  {ElementKind::line, 120, 0, 0, "EP"}};
    std::string name = "BP";
    double s = 0.0;
    a.main_points.push_back({"BP", 0.0, e.start, e.start_direction});
    for (const auto& p : pieces) {
        e.kind = p.kind;
        e.length = p.l;
        e.curvature_start = p.k0;
        e.curvature_end = p.k1;
        e.start_name = name;
        e.end_name = p.name;
        a.elements.push_back(e);
        const Pose end = evaluate(e, e.length);
        s += e.length;
        a.main_points.push_back({p.name, s, end.point, end.direction});
        e.start = end.point;
        e.start_direction = end.direction;
        name = p.name;
    }
    IntersectionPoint ip1{
        "IP1", {1000 + 200 * std::cos(0.4), 2000 + 200 * std::sin(0.4)}, {}, 0.65, 0, 0, 180};
    ip1.spec = {CurveType::clothoid, 200, 100, 100, 0, 0, 0, 0};
    a.ips = {{"BP", {1000, 2000}, {}, 0, 0, 0, 0}, ip1, {"EP", e.start, {}, 0, 0, 0, 0}};
    return a;
}

#ifndef _WIN32
std::string run(const std::string& command) {
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        std::size_t n = 0;
        while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
            out.append(buffer, n);
        }
        pclose(pipe);
    }
    return out;
}
#endif

// The report through a real browser: Chromium prints it to PDF, and the
// PDF's text and page count are read back.
TEST(Report, PrintsInChromium) {
#ifdef _WIN32
    GTEST_SKIP() << "Chromium runs on the native build";
#else
    const Alignment a = small();
    ReportOptions o;
    o.date = "2026-12-09";
    o.speed = "60 km/h";
    o.zone = "IX";
    o.findings = {"IP1: A1 100 は R/3 以上 R 以下"};
    o.centre_stakes = {{"No.-4-10.000", 0.0, {1000, 2000}, 0.4},
                       {"No.-4", 10.0, {1009, 2004}, 0.4}};
    o.width_stakes = {{"No.-4", {1010, 2002}, {1008, 2006}}};
    char dir_template[] = "/tmp/tarn-report-XXXXXX";
    const std::string dir = mkdtemp(dir_template);
    {
        std::ofstream html(dir + "/report.html", std::ios::binary);
        html << write_report_html(a, o);
    }
    const std::string command =
        "chromium --headless --no-sandbox --disable-gpu --no-first-run "
        "--disable-background-networking --disable-component-update --disable-sync "
        "--no-pdf-header-footer --user-data-dir=" +
        dir + "/profile --print-to-pdf=" + dir + "/report.pdf file://" + dir +
        "/report.html >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const std::string text = run("pdftotext -enc UTF-8 " + dir + "/report.pdf -");
    for (const char* want : {"線形計算書 県道 1 号", "2026-12-09", "設計条件", "60 km/h", "IP 表",
                             "基本型", "クロソイド要素表", "KE1-1", "主要点", "No.-4-10.000",
                             "中心杭", "幅杭", "平面図", "R/3 以上", "No.1", "No.15"}) {
        EXPECT_NE(text.find(want), std::string::npos) << want;
    }
    // One page per section: conditions, IPs, clothoids, main points, stakes, plan.
    const std::string info = run("pdfinfo " + dir + "/report.pdf");
    EXPECT_NE(info.find("Pages:           6\n"), std::string::npos) << info;
    EXPECT_NE(info.find(" pts (A4)\n"), std::string::npos) << info;
    std::system(("rm -rf " + dir).c_str());
#endif
}

TEST(Report, PlanLabelsEveryHundredMetres) {
    const Alignment a = small(); // -90 .. 310: stations -0, 100, 200, 300
    const std::string svg = write_plan_svg(a, {});
    std::size_t labels = 0;
    for (std::size_t at = svg.find("class=\"station\""); at != std::string::npos;
         at = svg.find("class=\"station\"", at + 1)) {
        ++labels;
    }
    EXPECT_EQ(labels, 4u);
    for (const char* want : {">No.0<", ">No.5<", ">No.10<", ">No.15<", ">KE1-2<", ">IP1<",
                             "class=\"scale\"", "class=\"tangent\""}) {
        EXPECT_NE(svg.find(want), std::string::npos) << want;
    }
}

} // namespace

namespace {

// The drawing read back by ezdxf: every label with its layer, and the
// geometry in drawing axes (X east, Y north).
TEST(Dxf, EzdxfReadsEveryLabelAndTheGeometry) {
#ifdef _WIN32
    GTEST_SKIP() << "ezdxf runs on the native build";
#else
    const Alignment a = small();
    const std::vector<Stake> stakes = {{"No.-4-10.000", 0.0, {1000, 2000}, 0.4},
                                       {"No.-4", 10.0, {1009, 2004}, 0.4}};
    const std::vector<WidthStake> width_stakes = {{"No.-4", {1010, 2002}, {1008, 2006}}};
    char name[] = "/tmp/tarn-dxf-XXXXXX";
    const int fd = mkstemp(name);
    ASSERT_GE(fd, 0);
    const std::string dxf = write_dxf(a, stakes, width_stakes);
    ASSERT_EQ(write(fd, dxf.data(), dxf.size()), static_cast<ssize_t>(dxf.size()));
    close(fd);
    const std::string script =
        "import ezdxf, ezdxf.recover, math, sys\n"
        // recover decodes AutoCAD's \U+XXXX notation of text beyond the code page.
        "d, _ = ezdxf.recover.readfile(sys.argv[1])\n"
        "print('codepage', d.header['$DWGCODEPAGE'])\n"
        "print('font', d.styles.get('TARN_JP').dxf.font)\n"
        "for t in d.modelspace().query('TEXT'):\n"
        "    print('text', t.dxf.layer, t.dxf.text)\n"
        "for e in d.modelspace().query('ARC'):\n"
        "    print('arc %.6f %.6f %.6f' % (e.dxf.center.x, e.dxf.center.y, e.dxf.radius))\n"
        "for e in d.modelspace().query('POLYLINE[layer==\"ALIGN_CENTRE\"]'):\n"
        "    v = [p for p in e.points()]\n"
        "    print('step %.6f' % max(math.dist(p, q) for p, q in zip(v, v[1:])))\n"
        "print('lines', len(d.modelspace().query('LINE[layer==\"ALIGN_CENTRE\"]')))\n";
    const std::string script_path = std::string(name) + ".py";
    {
        std::ofstream file(script_path, std::ios::binary);
        file << script;
    }
    const std::string out = run("/usr/bin/python3 " + script_path + " " + name + " 2>&1");
    std::remove(script_path.c_str());
    std::remove(name);
    const std::vector<std::string> want = {
        "codepage ANSI_932",
        "font msgothic.ttc",
        "text ALIGN_TANGENT 県道 1 号",
        "text ALIGN_TANGENT IP1",
        "text ALIGN_MAIN_POINTS KA1-1",
        "text ALIGN_MAIN_POINTS KE1-2",
        "text ALIGN_MAIN_POINTS EP",
        "text ALIGN_STATIONS No.-4-10.000",
        "text ALIGN_STATIONS No.-4",
        "lines 2",
    };
    for (const std::string& line : want) {
        EXPECT_NE(out.find(line + "\n"), std::string::npos) << line << "\n" << out;
    }
    // The arc's centre lies R to the right of KE1-1; in the drawing X is east.
    const Element& arc = a.elements[2];
    const double cx = arc.start.y + 200 * std::sin(arc.start_direction + 3.14159265358979 / 2);
    const double cy = arc.start.x + 200 * std::cos(arc.start_direction + 3.14159265358979 / 2);
    double x = 0, y = 0, r = 0;
    const std::size_t at = out.find("arc ");
    ASSERT_NE(at, std::string::npos) << out;
    ASSERT_EQ(std::sscanf(out.c_str() + at, "arc %lf %lf %lf", &x, &y, &r), 3);
    EXPECT_NEAR(x, cx, 1e-5);
    EXPECT_NEAR(y, cy, 1e-5);
    EXPECT_NEAR(r, 200.0, 1e-9);
    for (std::size_t s = out.find("step "); s != std::string::npos; s = out.find("step ", s + 1)) {
        EXPECT_LE(std::atof(out.c_str() + s + 5), 1.0 + 1e-9);
    }
#endif
}

} // namespace
