// The exports as a caller sees them: bound by name, called through function
// pointers, judged by the files they leave in the current directory.
#include "export_loader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr double kPi = 3.14159265358979323846;

// The 50 m point of the clothoid A = 100 and a side point clockwise of it.
constexpr double kP1x = 49.92193149366025;
constexpr double kP1y = 2.0810093401773635;

struct Vertex {
    double x;
    double y;
};

class Exports : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(lib().error, "");
        previous_ = fs::current_path();
        folder_ = fs::temp_directory_path() /
                  ("curvelib-" +
                   std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
                   "-" + std::to_string(std::rand()));
        fs::create_directories(folder_);
        fs::current_path(folder_);
    }
    void TearDown() override {
        fs::current_path(previous_);
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }

    static const CurveLibrary& lib() { return curve_library(); }

    static std::string read(const char* name) {
        std::ifstream in(name, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    static void write(const char* name, const std::string& text) {
        std::ofstream(name, std::ios::binary) << text;
    }

    // Splits a script into its lines; text-mode line ends are CR LF on Windows.
    static std::vector<std::string> lines(const std::string& text) {
#if defined(_WIN32)
        const std::string newline = "\r\n";
#else
        const std::string newline = "\n";
#endif
        std::vector<std::string> result;
        size_t start = 0;
        for (;;) {
            const size_t end = text.find(newline, start);
            result.push_back(text.substr(start, end - start));
            if (end == std::string::npos) {
                break;
            }
            start = end + newline.size();
        }
        return result;
    }

    static std::vector<Vertex> vertices(const std::string& text) {
        std::vector<Vertex> result;
        const std::vector<std::string> all = lines(text);
        for (size_t i = 1; i < all.size(); ++i) {
            const std::string& line = all[i];
            const size_t comma = line.find(',');
            result.push_back({std::strtod(line.substr(0, comma).c_str(), nullptr),
                              std::strtod(line.substr(comma + 1).c_str(), nullptr)});
        }
        return result;
    }

    // Text-mode files: CR LF on Windows. The numbers are C99's "%.15le" on
    // both platforms (two exponent digits; a CAD program reads either form).
    static std::string platform_form(const std::string& text) {
#if defined(_WIN32)
        std::string result;
        for (char c : text) {
            result += c == '\n' ? std::string("\r\n") : std::string(1, c);
        }
        return result;
#else
        return text;
#endif
    }

private:
    fs::path previous_;
    fs::path folder_;
};

} // namespace

TEST_F(Exports, TestReturnsItsArgument) {
    EXPECT_EQ(lib().test(2.5), 2.5);
    EXPECT_EQ(lib().test(-1e300), -1e300);
}

TEST_F(Exports, CentreLineOfTheFiftyMetrePoint) {
    ASSERT_EQ(lib().tarn5(0, 0, kP1x, kP1y, 25, -5, 100, 20, 0), TARN_OK);
    const std::string script = read("auto_temp.txt");
    const std::vector<std::string> all = lines(script);
    ASSERT_EQ(all.size(), 5u);
    EXPECT_EQ(all[0], "pline");
    EXPECT_EQ(all[1], platform_form("0.000000000000000e+00,0.000000000000000e+00"));
    const std::vector<Vertex> v = vertices(script);
    EXPECT_NEAR(v[1].x, 19.99920001, 1e-8);
    EXPECT_NEAR(v[1].y, 0.1333295239, 1e-10);
    EXPECT_NEAR(v[2].x, 39.97440758, 1e-8);
    EXPECT_NEAR(v[2].y, 1.066179147, 1e-9);
    // The last vertex is p1 itself.
    EXPECT_NEAR(v[3].x, kP1x, 1e-13);
    EXPECT_NEAR(v[3].y, kP1y, 1e-13);
    EXPECT_NE(script.back(), '\n');
}

TEST_F(Exports, ParameterRecordShowsTheArgumentsAsReceived) {
    ASSERT_EQ(lib().tarn5(10, 20, 60.5, 25, 30, 0, 100, 5, 0), TARN_OK);
    EXPECT_EQ(read("auto_temp2.txt"),
              platform_form("xxxxxxxxxxxxxxx\nmormm=0\np0x=10.000000\np0y=20.000000\n"
                            "p1x=60.500000\np1y=25.000000\np2x=30.000000\np2y=0.000000\n"
                            "a=100.000000\npitch=5.000000"));
}

