#include "drafthand/operations.h"

#include "drafthand/errors.h"
#include "fake_cad.h"

#include <gtest/gtest.h>

#include <random>

namespace drafthand::testing {
namespace {

using namespace acPrivateError;
using namespace std::string_literals;

const std::wstring kCancel(1, wchar_t{3});
const std::wstring kIdle = L"ｺﾏﾝﾄﾞ: ";

Post text(const std::wstring& command) {
    return Post{false, command};
}
Post null_post() {
    return Post{true, L""};
}

// ---- SendCommand and WaitPrompt -------------------------------------------

TEST(SendCommand, PostsOnceWithNullAndWaitsForTheIdlePrompt) {
    Rig rig;
    rig.cad.prompt = L"始点を指定: ";
    rig.cad.on_command = [](FakeCad& cad, const std::wstring&) { cad.prompt = L"LINE 始点: "; };
    int polls = 0;
    rig.clock.on_sleep = [&] {
        if (++polls == 3) {
            rig.cad.prompt = kIdle;
        }
    };
    EXPECT_EQ(SendCommand(rig.channel, L"^C^Cline^M0,0^M1,1^M^M"), kSuccess);
    EXPECT_EQ(rig.cad.posts, (std::vector<Post>{text(L"\x03\x03line\r0,0\r1,1\r\r"), null_post()}));
    EXPECT_EQ(rig.cad.posts[0].reads_before, 0);
    EXPECT_EQ(rig.cad.prompt_reads, 4);
    EXPECT_EQ(rig.clock.sleeps, (std::vector<uint32_t>{100, 100, 100}));
    EXPECT_EQ(rig.pump.calls, 3);
    EXPECT_EQ(rig.error().number, 0);
}

TEST(SendCommand, WithoutNullCharExactlyOneMessageArrives) {
    Rig rig;
    rig.channel.set_post_null_char(false);
    EXPECT_EQ(SendCommand(rig.channel, L"regen"), kSuccess);
    EXPECT_EQ(rig.cad.posts, (std::vector<Post>{text(L"regen")}));
}

TEST(SendCommand, RefusedSendFailsWithThePostCommandRecordAndNoWait) {
    Rig rig;
    rig.cad.copydata_answer = 0;
    EXPECT_EQ(SendCommand(rig.channel, L"line"), CommandFailed);
    EXPECT_EQ(rig.error(), (ErrorRecord{CommandFailed, L"Drafthand.Control.PostCommand",
                                        L"AutoCADが起動していないか、応答がありません。"}));
    EXPECT_EQ(rig.cad.prompt_reads, 0);
}

TEST(SendCommand, ClosedAutoCadIsLinkFailedOfPostCommand) {
    Rig rig;
    rig.cad.closed.insert(FakeCad::kHistory);
    EXPECT_EQ(SendCommand(rig.channel, L"line"), LinkFailed);
    EXPECT_EQ(rig.error().source, L"Drafthand.Control.PostCommand");
    EXPECT_TRUE(rig.cad.posts.empty());
}

TEST(SendCommand, TimeOutCountsFromTheWaitAndAPromptAtTheDeadlineStillCounts) {
    Rig rig;
    rig.channel.set_command_timeout(300);
    rig.cad.prompt = L"点を指定: ";
    EXPECT_EQ(SendCommand(rig.channel, L"_id"), CommandFailed);
    EXPECT_EQ(rig.error(), (ErrorRecord{CommandFailed, L"Drafthand.Control.SendCommand",
                                        L"待機時間内に指定した応答がありませんでした。"}));
    // Polls at 0, 100, 200 and 300 ms; the last one is past the limit.
    EXPECT_EQ(rig.cad.prompt_reads, 4);

    Rig late;
    late.channel.set_command_timeout(300);
    late.cad.prompt = L"点を指定: ";
    late.clock.on_sleep = [&] {
        if (late.clock.sleeps.size() == 3) {
            late.cad.prompt = kIdle;
        }
    };
    EXPECT_EQ(SendCommand(late.channel, L"_id"), kSuccess);
}

TEST(SendCommand, TimeOutZeroFailsRightAfterTheFirstPoll) {
    Rig rig;
    rig.channel.set_command_timeout(0);
    rig.cad.prompt = L"";
    EXPECT_EQ(SendCommand(rig.channel, L"line"), CommandFailed);
    EXPECT_EQ(rig.error().description, L"待機時間内に指定した応答がありませんでした。");
    EXPECT_EQ(rig.cad.prompt_reads, 1);
    EXPECT_TRUE(rig.clock.sleeps.empty());
    EXPECT_EQ(rig.pump.calls, 0);
}

TEST(SendCommand, NoTimeLimitWaitsThroughEmptyCommandLinesUntilTheMatch) {
    Rig rig;
    rig.channel.set_command_timeout(-1);
    rig.channel.set_check_interval(250);
    rig.cad.prompt = L"";
    rig.clock.on_sleep = [&] {
        if (rig.clock.sleeps.size() == 2000) {
            rig.cad.prompt = kIdle;
        }
    };
    EXPECT_EQ(SendCommand(rig.channel, L"line"), kSuccess);
    EXPECT_EQ(rig.clock.sleeps.size(), 2000u);
    EXPECT_EQ(rig.error().number, 0);
}

TEST(SendCommand, TickCounterWrapDoesNotEndTheWaitEarlyOrLate) {
    Rig rig;
    rig.channel.set_command_timeout(1000);
    rig.cad.prompt = L"点を指定: ";
    rig.clock.now = 0xFFFFFF00u;
    EXPECT_EQ(SendCommand(rig.channel, L"_id"), CommandFailed);
    EXPECT_EQ(rig.cad.prompt_reads, 11);
}

TEST(SendCommand, TerminateFromThePumpGivesCancelByUserWithoutRecordingIt) {
    for (const bool readable : {true, false}) {
        Rig rig;
        rig.channel.set_command_timeout(-1);
        rig.cad.prompt = readable ? L"点を指定: " : L"";
        rig.pump.on_pump = [&] {
            if (rig.pump.calls == 2) {
                rig.channel.Terminate();
            }
        };
        EXPECT_EQ(SendCommand(rig.channel, L"line"), CancelByUser);
        // Noticed after the pause that follows the pump.
        EXPECT_EQ(rig.clock.sleeps.size(), 2u);
        EXPECT_EQ(rig.cad.prompt_reads, 2);
        EXPECT_EQ(rig.error().number, readable ? 0 : CommandFailed);
    }
}

TEST(SendCommand, AnEarlierTerminateIsForgottenWhenTheNextWaitStarts) {
    Rig rig;
    rig.channel.Terminate();
    EXPECT_EQ(SendCommand(rig.channel, L"line"), kSuccess);
    rig.channel.Terminate();
    EXPECT_EQ(WaitPrompt(rig.channel), kSuccess);
}

TEST(WaitPrompt, SendsNothingAndFollowsPatternMatch) {
    Rig rig;
    rig.cad.prompt = L"LUPREC の新しい値を入力 <4>: ";
    EXPECT_EQ(WaitPrompt(rig.channel, L"* <*>: "), kSuccess);
    EXPECT_TRUE(rig.cad.posts.empty());

    rig.channel.set_pattern_match(false);
    rig.channel.set_command_timeout(0);
    EXPECT_EQ(WaitPrompt(rig.channel, L"* <*>: "), CommandFailed);
    EXPECT_EQ(rig.error().source, L"Drafthand.Control.WaitPrompt");
    rig.cad.prompt = L"* <*>: ";
    EXPECT_EQ(WaitPrompt(rig.channel, L"* <*>: "), kSuccess);
}

TEST(WaitPrompt, AWindowLostDuringTheWaitIsReportedByTheRead) {
    Rig rig;
    rig.cad.prompt = L"点を指定: ";
    rig.clock.on_sleep = [&] { rig.cad.closed.insert(FakeCad::kMain); };
    EXPECT_EQ(WaitPrompt(rig.channel), LinkFailed);
    EXPECT_EQ(rig.error(), (ErrorRecord{LinkFailed, L"Drafthand.Control.GetPrompt",
                                        L"AutoCADが起動していないか、応答がありません。"}));
}

// A CAD program that stops answering while a pick waits ends the pick with
// one LinkFailed, even without a time limit, and the boxes keep their values.
TEST(GetPosition, AHungAutoCadEndsTheWaitWithoutALimit) {
    Rig rig;
    rig.channel.set_command_timeout(-1);
    rig.cad.prompt = L"点を指定: ";
    rig.clock.on_sleep = [&] { rig.cad.hung = true; };
    PlainNumberReader reader;
    double x = 9, y = 9, z = 9;
    EXPECT_EQ(GetPosition(rig.channel, reader, x, y, z), LinkFailed);
    EXPECT_EQ(rig.error(), (ErrorRecord{LinkFailed, L"Drafthand.Control.GetPrompt",
                                        L"AutoCADが起動していないか、応答がありません。"}));
    EXPECT_EQ(rig.clock.sleeps.size(), 1u);
    EXPECT_EQ(x, 9);
    EXPECT_EQ(rig.cad.history_reads, 0);
}

// ---- Active ---------------------------------------------------------------

TEST(Active, BringsTheLastActivePopupForward) {
    Rig rig;
    FakeForeground foreground;
    EXPECT_EQ(Active(rig.channel, foreground), kSuccess);
    EXPECT_EQ(foreground.asked, (std::vector<WindowHandle>{FakeCad::kMain}));
    EXPECT_EQ(foreground.brought_forward, (std::vector<WindowHandle>{FakeCad::kMain}));

    foreground.popup = 0x7777;
    EXPECT_EQ(Active(rig.channel, foreground), kSuccess);
    EXPECT_EQ(foreground.brought_forward.back(), 0x7777u);
}

TEST(Active, RefusalAndClosedAutoCadFail) {
    Rig rig;
    FakeForeground foreground;
    foreground.refuse = true;
    EXPECT_EQ(Active(rig.channel, foreground), CommandFailed);
    EXPECT_EQ(rig.error(), (ErrorRecord{CommandFailed, L"Drafthand.Control.Active",
                                        L"AutoCADが起動していないか、応答がありません。"}));

    rig.cad.closed.insert(FakeCad::kText);
    foreground.brought_forward.clear();
    EXPECT_EQ(Active(rig.channel, foreground), LinkFailed);
    EXPECT_EQ(rig.error().source, L"Drafthand.Control.Active");
    EXPECT_TRUE(foreground.brought_forward.empty());
    // The stop request is none of Active's business.
    rig.channel.Terminate();
    EXPECT_TRUE(rig.channel.stop_requested());
}

// ---- GetVariable and SetVariable -------------------------------------------

// AutoCAD's value prompt for a name, the idle prompt after a cancel or value.
void act_like_autocad(FakeCad& cad, const std::wstring& value_prompt) {
    cad.on_command = [value_prompt](FakeCad& c, const std::wstring& command) {
        if (command == kCancel) {
            c.prompt = kIdle;
        } else if (command.front() == L'\x03') {
            c.prompt = value_prompt;
        } else {
            c.prompt = kIdle; // a value typed ahead
        }
    };
}

TEST(GetVariable, BuildsTheCommandReadsTheValueAndCancels) {
    Rig rig;
    act_like_autocad(rig.cad, L"LUPREC の新しい値を入力 <  4  >: ");
    std::wstring value = L"old";
    EXPECT_EQ(GetVariable(rig.channel, L"LUPREC", value), kSuccess);
    EXPECT_EQ(value, L"4");
    EXPECT_EQ(rig.cad.posts, (std::vector<Post>{text(L"\x03\x03LUPREC\r"), null_post(),
                                                text(kCancel), null_post()}));
    EXPECT_EQ(rig.cad.prompt, kIdle);
}

TEST(GetVariable, ANameWithKeysIsSentUnchanged) {
    EXPECT_EQ(system_variable_command(L"LUPREC"), L"^C^CLUPREC^M");
    EXPECT_EQ(system_variable_command(L"'luprec^M"), L"'luprec^M");
    EXPECT_EQ(system_variable_command(L"^Csetvar luprec"), L"^Csetvar luprec");
    EXPECT_EQ(system_variable_command(L"^c^mluprec"), L"^C^C^c^mluprec^M");

    Rig rig;
    rig.cad.prompt = L"値 <1>: ";
    std::wstring value;
    EXPECT_EQ(GetVariable(rig.channel, L"setvar^Mluprec^M", value), kSuccess);
    EXPECT_EQ(rig.cad.posts.front(), text(L"setvar\rluprec\r"));
}

TEST(GetVariable, CancelAfterTheValueDoesNotCountEvenWhenRefused) {
    Rig rig;
    rig.cad.prompt = L"値 <1.5>: ";
    rig.cad.on_command = [](FakeCad& cad, const std::wstring&) { cad.copydata_answer = 0; };
    std::wstring value;
    EXPECT_EQ(GetVariable(rig.channel, L"LUPREC", value), kSuccess);
    EXPECT_EQ(value, L"1.5");
    EXPECT_EQ(rig.error().number, 0);
}

TEST(GetVariable, StoppedWaitStillTakesTheLastPromptApart) {
    Rig rig;
    rig.cad.prompt = L"ｺﾏﾝﾄﾞ: ";
    rig.pump.on_pump = [&] { rig.channel.Terminate(); };
    std::wstring value = L"kept";
    // The idle prompt holds no brackets: the invalid-argument error, value kept.
    EXPECT_EQ(GetVariable(rig.channel, L"LUPREC", value), runtime_error::InvalidArgument);
    EXPECT_EQ(value, L"kept");
    EXPECT_EQ(rig.error(),
              (ErrorRecord{runtime_error::InvalidArgument, L"Drafthand.Control.GetVariable",
                           kMessageNoValueBrackets}));

    Rig odd;
    odd.cad.prompt = L"a > b <7>";
    odd.pump.on_pump = [&] { odd.channel.Terminate(); };
    EXPECT_EQ(GetVariable(odd.channel, L"X", value), runtime_error::InvalidArgument);

    Rig valued;
    valued.cad.prompt = L"値 <3> ですか";
    valued.pump.on_pump = [&] { valued.channel.Terminate(); };
    EXPECT_EQ(GetVariable(valued.channel, L"X", value), CancelByUser);
    EXPECT_EQ(value, L"3");
    EXPECT_EQ(valued.cad.posts.back(), null_post());
    EXPECT_EQ(valued.cad.posts[2], text(kCancel));
}

TEST(GetVariable, TimeOutNamesGetVariable) {
    Rig rig;
    rig.channel.set_command_timeout(0);
    std::wstring value = L"kept";
    EXPECT_EQ(GetVariable(rig.channel, L"NOSUCH", value), CommandFailed);
    EXPECT_EQ(rig.error().source, L"Drafthand.Control.GetVariable");
    EXPECT_EQ(value, L"kept");
    // No cancel after a failed wait.
    EXPECT_EQ(rig.cad.posts.size(), 2u);
}

TEST(SetVariable, PostsNameAndValueBeforeWaitingForTheIdlePrompt) {
    Rig rig;
    act_like_autocad(rig.cad, L"LUPREC の新しい値を入力 <4>: ");
    EXPECT_EQ(SetVariable(rig.channel, L"LUPREC", L"2"), kSuccess);
    EXPECT_EQ(rig.cad.posts, (std::vector<Post>{text(L"\x03\x03LUPREC\r"), null_post(),
                                                text(L"2\r"), null_post()}));
    for (const Post& post : rig.cad.posts) {
        EXPECT_EQ(post.reads_before, 0);
    }
}

TEST(SetVariable, WaitsForEqualityWhateverPatternMatchSays) {
    Rig rig;
    rig.channel.set_command_timeout(200);
    rig.cad.prompt = L"ｺﾏﾝﾄﾞ:  ";
    EXPECT_EQ(SetVariable(rig.channel, L"LUPREC", L"2"), CommandFailed);
    EXPECT_EQ(rig.error().source, L"Drafthand.Control.SetVariable");
}

TEST(SetVariable, SecondPostFailureStopsBeforeTheWait) {
    Rig rig;
    rig.cad.on_command = [](FakeCad& cad, const std::wstring&) { cad.copydata_answer = 0; };
    EXPECT_EQ(SetVariable(rig.channel, L"LUPREC", L"2"), CommandFailed);
    EXPECT_EQ(rig.error().source, L"Drafthand.Control.PostCommand");
    EXPECT_EQ(rig.cad.posts.size(), 3u);
    EXPECT_EQ(rig.cad.prompt_reads, 0);
}

// ---- GetPosition -----------------------------------------------------------

const std::wstring kPick = L"ｺﾏﾝﾄﾞ: _id\r\n点を指定: \r\n";

TEST(GetPosition, TakesTheLastPickOfTheHistory) {
    Rig rig;
    rig.cad.history = kPick + L"X = 1.0000     Y = 2.0000     Z = 3.0000\r\n" + kPick +
                      L"X = -10.5000     Y = 2.2500     Z = 0.0000";
    rig.cad.prompt = L"点を指定: ";
    rig.clock.on_sleep = [&] { rig.cad.prompt = kIdle; };
    PlainNumberReader reader;
    double x = 9, y = 9, z = 9;
    EXPECT_EQ(GetPosition(rig.channel, reader, x, y, z), kSuccess);
    EXPECT_DOUBLE_EQ(x, -10.5);
    EXPECT_DOUBLE_EQ(y, 2.25);
    EXPECT_DOUBLE_EQ(z, 0.0);
    // "^C" twice, "_id", "^M": six bytes and the NUL at the edge.
    EXPECT_EQ(rig.cad.posts, (std::vector<Post>{text(L"\x03\x03_id\r"), null_post()}));
    EXPECT_EQ(rig.cad.history_reads, 1);
}

TEST(GetPosition, MissingLabelFailsAndKeepsTheCoordinates) {
    for (const std::wstring tail :
         {L"Y = 1 Z = 2", L"X = 1 Z = 2", L"X = 1 Y = 2", L"", L"x = 1 y = 2 z = 3"}) {
        Rig rig;
        // An older pick must not stand in for the last one.
        rig.cad.history = kPick + L"X = 1 Y = 2 Z = 3\r\n" + kPick + tail;
        PlainNumberReader reader;
        double x = 7, y = 8, z = 9;
        EXPECT_EQ(GetPosition(rig.channel, reader, x, y, z), CommandFailed);
        EXPECT_EQ(rig.error(), (ErrorRecord{CommandFailed, L"Drafthand.Control.GetPosition",
                                            kMessageNoCoordinates}));
        EXPECT_EQ(x, 7);
        EXPECT_EQ(y, 8);
        EXPECT_EQ(z, 9);
    }
}

TEST(GetPosition, HistoryWithoutAPointPromptHasNoCoordinates) {
    Rig rig;
    rig.cad.history = L"X = 1 Y = 2 Z = 3";
    PlainNumberReader reader;
    double x = 0, y = 0, z = 0;
    EXPECT_EQ(GetPosition(rig.channel, reader, x, y, z), CommandFailed);
    EXPECT_EQ(rig.error().description, kMessageNoCoordinates);
}

TEST(GetPosition, LabelsOutOfOrderAreRefusedBeforeAnythingIsStored) {
    Rig rig;
    rig.cad.history = kPick + L"Y = 2 X = 1 Z = 3";
    PlainNumberReader reader;
    double x = 7, y = 8, z = 9;
    EXPECT_EQ(GetPosition(rig.channel, reader, x, y, z), runtime_error::InvalidArgument);
    EXPECT_EQ(rig.error(), (ErrorRecord{runtime_error::InvalidArgument,
                                        L"Drafthand.Control.GetPosition", kMessageLabelOrder}));
    EXPECT_EQ(x, 7);
    EXPECT_EQ(y, 8);
    EXPECT_EQ(z, 9);
}

TEST(GetPosition, NumberThatDoesNotConvertKeepsTheLaterCoordinates) {
    Rig rig;
    rig.cad.history = kPick + L"X =   12.5   Y = abc Z = 3";
    PlainNumberReader reader;
    double x = 7, y = 8, z = 9;
    EXPECT_EQ(GetPosition(rig.channel, reader, x, y, z), runtime_error::TypeMismatch);
    EXPECT_EQ(rig.error().source, L"Drafthand.Control.GetPosition");
    EXPECT_EQ(rig.error().description, general_error_description(runtime_error::TypeMismatch));
    EXPECT_DOUBLE_EQ(x, 12.5);
    EXPECT_EQ(y, 8);
    EXPECT_EQ(z, 9);

    rig.cad.history = kPick + L"X = 1 Y = 1e999 Z = 3";
    EXPECT_EQ(GetPosition(rig.channel, reader, x, y, z), runtime_error::Overflow);
}

TEST(GetPosition, FailedHistoryReadNamesGetHistory) {
    Rig rig;
    rig.cad.history = L"";
    PlainNumberReader reader;
    double x = 0, y = 0, z = 0;
    EXPECT_EQ(GetPosition(rig.channel, reader, x, y, z), CommandFailed);
    EXPECT_EQ(rig.error().source, L"Drafthand.Control.GetHistory");
}

TEST(GetPosition, StoppedWaitStillReadsTheHistory) {
    Rig rig;
    rig.cad.prompt = L"点を指定: ";
    rig.cad.history = kPick + L"X = 4 Y = 5 Z = 6";
    rig.pump.on_pump = [&] { rig.channel.Terminate(); };
    PlainNumberReader reader;
    double x = 0, y = 0, z = 0;
    EXPECT_EQ(GetPosition(rig.channel, reader, x, y, z), CancelByUser);
    EXPECT_EQ(x, 4);
    EXPECT_EQ(z, 6);
    EXPECT_EQ(rig.error().number, 0);
}

// ---- Conversions on untrusted text ----------------------------------------

TEST(PlainNumberReader, IgnoresBlanksAndRefusesWhatIsNoNumber) {
    PlainNumberReader reader;
    double value = 0;
    EXPECT_EQ(reader.to_double(L"  -1.25e2 \r\n", value), 0);
    EXPECT_DOUBLE_EQ(value, -125.0);
    for (const wchar_t* bad : {L"", L"   ", L"1.2.3", L"inf", L"nan", L"0x10", L"1,5", L"１"}) {
        value = 42;
        EXPECT_EQ(reader.to_double(bad, value), runtime_error::TypeMismatch) << bad;
        EXPECT_EQ(value, 42);
    }
    EXPECT_EQ(reader.to_double(L"-1e400", value), runtime_error::Overflow);
}

TEST(UntrustedText, ArbitraryPromptsAndHistoriesNeverCrash) {
    std::mt19937 random(7);
    const std::vector<std::wstring> pieces = {L"X =", L"Y =", L"Z =",  L" ",   L"1.5", L"-2",
                                              L"<",   L">",   L"\r\n", L"abc", L"\0"s, L"ｺ点"};
    PlainNumberReader reader;
    int values = 0;
    int points = 0;
    for (int round = 0; round < 20000; ++round) {
        const auto some_pieces = [&](unsigned most) {
            std::wstring part;
            for (unsigned n = random() % most; n > 0; --n) {
                part += pieces[random() % pieces.size()];
            }
            return part;
        };
        // Every other text has the labels in order, so conversions get tried.
        const std::wstring text = round % 2 == 0 ? some_pieces(10)
                                                 : L"X =" + some_pieces(3) + L"Y =" +
                                                       some_pieces(3) + L"Z =" + some_pieces(3);
        try {
            value_from_prompt(text, L"s");
            ++values;
        } catch (const DrafthandError& error) {
            EXPECT_EQ(error.record().number, runtime_error::InvalidArgument);
        }
        try {
            double x = 0, y = 0, z = 0;
            coordinates_from_history(text, reader, x, y, z, L"s");
            ++points;
        } catch (const DrafthandError& error) {
            EXPECT_NE(error.record().number, 0);
        }
    }
    EXPECT_GT(values, 0);
    EXPECT_GT(points, 0);

    Rig rig;
    rig.cad.history = kPick + std::wstring(1 << 20, L'<') + L"X = 1 Y = 2 Z = 3 ";
    double x = 0, y = 0, z = 0;
    EXPECT_EQ(GetPosition(rig.channel, reader, x, y, z), kSuccess);
    EXPECT_EQ(z, 3);
}

} // namespace
} // namespace drafthand::testing
