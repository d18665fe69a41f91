#include "drafthand/channel.h"
#include "drafthand/session.h"
#include "drafthand/text.h"

#include "fakes.h"

#include <gtest/gtest.h>

namespace drafthand {
namespace {

using testing::FakeClock;
using testing::FakePump;
using testing::FakeWindow;
using testing::FakeWindowSystem;

FakeWindow window(const wchar_t* title) {
    FakeWindow w;
    w.title = title;
    return w;
}

class ChannelTest : public ::testing::Test {
protected:
    void SetUp() override {
        main = system.add_top(window(L"AutoCAD LT - [Drawing1.dwg]"));
        const WindowHandle text = system.add_top(window(L"AutoCAD LT ﾃｷｽﾄ"));
        command = system.add_child(text, window(L"Headlands"));
        history = system.add_child(text, window(L"MountTam"));
        system.window(command).live_text = L"ｺﾏﾝﾄﾞ: ";
        Session session(records, system);
        ASSERT_EQ(session.Search(), kSuccess);
    }

    // A wait with the rule of WaitPrompt, as the next operations run it.
    int32_t wait(Channel& channel, const std::wstring& expected) {
        return run_method(records.last_error, [&] {
            channel.reset_stop_request();
            channel.wait_for_prompt(
                [&](const std::wstring& prompt) {
                    return channel.prompt_matches(prompt, expected);
                },
                kSourceWaitPrompt);
            return channel.finish_result();
        });
    }