TEST_F(Exports, ParallelLineWithBothWideningLaws) {
    ASSERT_EQ(lib().tarn6(0, 0, kP1x, kP1y, 25, -5, 100, 25, 0, 3, 0.5, 1.0), TARN_OK);
    std::vector<Vertex> v = vertices(read("auto_temp.txt"));
    ASSERT_EQ(v.size(), 3u);
    EXPECT_NEAR(v[0].x, 0.0, 5e-7);
    EXPECT_NEAR(v[0].y, -3.0, 5e-7);
    EXPECT_NEAR(v[1].x, 25.099105, 5e-7);
    EXPECT_NEAR(v[1].y, -2.988015, 5e-7);
    EXPECT_NEAR(v[2].x, 50.358293, 5e-7);
    EXPECT_NEAR(v[2].y, -1.391682, 5e-7);

    ASSERT_EQ(lib().tarn6(0, 0, kP1x, kP1y, 25, -5, 100, 25, 0, 3, 0.5, 2.0), TARN_OK);
    v = vertices(read("auto_temp.txt"));
    ASSERT_EQ(v.size(), 3u);
    EXPECT_NEAR(v[1].x, 25.096175, 5e-7);
    EXPECT_NEAR(v[1].y, -2.894310, 5e-7);
}

TEST_F(Exports, WideningKeepsToTheOffsetsSide) {
    // Offsets at the two ends: distance of the end vertices from p0 and p1.
    auto end_offsets = [&](double w, double dw) {
        EXPECT_EQ(lib().tarn6(0, 0, kP1x, kP1y, 25, -5, 100, 10, 0, w, dw, 1.0), TARN_OK);
        const std::vector<Vertex> v = vertices(read("auto_temp.txt"));
        // Signed: positive on p2's side (below the chord here).
        const double start = -v.front().y;
        const Vertex last = v.back();
        const double end = std::hypot(last.x - kP1x, last.y - kP1y) * (last.y < kP1y ? 1 : -1);
        return std::make_pair(start, end);
    };
    auto [start1, end1] = end_offsets(3, 0.5);
    EXPECT_NEAR(start1, 3.0, 1e-9);
    EXPECT_NEAR(end1, 3.5, 1e-9);
    auto [start2, end2] = end_offsets(-3, 0.5);
    EXPECT_NEAR(start2, -3.0, 1e-9);
    EXPECT_NEAR(end2, -3.5, 1e-9);
    auto [start3, end3] = end_offsets(0, 0.5);
    EXPECT_NEAR(start3, 0.0, 1e-9);
    EXPECT_NEAR(end3, -0.5, 1e-9);
}

TEST_F(Exports, NormalAtTheEndPointsToTheCentreOfCurvature) {
    ASSERT_EQ(lib().tarn1(0, 0, kP1x, kP1y, 25, -5, 100, 0), TARN_OK);
    std::vector<Vertex> v = vertices(read("auto_temp.txt"));
    ASSERT_EQ(v.size(), 2u);
    EXPECT_EQ(lines(read("auto_temp.txt"))[0], "line");
    EXPECT_NEAR(v[0].x, kP1x, 1e-13);
    EXPECT_NEAR(v[0].y, kP1y, 1e-13);
    EXPECT_NEAR(v[1].x, 48.67518415980791, 1e-9);
    EXPECT_NEAR(v[1].y, 12.00298601247065, 1e-9);

    // Left case: the clothoid mirrored about the chord, the normal below it.
    ASSERT_EQ(lib().tarn1(0, 0, kP1x, kP1y, 25, 5, 100, 0), TARN_OK);
    v = vertices(read("auto_temp.txt"));
    const double psi = std::atan2(v[1].y - v[0].y, v[1].x - v[0].x);
    EXPECT_TRUE(psi > -kPi && psi <= 0) << psi;
    EXPECT_NEAR(std::hypot(v[1].x - v[0].x, v[1].y - v[0].y), 10.0, 1e-9);
}

