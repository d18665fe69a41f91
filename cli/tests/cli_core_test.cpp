// tarn's own computations: the element table against tables of the Fresnel
// integrals, angles as degrees-minutes-seconds, the geometry handed to the
// outputs, and files written all or none.
#include "checks.h"
#include "construction.h"
#include "curvelib.h"
#include "elements.h"
#include "numbers.h"
#include "output_files.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

using namespace tarn_cli;
namespace fs = std::filesystem;

// Element tables computed with mpmath at 40 digits from the Fresnel integrals
// (X = A sqrt(pi) C(L / (A sqrt(pi))), Y likewise with S) and the elements'
// definitions; the library's own accuracy is its tests' business.
TEST(Elements, AgreeWithTablesFromTheFresnelIntegrals) {
    struct Case {
        double a, l, x, y, shift, x_m, t_k, t_l, s_0, sigma;
    } cases[] = {
        {100, 50, 49.921931493660256, 2.0810093401773634, 0.52054278604317406, 24.986984816614718,
         16.691508244475906, 33.360655950952149, 49.965286388968223, 0.041661153114413106},
        {60, 90, 79.257634383388835, 30.819127789797106, 8.0661884617437534, 43.166930619425029,
         34.1574140436349, 64.529759573204496, 85.038763195232234, 0.37085527961859963},
        // Turning by pi/2: the short tangent is Y, the long one X.
        {100, 177.2453850905516, 138.2325060793697, 77.679411348660244, 21.260452993884615,
         81.813547724594076, 77.679411348660244, 138.2325060793697, 158.56328920799211,
         0.51196965872521734},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.l);
        Elements e;
        ASSERT_EQ(clothoid_elements(c.a, c.l, e), TARN_OK);
        const double tol = 1e-9;
        EXPECT_NEAR(e.r, c.a * c.a / c.l, tol);
        EXPECT_NEAR(e.tau, c.l * c.l / (2 * c.a * c.a), 1e-15);
        EXPECT_NEAR(e.x, c.x, tol);
        EXPECT_NEAR(e.y, c.y, tol);
        EXPECT_NEAR(e.shift, c.shift, tol);
        EXPECT_NEAR(e.x_m, c.x_m, tol);
        EXPECT_NEAR(e.t_k, c.t_k, tol);
        EXPECT_NEAR(e.t_l, c.t_l, tol);
        EXPECT_NEAR(e.s_0, c.s_0, tol);
        EXPECT_NEAR(e.sigma, c.sigma, 1e-12);
    }
}

TEST(Elements, LengthFromRadiusOrAngleAndRefusals) {
    EXPECT_DOUBLE_EQ(length_for_radius(100, 200), 50);
    EXPECT_DOUBLE_EQ(length_for_angle(100, 0.125), 50);
    Elements e;
    EXPECT_EQ(clothoid_elements(0, 50, e), TARN_ERROR_INVALID_ARGUMENT);
    EXPECT_EQ(clothoid_elements(100, 0, e), TARN_ERROR_INVALID_ARGUMENT);
    EXPECT_EQ(clothoid_elements(100, std::nan(""), e), TARN_ERROR_INVALID_ARGUMENT);
    EXPECT_EQ(clothoid_elements(100, length_for_angle(100, -1), e), TARN_ERROR_INVALID_ARGUMENT);
    EXPECT_EQ(clothoid_elements(100, 290, e), TARN_ERROR_ANGLE_TOO_LARGE);
}

