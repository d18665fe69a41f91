#include "cadsim/engine.h"

#include <gtest/gtest.h>

#include <cmath>

namespace cadsim {
namespace {

std::wstring last_line(const Engine& engine) {
    return engine.history_lines().empty() ? L"" : engine.history_lines().back();
}

TEST(Engine, StartsIdleWithEmptyHistory) {
    Engine engine;
    EXPECT_EQ(engine.command_line(), L"ｺﾏﾝﾄﾞ: ");
    EXPECT_EQ(engine.history_text(), L"");
    EXPECT_FALSE(engine.busy());
}

TEST(Engine, CommandLineShowsWhatIsTypedAndBackspaceDeletes) {
    Engine engine;
    engine.type(L"lin");
    EXPECT_EQ(engine.command_line(), L"ｺﾏﾝﾄﾞ: lin");
    engine.type(L"\x08\x08");
    EXPECT_EQ(engine.command_line(), L"ｺﾏﾝﾄﾞ: l");
}

TEST(Engine, CancelEchoesAndReturnsToIdle) {
    Engine engine;
    engine.type(L"\x03\x03_id\r");
    EXPECT_EQ(engine.command_line(), L"点を指定: ");
    engine.type(L"12\x03");
    EXPECT_EQ(engine.command_line(), L"ｺﾏﾝﾄﾞ: ");
    EXPECT_EQ(engine.history_text(), L"ｺﾏﾝﾄﾞ: *キャンセル*\r\n"
                                     L"ｺﾏﾝﾄﾞ: *キャンセル*\r\n"
                                     L"ｺﾏﾝﾄﾞ: _id\r\n"
                                     L"点を指定: 12*キャンセル*");
    EXPECT_EQ(engine.commands_completed(), 1u);
}

TEST(Engine, IdReportsThePointWithLuprecDecimals) {
    Engine engine;
    engine.type(L"_id\r10,20\r");
    EXPECT_EQ(last_line(engine), L"X = 10.0000     Y = 20.0000     Z = 0.0000");
    EXPECT_EQ(engine.command_line(), L"ｺﾏﾝﾄﾞ: ");
    engine.type(L"\x03\x03luprec\r2\rgraphscr\r");
    EXPECT_EQ(engine.take_screen_request(), Screen::Graphics);
    EXPECT_FALSE(engine.take_screen_request().has_value());
    engine.type(L"ID\n-1.005e+001,2.5,3.14159\n");
    EXPECT_EQ(last_line(engine), L"X = -10.05     Y = 2.50     Z = 3.14");
    engine.type(L"luprec\r0\rid\r7.6,0\r");
    EXPECT_EQ(last_line(engine), L"X = 8     Y = 0     Z = 0");
    // The history from the last point prompt ends right after Z's value.
    const std::wstring history = engine.history_text();
    EXPECT_EQ(history.substr(history.rfind(L"点を指定: ")),
              L"点を指定: 7.6,0\r\nX = 8     Y = 0     Z = 0");
}

TEST(Engine, UnreadablePointIsAskedAgain) {
    Engine engine;
    engine.type(L"id\r1;2\r");
    EXPECT_EQ(engine.command_line(), L"点を指定: ");
    EXPECT_EQ(last_line(engine), L"点、またはオプション キーワードが必要です。");
    engine.type(L"1e999,0\rnan,1\r1,2,3,4\r");
    EXPECT_EQ(engine.command_line(), L"点を指定: ");
    engine.type(L"1,2\r");
    EXPECT_EQ(last_line(engine), L"X = 1.0000     Y = 2.0000     Z = 0.0000");
}

TEST(Engine, RelativePointsFollowTheLastPoint) {
    Engine engine;
    engine.type(L"id\r@\r");
    EXPECT_EQ(last_line(engine), L"X = 0.0000     Y = 0.0000     Z = 0.0000");
    engine.type(L"line\r10,20,1\r@5,-5\r@2<90\r@a,b\r\r");
    ASSERT_EQ(engine.entities().size(), 2u);
    EXPECT_EQ(engine.entities()[0].points[1].x, 15.0);
    EXPECT_EQ(engine.entities()[0].points[1].z, 1.0);
    EXPECT_NEAR(engine.entities()[1].points[1].x, 15.0, 1e-12);
    EXPECT_EQ(engine.entities()[1].points[1].y, 17.0);
    // ID remembers its point too.
    engine.type(L"id\r@0,0\r");
    EXPECT_EQ(last_line(engine), L"X = 15.0000     Y = 17.0000     Z = 1.0000");
    engine.type(L"id\r1.7e308,0\rid\r@1.7e308,0\r");
    EXPECT_EQ(last_line(engine), L"点、またはオプション キーワードが必要です。");
}

TEST(Engine, EnterAloneEndsIdWithoutPoint) {
    Engine engine;
    engine.type(L"id\r\r");
    EXPECT_EQ(engine.command_line(), L"ｺﾏﾝﾄﾞ: ");
    EXPECT_EQ(last_line(engine), L"点を指定: ");
}

TEST(Engine, PickAnswersPointPromptsOnly) {
    Engine engine;
    EXPECT_FALSE(engine.pick({1, 2, 0}));
    engine.type(L"id\r");
    EXPECT_TRUE(engine.asks_id_point());
    engine.type(L"99");
    EXPECT_FALSE(engine.pick({std::nan(""), 0, 0}));
    EXPECT_TRUE(engine.pick({1.5, -2, 0}));
    EXPECT_EQ(engine.history_text(),
              L"ｺﾏﾝﾄﾞ: id\r\n点を指定: \r\nX = 1.5000     Y = -2.0000     Z = 0.0000");
    EXPECT_EQ(engine.command_line(), L"ｺﾏﾝﾄﾞ: ");
}

TEST(Engine, LineMakesOneEntityPerSegment) {
    Engine engine;
    const auto revision = engine.drawing_revision();
    engine.type(L"_LINE\r");
    EXPECT_EQ(engine.command_line(), L"1 点目を指定: ");
    engine.type(L"1.000000000000000e+001,2.000000000000000e+001\r");
    EXPECT_EQ(engine.command_line(), L"次の点を指定 または [元に戻す(U)]: ");
    engine.type(L"1.5e+01,2.0e+01\r15,30\r");
    EXPECT_EQ(engine.drawing_revision(), revision); // written once, at the end
    engine.type(L"\r");
    EXPECT_EQ(engine.command_line(), L"ｺﾏﾝﾄﾞ: ");
    EXPECT_NE(engine.drawing_revision(), revision);
    ASSERT_EQ(engine.entities().size(), 2u);
    EXPECT_EQ(engine.entities()[0].kind, EntityKind::Line);
    EXPECT_EQ(engine.entities()[0].points[0].x, 10.0);
    EXPECT_EQ(engine.entities()[0].points[1].x, 15.0);
    EXPECT_EQ(engine.entities()[1].points[1].y, 30.0);
}

TEST(Engine, LineUndoRemovesLastSegment) {
    Engine engine;
    engine.type(L"line\r0,0\ru\r");
    EXPECT_EQ(last_line(engine), L"元に戻す点がありません。");
    engine.type(L"1,0\r2,0\r_U\r3,3\r\r");
    ASSERT_EQ(engine.entities().size(), 2u);
    EXPECT_EQ(engine.entities()[1].points[0].x, 1.0);
    EXPECT_EQ(engine.entities()[1].points[1].y, 3.0);
}

TEST(Engine, PlineMakesOnePolylineAndKeepsItOnCancel) {
    Engine engine;
    engine.type(L"pline\r0,0\r");
    EXPECT_EQ(last_line(engine), L"現在の線幅は 0.0000");
    engine.type(L"1,1\r2,0,5\ru\r3,0\r\r");
    ASSERT_EQ(engine.entities().size(), 1u);
    const Entity& polyline = engine.entities()[0];
    EXPECT_EQ(polyline.kind, EntityKind::Polyline);
    ASSERT_EQ(polyline.points.size(), 3u);
    EXPECT_EQ(polyline.points[2].x, 3.0);
    engine.type(L"._pline\r5,5\r6,6\r\x03");
    ASSERT_EQ(engine.entities().size(), 2u);
    EXPECT_EQ(engine.entities()[1].points.size(), 2u);
    // A single vertex is no polyline.
    engine.type(L"pline\r5,5\r\r");
    EXPECT_EQ(engine.entities().size(), 2u);
}

TEST(Engine, BlankEndsAnInputLikeEnter) {
    Engine engine;
    engine.type(L"line 0,0 1,1  ");
    EXPECT_EQ(engine.entities().size(), 1u);
    EXPECT_EQ(engine.command_line(), L"ｺﾏﾝﾄﾞ: ");
}

TEST(Engine, VariablePromptShowsValueAndSetsIt) {
    Engine engine;
    engine.type(L"luprec\r");
    EXPECT_EQ(engine.command_line(), L"LUPREC の新しい値を入力 <4>: ");
    engine.type(L"9\r");
    EXPECT_EQ(last_line(engine), L"0 から 8 までの整数を入力してください。");
    EXPECT_EQ(engine.command_line(), L"LUPREC の新しい値を入力 <4>: ");
    engine.type(L"abc\r2.5\r3\r");
    EXPECT_EQ(engine.variable(L"luprec")->value, 3);
    EXPECT_EQ(engine.command_line(), L"ｺﾏﾝﾄﾞ: ");
    engine.type(L"_OsnapCoord\r");
    EXPECT_EQ(engine.command_line(), L"OSNAPCOORD の新しい値を入力 <2>: ");
    engine.type(L"\x03");
    EXPECT_EQ(engine.variable(L"OSNAPCOORD")->value, 2);
    engine.type(L"osnapcoord\r1\r");
    EXPECT_EQ(engine.variable(L"OSNAPCOORD")->value, 1);
    engine.type(L"osnapcoord\r\r");
    EXPECT_EQ(engine.variable(L"OSNAPCOORD")->value, 1);
}

TEST(Engine, NoOtherPromptContainsThePointPrompt) {
    Engine engine;
    for (const wchar_t* command :
         {L"line\r", L"0,0\r", L"\r", L"pline\r", L"0,0\r", L"\r", L"luprec\r", L"\r",
          L"osnapcoord\r", L"\r", L"cmdecho\r", L"\r", L"osmode\r", L"\r"}) {
        engine.type(command);
        EXPECT_EQ(engine.prompt().find(L"点を指定: "), std::wstring::npos) << engine.prompt();
    }
    EXPECT_EQ(engine.history_text().find(L"点を指定: "), std::wstring::npos);
}

TEST(Engine, UnknownCommandIsReported) {
    Engine engine;
    engine.type(L"foo\r\r");
    EXPECT_EQ(engine.history_text(),
              L"ｺﾏﾝﾄﾞ: foo\r\n不明なコマンド \"FOO\"。 F1 キーを押してヘルプを参照してください。"
              L"\r\nｺﾏﾝﾄﾞ: ");
    EXPECT_EQ(engine.commands_completed(), 0u);
}

TEST(Engine, DelayedPromptHoldsTypedInput) {
    Engine engine;
    engine.set_delay_after_commands(true);
    engine.type(L"luprec\r3\rid\r1,2\r");
    EXPECT_TRUE(engine.busy());
    EXPECT_EQ(engine.command_line(), L"");
    EXPECT_EQ(engine.variable(L"LUPREC")->value, 3);
    EXPECT_FALSE(engine.pick({0, 0, 0}));
    engine.become_idle();
    EXPECT_TRUE(engine.busy()); // id ran and finished
    EXPECT_EQ(last_line(engine), L"X = 1.000     Y = 2.000     Z = 0.000");
    engine.become_idle();
    EXPECT_FALSE(engine.busy());
    EXPECT_EQ(engine.command_line(), L"ｺﾏﾝﾄﾞ: ");
    EXPECT_EQ(engine.commands_completed(), 2u);
}

TEST(Engine, HostileInputIsBounded) {
    Engine engine;
    std::wstring junk;
    for (unsigned i = 0; i < (1u << 20); ++i) {
        junk.push_back(static_cast<wchar_t>((i * 7919u) % 0xD800u));
    }
    engine.type(junk);
    engine.type(std::wstring(1 << 20, L'x'));
    EXPECT_LE(engine.command_line().size(), kMaxInputChars + 64);
    EXPECT_LE(engine.history_lines().size(), kMaxHistoryLines);
    engine.type(L"\x03line\r");
    EXPECT_EQ(engine.command_line(), L"1 点目を指定: ");
    engine.type(std::wstring(1 << 20, L'9') + L",1\r");
    EXPECT_EQ(engine.command_line(), L"1 点目を指定: ");
    EXPECT_EQ(last_line(engine), L"点、またはオプション キーワードが必要です。");
}

// Seeded random typing from the pieces a client sends: whatever the order,
// the drawing holds only whole entities and the texts stay bounded.
TEST(Engine, RandomTypingKeepsTheDrawingWhole) {
    const std::vector<std::wstring> pieces{
        L"line", L"pline", L"_id",   L"luprec", L"osnapcoord", L"graphscr", L"u",
        L"1,2",  L"3,4,5", L"1e999", L"-.5,7",  L"9",          L"\x03",     L"\r",
        L"\n",   L" ",     L"\x08",  L"ｺﾏﾝﾄﾞ",  L",",          L"x"};
    for (unsigned seed = 1; seed <= 20; ++seed) {
        Engine engine;
        engine.set_delay_after_commands(seed % 4 == 0);
        unsigned state = seed;
        for (int step = 0; step < 2000; ++step) {
            state = state * 1103515245u + 12345u;
            engine.type(pieces[(state >> 16) % pieces.size()]);
            if (state % 7 == 0) {
                engine.pick({static_cast<double>(step), -1.0, 0.0});
            }
            if (state % 5 == 0) {
                engine.become_idle();
            }
        }
        for (const auto& entity : engine.entities()) {
            if (entity.kind == EntityKind::Line) {
                EXPECT_EQ(entity.points.size(), 2u);
            } else {
                EXPECT_GE(entity.points.size(), 2u);
            }
        }
        EXPECT_LE(engine.history_lines().size(), kMaxHistoryLines);
        EXPECT_LE(engine.command_line().size(), kMaxInputChars + 64);
        const int luprec = engine.variable(L"LUPREC")->value;
        EXPECT_TRUE(luprec >= 0 && luprec <= 8);
        engine.become_idle();
        engine.type(L"\x03");
        engine.become_idle();
        EXPECT_EQ(engine.command_line(), L"ｺﾏﾝﾄﾞ: ") << seed;
    }
}

TEST(Engine, NoteAddsAHistoryLine) {
    Engine engine;
    engine.note(L"memo");
    EXPECT_EQ(engine.history_text(), L"memo");
    EXPECT_EQ(engine.command_line(), L"ｺﾏﾝﾄﾞ: ");
}

} // namespace
} // namespace cadsim