TEST_F(Exports, CurveLengthInBothUnitsWithoutTouchingTheScript) {
    write("auto_temp.txt", "earlier");
    EXPECT_NEAR(lib().tarn4(0, 0, kP1x, kP1y, 25, -5, 100, 0), 50.0, 1e-12);
    EXPECT_NEAR(lib().tarn4(1000, 2000, 1000 + kP1x * 1000, 2000 + kP1y * 1000, 0, 0, 100, 1.0),
                50.0, 1e-9);
    EXPECT_EQ(read("auto_temp.txt"), "earlier");
}

TEST_F(Exports, UnitFlagZeroAndNegativeZeroMeanMetres) {
    ASSERT_EQ(lib().tarn1(1, 2, 1 + kP1x, 2 + kP1y, 25, -5, 100, 0.0), TARN_OK);
    const std::string metres = read("auto_temp.txt");
    ASSERT_EQ(lib().tarn1(1, 2, 1 + kP1x, 2 + kP1y, 25, -5, 100, -0.0), TARN_OK);
    EXPECT_EQ(read("auto_temp.txt"), metres);
    // Any other flag: millimetres, written as given.
    for (double mormm : {1.0, 2.0, -1.0}) {
        ASSERT_EQ(lib().tarn1(1000, 2000, 1000 + kP1x * 1000, 2000 + kP1y * 1000, 25000, -5000, 100,
                              mormm),
                  TARN_OK);
        const std::vector<Vertex> v = vertices(read("auto_temp.txt"));
        const std::vector<Vertex> m = vertices(metres);
        EXPECT_NEAR(v[1].x, m[1].x * 1000, 1e-6);
        EXPECT_NEAR(v[1].y, m[1].y * 1000, 1e-6);
    }
}

TEST_F(Exports, CentreLineOfGivenLength) {
    ASSERT_EQ(lib().tarn7(10, 20, 20, 20, 15, 0, 100, 5, 1.0, 0.0), TARN_OK);
    EXPECT_EQ(read("auto_temp.txt"),
              platform_form("pline\n1.000000000000000e+01,2.000000000000000e+01\n"
                            "1.000000000000000e+01,2.000000000000000e+01"));
    // Right case (p2 below p0->p1): the curve turns away from p2, upwards.
    ASSERT_EQ(lib().tarn7(0, 0, 1, 0, 5, -1, 100, 10, 0, 50), TARN_OK);
    const std::vector<Vertex> v = vertices(read("auto_temp.txt"));
    ASSERT_EQ(v.size(), 6u);
    EXPECT_NEAR(v.back().x, 49.92193149366025, 1e-9);
    EXPECT_NEAR(v.back().y, 2.0810093401773635, 1e-9);
    // Left case: mirrored.
    ASSERT_EQ(lib().tarn7(0, 0, 1, 0, 5, 1, 100, 10, 0, 50), TARN_OK);
    EXPECT_NEAR(vertices(read("auto_temp.txt")).back().y, -2.0810093401773635, 1e-9);
}

TEST_F(Exports, NormalAtLengthAndPerpendicular) {
    ASSERT_EQ(lib().tarn3(3, 4, 3 + kP1x, 4 + kP1y, 25, -5, 100, 0, 0), TARN_OK);
    std::vector<Vertex> v = vertices(read("auto_temp.txt"));
    EXPECT_NEAR(v[0].x, 3, 1e-12);
    EXPECT_NEAR(v[0].y, 4, 1e-12);
    // At the full length it is the normal at p1.
    ASSERT_EQ(lib().tarn3(0, 0, kP1x, kP1y, 25, -5, 100, 50, 0), TARN_OK);
    v = vertices(read("auto_temp.txt"));
    EXPECT_NEAR(v[1].x, 48.67518415980791, 1e-9);
    EXPECT_NEAR(v[1].y, 12.00298601247065, 1e-9);

    // From a point on the curve: a line of (nearly) zero length.
    ASSERT_EQ(lib().tarn2(0, 0, kP1x, kP1y, 25, -5, 19.99920001442, 0.13332952394, 100, 0),
              TARN_OK);
    v = vertices(read("auto_temp.txt"));
    EXPECT_LT(std::hypot(v[1].x - v[0].x, v[1].y - v[0].y), 1e-8);
    // From p0: back to p0.
    ASSERT_EQ(lib().tarn2(7, 8, 7 + kP1x, 8 + kP1y, 25, -5, 7, 8, 100, 0), TARN_OK);
    v = vertices(read("auto_temp.txt"));
    EXPECT_NEAR(v[1].x, 7, 1e-9);
    EXPECT_NEAR(v[1].y, 8, 1e-9);
    // From outside: the foot is perpendicular to the curve (a normal through p3).
    ASSERT_EQ(lib().tarn2(0, 0, kP1x, kP1y, 25, -5, 30, 10, 100, 0), TARN_OK);
    v = vertices(read("auto_temp.txt"));
    const double arc = lib().tarn4(0, 0, v[1].x, v[1].y, 25, -5, 100, 0);
    ASSERT_EQ(lib().tarn3(0, 0, kP1x, kP1y, 25, -5, 100, arc, 0), TARN_OK);
    const std::vector<Vertex> normal = vertices(read("auto_temp.txt"));
    const double cross = (normal[1].x - normal[0].x) * (10 - normal[0].y) -
                         (normal[1].y - normal[0].y) * (30 - normal[0].x);
    EXPECT_NEAR(cross / 10.0, 0.0, 1e-6);
}