TEST(Numbers, DegreesMinutesSeconds) {
    struct Case {
        double degrees;
        int decimals;
        const char* text;
    } cases[] = {
        {7.161972439135292, 2, "7°09'43.10\""},
        {0.0, 2, "0°00'00.00\""},
        {29.99999999, 2, "30°00'00.00\""}, // 59.99999" carries into the minute and degree
        {-1.5, 0, "-1°30'00\""},
        {359.5, 1, "359°30'00.0\""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(dms(c.degrees, c.decimals), c.text);
    }
    EXPECT_EQ(direction_dms(359.9999999, 2), "0°00'00.00\"");
    EXPECT_EQ(direction_dms(359.99, 2), "359°59'24.00\"");
    EXPECT_EQ(fixed(-0.0000001, 3), "0.000");
    EXPECT_EQ(exact(49.92193149366025), "49.92193149366025");
    EXPECT_DOUBLE_EQ(degrees_0_360(-3.14159265358979323846 / 2), 270.0);
}

// Every vertex lies at its offset from the curve point of its station: what
// the setting-out table reports about each row.
TEST(Geometry, VerticesSitAtTheirStationsAndOffsets) {
    const curvelib::Point ke = curvelib::clothoid_point(100, 50);
    Request r;
    r.kind = Kind::parallel;
    r.points = {10, 20, 10 + ke.x / 1000, 20 + ke.y / 1000, 35, 15};
    r.a = 100;
    r.pitch = 7;
    r.w = 3;
    r.dw = 0.5;
    for (bool quartic : {false, true}) {
        r.quartic = quartic;
        const Result result(r);
        ASSERT_EQ(result.code(), TARN_OK);
        ASSERT_EQ(result.vertex_count(), 9u); // KA, 7 m .. 49 m, KE
        EXPECT_DOUBLE_EQ(result.offset_m(0), 3.0);
        EXPECT_DOUBLE_EQ(result.offset_m(8), 3.5);
        for (std::size_t i = 0; i < result.vertex_count(); ++i) {
            const curvelib::Point v = result.vertex(i);
            const curvelib::Point c = result.curve_point(result.station_m(i));
            EXPECT_NEAR(std::hypot(v.x - c.x, v.y - c.y), result.offset_m(i), 1e-9) << i;
            // Offsets grow from w to w + dw, never beyond.
            EXPECT_GE(result.offset_m(i), 3.0 - 1e-12);
            EXPECT_LE(result.offset_m(i), 3.5 + 1e-12);
        }
        EXPECT_NEAR(result.station_m(8), 50.0, 1e-9);
    }
    // The normal at KE: both ends at the end station, the far one 10 m
    // across the curve, towards the centre of curvature.
    r.kind = Kind::normal;
    const Result normal(r);
    ASSERT_EQ(normal.vertex_count(), 2u);
    EXPECT_NEAR(normal.offset_m(0), 0.0, 1e-9);
    EXPECT_NEAR(normal.offset_m(1), -10.0, 1e-9);
    // Perpendicular: its foot is on the curve, the outside point at its distance.
    r.kind = Kind::perpendicular;
    r.from_x = 40;
    r.from_y = 30;
    const Result perpendicular(r);
    const curvelib::Point foot = perpendicular.vertex(1);
    EXPECT_NEAR(perpendicular.offset_m(1), 0.0, 1e-9);
    EXPECT_NEAR(std::fabs(perpendicular.offset_m(0)), std::hypot(40 - foot.x, 30 - foot.y), 1e-9);
    const curvelib::Point on = perpendicular.curve_point(perpendicular.station_m(1));
    EXPECT_NEAR(on.x, foot.x, 1e-9);
    EXPECT_NEAR(on.y, foot.y, 1e-9);
}

TEST(Geometry, TangentDirectionTurnsAwayFromTheSidePoint) {
    Request r;
    r.kind = Kind::centre_of_length;
    r.points = {
        0, 0, 1, 0, 5, -1,
    }; // side point below: the curve turns left
    r.a = 100;
    r.pitch = 10;
    r.length = 50;
    Result left(r);
    EXPECT_TRUE(left.turns_left());
    EXPECT_NEAR(left.tangent_direction(50), 0.125, 1e-15);
    r.points.p2y = 1;
    Result right(r);
    EXPECT_FALSE(right.turns_left());
    EXPECT_NEAR(right.tangent_direction(50), -0.125, 1e-15);
}

namespace {

// The curve of the README: A = 100 from KA (10, 20) to its 50 m point, the
// side point below the chord.
Request readme_curve(Kind kind) {
    const curvelib::Point ke = curvelib::clothoid_point(100, 50);
    Request r;
    r.kind = kind;
    r.points = {10, 20, 10 + ke.x / 1000, 20 + ke.y / 1000, 35, 15};
    r.a = 100;
    r.pitch = 1;
    return r;
}

// The refusal, or else the warnings, joined: what tarn would print.
std::string findings_of(const Request& r) {
    const Findings input = check_input(r);
    if (!input.refusal.empty()) {
        return (input.library_code ? "refused (1): " : "refused: ") + input.refusal;
    }
    const Result result(r);
    if (result.code() != TARN_OK) {
        return "library " + std::to_string(result.code());
    }
    const Findings f = check_result(result);
    if (!f.refusal.empty()) {
        return "refused: " + f.refusal;
    }
    std::string text;
    for (const std::string& w : f.warnings) {
        text += "warning: " + w;
    }
    return text;
}

} // namespace

TEST(Checks, EachNonsenseNamesItsOneCause) {
    struct Case {
        const char* what;
        Kind kind;
        void (*change)(Request&);
        const char* expected; // a part of the one line; "" for silence
    } cases[] = {
        {"a good parallel line", Kind::parallel, [](Request& r) { r.w = 3; }, ""},
        {"A of 0", Kind::centre, [](Request& r) { r.a = 0; }, "refused (1): --a 0: "},
        {"KE = KA", Kind::normal, [](Request& r) { r.points.p1x = 10, r.points.p1y = 20; },
         "refused (1): --ke 10,20: equals --ka"},
        {"pitch 0", Kind::centre, [](Request& r) { r.pitch = 0; }, "refused (1): --pitch 0: "},
        {"infinite W", Kind::parallel, [](Request& r) { r.w = INFINITY; },
         "refused (1): --w inf: not a finite number"},
        {"station before KA", Kind::normal_at, [](Request& r) { r.at = -5; },
         "refused: --at -5: a station before KA"},
        {"station beyond KE", Kind::normal_at, [](Request& r) { r.at = 60; },
         "warning: --at 60: beyond KE (curve length 50.000 m)"},
        {"length 0", Kind::centre_of_length, [](Request& r) { r.length = 0; },
         "refused: --length 0: "},
        {"negative length", Kind::centre_of_length, [](Request& r) { r.length = -50; },
         "refused: --length -50: "},
        {"side point on the chord", Kind::centre,
         [](Request& r) {
             r.points.p2x = (r.points.p0x + r.points.p1x) / 2;
             r.points.p2y = (r.points.p0y + r.points.p1y) / 2;
         },
         "refused: --side 34.96096574683013,21.04050467008868: lies on the line through KA"},
        {"side point = KA", Kind::centre,
         [](Request& r) { r.points.p2x = r.points.p0x, r.points.p2y = r.points.p0y; },
         "refused: --side 10,20: lies on the line"},
        {"side point = KE", Kind::parallel,
         [](Request& r) { r.points.p2x = r.points.p1x, r.points.p2y = r.points.p1y; },
         "refused: --side 59.92193149366025,22.081009340177363: lies on the line"},
        {"foot before KA", Kind::perpendicular, [](Request& r) { r.from_x = 0, r.from_y = 25; },
         "refused: --from 0,25: lies behind the normal at KA"},
        {"foot beyond KE", Kind::perpendicular, [](Request& r) { r.from_x = 80, r.from_y = 20; },
         "warning: --from 80,20: the foot lies beyond KE"},
        // The radius at KE is 200 m; inwards is left of travel here.
        {"offset reaching the radius", Kind::parallel,
         [](Request& r) { r.w = -150, r.dw = 50.01, r.pitch = 50; },
         "refused: --w -150 with --dw 50.01: the offset reaches 200.010 m"},
        {"offset just inside the radius", Kind::parallel,
         [](Request& r) { r.w = -150, r.dw = 49.99, r.pitch = 50; }, ""},
        {"offset outwards beyond the radius", Kind::parallel,
         [](Request& r) { r.w = 150, r.dw = 100; }, ""},
        {"a turn beyond the series' 1e-6 m", Kind::centre_of_length,
         [](Request& r) { r.length = 100 * std::sqrt(2 * 3.9), r.pitch = 10; },
         "warning: the curve turns by 3.900 rad; beyond 3.781 rad"},
    };
    for (const Case& c : cases) {
        Request r = readme_curve(c.kind);
        c.change(r);
        const std::string text = findings_of(r);
        if (*c.expected == '\0') {
            EXPECT_EQ(text, "") << c.what;
        } else {
            EXPECT_EQ(text.rfind(c.expected, 0), 0u) << c.what << ": " << text;
        }
    }
}

TEST(Checks, AccuracyWarningWhereTheSeriesBoundPassesOneMicrometre) {
    // The bound grows with A: a long curve meets it at a smaller angle.
    EXPECT_EQ(accuracy_warning(1000, 3.3), "");
    EXPECT_NE(accuracy_warning(1000, 3.45), "");
    EXPECT_EQ(accuracy_warning(30, 4.0), "");
    const Findings elements = check_elements(1000, "--angle", 3.8, length_for_angle(1000, 3.8));
    ASSERT_EQ(elements.warnings.size(), 1u);
    EXPECT_EQ(check_elements(100, "--radius", -5, length_for_radius(100, -5)).refusal,
              "--radius -5: must be a finite number above 0");
}

// A curve whose length lands 1e-11 m past a multiple of the pitch: the last
// station and KE coincide, and the tables list KE alone.
TEST(Geometry, ListedVerticesDropOneThatRepeatsItsNeighbour) {
    Request r;
    r.kind = Kind::centre;
    r.points = {0, 0, 133.51936962943367, 99.76237113254213, 66.76, -5};
    r.a = 100;
    r.pitch = 10;
    const Result result(r);
    ASSERT_EQ(result.code(), TARN_OK);
    ASSERT_EQ(result.vertex_count(), 22u); // KA, 10 m .. 200 m, KE
    const std::vector<std::size_t> listed = result.listed_vertices();
    ASSERT_EQ(listed.size(), 21u);
    EXPECT_EQ(listed[19], 19u);
    EXPECT_EQ(listed[20], 21u);
    r.pitch = 7; // no such station: every vertex listed
    EXPECT_EQ(Result(r).listed_vertices().size(), Result(r).vertex_count());
}

std::vector<ListedVertex> listed_of(const Result& result) {
    std::vector<ListedVertex> listed;
    result.for_each_listed([&](const ListedVertex& v) { listed.push_back(v); });
    return listed;
}

// Streamed, a centre line lists what its lists give, the end's replacing a
// station included; a curve shorter than 1e-9 m lists KA alone.
TEST(Geometry, StreamedVerticesAsListed) {
    Request r;
    r.kind = Kind::centre;
    r.points = {0, 0, 133.51936962943367, 99.76237113254213, 66.76, -5};
    r.a = 100;
    Request of_length;
    of_length.kind = Kind::centre_of_length;
    of_length.points = {0, 0, 10, 0, 5, 5};
    of_length.a = 50;
    of_length.length = 1e-10;
    of_length.pitch = 1e-11;
    for (const double pitch : {10.0, 7.0, 0.01}) {
        r.pitch = pitch;
        const Result kept(r);
        const Result streamed(r, Result::Vertices::streamed);
        ASSERT_TRUE(streamed.streamed());
        EXPECT_EQ(streamed.vertex_count(), 0u);
        const std::vector<ListedVertex> expected = listed_of(kept);
        const std::vector<ListedVertex> got = listed_of(streamed);
        ASSERT_EQ(got.size(), kept.listed_vertices().size()) << pitch;
        for (std::size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].index, expected[i].index);
            EXPECT_EQ(got[i].offset.x, kept.construction().vertices[got[i].index].x);
            EXPECT_EQ(got[i].offset.y, kept.construction().vertices[got[i].index].y);
            EXPECT_EQ(got[i].station_m, kept.station_m(got[i].index));
            EXPECT_EQ(got[i].last, got[i].index + 1 == kept.vertex_count());
        }
        EXPECT_TRUE(got.back().last);
    }
    for (const Result::Vertices mode : {Result::Vertices::kept, Result::Vertices::streamed}) {
        const Result tiny(of_length, mode);
        ASSERT_EQ(tiny.code(), TARN_OK);
        const std::vector<ListedVertex> got = listed_of(tiny);
        ASSERT_EQ(got.size(), 1u);
        EXPECT_EQ(got[0].index, 0u);
        EXPECT_FALSE(got[0].last);
    }
}

class OutputFiles : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("tarn-output-" + std::to_string(std::rand()));
        fs::create_directories(folder_);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }
    std::string path(const char* name) const { return (folder_ / name).string(); }
    static std::string read(const std::string& p) {
        std::ifstream in(p, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    fs::path folder_;
};

TEST_F(OutputFiles, AllWrittenAndReplaced) {
    std::ofstream(path("a.txt")) << "old";
    EXPECT_EQ(write_all({bytes_file(path("a.txt"), "new a"), bytes_file(path("b.txt"), "b")}), "");
    EXPECT_EQ(read(path("a.txt")), "new a");
    EXPECT_EQ(read(path("b.txt")), "b");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 2);
}

TEST_F(OutputFiles, NoneWrittenWhenOneCannotBe) {
    std::ofstream(path("a.txt")) << "old";
    const std::string bad = (folder_ / "missing" / "b.txt").string();
    const std::string error = write_all({bytes_file(path("a.txt"), "new"), bytes_file(bad, "b")});
    EXPECT_NE(error.find(bad), std::string::npos) << error;
    EXPECT_EQ(read(path("a.txt")), "old");
    // No temporary file left behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 1);
}
