#include "drafthand/script/script_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace drafthand::script {
namespace {

TEST(ScriptText, TrimRemovesOnlyBlanks) {
    EXPECT_EQ(trim_spaces(L"  a b  "), L"a b");
    EXPECT_EQ(trim_spaces(L"   "), L"");
    EXPECT_EQ(trim_spaces(L"\tEXIT "), L"\tEXIT");
    EXPECT_EQ(trim_spaces(L"\x3000x\x3000"), L"\x3000x\x3000");
}

// The reduction as it has always been written: replace every run of ten tabs
// by one, then of nine, ... down to two, each pass left to right.
std::wstring collapse_literally(std::wstring text) {
    for (std::size_t k = 10; k >= 2; --k) {
        const std::wstring run(k, L'\t');
        std::wstring out;
        std::size_t i = 0;
        while (i < text.size()) {
            if (text.compare(i, k, run) == 0) {
                out += L'\t';
                i += k;
            } else {
                out += text[i++];
            }
        }
        text = out;
    }
    return text;
}

TEST(ScriptText, TabRunsCollapseAsTheLiteralPasses) {
    for (std::size_t run = 1; run <= 600; ++run) {
        const std::wstring line = L"A" + std::wstring(run, L'\t') + L"B";
        ASSERT_EQ(collapse_tab_runs(line), collapse_literally(line)) << run;
    }
    EXPECT_EQ(collapse_tab_runs(L"\t\tA\t\t\tB\t"), L"\tA\tB\t");
    EXPECT_EQ(collapse_tab_runs(std::wstring(999999, L'\t')), L"\t");
}

TEST(ScriptText, SplitWordsKeepsEmptyTrailingWord) {
    EXPECT_TRUE(split_words(L"").empty());
    EXPECT_EQ(split_words(L"EXIT"), (std::vector<std::wstring>{L"EXIT"}));
    EXPECT_EQ(split_words(L"SEND_COMMAND\t\t\tLINE\t"),
              (std::vector<std::wstring>{L"SEND_COMMAND", L"LINE", L""}));
    EXPECT_EQ(split_words(L"\tSLEEP"), (std::vector<std::wstring>{L"", L"SLEEP"}));
    EXPECT_EQ(split_words(L" A \t \"B\" "), (std::vector<std::wstring>{L" A ", L" \"B\" "}));
}

TEST(ScriptText, VariableNames) {
    int index = -1;
    EXPECT_TRUE(parse_variable_name(L"%USER0%", index));
    EXPECT_EQ(index, 0);
    EXPECT_TRUE(parse_variable_name(L"%USER9%", index));
    EXPECT_EQ(index, 9);
    for (const wchar_t* bad : {L"%USER10%", L"%user1%", L"%USERx%", L"%USER1", L"USER1%",
                               L"%USER１%", L"-", L"", L"%USER1% "}) {
        EXPECT_FALSE(parse_variable_name(bad, index)) << bad;
    }
    EXPECT_TRUE(begins_with_variable_name(L"%USER3% = x", index));
    EXPECT_EQ(index, 3);
    EXPECT_FALSE(begins_with_variable_name(L"%USER%3=x", index));
}

TEST(ScriptText, LongConversionRoundsHalfToEven) {
    struct Case {
        const wchar_t* text;
        int32_t value;
    };
    for (const Case& c :
         {Case{L"10", 10}, Case{L" -5 ", -5}, Case{L"+7", 7}, Case{L"2.5", 2}, Case{L"3.5", 4},
          Case{L"-2.5", -2}, Case{L"2.51", 3}, Case{L".5", 0}, Case{L"5.", 5}, Case{L"1e3", 1000},
          Case{L"1.5E+1", 15}, Case{L"2147483647", 2147483647}, Case{L"-2147483648", INT32_MIN},
          Case{L"-2147483648.5", INT32_MIN}, Case{L"1e-999", 0}}) {
        int32_t value = 12345;
        ASSERT_EQ(to_long(c.text, value), Conversion::ok) << c.text;
        EXPECT_EQ(value, c.value) << c.text;
    }
    for (const wchar_t* text : {L"2147483648", L"2147483647.5", L"-2147483649", L"1e999"}) {
        int32_t value = 0;
        EXPECT_EQ(to_long(text, value), Conversion::overflow) << text;
    }
    for (const wchar_t* text : {L"", L"  ", L"abc", L"10 // wait", L"1,000", L"e5", L"1e", L".",
                                L"-", L"nan", L"inf", L"0x10", L"１０", L"1\t", L"--1"}) {
        int32_t value = 0;
        EXPECT_EQ(to_long(text, value), Conversion::type_mismatch) << text;
    }
}

TEST(ScriptText, BooleanWordsInAnyCaseAndNumbers) {
    struct Case {
        const wchar_t* text;
        bool value;
    };
    for (const Case& c : {Case{L"TRUE", true}, Case{L"true", true}, Case{L"fAlSe", false},
                          Case{L"FALSE", false}, Case{L"0", false}, Case{L"0.0", false},
                          Case{L"1", true}, Case{L"-2.5", true}, Case{L" True ", true}}) {
        bool value = !c.value;
        ASSERT_EQ(to_boolean(c.text, value), Conversion::ok) << c.text;
        EXPECT_EQ(value, c.value) << c.text;
    }
    for (const wchar_t* text : {L"", L"yes", L"T", L"TRUE1", L"ＴＲＵＥ"}) {
        bool value = false;
        EXPECT_EQ(to_boolean(text, value), Conversion::type_mismatch) << text;
    }
    bool value = false;
    EXPECT_EQ(to_boolean(L"1e999", value), Conversion::overflow);
}

TEST(ScriptText, NumbersAsTextWithFifteenDigits) {
    struct Case {
        double value;
        const wchar_t* text;
    };
    for (const Case& c :
         {Case{0.0, L"0"}, Case{-0.0, L"0"}, Case{1.5, L"1.5"}, Case{100.0, L"100"},
          Case{-12.5, L"-12.5"}, Case{123.456, L"123.456"}, Case{0.1 + 0.2, L"0.3"},
          Case{1.0 / 3.0, L"0.333333333333333"}, Case{2.0 / 3.0, L"0.666666666666667"},
          Case{123456789012345.0, L"123456789012345"}, Case{1e15, L"1E+15"},
          Case{1234567890123456.0, L"1.23456789012346E+15"}, Case{0.0001, L"0.0001"},
          Case{0.00001, L"1E-05"}, Case{2.5e-7, L"2.5E-07"}, Case{1e100, L"1E+100"},
          Case{-1.25e-300, L"-1.25E-300"}, Case{9.9999999999999999, L"10"},
          Case{1234.5678901234567, L"1234.56789012346"}}) {
        EXPECT_EQ(format_number(c.value), c.text) << c.value;
    }
}

} // namespace
} // namespace drafthand::script