TEST_F(Exports, VerticesFollowTheCurveAtThePitch) {
    // A millimetre drawing in the left case; every chord between stations is
    // a little shorter than the pitch, and they add up to the curve length.
    const double p0x = 5000, p0y = -3000, p1x = 5000 + 60000, p1y = -3000 + 30000;
    ASSERT_EQ(lib().tarn5(p0x, p0y, p1x, p1y, p0x - 1000, p0y + 9000, 150, 2.5, 1.0), TARN_OK);
    const double length = lib().tarn4(p0x, p0y, p1x, p1y, 0, 0, 150, 1.0);
    const std::vector<Vertex> v = vertices(read("auto_temp.txt"));
    ASSERT_EQ(v.size(), static_cast<size_t>(std::ceil(length / 2.5)) + 1);
    double total = 0.0;
    for (size_t i = 1; i < v.size(); ++i) {
        const double chord = std::hypot(v[i].x - v[i - 1].x, v[i].y - v[i - 1].y);
        if (i + 1 < v.size()) {
            EXPECT_LT(chord, 2500.0);
            EXPECT_GT(chord, 2499.9);
        }
        total += chord;
        // On p2's side (left of p0->p1).
        const double cross = (p1x - p0x) * (v[i].y - p0y) - (p1y - p0y) * (v[i].x - p0x);
        if (i + 1 < v.size()) {
            EXPECT_GT(cross, 0.0);
        }
    }
    EXPECT_NEAR(total, length * 1000.0, 1.0);
}

TEST_F(Exports, EveryPointIsTwoFixedFormNumbers) {
    const std::regex point("-?[0-9]\\.[0-9]{15}e[+-][0-9]{2,3},-?[0-9]\\.[0-9]{15}e[+-][0-9]{2,3}");
    ASSERT_EQ(lib().tarn1(-3, 4, -3 + kP1x, 4 + kP1y, 25, -5, 100, 0), TARN_OK);
    const std::vector<std::string> line = lines(read("auto_temp.txt"));
    ASSERT_EQ(line.size(), 3u);
    EXPECT_EQ(line[0], "line");
    EXPECT_TRUE(std::regex_match(line[1], point)) << line[1];
    EXPECT_TRUE(std::regex_match(line[2], point)) << line[2];
    ASSERT_EQ(lib().tarn6(0, 0, kP1x, kP1y, 25, -5, 100, 7, 0, -2, 1, 2.0), TARN_OK);
    const std::vector<std::string> pline = lines(read("auto_temp.txt"));
    ASSERT_EQ(pline.size(), 10u);
    for (size_t i = 1; i < pline.size(); ++i) {
        EXPECT_TRUE(std::regex_match(pline[i], point)) << pline[i];
    }
}

TEST_F(Exports, PitchBeyondTheCurveAndRepeatedCalls) {
    ASSERT_EQ(lib().tarn5(0, 0, kP1x, kP1y, 25, -5, 100, 50, 0), TARN_OK);
    EXPECT_EQ(vertices(read("auto_temp.txt")).size(), 2u);
    ASSERT_EQ(lib().tarn5(0, 0, kP1x, kP1y, 25, -5, 100, 25, 0), TARN_OK);
    ASSERT_EQ(lib().tarn6(0, 0, kP1x, kP1y, 25, -5, 100, 60, 0, 1, 1, 1.0), TARN_OK);
    const std::string script = read("auto_temp.txt");
    EXPECT_EQ(vertices(script).size(), 2u);
    EXPECT_EQ(script.find("pline"), 0u);
    EXPECT_EQ(script.find("pline", 1), std::string::npos);
}

