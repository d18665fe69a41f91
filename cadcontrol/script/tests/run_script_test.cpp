#include "script_test_support.h"

#include <numeric>

namespace drafthand::script::testing {
namespace {

std::wstring lines(std::initializer_list<const wchar_t*> parts, const wchar_t* end = L"\r\n") {
    std::wstring text;
    for (const wchar_t* part : parts) {
        text += part;
        text += end;
    }
    return text;
}

std::wstring wrapped(int line, const std::wstring& description) {
    return kWrapPrefix + std::to_wstring(line) + L"行目: " + description;
}

class RunScript : public InterpreterTest {
protected:
    int32_t run(std::wstring_view text) {
        control.add_script(L"s.txt", text);
        return interpreter.RunScript(L"s.txt", &vars);
    }
    int32_t run_bytes(const std::string& bytes) {
        control.files[L"s.txt"] = bytes;
        return interpreter.RunScript(L"s.txt", &vars);
    }
};

TEST_F(RunScript, EmptyOrInertScriptsSucceedWithAnEmptyRecord) {
    control.error = ErrorRecord{5, L"old", L"old"};
    EXPECT_EQ(run(L""), -1);
    EXPECT_EQ(control.error, ErrorRecord{});
    EXPECT_EQ(run(lines({L"// comment", L"", L"   ", L"*label", L"  // indented comment"})), -1);
    EXPECT_EQ(control.error, ErrorRecord{});
    EXPECT_TRUE(control.calls.empty());
}

TEST_F(RunScript, UpperBoundOfTheArray) {
    vars = UserVariables(10);
    EXPECT_EQ(run(L"%USER9%=nine"), -1);
    EXPECT_EQ(vars[9], L"nine");

    vars = UserVariables(11);
    expect_failure(interpreter.RunScript(L"missing.txt", &vars), kScriptFailed, kRunScriptSource,
                   L"ユーザー変数が10個を超えています。");
    expect_general(interpreter.RunScript(L"s.txt", nullptr), 9);

    vars.clear();
    EXPECT_EQ(run(L"SHOW_MESSAGE\t-\tno variables at all"), -1);
}

TEST_F(RunScript, MissingFileIsNotWrapped) {
    expect_failure(interpreter.RunScript(L"missing.txt", &vars), 53, L"Drafthand",
                   L"スクリプトファイルを開くことができませんでした。");
}

TEST_F(RunScript, ExitStopsReading) {
    EXPECT_EQ(run(lines({L"POST_COMMAND\t1", L"", L"EXIT", L"POST_COMMAND\t4", L"undefined",
                         L"POST_COMMAND\t6", L"", L"", L"", L""})),
              -1);
    EXPECT_EQ(control.calls, (std::vector<std::wstring>{L"PostCommand(1)"}));
    EXPECT_EQ(control.pumps, 2) << "no pumping after EXIT";
}

TEST_F(RunScript, FailingLineIsWrappedWithItsNumber) {
    std::wstring text;
    for (int i = 1; i <= 11; ++i) {
        text += i % 3 == 0 ? L"// comment\r\n" : (i % 3 == 1 ? L"\r\n" : L"*label\r\n");
    }
    text += L"UNDEFINED\r\nEXIT\r\n";
    expect_failure(run(text), kScriptFailed, kCommandSource, wrapped(12, kUndefinedCommand));
}

TEST_F(RunScript, EveryLineEndCountsOneLine) {
    expect_failure(run(L"\r\n\r\r\n\n%USER0%=x\r\nUNDEFINED"), kScriptFailed, kCommandSource,
                   wrapped(6, kUndefinedCommand));
    EXPECT_EQ(vars[0], L"x");
}

TEST_F(RunScript, OperationFailureKeepsItsSourceAndIsWrapped) {
    std::wstring text =
        lines({L"%USER0%=before", L"%COMMAND_TIMEOUT%=-5", L"%PATTERN_MATCH%=0", L"GOTO\t*on",
               L"ACTIVE", L"*on", L"GET_PROMPT\t%USER1%", L"SLEEP\t1", L"EXIT"});
    control.link = false;
    vars[1] = L"untouched";
    expect_failure(run(text), acPrivateError::LinkFailed, L"Drafthand.Control.GetPrompt",
                   wrapped(7, kLinkLost));
    EXPECT_EQ(vars[0], L"before") << "written before the failure, kept after it";
    EXPECT_EQ(vars[1], L"untouched");
    EXPECT_EQ(control.command_timeout, -5) << "settings stay after the run";
    EXPECT_FALSE(control.pattern_match);
    EXPECT_TRUE(control.sleeps.empty());
}

TEST_F(RunScript, ScriptWithoutOperationsRunsWithoutAutoCAD) {
    control.link = false;
    EXPECT_EQ(run(lines({L"%USER0%=a", L"GOTO\t*x", L"ACTIVE", L"*x", L"%COMMAND_TIMEOUT%=1",
                         L"SLEEP\t3", L"EXIT", L"ACTIVE"})),
              -1);
    EXPECT_EQ(control.sleeps, (std::vector<uint32_t>{3}));
}

TEST_F(RunScript, ForwardJumpSkipsEverythingUpToItsLabel) {
    vars[0] = L"NO";
    EXPECT_EQ(run(lines({L"GOTO\t*end", L"?%USER0%==NO>UNDEFINED", L"ACTIVE", L"UNDEFINED",
                         L"%USER0%=changed", L"GOTO\t*never", L"*other", L"*end ",
                         L"POST_COMMAND\tafter", L"*end", L"POST_COMMAND\tlast"})),
              -1);
    EXPECT_EQ(vars[0], L"NO");
    EXPECT_EQ(control.calls,
              (std::vector<std::wstring>{L"PostCommand(after)", L"PostCommand(last)"}));
}

TEST_F(RunScript, LabelLinesAreNotSubstituted) {
    vars[0] = L"x";
    EXPECT_EQ(run(lines({L"GOTO\t*%USER0%", L"*%USER0%", L"POST_COMMAND\tskipped", L"*x",
                         L"POST_COMMAND\trun"})),
              -1);
    EXPECT_EQ(control.calls, (std::vector<std::wstring>{L"PostCommand(run)"}));
}

TEST_F(RunScript, UnreachableLabelsFailOnTheLastLine) {
    std::wstring twenty = L"GOTO\tend\r\n";
    for (int i = 2; i <= 19; ++i) {
        twenty += L"*end\r\n";
    }
    twenty += L"// last";
    expect_failure(run(twenty), kScriptFailed, kCommandSource,
                   wrapped(20, L"行ラベル(end)が見つかりません。"));

    expect_failure(run(lines({L"*top", L"POST_COMMAND\tonce", L"GOTO\t*top", L""})), kScriptFailed,
                   kCommandSource, wrapped(4, L"行ラベル(*top)が見つかりません。"));
    EXPECT_EQ(control.calls.size(), 1u) << "never loops";

    expect_failure(run(L"GOTO\t\r\n*\r\n"), kScriptFailed, kCommandSource,
                   wrapped(2, L"行ラベル()が見つかりません。"));
}

TEST_F(RunScript, StopRequestThroughThePumpCancels) {
    control.stop = true;
    EXPECT_EQ(run(L"POST_COMMAND\t1\r\nPOST_COMMAND\t2"), -1)
        << "an earlier Terminate is forgotten";
    control.calls.clear();

    control.on_pump = [](FakeControl& c) {
        if (c.pumps == 2) {
            c.stop = true;
        }
    };
    control.pumps = 0;
    EXPECT_EQ(run(lines({L"POST_COMMAND\t1", L"// pumped too", L"POST_COMMAND\t3"})),
              kCancelByUser);
    EXPECT_EQ(control.calls, (std::vector<std::wstring>{L"PostCommand(1)"}));
    EXPECT_EQ(control.error, ErrorRecord{});
    EXPECT_TRUE(control.stop) << "the request stays set after the run";
}

TEST_F(RunScript, StopRequestDuringAWaitCancels) {
    control.cancelled.insert(L"WaitPrompt");
    EXPECT_EQ(run(lines({L"WAIT_PROMPT", L"POST_COMMAND\tnot reached"})), kCancelByUser);
    EXPECT_EQ(control.error.number, 0);
    EXPECT_EQ(control.calls.size(), 1u);

    vars[0] = L"YES";
    EXPECT_EQ(run(lines({L"?%USER0%==YES>WAIT_PROMPT", L"POST_COMMAND\tnot reached"})),
              kCancelByUser);
    EXPECT_EQ(run(lines({L"?%USER0%==YES>EXIT", L"POST_COMMAND\tnot reached"})), -1);
}

TEST_F(RunScript, StopRequestWhileAJumpIsPendingReportsTheLabel) {
    control.on_pump = [](FakeControl& c) { c.stop = true; };
    expect_failure(run(lines({L"GOTO\t*end", L"ACTIVE", L"*end"})), kScriptFailed, kCommandSource,
                   wrapped(1, L"行ラベル(*end)が見つかりません。"));
}

TEST_F(RunScript, DrivesAutoCADAndBranchesOnAPickedPoint) {
    control.system_variables[L"LUPREC"] = L"4";
    control.history = L"ｺﾏﾝﾄﾞ: LINE\n点を指定: 0,0\n";
    control.x = 12.5;
    control.y = -3;
    control.z = 0;
    const std::wstring script = lines({
        L"// precision, a line and a picked point",
        L"SET_VARIABLE\tLUPREC\t%USER0%",
        L"GET_VARIABLE\tLUPREC\t%USER1%",
        L"SEND_COMMAND\t\"^C^CLINE^M0,0^M10,10^M^M\"",
        L"GET_HISTORY\t%USER2%\tLINE",
        L"GET_POSITION\t%USER3%\t%USER4%\t-",
        L"?%USER4%==-*>GOTO\t*below",
        L"SHOW_MESSAGE\t%USER0%\tabove\tiOKONLY",
        L"EXIT",
        L"*below",
        L"SHOW_MESSAGE\t%USER0%\t\"Y = %USER4%^M^Jprecision %USER1%\"\t?YESNO\t結果",
    });
    vars[0] = L"6";
    control.system_variables[L"LUPREC"] = L"6";
    control.answer = 6;
    EXPECT_EQ(run(script), -1);
    EXPECT_EQ(vars, (UserVariables{L"YES", L"6", L"LINE\n点を指定: 0,0\n", L"12.5", L"-3"}));
    EXPECT_EQ(control.calls,
              (std::vector<std::wstring>{L"SetVariable(LUPREC|6)", L"GetVariable(LUPREC)",
                                         L"SendCommand(^C^CLINE^M0,0^M10,10^M^M|ｺﾏﾝﾄﾞ: )",
                                         L"GetHistory(LINE)", L"GetPosition()"}));
    ASSERT_EQ(control.boxes.size(), 1u);
    EXPECT_EQ(control.boxes[0].message, L"Y = -3\r\nprecision 6");
    EXPECT_EQ(control.boxes[0].style, 36);
    EXPECT_EQ(control.boxes[0].title, L"結果");
}

TEST_F(RunScript, ReadmeExampleRuns) {
    control.history = L"ｺﾏﾝﾄﾞ: line\n点を指定: 0,0\n";
    control.system_variables[L"LUPREC"] = L"3";
    control.y = -2.5;
    control.answer = 6;
    EXPECT_EQ(run(L"// LUPREC, a line, a picked point, and a question\n"
                  L"%COMMAND_TIMEOUT% = 30000\n"
                  L"SET_VARIABLE\tLUPREC\t3\n"
                  L"GET_VARIABLE\tLUPREC\t%USER0%\n"
                  L"SEND_COMMAND\t\"^C^Cline^M0,0^M100,50^M^M\"\n"
                  L"GET_HISTORY\t%USER1%\t\"ｺﾏﾝﾄﾞ: line\"\n"
                  L"GET_POSITION\t%USER2%\t%USER3%\t-\n"
                  L"?%USER3%==-*>GOTO\t*below\n"
                  L"%USER4% = above\n"
                  L"EXIT\n"
                  L"*below\n"
                  L"SHOW_MESSAGE\t%USER4%\t\"Y = %USER3%^M^J続けますか?\"\t?YESNO\t確認\n"
                  L"?%USER4%==NO>EXIT\n"
                  L"POST_COMMAND\t^C^Cgraphscr^M\n"),
              -1);
    EXPECT_EQ(control.command_timeout, 30000);
    EXPECT_EQ(vars[4], L"YES");
    ASSERT_EQ(control.boxes.size(), 1u);
    EXPECT_EQ(control.boxes[0].message, L"Y = -2.5\r\n続けますか?");
    EXPECT_EQ(control.calls.back(), L"PostCommand(^C^Cgraphscr^M)");
}

TEST_F(RunScript, AnyContentEndsCleanly) {
    // NUL bytes, invalid text and stray control characters: undefined command words.
    EXPECT_EQ(run_bytes(std::string("\0\0\x01\xff\xfe\r\n", 7)), kScriptFailed);
    EXPECT_EQ(control.error.description, wrapped(1, kUndefinedCommand));
    EXPECT_EQ(run_bytes(std::string("// ok\n\x83\x52\x83\x7d\x83\x93\x83\x68\0EXIT", 19)),
              kScriptFailed);
    EXPECT_EQ(control.error.description, wrapped(2, kUndefinedCommand));
}

TEST_F(RunScript, OverlongLineFailsWithItsNumber) {
    ScriptInterpreter small(control, 100);
    control.files[L"s.txt"] = "%USER0%=ok\r\n" + std::string(101, 'x') + "\r\nEXIT\r\n";
    expect_failure(small.RunScript(L"s.txt", &vars), 7, L"Drafthand",
                   wrapped(2, general_error_description(7)));
    EXPECT_EQ(vars[0], L"ok");
}

TEST_F(RunScript, ReadFailureFailsWithItsNumber) {
    control.read_chunk = 4;
    control.unreadable_path = L"s.txt";
    expect_failure(run(L"EXIT\r\n"), 57, L"Drafthand", wrapped(1, L"デバイス I/O エラーです。"));
}

TEST_F(RunScript, TenMegabyteLineIsOneCommandWord) {
    control.read_chunk = 1 << 16;
    EXPECT_EQ(run_bytes("// big\n" + std::string(10 * 1024 * 1024, 'A')), kScriptFailed);
    EXPECT_EQ(control.error.description, wrapped(2, kUndefinedCommand));
}

TEST_F(RunScript, MillionLinesRunToTheirEnd) {
    control.read_chunk = 1 << 16;
    std::string many;
    for (int i = 0; i < 1000000; ++i) {
        many += i % 2 == 0 ? "%USER0%=1\n" : "// c\n";
    }
    many += "GOTO\t*nowhere";
    EXPECT_EQ(run_bytes(many), kScriptFailed);
    EXPECT_EQ(control.error.description, wrapped(1000001, L"行ラベル(*nowhere)が見つかりません。"));
    EXPECT_EQ(control.pumps, 1000001);
}

} // namespace
} // namespace drafthand::script::testing
