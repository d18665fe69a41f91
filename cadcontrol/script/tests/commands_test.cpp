#include "script_test_support.h"

namespace drafthand::script::testing {
namespace {

using Commands = InterpreterTest;

TEST_F(Commands, ExitEndsAndClearsTheRecord) {
    control.error = ErrorRecord{5, L"x", L"y"};
    EXPECT_EQ(command(L"EXIT"), 0);
    EXPECT_EQ(control.error, ErrorRecord{});
    EXPECT_EQ(command(L"EXIT\textra\t"), 0);
    EXPECT_EQ(command(L" \"EXIT\" "), 0);
}

TEST_F(Commands, UndefinedWordsFail) {
    for (const wchar_t* line : {L"sleep\t10", L"SLEEP 100", L"\tSLEEP\t10", L"GOTO_X",
                                L"?a==a>EXIT", L"//x", L"*label", L"EXIT ME"}) {
        expect_failure(command(line), kScriptFailed, kCommandSource, kUndefinedCommand);
    }
    EXPECT_TRUE(control.sleeps.empty());
}

TEST_F(Commands, EmptyLineHasNoCommandWord) {
    expect_general(command(L""), 9);
}

TEST_F(Commands, LoneQuoteWordIsInvalidEvenWhenIgnored) {
    expect_general(command(L"EXIT\t\""), 5);
    expect_general(command(L"\""), 5);
    EXPECT_EQ(command(L"EXIT\t\"\""), 0);
}

TEST_F(Commands, Sleep) {
    EXPECT_EQ(command(L"SLEEP\t100"), -1);
    EXPECT_EQ(command(L"SLEEP \t 2.5 "), -1);
    vars[0] = L"7";
    EXPECT_EQ(command(L"SLEEP\t%USER0%"), -1);
    EXPECT_EQ(control.sleeps, (std::vector<uint32_t>{100, 2, 7}));

    expect_general(command(L"SLEEP"), 9);
    expect_general(command(L"SLEEP\t"), 13);
    expect_general(command(L"SLEEP\t10 // wait"), 13);
    expect_general(command(L"SLEEP\t1e10"), 6);
    expect_general(command(L"SLEEP\t-1"), 5);
    EXPECT_EQ(control.sleeps.size(), 3u);
}

TEST_F(Commands, ActivePassesFailuresOnUnchanged) {
    EXPECT_EQ(command(L"ACTIVE"), -1);
    const ErrorRecord refused{acPrivateError::CommandFailed, L"Drafthand.Control.Active",
                              kLinkLost};
    control.failures[L"Active"] = refused;
    expect_failure(command(L"ACTIVE"), refused.number, refused.source, refused.description);
}

TEST_F(Commands, GetPromptStoresIntoTheNamedElement) {
    control.prompt = L"点を指定: ";
    EXPECT_EQ(command(L"GET_PROMPT\t%USER1%"), -1);
    EXPECT_EQ(vars[1], L"点を指定: ");
    EXPECT_EQ(command(L"GET_PROMPT\t\"%USER2%\"\textra"), -1);
    EXPECT_EQ(vars[2], L"点を指定: ");

    control.link = false;
    vars[3] = L"old";
    expect_failure(command(L"GET_PROMPT\t%USER3%"), acPrivateError::LinkFailed,
                   L"Drafthand.Control.GetPrompt", kLinkLost);
    EXPECT_EQ(vars[3], L"old");
}

TEST_F(Commands, ResultVariablesOutsideTheArrayFailWithoutCalling) {
    for (const wchar_t* line :
         {L"GET_PROMPT", L"GET_PROMPT\tabc", L"GET_PROMPT\t%USER7%", L"GET_PROMPT\t-",
          L"GET_VARIABLE\tLUPREC", L"GET_VARIABLE\tLUPREC\t%USER5%", L"GET_HISTORY\t%USER9%",
          L"GET_HISTORY\t", L"GET_POSITION\t%USER0%\t%USER1%", L"GET_POSITION\t-\t-\t%USER8%",
          L"SHOW_MESSAGE\t%USER6%\tmsg\tOKONLY", L"SHOW_MESSAGE\tx\tmsg\tOKONLY"}) {
        expect_general(command(line), 9);
    }
    EXPECT_TRUE(control.calls.empty());
    EXPECT_TRUE(control.boxes.empty());
    EXPECT_EQ(vars.size(), 5u);
}

TEST_F(Commands, WaitPromptDefaultAndQuoting) {
    EXPECT_EQ(command(L"WAIT_PROMPT"), -1);
    EXPECT_EQ(command(L"WAIT_PROMPT\tｺﾏﾝﾄﾞ: "), -1);
    EXPECT_EQ(command(L"WAIT_PROMPT\t\"ｺﾏﾝﾄﾞ: \""), -1);
    EXPECT_EQ(command(L"WAIT_PROMPT\t"), -1);
    vars[0] = L"* <*>: ";
    EXPECT_EQ(command(L"WAIT_PROMPT\t\"%USER0%\""), -1);
    EXPECT_EQ(control.calls, (std::vector<std::wstring>{
                                 L"WaitPrompt(ｺﾏﾝﾄﾞ: )", L"WaitPrompt(ｺﾏﾝﾄﾞ:)",
                                 L"WaitPrompt(ｺﾏﾝﾄﾞ: )", L"WaitPrompt()", L"WaitPrompt(* <*>: )"}));
}

TEST_F(Commands, PostAndSendCommand) {
    vars[0] = L"LINE";
    EXPECT_EQ(command(L"POST_COMMAND\t^C^C%USER0%^M"), -1);
    EXPECT_EQ(command(L"SEND_COMMAND\t%USER0%"), -1);
    EXPECT_EQ(command(L"SEND_COMMAND\tLINE\t"), -1);
    EXPECT_EQ(command(L"SEND_COMMAND\tLINE\t\"点を指定: \"\tignored"), -1);
    EXPECT_EQ(control.calls,
              (std::vector<std::wstring>{L"PostCommand(^C^CLINE^M)", L"SendCommand(LINE|ｺﾏﾝﾄﾞ: )",
                                         L"SendCommand(LINE|)", L"SendCommand(LINE|点を指定: )"}));
    expect_general(command(L"POST_COMMAND"), 9);
    expect_general(command(L"SEND_COMMAND"), 9);
    EXPECT_EQ(control.calls.size(), 4u);
}

TEST_F(Commands, CancelledWaitIsNotAFailure) {
    control.cancelled.insert(L"SendCommand");
    EXPECT_EQ(command(L"SEND_COMMAND\tLINE"), kCancelByUser);
    EXPECT_EQ(control.error, ErrorRecord{});
}

TEST_F(Commands, TimedOutWaitKeepsTheOperationsRecord) {
    const ErrorRecord timed_out{acPrivateError::CommandFailed, L"Drafthand.Control.SendCommand",
                                L"待機時間内に指定した応答がありませんでした。"};
    control.failures[L"SendCommand"] = timed_out;
    expect_failure(command(L"SEND_COMMAND\tLINE"), timed_out.number, timed_out.source,
                   timed_out.description);
}

TEST_F(Commands, OperationFailingWithoutARecordStillFails) {
    control.odd_results[L"PostCommand"] = 0;
    const int32_t result = command(L"POST_COMMAND\tX");
    EXPECT_NE(result, 0);
    EXPECT_NE(result, -1);
    EXPECT_EQ(control.error.number, result);
    control.odd_results[L"PostCommand"] = 91;
    expect_general(command(L"POST_COMMAND\tX"), 91);
}

TEST_F(Commands, SystemVariables) {
    control.system_variables[L"LUPREC"] = L"4";
    EXPECT_EQ(command(L"GET_VARIABLE\tLUPREC\t%USER0%"), -1);
    EXPECT_EQ(vars[0], L"4");
    vars[1] = L"LUPREC";
    EXPECT_EQ(command(L"SET_VARIABLE\t%USER1%\t%USER0%"), -1);
    EXPECT_EQ(control.calls.back(), L"SetVariable(LUPREC|4)");
    EXPECT_EQ(command(L"SET_VARIABLE\tLUPREC\t"), -1);
    EXPECT_EQ(control.calls.back(), L"SetVariable(LUPREC|)");
    expect_general(command(L"SET_VARIABLE\tLUPREC"), 9);
    expect_general(command(L"GET_VARIABLE"), 9);
}

TEST_F(Commands, HistoryWithAndWithoutMatch) {
    control.history = L"ｺﾏﾝﾄﾞ: _id\n点を指定: 1\nｺﾏﾝﾄﾞ: _id\n点を指定: X = 2";
    EXPECT_EQ(command(L"GET_HISTORY\t%USER0%"), -1);
    EXPECT_EQ(vars[0], control.history);
    EXPECT_EQ(command(L"GET_HISTORY\t%USER1%\t点を指定"), -1);
    EXPECT_EQ(vars[1], L"点を指定: X = 2");
    EXPECT_EQ(command(L"GET_HISTORY\t%USER2%\tnowhere"), -1);
    EXPECT_EQ(vars[2], L"");
    EXPECT_EQ(command(L"GET_HISTORY\t%USER3%\t"), -1);
    EXPECT_EQ(vars[3], control.history);
}

TEST_F(Commands, GetPositionStoresTextAndSkipsNonNames) {
    control.x = 12.5;
    control.y = -0.1;
    control.z = 1.0 / 3.0;
    vars[1] = L"keep";
    EXPECT_EQ(command(L"GET_POSITION\t%USER0%\t-\t%USER2%"), -1);
    EXPECT_EQ(vars[0], L"12.5");
    EXPECT_EQ(vars[1], L"keep");
    EXPECT_EQ(vars[2], L"0.333333333333333");

    control.failures[L"GetPosition"] =
        ErrorRecord{acPrivateError::CommandFailed, L"Drafthand.Control.GetPosition",
                    L"指定した点の座標値を取得することができませんでした。"};
    vars[0] = L"old";
    EXPECT_EQ(command(L"GET_POSITION\t%USER0%\t%USER1%\t%USER2%"), acPrivateError::CommandFailed);
    EXPECT_EQ(vars[0], L"old");
}

TEST_F(Commands, ShowMessageParameterCounts) {
    expect_general(command(L"SHOW_MESSAGE"), 9);
    expect_failure(command(L"SHOW_MESSAGE\t%USER0%"), kScriptFailed, kCommandSource,
                   L"パラメータを省略することはできません。");
    EXPECT_TRUE(control.boxes.empty());

    vars[0] = L"keep";
    vars[1] = L"name";
    control.answer = 2;
    EXPECT_EQ(command(L"SHOW_MESSAGE\t%USER0%\tone^M^Jtwo %USER1%^c"), -1);
    ASSERT_EQ(control.boxes.size(), 1u);
    EXPECT_EQ(control.boxes[0].message, L"one\r\ntwo name^c");
    EXPECT_EQ(control.boxes[0].style, 0);
    EXPECT_EQ(control.boxes[0].title, L"Drafthand");
    EXPECT_EQ(vars[0], L"keep");

    // With two parameters the result variable is never written, so any word will do.
    EXPECT_EQ(command(L"SHOW_MESSAGE\t-\tfree"), -1);
    // A trailing tab makes an empty style.
    expect_failure(command(L"SHOW_MESSAGE\t%USER0%\tfree\t\t"), kScriptFailed, kCommandSource,
                   kUndefinedParameter);
}

TEST_F(Commands, ShowMessageStylesAndAnswers) {
    struct Case {
        const wchar_t* style;
        int32_t value;
    };
    for (const Case& c :
         {Case{L"OKONLY", 0}, Case{L"OKCANCEL", 1}, Case{L"YESNO", 4}, Case{L"YESNOCANCEL", 3},
          Case{L"iOKCANCEL", 65}, Case{L"?YESNO", 36}, Case{L"!YESNOCANCEL", 51},
          Case{L"xOKONLY", 16}, Case{L"XYESNO", 20}, Case{L"\"?YESNO\"", 36}}) {
        control.boxes.clear();
        ASSERT_EQ(command(std::wstring(L"SHOW_MESSAGE\t%USER0%\tmsg\t") + c.style), -1) << c.style;
        ASSERT_EQ(control.boxes.size(), 1u);
        EXPECT_EQ(control.boxes[0].style, c.value) << c.style;
        EXPECT_EQ(control.boxes[0].title, L"Drafthand");
    }
    control.boxes.clear();
    for (const wchar_t* style : {L"i", L"IOKCANCEL", L"", L"okonly", L"iiOKONLY", L"\"OKONLY \""}) {
        expect_failure(command(std::wstring(L"SHOW_MESSAGE\t%USER0%\tmsg\t") + style),
                       kScriptFailed, kCommandSource, kUndefinedParameter);
    }
    EXPECT_TRUE(control.boxes.empty());

    struct Answer {
        int32_t code;
        const wchar_t* word;
    };
    vars[2] = L"タイトル";
    for (const Answer& a : {Answer{1, L"OK"}, Answer{2, L"CANCEL"}, Answer{6, L"YES"},
                            Answer{7, L"NO"}, Answer{3, L""}, Answer{0, L""}}) {
        control.answer = a.code;
        vars[0] = L"before";
        EXPECT_EQ(command(L"SHOW_MESSAGE\t%USER0%\tmsg\tYESNO\t%USER2%\textra"), -1);
        EXPECT_EQ(vars[0], a.word);
        EXPECT_EQ(control.boxes.back().title, L"タイトル");
    }
}

} // namespace
} // namespace drafthand::script::testing