TEST_F(Exports, RefusedInputTouchesNoFile) {
    write("auto_temp.txt", "kept");
    write("auto_temp2.txt", "kept too");
    const double nan = std::nan("");
    const double inf = HUGE_VAL;
    const auto& l = lib();
    EXPECT_EQ(l.tarn5(0, 0, kP1x, kP1y, 25, -5, 0, 20, 0), TARN_ERROR_INVALID_ARGUMENT);
    EXPECT_EQ(l.tarn5(0, 0, kP1x, kP1y, 25, -5, -100, 20, 0), TARN_ERROR_INVALID_ARGUMENT);
    EXPECT_EQ(l.tarn5(0, 0, kP1x, kP1y, 25, -5, nan, 20, 0), TARN_ERROR_INVALID_ARGUMENT);
    EXPECT_EQ(l.tarn5(1, 1, 1, 1, 25, -5, 100, 20, 0), TARN_ERROR_INVALID_ARGUMENT);
    EXPECT_EQ(l.tarn5(0, 0, kP1x, inf, 25, -5, 100, 20, 0), TARN_ERROR_INVALID_ARGUMENT);
    EXPECT_EQ(l.tarn5(0, 0, kP1x, kP1y, nan, -5, 100, 20, 0), TARN_ERROR_INVALID_ARGUMENT);
    EXPECT_EQ(l.tarn5(0, 0, kP1x, kP1y, 25, -5, 100, 0, 0), TARN_ERROR_INVALID_ARGUMENT);
    EXPECT_EQ(l.tarn5(0, 0, kP1x, kP1y, 25, -5, 100, -1, 0), TARN_ERROR_INVALID_ARGUMENT);
    EXPECT_EQ(l.tarn5(1e306, 0, -1e306, 0, 25, -5, 100, 1, 0), TARN_ERROR_INVALID_ARGUMENT);
    EXPECT_EQ(l.tarn6(0, 0, kP1x, kP1y, 25, -5, 100, 20, 0, nan, 1, 1),
              TARN_ERROR_INVALID_ARGUMENT);
    EXPECT_EQ(l.tarn6(0, 0, kP1x, kP1y, 25, -5, 100, 20, 0, 1, inf, 1),
              TARN_ERROR_INVALID_ARGUMENT);
    EXPECT_EQ(l.tarn7(0, 0, 1, 0, 5, 1, 100, 10, 0, nan), TARN_ERROR_INVALID_ARGUMENT);
    EXPECT_EQ(l.tarn2(0, 0, kP1x, kP1y, 25, -5, nan, 0, 100, 0), TARN_ERROR_INVALID_ARGUMENT);
    EXPECT_EQ(l.tarn3(0, 0, kP1x, kP1y, 25, -5, 100, inf, 0), TARN_ERROR_INVALID_ARGUMENT);
    EXPECT_EQ(l.tarn1(0, 0, 0, 0, 25, -5, 100, 0), TARN_ERROR_INVALID_ARGUMENT);
    // Turning by more than 4 rad: at p1 (a chord no curve up to 4 rad has),
    // at LLL and at LC.
    EXPECT_EQ(l.tarn1(0, 0, 400, 0, 25, -5, 100, 0), TARN_ERROR_ANGLE_TOO_LARGE);
    EXPECT_EQ(l.tarn3(0, 0, kP1x, kP1y, 25, -5, 100, 290, 0), TARN_ERROR_ANGLE_TOO_LARGE);
    EXPECT_EQ(l.tarn7(0, 0, 1, 0, 5, 1, 100, 10, 0, 290), TARN_ERROR_ANGLE_TOO_LARGE);
    EXPECT_EQ(l.tarn3(0, 0, kP1x, kP1y, 25, -5, 100, 280, 0), TARN_OK);
    write("auto_temp.txt", "kept");
    // More than a million vertices.
    EXPECT_EQ(l.tarn5(0, 0, kP1x, kP1y, 25, -5, 100, 0.00004, 0), TARN_ERROR_TOO_MANY_VERTICES);
    EXPECT_EQ(l.tarn7(0, 0, 1, 0, 5, 1, 100, 1e-300, 0, 50), TARN_ERROR_TOO_MANY_VERTICES);
    EXPECT_TRUE(std::isnan(l.tarn4(0, 0, 0, 0, 25, -5, 100, 0)));
    EXPECT_TRUE(std::isnan(l.tarn4(0, 0, 400, 0, 25, -5, 100, 0)));
    EXPECT_TRUE(std::isnan(l.tarn4(0, 0, kP1x, kP1y, 25, -5, 0, 0)));
    EXPECT_EQ(read("auto_temp.txt"), "kept");
    EXPECT_EQ(read("auto_temp2.txt"), "kept too");
}

