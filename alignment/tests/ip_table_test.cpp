#include "tarn/alignment/ip_table.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using tarn::alignment::CurveType;
using tarn::alignment::read_ip_table;

const char kUtf8[] = "点名,X,Y,線形,R,A1,A2\r\nBP,0,0,,,,\r\nIP1,100,100,基本型,200,100,100\r\n"
                     "EP,100,300,,,,\r\n";
// The same table as Excel saves it in Shift_JIS (bytes written out by hand
// from Python's cp932 codec).
const char kCp932[] = "\x93_\x96\xBC,X,Y,\x90\xFC\x8C`,R,A1,A2\r\nBP,0,0,,,,\r\n"
                      "IP1,100,100,\x8A\xEE\x96{\x8C^,200,100,100\r\nEP,100,300,,,,\r\n";

TEST(IpTable, ReadsTheThreeEncodings) {
    const std::string encodings[] = {kUtf8, std::string("\xEF\xBB\xBF") + kUtf8, kCp932};
    for (const std::string& bytes : encodings) {
        const auto table = read_ip_table(bytes);
        ASSERT_TRUE(table.ok()) << table.errors.front().message;
        ASSERT_EQ(table.points.size(), 3u);
        EXPECT_EQ(table.points[1].spec.type, CurveType::clothoid);
        EXPECT_EQ(table.points[1].name, "IP1");
        EXPECT_EQ(table.points[2].point.y, 300.0);
        EXPECT_EQ(table.points[1].spec.a2, 100.0);
    }
}

TEST(IpTable, EnglishHeadersInAnyOrderLfAndQuotes) {
    const auto table = read_ip_table("type,y,x,NAME,r\nnone,0,0,,\n"
                                     "circle,5,10,\"I,P\"\"1\",300\n,7,7,end,\n");
    ASSERT_TRUE(table.ok()) << table.errors.front().message;
    EXPECT_EQ(table.points[0].name, "BP");
    EXPECT_EQ(table.points[1].name, "I,P\"1");
    EXPECT_EQ(table.points[1].point.x, 10.0);
    EXPECT_EQ(table.points[1].point.y, 5.0);
    EXPECT_EQ(table.points[1].spec.r, 300.0);
    EXPECT_EQ(table.points[2].name, "end");
}

TEST(IpTable, CP932HalfWidthKatakanaAndRefusal) {
    std::string utf8;
    ASSERT_TRUE(tarn::alignment::cp932_to_utf8("\xB1\x82\xA0", utf8));
    EXPECT_EQ(utf8, "ｱあ");
    EXPECT_FALSE(tarn::alignment::cp932_to_utf8("\x81", utf8));     // a lead byte alone
    EXPECT_FALSE(tarn::alignment::cp932_to_utf8("\xFD\x40", utf8)); // no such lead byte
}

struct ErrorCase {
    const char* what;
    const char* csv;
    int line;
    const char* says;
};

const ErrorCase kErrors[] = {
    {"unknown columns named", "name,X,Y,foo,bar\nBP,0,0,,\nEP,1,1,,\n", 1, "\"foo\", \"bar\""},
    {"missing Y", "name,X\nBP,0\nEP,1\n", 1, "Y is missing"},
    {"column twice", "X,Y,x\n0,0,0\n1,1,1\n", 1, "twice"},
    {"bad number", "X,Y,type,R\n0,0,,\n5,5,circle,abc\n9,0,,\n", 3, "not a number"},
    {"number out of range", "X,Y,type,A1,A2\n0,0,,,\n5,5,convex,121,1e308\n9,0,,,\n", 3,
     "A2 is out of range"},
    {"unknown type", "X,Y,type,R\n0,0,,\n5,5,spiral,100\n9,0,,\n", 3, "unknown curve type"},
    {"IP without type", "X,Y,type\n0,0,\n5,5,\n9,0,\n", 3, "type is missing"},
    {"type at EP", "X,Y,type,R\n0,0,,\n9,0,circle,5\n", 3, "take no curve type"},
    {"empty coordinate", "X,Y\n0,0\n,5\n", 3, "X and Y"},
    {"too few rows", "X,Y\n0,0\n", 0, "BP and EP"},
    {"neither encoding", "X,Y\n0,0\n\x81\xFF,1\n", 0, "neither UTF-8"},
    {"bad UTF-8 after a BOM", "\xEF\xBB\xBFX,Y\n\xC3,0\n", 0, "not UTF-8"},
    {"open quote", "X,Y\n\"0,0\n1,1\n", 2, "not closed"},
    {"value beyond the header", "X,Y\n0,0,5\n1,1\n", 2, "outside the header"},
};

TEST(IpTable, ErrorsNameTheLineAndTheReason) {
    for (const ErrorCase& c : kErrors) {
        const auto table = read_ip_table(c.csv);
        ASSERT_FALSE(table.ok()) << c.what;
        EXPECT_TRUE(table.points.empty()) << c.what;
        EXPECT_EQ(table.errors.front().line, c.line) << c.what;
        EXPECT_NE(table.errors.front().message.find(c.says), std::string::npos)
            << c.what << ": " << table.errors.front().message;
    }
}

} // namespace
