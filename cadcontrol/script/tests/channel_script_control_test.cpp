// A script run through the Control's real channel and operations, against a
// small scripted AutoCAD behind fake windows.
#include "drafthand/script/channel_script_control.h"
#include "drafthand/script/interpreter.h"

#include <gtest/gtest.h>

#include <functional>

namespace drafthand::script {
namespace {

constexpr WindowHandle kMain = 11, kText = 12, kCommand = 13, kHistory = 14;

// Answers the command line the way AutoCAD does for the few commands used.
class FakeAutoCad : public WindowSystem {
public:
    std::wstring prompt = L"ｺﾏﾝﾄﾞ: ";
    std::wstring history;
    std::wstring luprec = L"4";
    bool alive = true;
    std::vector<std::wstring> sent;
    bool awaiting_luprec = false;

    bool enum_top_windows(const WindowVisitor&) override { return true; }
    bool enum_child_windows(WindowHandle, const WindowVisitor&) override { return true; }
    bool read_title(WindowHandle, std::wstring&) override { return false; }
    bool read_class_name(WindowHandle, std::wstring&) override { return false; }
    uint32_t read_thread_process_id(WindowHandle, uint32_t& process_id) override {
        process_id = 1;
        return 1;
    }
    bool is_window(WindowHandle window) override {
        return alive && window >= kMain && window <= kHistory;
    }
    void post_null(WindowHandle) override {}
    LiveTextRead read_live_text(WindowHandle window, std::wstring& text) override {
        text = window == kCommand ? prompt : history;
        return text.empty() ? LiveTextRead::unreadable : LiveTextRead::read;
    }
    Answer send_command_text(WindowHandle, const std::wstring& text) override {
        sent.push_back(text);
        if (text == L"\x03\x03LUPREC\r") {
            awaiting_luprec = true;
            prompt = L"LUPREC の新しい値を入力 <" + luprec + L">: ";
        } else if (text == L"\x03") {
            awaiting_luprec = false;
            prompt = L"ｺﾏﾝﾄﾞ: ";
        } else if (awaiting_luprec) {
            luprec = text.substr(0, text.size() - 1);
            awaiting_luprec = false;
            prompt = L"ｺﾏﾝﾄﾞ: ";
        } else if (text == L"\x03\x03_id\r") {
            history += L"ｺﾏﾝﾄﾞ: _id\n点を指定: X = 10.5  Y = -2  Z = 0\n";
        } else {
            history += L"ｺﾏﾝﾄﾞ: " + text + L"\n";
        }
        return 1;
    }
};

struct StepClock : Clock {
    uint32_t now = 0;
    std::vector<uint32_t> sleeps;
    uint32_t tick_count() override { return now; }
    void sleep(uint32_t milliseconds) override {
        sleeps.push_back(milliseconds);
        now += milliseconds;
    }
};

struct HookPump : MessagePump {
    std::function<void()> hook;
    void pump_pending_messages() override {
        if (hook) {
            hook();
        }
    }
};

struct Front : ForegroundWindows {
    WindowHandle last_active_popup(WindowHandle window) override { return window; }
    bool set_foreground(WindowHandle) override { return true; }
};

struct MemoryPlatform : ScriptPlatform {
    std::string script;
    WindowHandle owner = 0;
    std::wstring message;
    int32_t style = -1;
    int32_t message_box(WindowHandle box_owner, const std::wstring& text, int32_t box_style,
                        const std::wstring&) override {
        owner = box_owner;
        message = text;
        style = box_style;
        return 6;
    }
    std::unique_ptr<ScriptFile> open_script(const std::wstring&, ErrorRecord&) override {
        struct File : ScriptFile {
            std::string bytes;
            bool read(char* buffer, std::size_t capacity, std::size_t& count,
                      ErrorRecord&) override {
                count = std::min(capacity, bytes.size());
                bytes.copy(buffer, count);
                bytes.erase(0, count);
                return true;
            }
        };
        auto file = std::make_unique<File>();
        file->bytes = script;
        return file;
    }
    // Scripts here are ASCII.
    std::wstring decode_ansi(std::string_view bytes) override {
        return std::wstring(bytes.begin(), bytes.end());
    }
};

class ChannelScript : public ::testing::Test {
protected:
    ChannelScript() {
        records.windows.main.handle = kMain;
        records.windows.text.handle = kText;
        records.windows.command.handle = kCommand;
        records.windows.history.handle = kHistory;
    }
    int32_t run(const std::string& script) {
        platform.script = script;
        return interpreter.RunScript(L"s.txt", &vars);
    }