TEST_F(Exports, UnwritableFilesAreReportedNotFatal) {
    fs::create_directory("auto_temp.txt");
    EXPECT_EQ(lib().tarn1(0, 0, kP1x, kP1y, 25, -5, 100, 0), TARN_ERROR_FILE);
    EXPECT_EQ(lib().tarn5(0, 0, kP1x, kP1y, 25, -5, 100, 20, 0), TARN_ERROR_FILE);
    fs::remove("auto_temp.txt");
    fs::remove("auto_temp2.txt");
    // The parameter record fails first: nothing further is written.
    fs::create_directory("auto_temp2.txt");
    EXPECT_EQ(lib().tarn5(0, 0, kP1x, kP1y, 25, -5, 100, 20, 0), TARN_ERROR_FILE);
    EXPECT_FALSE(fs::exists("auto_temp.txt"));
}

// Whole scripts, byte for byte, as the library has always written them: any
// change in the numbers, their format or the record layout shows here.
TEST_F(Exports, ScriptsAreUnchangedByteForByte) {
    const double x = kP1x, y = kP1y;
    const CurveLibrary& l = lib();
    struct Case {
        const char* name;
        std::function<int32_t()> call;
        const char* script;
    };
    const Case cases[] = {
        {"centre line", [&] { return l.tarn5(10, 20, 10 + x, 20 + y, 35, 15, 100, 20, 0); },
         "pline\n1.000000000000000e+01,2.000000000000000e+01\n"
         "2.999920001481468e+01,2.013332952385801e+01\n"
         "4.997440758406501e+01,2.106617914690492e+01\n"
         "5.992193149366025e+01,2.208100934017736e+01"},
        {"parallel, linear",
         [&] { return l.tarn6(10, 20, 10 + x, 20 + y, 35, 15, 100, 25, 0, 3, 0.5, 1.0); },
         "pline\n9.999999999999989e+00,1.700000000000000e+01\n"
         "3.509910467457880e+01,1.701198528692932e+01\n"
         "6.035829306050855e+01,1.860831750487471e+01"},
        {"parallel, quartic, millimetres",
         [&] {
             return l.tarn6(10000, 20000, 10000 + x * 1000, 20000 + y * 1000, 35000, 15000, 100, 25,
                            1, -3, 0.5, 2.0);
         },
         "pline\n1.000000000000001e+04,2.300000000000000e+04\n"
         "3.489894194436030e+04,2.341510748972473e+04\n"
         "5.948556992681196e+04,2.555370117548002e+04"},
        {"given length, left", [&] { return l.tarn7(10, 20, 20, 20, 15, 25, 100, 20, 0, 45); },
         "pline\n1.000000000000000e+01,2.000000000000000e+01\n"
         "2.999920001481468e+01,1.986667047614199e+01\n"
         "4.997440758406501e+01,1.893382085309508e+01\n"
         "5.495388985826552e+01,1.848236174877728e+01"},
        {"normal at p1", [&] { return l.tarn1(10, 20, 10 + x, 20 + y, 35, 15, 100, 0); },
         "line\n5.992193149366025e+01,2.208100934017736e+01\n"
         "5.867518415980791e+01,3.200298601247065e+01"},
        {"perpendicular", [&] { return l.tarn2(10, 20, 10 + x, 20 + y, 35, 15, 40, 30, 100, 0); },
         "line\n4.000000000000000e+01,3.000000000000000e+01\n"
         "4.044206889274140e+01,2.047041867804273e+01"},
        {"normal at length, left",
         [&] { return l.tarn3(10, 20, 10 + x, 20 + y, 35, 25, 100, 30, 0); },
         "line\n3.992731402910695e+01,2.204789831286994e+01\n"
         "4.031044329810523e+01,1.205524041002763e+01"},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(c.call(), TARN_OK) << c.name;
        EXPECT_EQ(read("auto_temp.txt"), platform_form(c.script)) << c.name;
    }
}

