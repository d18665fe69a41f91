#include "drafthand/errors.h"
#include "drafthand/session.h"
#include "drafthand/text.h"

#include <gtest/gtest.h>

namespace drafthand {
namespace {

TEST(ExpandEscapes, ReplacesTheThreeEscapesCaseSensitively) {
    EXPECT_EQ(ExpandEscapes(L"^C^C_id^M"), std::wstring(L"\x03\x03_id\r"));
    EXPECT_EQ(ExpandEscapes(L"a^Jb"), L"a\nb");
    EXPECT_EQ(ExpandEscapes(L"^c^m^j"), L"^c^m^j");
    // Left to right without overlaps: "^^CC" holds one escape, "^" alone none.
    EXPECT_EQ(ExpandEscapes(L"^^CC"), std::wstring(L"^\x03"
                                                   L"C"));
    EXPECT_EQ(ExpandEscapes(L"^"), L"^");
    EXPECT_EQ(ExpandEscapes(L"ｺﾏﾝﾄﾞ^M"), L"ｺﾏﾝﾄﾞ\r");
    EXPECT_EQ(ExpandEscapes(L""), L"");
}

TEST(StripQuotes, RemovesOneEnclosingPairInPlace) {
    std::wstring text = L"\"abc\"";
    EXPECT_EQ(&StripQuotes(text), &text);
    EXPECT_EQ(text, L"abc");
    text = L"\"\"";
    EXPECT_EQ(StripQuotes(text), L"");
    text = L"\"abc";
    EXPECT_EQ(StripQuotes(text), L"\"abc");
    text = L"\"\"x\"\"";
    EXPECT_EQ(StripQuotes(text), L"\"x\"");
    text = L"";
    EXPECT_EQ(StripQuotes(text), L"");
}

TEST(StripQuotes, LoneQuoteRaisesInvalidArgument) {
    std::wstring text = L"\"";
    ErrorRecord record;
    EXPECT_EQ(run_method(record,
                         [&] {
                             StripQuotes(text);
                             return kSuccess;
                         }),
              5);
    EXPECT_EQ(record.source, L"Drafthand");
    EXPECT_EQ(record.description, L"プロシージャの呼び出し、または引数が不正です。");
    EXPECT_EQ(text, L"\"");
}

TEST(BeginsWith, ComparesByCodeAndHandlesShortAndEmpty) {
    EXPECT_TRUE(begins_with(L"AutoCAD LT - [Drawing1.dwg]", L"AutoCAD LT"));
    EXPECT_FALSE(begins_with(L"AutoCAD", L"AutoCAD LT"));
    EXPECT_FALSE(begins_with(L"autocad lt", L"AutoCAD LT"));
    EXPECT_TRUE(begins_with(L"", L""));
    EXPECT_TRUE(begins_with(L"x", L""));
}

struct PatternCase {
    const wchar_t* text;
    const wchar_t* pattern;
    bool expected;
};

TEST(MatchesPattern, ClassicWildcards) {
    const PatternCase cases[] = {
        {L"ｺﾏﾝﾄﾞ: ", L"ｺﾏﾝﾄﾞ: ", true},
        {L"ｺﾏﾝﾄﾞ:", L"ｺﾏﾝﾄﾞ: ", false},
        {L"ｺﾏﾝﾄﾞ: x", L"ｺﾏﾝﾄﾞ: ", false},
        {L"LUPREC の新しい値を入力 <4>: ", L"* <*>: ", true},
        {L"LUPREC <4>:", L"* <*>: ", false},
        {L" <>: ", L"* <*>: ", true},
        {L"", L"*", true},
        {L"", L"", true},
        {L"a", L"", false},
        {L"abc", L"a?c", true},
        {L"ac", L"a?c", false},
        {L"a5c", L"a#c", true},
        {L"axc", L"a#c", false},
        {L"b", L"[abc]", true},
        {L"d", L"[abc]", false},
        {L"m", L"[a-z]", true},
        {L"M", L"[a-z]", false},
        {L"M", L"[!a-z]", true},
        {L"m", L"[!a-z]", false},
        {L"-", L"[a-]", true},
        {L"*", L"[*]", true},
        {L"x*", L"x[*]", true},
        {L"xy", L"x[*]", false},
        {L"ab", L"a[]b", true},
        {L"[ab", L"[ab", true},
        {L"ABC", L"abc", false},
        {L"aXbXc", L"a*b*c", true},
        {L"aXbXd", L"a*b*c", false},
        {L"mississippi", L"*sip*", true},
        {L"abcabd", L"*abd", true},
        {L"abcab", L"*ab?", false},
    };
    for (const PatternCase& c : cases) {
        EXPECT_EQ(matches_pattern(c.text, c.pattern), c.expected)
            << "text \"" << std::wstring(c.text).size() << " chars\" pattern index "
            << (&c - cases);
    }
}

TEST(MatchesPattern, LongStarPatternsStayFast) {
    const std::wstring text(5000, L'a');
    EXPECT_FALSE(matches_pattern(text, L"*a*a*a*a*a*a*a*a*b"));
    EXPECT_TRUE(matches_pattern(text + L"b", L"*a*a*a*a*a*a*a*a*b"));
}

TEST(ErrorModel, RunMethodClearsCapturesAndKeeps) {
    ErrorRecord record{17, L"old", L"old text"};
    EXPECT_EQ(run_method(record, [] { return kSuccess; }), kSuccess);
    EXPECT_EQ(record, ErrorRecord{});

    EXPECT_EQ(run_method(record,
                         [] {
                             raise(acPrivateError::LinkFailed, L"Drafthand.Control.X", L"msg");
                             return kSuccess;
                         }),
              acPrivateError::LinkFailed);
    EXPECT_EQ(record, (ErrorRecord{acPrivateError::LinkFailed, L"Drafthand.Control.X", L"msg"}));

    // capture_errors keeps what was there when nothing fails; reraise passes a
    // record on unchanged.
    const ErrorRecord inner{acPrivateError::ScriptFailed, L"inner", L"text"};
    EXPECT_EQ(capture_errors(record, [] { return 0; }), 0);
    EXPECT_EQ(record.number, acPrivateError::LinkFailed);
    EXPECT_EQ(capture_errors(record, [&]() -> int32_t { reraise(inner); }),
              acPrivateError::ScriptFailed);
    EXPECT_EQ(record, inner);
}

TEST(ErrorModel, ForeignExceptionsBecomeGeneralErrors) {
    ErrorRecord record;
    EXPECT_EQ(run_method(record, []() -> int32_t { throw std::bad_alloc(); }), 7);
    EXPECT_EQ(run_method(record, []() -> int32_t { throw 42; }), 5);
    EXPECT_EQ(record.source, L"Drafthand");
}

TEST(ErrorModel, PrivateErrorValues) {
    EXPECT_EQ(acPrivateError::CancelByUser, -2147220991);
    EXPECT_EQ(acPrivateError::FileNotFound, -2147220891);
    EXPECT_EQ(acPrivateError::ExecuteFailed, -2147220890);
    EXPECT_EQ(acPrivateError::WaitFailed, -2147220888);
    EXPECT_EQ(acPrivateError::SearchFailed, -2147220881);
    EXPECT_EQ(acPrivateError::LinkFailed, -2147220880);
    EXPECT_EQ(acPrivateError::CommandFailed, -2147220879);
    EXPECT_EQ(acPrivateError::ScriptFailed, -2147220878);
}

TEST(FormatVersion, PadsMinorAndRevision) {
    EXPECT_EQ(format_version(1, 0, 0), L"1.00.00");
    EXPECT_EQ(format_version(12, 3, 45), L"12.03.45");
    EXPECT_EQ(format_version(1, 123, 10), L"1.123.10");
}

} // namespace
} // namespace drafthand
