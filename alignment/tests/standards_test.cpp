#include "tarn/alignment/standards.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace tarn::alignment;

Element piece(ElementKind kind, double length, double k0, double k1, std::size_t ip) {
    Element e;
    e.kind = kind;
    e.length = length;
    e.curvature_start = k0;
    e.curvature_end = k1;
    e.ip = ip;
    return e;
}

int count(const std::vector<std::string>& findings, const std::string& part) {
    int n = 0;
    for (const std::string& f : findings) {
        n += f.find(part) != std::string::npos;
    }
    return n;
}

TEST(Standards, FindingsAt60) {
    // IP1: R 130 (between the special 120 and the minimum 150) with A 40 and
    // A 60; IP2 to the left on R 200 with A 100 on both sides, the S at the
    // shared KA with A 60 : 100.
    Alignment a;
    a.ips.resize(4);
    a.ips[1].name = "IP1";
    a.ips[2].name = "IP2";
    const double k1 = 1.0 / 130, k2 = -1.0 / 200;
    a.elements = {piece(ElementKind::line, 100, 0, 0, 0),
                  piece(ElementKind::spiral, 40.0 * 40 / 130, 0, k1, 1),
                  piece(ElementKind::arc, 50, k1, k1, 1),
                  piece(ElementKind::spiral, 60.0 * 60 / 130, k1, 0, 1),
                  piece(ElementKind::spiral, 100.0 * 100 / 200, 0, k2, 2),
                  piece(ElementKind::arc, 50, k2, k2, 2),
                  piece(ElementKind::spiral, 100.0 * 100 / 200, k2, 0, 2)};
    const DesignSpeed* v = design_speed(60);
    ASSERT_NE(v, nullptr);
    const auto findings = check_standards(a, *v);
    EXPECT_EQ(count(findings, "IP1: R 130.000 m is below the minimum radius 150 m"), 1);
    EXPECT_EQ(count(findings, "special value 120 m"), 1);
    EXPECT_EQ(count(findings, "shorter than the 50 m"), 2); // both of IP1's; IP2's are 50 m
    EXPECT_EQ(count(findings, "IP1: A 40.000 m with R 130.000 m is outside"), 1);
    EXPECT_EQ(count(findings, "IP1, IP2: the S's clothoids"), 1);
    EXPECT_EQ(findings.size(), 5u);
    EXPECT_EQ(design_speed(70), nullptr);
    EXPECT_EQ(design_speed(20)->min_radius, 15);
    // At 20 km/h: A 40's 12.3 m under 20 m, A 40 < R/3, the S ratio.
    EXPECT_EQ(check_standards(a, *design_speed(20)).size(), 3u);
}

} // namespace