    ThreadRecords records;
    FakeWindowSystem system;
    FakeClock clock;
    FakePump pump;
    WindowHandle main = 0;
    WindowHandle command = 0;
    WindowHandle history = 0;
};

TEST_F(ChannelTest, DefaultsAndPutRules) {
    records.last_error = ErrorRecord{5, L"a", L"b"};
    Channel channel(records, system, clock, pump);
    EXPECT_EQ(records.last_error, ErrorRecord{});
    EXPECT_EQ(channel.command_timeout(), 60000);
    EXPECT_EQ(channel.check_interval(), 100);
    EXPECT_TRUE(channel.post_null_char());
    EXPECT_TRUE(channel.pattern_match());
    EXPECT_FALSE(channel.stop_requested());
    channel.set_command_timeout(-7);
    channel.set_check_interval(-10);
    EXPECT_EQ(channel.command_timeout(), -1);
    EXPECT_EQ(channel.check_interval(), 0);
}

TEST_F(ChannelTest, PostCommandSendsExpandedTextAndNullMessage) {
    Channel channel(records, system, clock, pump);
    EXPECT_EQ(channel.PostCommand(L"^C^C_id^M"), kSuccess);
    ASSERT_EQ(system.messages.size(), 2u);
    EXPECT_EQ(system.messages[0].first, main);
    EXPECT_EQ(system.messages[0].second, std::wstring(L"\x03\x03_id\r"));
    EXPECT_EQ(system.messages[1].second, L"<null>");

    channel.set_post_null_char(false);
    const std::wstring long_command(10000, L'x');
    EXPECT_EQ(channel.PostCommand(long_command), kSuccess);
    ASSERT_EQ(system.messages.size(), 3u);
    EXPECT_EQ(system.messages[2].second, long_command);
}

TEST_F(ChannelTest, PostCommandFailures) {
    Channel channel(records, system, clock, pump);
    system.window(main).copydata_answer = 0;
    EXPECT_EQ(channel.PostCommand(L"line"), acPrivateError::CommandFailed);
    EXPECT_EQ(records.last_error.source, L"Drafthand.Control.PostCommand");
    EXPECT_EQ(records.last_error.description, L"AutoCADが起動していないか、応答がありません。");
    // No null message follows a refused command.
    EXPECT_EQ(system.messages.size(), 1u);

    system.window(history).alive = false;
    EXPECT_EQ(channel.PostCommand(L"line"), acPrivateError::LinkFailed);
    EXPECT_EQ(system.messages.size(), 1u);
}

TEST_F(ChannelTest, ResultConventionClearsOnEntryAndKeepsUntilNextMethod) {
    Channel channel(records, system, clock, pump);
    system.window(command).live_text = L"";
    std::wstring prompt = L"kept";
    EXPECT_EQ(channel.GetPrompt(prompt), acPrivateError::CommandFailed);
    EXPECT_EQ(prompt, L"kept");
    EXPECT_EQ(records.last_error.source, L"Drafthand.Control.GetPrompt");
    // Settings do not touch the record.
    channel.set_command_timeout(5);
    EXPECT_EQ(records.last_error.number, acPrivateError::CommandFailed);
    EXPECT_EQ(channel.PostCommand(L"x"), kSuccess);
    EXPECT_EQ(records.last_error, ErrorRecord{});
}

TEST_F(ChannelTest, GetPromptCutsAtNul) {
    Channel channel(records, system, clock, pump);
    system.window(command).live_text = std::wstring(L"点を指定: \0junk", 12);
    std::wstring prompt;
    EXPECT_EQ(channel.GetPrompt(prompt), kSuccess);
    EXPECT_EQ(prompt, L"点を指定: ");
}

TEST_F(ChannelTest, GetHistoryFromTheLastMatch) {
    Channel channel(records, system, clock, pump);
    system.window(history).live_text =
        L"ｺﾏﾝﾄﾞ: _id\r\n点を指定: X = 1 Y = 2 Z = 0\r\nｺﾏﾝﾄﾞ: _id\r\n点を指定: X = 5";
    std::wstring text = L"old";
    EXPECT_EQ(channel.GetHistory(text, L""), kSuccess);
    EXPECT_EQ(text, system.window(history).live_text);
    EXPECT_EQ(channel.GetHistory(text, L"点を指定: "), kSuccess);
    EXPECT_EQ(text, L"点を指定: X = 5");
    EXPECT_EQ(channel.GetHistory(text, L"nowhere"), kSuccess);
    EXPECT_EQ(text, L"");
    EXPECT_EQ(records.last_error, ErrorRecord{});

    system.window(history).live_text_readable = false;
    text = L"kept";
    EXPECT_EQ(channel.GetHistory(text, L""), acPrivateError::CommandFailed);
    EXPECT_EQ(text, L"kept");
    EXPECT_EQ(records.last_error.source, L"Drafthand.Control.GetHistory");
}

TEST_F(ChannelTest, WaitMatchesOnTheFirstPollWithoutSleeping) {
    Channel channel(records, system, clock, pump);
    EXPECT_EQ(wait(channel, L"ｺﾏﾝﾄﾞ: "), kSuccess);
    EXPECT_EQ(system.live_text_reads, 1);
    EXPECT_TRUE(clock.sleeps.empty());
    EXPECT_EQ(pump.calls, 0);
}

TEST_F(ChannelTest, WaitTimesOutAfterTheLimitPumpingAndSleepingBetweenPolls) {
    Channel channel(records, system, clock, pump);
    channel.set_command_timeout(1000);
    channel.set_check_interval(300);
    EXPECT_EQ(wait(channel, L"点を指定: "), acPrivateError::CommandFailed);
    EXPECT_EQ(records.last_error.source, L"Drafthand.Control.WaitPrompt");
    EXPECT_EQ(records.last_error.description, L"待機時間内に指定した応答がありませんでした。");
    // Polls at 0, 300, 600, 900, 1200 ms; the fifth is past the limit.
    EXPECT_EQ(system.live_text_reads, 5);
    EXPECT_EQ(clock.sleeps, (std::vector<uint32_t>{300, 300, 300, 300}));
    EXPECT_EQ(pump.calls, 4);
}

TEST_F(ChannelTest, PromptAtTheDeadlineStillCounts) {
    Channel channel(records, system, clock, pump);
    channel.set_command_timeout(200);
    system.window(command).live_text = L"busy";
    clock.on_sleep = [&] {
        if (clock.now >= 1200) {
            system.window(command).live_text = L"ｺﾏﾝﾄﾞ: ";
        }
    };
    EXPECT_EQ(wait(channel, L"ｺﾏﾝﾄﾞ: "), kSuccess);
}

TEST_F(ChannelTest, TimeOutZeroFailsRightAfterTheFirstPoll) {
    Channel channel(records, system, clock, pump);
    channel.set_command_timeout(0);
    EXPECT_EQ(wait(channel, L"点を指定: "), acPrivateError::CommandFailed);
    EXPECT_EQ(system.live_text_reads, 1);
    EXPECT_TRUE(clock.sleeps.empty());
}

TEST_F(ChannelTest, TickCounterWrapAroundIsHarmless) {
    Channel channel(records, system, clock, pump);
    channel.set_command_timeout(1000);
    clock.now = 0xFFFFFF00u;
    EXPECT_EQ(wait(channel, L"点を指定: "), acPrivateError::CommandFailed);
    // 0xFFFFFF00 + 1000 wraps; the wait still lasts its whole second.
    EXPECT_EQ(system.live_text_reads, 11);
}

TEST_F(ChannelTest, NoLimitEndsOnlyByMatchOrStopRequest) {
    Channel channel(records, system, clock, pump);
    channel.set_command_timeout(-1);
    int polls = 0;
    pump.on_pump = [&] {
        if (++polls == 500) {
            channel.Terminate(); // as a client's event handler would
        }
    };
    EXPECT_EQ(wait(channel, L"点を指定: "), acPrivateError::CancelByUser);
    EXPECT_EQ(system.live_text_reads, 500);
    // The cancellation itself leaves nothing in the record.
    EXPECT_EQ(records.last_error, ErrorRecord{});
    EXPECT_TRUE(channel.stop_requested());
}

TEST_F(ChannelTest, CommandFailedReadsKeepPolling) {
    Channel channel(records, system, clock, pump);
    system.window(command).live_text = L"";
    clock.on_sleep = [&] {
        if (clock.sleeps.size() == 3) {
            system.window(command).live_text = L"LUPREC の新しい値を入力 <4>: ";
        }
    };
    EXPECT_EQ(wait(channel, L"* <*>: "), kSuccess);
    EXPECT_EQ(system.live_text_reads, 4);
}

TEST_F(ChannelTest, StoppedWaitKeepsTheLastFailedReadInTheRecord) {
    Channel channel(records, system, clock, pump);
    system.window(command).live_text = L"";
    pump.on_pump = [&] { channel.Terminate(); };
    EXPECT_EQ(wait(channel, L"ｺﾏﾝﾄﾞ: "), acPrivateError::CancelByUser);
    EXPECT_EQ(records.last_error.number, acPrivateError::CommandFailed);
}

TEST_F(ChannelTest, LostLinkEndsTheWaitWithTheReadsError) {
    Channel channel(records, system, clock, pump);
    system.window(command).live_text = L"busy";
    clock.on_sleep = [&] { system.window(main).alive = false; };
    EXPECT_EQ(wait(channel, L"ｺﾏﾝﾄﾞ: "), acPrivateError::LinkFailed);
    EXPECT_EQ(records.last_error.source, L"Drafthand.Control.GetPrompt");
}

// A window that does not answer in time is a CAD program that does not
// respond: every primitive, and a wait at its first poll, fails with
// LinkFailed at once, and nothing is sent again.
TEST_F(ChannelTest, SilentWindowsFailEveryOperationAsNotResponding) {
    std::wstring text = L"kept";
    struct Case {
        const char* what;
        WindowHandle silent;
        std::function<int32_t(Channel&)> run;
        const wchar_t* source;
    };
    const Case cases[] = {
        {"post", main, [](Channel& c) { return c.PostCommand(L"x"); },
         L"Drafthand.Control.PostCommand"},
        {"prompt", command, [&](Channel& c) { return c.GetPrompt(text); },
         L"Drafthand.Control.GetPrompt"},
        {"history", history, [&](Channel& c) { return c.GetHistory(text, L""); },
         L"Drafthand.Control.GetHistory"},
        {"wait without limit", command,
         [this](Channel& c) {
             c.set_command_timeout(-1);
             return wait(c, L"ｺﾏﾝﾄﾞ: ");
         },
         L"Drafthand.Control.GetPrompt"},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.what);
        Channel channel(records, system, clock, pump);
        system.window(row.silent).answers = false;
        system.messages.clear();
        EXPECT_EQ(row.run(channel), acPrivateError::LinkFailed);
        EXPECT_EQ(records.last_error.source, row.source);
        EXPECT_EQ(records.last_error.description, L"AutoCADが起動していないか、応答がありません。");
        EXPECT_EQ(text, L"kept");
        EXPECT_TRUE(system.messages.empty()); // no null message, no second try
        EXPECT_TRUE(clock.sleeps.empty());
        system.window(row.silent).answers = true;
    }
}

TEST_F(ChannelTest, PatternMatchOffComparesLiterally) {
    Channel channel(records, system, clock, pump);
    channel.set_command_timeout(0);
    system.window(command).live_text = L"ｺﾏﾝﾄﾞ: abc";
    EXPECT_EQ(wait(channel, L"ｺﾏﾝﾄﾞ: *"), kSuccess);
    channel.set_pattern_match(false);
    EXPECT_EQ(wait(channel, L"ｺﾏﾝﾄﾞ: *"), acPrivateError::CommandFailed);
    system.window(command).live_text = L"ｺﾏﾝﾄﾞ: *";
    EXPECT_EQ(wait(channel, L"ｺﾏﾝﾄﾞ: *"), kSuccess);
}

TEST_F(ChannelTest, RecordsAreSharedByObjectsOfOneThread) {
    Channel first(records, system, clock, pump);
    Channel second(records, system, clock, pump);
    system.window(command).live_text = L"";
    std::wstring prompt;
    EXPECT_EQ(first.GetPrompt(prompt), acPrivateError::CommandFailed);
    EXPECT_EQ(records.last_error.number, acPrivateError::CommandFailed);
    EXPECT_EQ(second.PostCommand(L"x"), kSuccess);
    EXPECT_EQ(records.last_error, ErrorRecord{});
}

} // namespace
} // namespace drafthand