namespace {

// What one corpus geometry makes the library do: every export once, in
// metres or millimetres, its result code and the files it leaves (line ends
// made LF), with tarn4's length as its bits. Folded into a 64-bit FNV-1a.
class Digest {
public:
    void add(const std::string& bytes) {
        for (char c : bytes) {
            if (c != '\r') {
                hash_ = (hash_ ^ static_cast<unsigned char>(c)) * 0x100000001b3ULL;
            }
        }
        hash_ = (hash_ ^ 0xffU) * 0x100000001b3ULL; // a separator between parts
    }
    void add(double value) {
        std::uint64_t bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        add(std::to_string(bits));
    }
    std::string hex() const {
        char text[17];
        std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash_));
        return text;
    }

private:
    std::uint64_t hash_ = 0xcbf29ce484222325ULL;
};

struct Geometry {
    const char* name;
    double p0x, p0y, p1x, p1y, p2x, p2y, p3x, p3y, a, mormm, pitch, lll;
    const char* digest; // recorded natively; every build must give it
};

} // namespace

// Every build computes in SSE2 double arithmetic with the library's own sin,
// cos, atan2 and sqrt, so native, x64 and x86 builds, debug and optimised,
// give the same bits for the same input. A changed digest means the results
// moved: in one build only it is a defect, in all a change to re-record.
TEST_F(Exports, CorpusGivesTheSameBitsInEveryBuild) {
    const Geometry corpus[] = {
        {"right case", 0, 0, kP1x, kP1y, 25, -5, 30, 10, 100, 0, 0.7, 20, "9ff406cf1262ff2c"},
        {"left case, shifted", 1234.5, -678.25, 1264.5, -638.25, 1240, -600, 1250, -660, 80, 0, 1.3,
         17, "2bcae3363ae52efc"},
        {"side point behind p0 on the line", 10, 20, 40, 35, -50, -10, 20, 30, 60, 0, 2, 11,
         "15de8d3ee28a2e2a"},
        {"millimetres", 1000, 2000, 1000 + kP1x * 1000, 2000 + kP1y * 1000, 0, 0, 25000, 0, 100, 1,
         0.9, 33, "2a8be17f71630962"},
        {"steep and long", 0, 0, -30, 70, 10, 10, -20, 60, 90, 0, 0.25, 90, "40c9d991e7807e58"},
    };
    const auto& l = lib();
    for (const Geometry& g : corpus) {
        SCOPED_TRACE(g.name);
        Digest digest;
        auto files = [&](int result) {
            EXPECT_EQ(result, TARN_OK);
            digest.add(std::to_string(result));
            digest.add(read("auto_temp.txt"));
        };
        files(l.tarn1(g.p0x, g.p0y, g.p1x, g.p1y, g.p2x, g.p2y, g.a, g.mormm));
        files(l.tarn2(g.p0x, g.p0y, g.p1x, g.p1y, g.p2x, g.p2y, g.p3x, g.p3y, g.a, g.mormm));
        files(l.tarn3(g.p0x, g.p0y, g.p1x, g.p1y, g.p2x, g.p2y, g.a, g.lll, g.mormm));
        digest.add(l.tarn4(g.p0x, g.p0y, g.p1x, g.p1y, g.p2x, g.p2y, g.a, g.mormm));
        files(l.tarn5(g.p0x, g.p0y, g.p1x, g.p1y, g.p2x, g.p2y, g.a, g.pitch, g.mormm));
        digest.add(read("auto_temp2.txt"));
        for (double transition : {1.0, 2.0}) {
            files(l.tarn6(g.p0x, g.p0y, g.p1x, g.p1y, g.p2x, g.p2y, g.a, g.pitch, g.mormm, 3.0, 0.5,
                          transition));
        }
        files(l.tarn7(g.p0x, g.p0y, g.p1x, g.p1y, g.p2x, g.p2y, g.a, g.pitch, g.mormm, g.lll));
        EXPECT_EQ(digest.hex(), g.digest);
    }
}