    ThreadRecords records;
    FakeAutoCad cad;
    StepClock clock;
    HookPump pump;
    Front front;
    PlainNumberReader numbers;
    MemoryPlatform platform;
    Channel channel{records, cad, clock, pump};
    ChannelScriptControl control{channel, front, numbers, platform};
    ScriptInterpreter interpreter{control};
    UserVariables vars = UserVariables(6);
};

TEST_F(ChannelScript, DrivesTheOperationsOfTheChannel) {
    EXPECT_EQ(run("SET_VARIABLE\tLUPREC\t2\r\n"
                  "GET_VARIABLE\tLUPREC\t%USER0%\r\n"
                  "SEND_COMMAND\tLINE^M0,0^M1,1^M^M\r\n"
                  "GET_POSITION\t%USER1%\t%USER2%\t-\r\n"
                  "GET_HISTORY\t%USER3%\tLINE\r\n"
                  "GET_PROMPT\t%USER4%\r\n"
                  "ACTIVE\r\n"
                  "?%USER2%==-*>SHOW_MESSAGE\t%USER5%\tbelow\t?YESNO\r\n"),
              -1)
        << records.last_error.number;
    EXPECT_EQ(vars[0], L"2");
    EXPECT_EQ(cad.luprec, L"2");
    EXPECT_EQ(vars[1], L"10.5");
    EXPECT_EQ(vars[2], L"-2");
    EXPECT_EQ(vars[3].substr(0, 9), L"LINE\r0,0\r");
    EXPECT_EQ(vars[4], L"ｺﾏﾝﾄﾞ: ");
    EXPECT_EQ(vars[5], L"YES");
    EXPECT_EQ(platform.owner, kMain);
    EXPECT_EQ(platform.style, 36);
    EXPECT_EQ(records.last_error, ErrorRecord{});
}

TEST_F(ChannelScript, NegativeTimeOutReadsBackAsWritten) {
    EXPECT_EQ(run("%COMMAND_TIMEOUT%=-5\r\n%USER0%=%COMMAND_TIMEOUT%\r\n"
                  "%PATTERN_MATCH%=false\r\n%USER1%=%PATTERN_MATCH%\r\n"),
              -1);
    EXPECT_EQ(vars[0], L"-5");
    EXPECT_EQ(vars[1], L"FALSE");
    EXPECT_EQ(channel.command_timeout(), -1);
    EXPECT_FALSE(channel.pattern_match());
    channel.set_command_timeout(300);
    EXPECT_EQ(control.CommandTimeOut(), 300);
}

TEST_F(ChannelScript, TimeOutOfAWaitFailsTheLine) {
    cad.prompt = L"busy";
    EXPECT_EQ(run("%COMMAND_TIMEOUT%=250\r\nWAIT_PROMPT\r\n"), acPrivateError::CommandFailed);
    EXPECT_EQ(records.last_error.source, L"Drafthand.Control.WaitPrompt");
    EXPECT_EQ(records.last_error.description, L"スクリプト実行中にエラーが発生しました。\r\n2行目: "
                                              L"待機時間内に指定した応答がありませんでした。");
}

TEST_F(ChannelScript, ClosedAutoCadFailsWithTheOperationsSource) {
    cad.alive = false;
    EXPECT_EQ(run("SLEEP\t5\r\nGET_PROMPT\t%USER0%\r\n"), acPrivateError::LinkFailed);
    EXPECT_EQ(records.last_error.source, L"Drafthand.Control.GetPrompt");
    EXPECT_EQ(clock.sleeps, (std::vector<uint32_t>{5}));
}

TEST_F(ChannelScript, TerminateDuringAWaitCancelsTheRun) {
    cad.prompt = L"busy";
    pump.hook = [this] { channel.Terminate(); };
    EXPECT_EQ(run("WAIT_PROMPT\r\nPOST_COMMAND\tnever\r\n"), acPrivateError::CancelByUser);
    EXPECT_TRUE(cad.sent.empty());
    EXPECT_TRUE(channel.stop_requested());
}

} // namespace
} // namespace drafthand::script
