#include "cadsim/dxf.h"

#include <gtest/gtest.h>

#include <sstream>
#include <utility>

namespace cadsim {
namespace {

using Groups = std::vector<std::pair<int, std::string>>;

// Reads code/value pairs back, so the tests check structure, not layout.
Groups read_groups(const std::string& dxf) {
    Groups groups;
    std::istringstream in(dxf);
    std::string code;
    std::string value;
    while (std::getline(in, code) && std::getline(in, value)) {
        if (!code.empty() && code.back() == '\r') {
            code.pop_back();
        }
        if (!value.empty() && value.back() == '\r') {
            value.pop_back();
        }
        groups.emplace_back(std::stoi(code), value);
    }
    return groups;
}

std::vector<std::string> values_of(const Groups& groups, int code) {
    std::vector<std::string> values;
    for (const auto& [c, v] : groups) {
        if (c == code) {
            values.push_back(v);
        }
    }
    return values;
}

TEST(Dxf, EmptyDrawingIsAWholeFile) {
    const Groups groups = read_groups(to_dxf({}));
    ASSERT_GE(groups.size(), 4u);
    EXPECT_EQ(groups.front(), (std::pair<int, std::string>{0, "SECTION"}));
    EXPECT_EQ(groups.back(), (std::pair<int, std::string>{0, "EOF"}));
    EXPECT_EQ(values_of(groups, 1), std::vector<std::string>{"AC1009"});
}

TEST(Dxf, LineAndPolylineInR12Form) {
    const double third = 1.0 / 3.0;
    const std::vector<Entity> entities{
        {EntityKind::Line, {{10, 20, 0}, {third, -2.5, 1}}},
        {EntityKind::Polyline, {{0, 0, 7}, {1e-300, 1e300, 0}, {3, 4, 0}}},
    };
    const Groups groups = read_groups(to_dxf(entities));
    EXPECT_EQ(values_of(groups, 0),
              (std::vector<std::string>{"SECTION", "ENDSEC", "SECTION", "LINE", "POLYLINE",
                                        "VERTEX", "VERTEX", "VERTEX", "SEQEND", "ENDSEC", "EOF"}));
    const auto xs = values_of(groups, 10);
    ASSERT_EQ(xs.size(), 5u); // line start, polyline, three vertices
    EXPECT_EQ(xs[0], "10.0");
    EXPECT_EQ(std::stod(values_of(groups, 11)[0]), third);
    EXPECT_EQ(std::stod(xs[3]), 1e-300);
    EXPECT_EQ(std::stod(values_of(groups, 20)[3]), 1e300);
    // Every vertex of the 2D polyline lies at the first vertex's height.
    const auto zs = values_of(groups, 30);
    ASSERT_EQ(zs.size(), 5u);
    EXPECT_EQ(zs[1], "7.0");
    EXPECT_EQ(zs[4], "7.0");
    EXPECT_EQ(values_of(groups, 66), std::vector<std::string>{"1"});
}

} // namespace
} // namespace cadsim
