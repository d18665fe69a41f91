#include "tarn/ansi_text.h"
#include "tarn/unique.h"

#include <gtest/gtest.h>

TEST(AnsiText, RunsInTheJapaneseCodePage) {
    EXPECT_EQ(GetACP(), 932u);
}

TEST(AnsiText, PromptsRoundTripThroughShiftJis) {
    const std::wstring prompt = L"\uFF7A\uFF8F\uFF9D\uFF84\uFF9E: "; // half-width "command: "
    const std::string bytes = tarn::to_ansi(prompt);
    EXPECT_EQ(bytes, "\xBA\xCF\xDD\xC4\xDE: ");
    EXPECT_EQ(tarn::from_ansi(bytes), prompt);
    const std::wstring point = L"\u70B9\u3092\u6307\u5B9A: "; // "specify point: "
    EXPECT_EQ(tarn::to_ansi(point), "\x93\x5F\x82\xF0\x8E\x77\x92\xE8: ");
    EXPECT_EQ(tarn::from_utf8(tarn::to_utf8(point)), point);
}

TEST(AnsiText, InvalidBytesAndEmptyTextsDoNotFail) {
    EXPECT_EQ(tarn::from_ansi(""), L"");
    EXPECT_EQ(tarn::to_ansi(L""), "");
    // A lone lead byte at the end.
    EXPECT_FALSE(tarn::from_ansi("abc\x82").empty());
}

TEST(Unique, HandlesAreClosedOnceAndMoved) {
    tarn::unique_handle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    ASSERT_TRUE(event);
    tarn::unique_handle moved = std::move(event);
    EXPECT_FALSE(event);
    EXPECT_TRUE(moved);
    tarn::unique_bstr text(SysAllocString(L"abc"));
    EXPECT_EQ(SysStringLen(text.get()), 3u);
    *text.put() = SysAllocString(L"de");
    EXPECT_EQ(SysStringLen(text.get()), 2u);
}
