#include "script_test_support.h"

namespace drafthand::script::testing {
namespace {

using Substitution = InterpreterTest;
using Assignments = InterpreterTest;
using Settings = InterpreterTest;
using Jumps = InterpreterTest;
using Conditions = InterpreterTest;

TEST_F(Substitution, VariablesThenBuiltInNamesInOrder) {
    vars = {L"a", L"b", L"", L"d", L"e"};
    EXPECT_EQ(interpreter.ReplaceVariables(L"[%USER0%%USER1%%USER0%%USER2%]", vars), L"[aba]");
    EXPECT_EQ(interpreter.ReplaceVariables(L"%USER7% stays: only five", vars),
              L"%USER7% stays: only five");
    EXPECT_EQ(interpreter.ReplaceVariables(L"%COMMAND_TIMEOUT%/%PATTERN_MATCH%", vars),
              L"60000/TRUE");
    control.command_timeout = -5;
    control.pattern_match = false;
    EXPECT_EQ(interpreter.ReplaceVariables(L"%COMMAND_TIMEOUT%/%PATTERN_MATCH%", vars),
              L"-5/FALSE");
    EXPECT_EQ(interpreter.ReplaceVariables(L"%user0% %USER0", vars), L"%user0% %USER0");
}

TEST_F(Substitution, InsertedTextIsRescannedOnlyForLaterNames) {
    vars = UserVariables(10);
    vars[0] = L"%USER5%";
    vars[5] = L"abc";
    EXPECT_EQ(interpreter.ReplaceVariables(L"%USER0%", vars), L"abc");
    vars[5] = L"%USER0%";
    EXPECT_EQ(interpreter.ReplaceVariables(L"%USER5%", vars), L"%USER0%");
    vars[1] = L"%USER1%";
    EXPECT_EQ(interpreter.ReplaceVariables(L"%USER1%", vars), L"%USER1%");
    vars[2] = L"%COMMAND_TIMEOUT%";
    EXPECT_EQ(interpreter.ReplaceVariables(L"%USER2%", vars), L"60000");
    // A name split across a value and the text around it is joined first.
    vars[3] = L"%USER";
    vars[9] = L"nine";
    EXPECT_EQ(interpreter.ReplaceVariables(L"%USER3%9%", vars), L"nine");
    vars.resize(5);
    EXPECT_EQ(interpreter.ReplaceVariables(L"%USER3%9%", vars), L"%USER9%");
}

TEST_F(Assignments, ValueAfterTheFirstEquals) {
    vars[1] = L"one";
    EXPECT_EQ(statement(L"%USER0% = abc"), -1);
    EXPECT_EQ(vars[0], L"abc");
    EXPECT_EQ(statement(L"%USER0%=\"  padded  \""), -1);
    EXPECT_EQ(vars[0], L"  padded  ");
    EXPECT_EQ(statement(L"%USER0%= x=%USER1%"), -1);
    EXPECT_EQ(vars[0], L"x=one");
    EXPECT_EQ(statement(L"%USER0%anything=2"), -1);
    EXPECT_EQ(vars[0], L"2");
    EXPECT_EQ(statement(L"%USER2%=\"\""), -1);
    EXPECT_EQ(vars[2], L"");
    EXPECT_EQ(statement(L"%USER0%=%USER0%%USER0%"), -1);
    EXPECT_EQ(vars[0], L"22");
}

TEST_F(Assignments, MalformedOrOutsideTheArray) {
    vars[0] = L"keep";
    expect_general(statement(L"%USER0% abc"), 5);
    expect_general(statement(L"%USER0%=\""), 5);
    expect_general(statement(L"%USER5%=x"), 9);
    expect_general(statement(L"%USER9%=x"), 9);
    EXPECT_EQ(vars, (UserVariables{L"keep", L"", L"", L"", L""}));
    // Not the assignment form: a command word.
    expect_failure(statement(L"%USER%=x"), kScriptFailed, kCommandSource, kUndefinedCommand);
}

TEST_F(Assignments, ValuesThatWouldExhaustMemoryFail) {
    ScriptInterpreter small(control, 1000);
    vars[0] = L"x";
    int32_t result = -1;
    for (int i = 0; i < 40 && result == -1; ++i) {
        result = small.lExecuteStatement(L"%USER0%=%USER0%%USER0%", vars, pending);
    }
    expect_general(result, 7);
    EXPECT_EQ(vars[0].size(), 512u);
    EXPECT_EQ(small.ReplaceVariables(L"%USER0%", vars).size(), 512u);
    EXPECT_THROW(small.ReplaceVariables(L"%USER0%%USER0%", vars), DrafthandError);
    EXPECT_EQ(statement(L"%USER0%=%USER0%%USER0%"), -1) << "the default limit is far larger";
}

TEST_F(Settings, CommandTimeOutConversions) {
    struct Case {
        const wchar_t* line;
        int32_t value;
    };
    for (const Case& c :
         {Case{L"%COMMAND_TIMEOUT%=-5", -5}, Case{L"%COMMAND_TIMEOUT% = 2.5", 2},
          Case{L"%COMMAND_TIMEOUT%=3.5", 4}, Case{L"%COMMAND_TIMEOUT%=\" 10 \"", 10},
          Case{L"%COMMAND_TIMEOUT%", 10}, Case{L"%COMMAND_TIMEOUT%=%USER0%5", 5}}) {
        EXPECT_EQ(statement(c.line), -1) << c.line;
        EXPECT_EQ(control.command_timeout, c.value) << c.line;
    }
    vars[0] = L"x";
    expect_general(statement(L"%COMMAND_TIMEOUT%=%USER0%"), 13);
    expect_general(statement(L"%COMMAND_TIMEOUT%="), 13);
    expect_general(statement(L"%COMMAND_TIMEOUT%x"), 13);
    expect_general(statement(L"%COMMAND_TIMEOUT%=2147483648"), 6);
    expect_general(statement(L"%COMMAND_TIMEOUT%=\""), 5);
    EXPECT_EQ(control.command_timeout, 5);
}

TEST_F(Settings, PatternMatchConversions) {
    struct Case {
        const wchar_t* line;
        bool value;
    };
    for (const Case& c : {Case{L"%PATTERN_MATCH%=false", false}, Case{L"%PATTERN_MATCH%", false},
                          Case{L"%PATTERN_MATCH% = TrUe", true}, Case{L"%PATTERN_MATCH%=0", false},
                          Case{L"%PATTERN_MATCH%=-1", true}, Case{L"%PATTERN_MATCH%=0.5", true}}) {
        EXPECT_EQ(statement(c.line), -1) << c.line;
        EXPECT_EQ(control.pattern_match, c.value) << c.line;
    }
    expect_general(statement(L"%PATTERN_MATCH%=yes"), 13);
    expect_general(statement(L"%PATTERN_MATCH%="), 13);
    expect_general(statement(L"%PATTERN_MATCH%=1e999"), 6);
    EXPECT_TRUE(control.pattern_match);
}

TEST_F(Settings, EverySettingLineClearsTheRecordFirst) {
    control.error = ErrorRecord{5, L"old", L"old"};
    EXPECT_EQ(interpreter.lSetProperty(L"%PATTERN_MATCH%=1", vars, L"PATTERN_MATCH"), -1);
    EXPECT_EQ(control.error, ErrorRecord{});
    control.error = ErrorRecord{5, L"old", L"old"};
    EXPECT_EQ(interpreter.lSetUserVariable(L"%USER1%=1", vars), -1);
    EXPECT_EQ(control.error, ErrorRecord{});
    control.error = ErrorRecord{5, L"old", L"old"};
    EXPECT_EQ(interpreter.lGotoLabel(L"GOTO\t*x", vars, pending), -1);
    EXPECT_EQ(control.error, ErrorRecord{});
}

TEST_F(Jumps, LabelAfterTheFirstTabRun) {
    EXPECT_EQ(statement(L"GOTO\t*end"), -1);
    EXPECT_EQ(pending, std::wstring(L"*end"));
    EXPECT_EQ(statement(L"GOTO\t\t\t \"*a b\" "), -1);
    EXPECT_EQ(pending, std::wstring(L"*a b"));
    vars[0] = L"next";
    EXPECT_EQ(statement(L"GOTO\t*%USER0%"), -1);
    EXPECT_EQ(pending, std::wstring(L"*next"));
    EXPECT_EQ(statement(L"GOTO *x"), -1);
    EXPECT_EQ(pending, std::wstring(L"GOTO *x"));
    EXPECT_EQ(statement(L"GOTO\t"), -1);
    EXPECT_EQ(pending, std::wstring()) << "an empty label is still a pending jump";
    expect_general(statement(L"GOTO\t\""), 5);
}

TEST_F(Conditions, EqualityAndInequality) {
    vars[0] = L"YES";
    EXPECT_EQ(condition(L"?%USER0%==YES>EXIT"), 0);
    EXPECT_EQ(condition(L"? %USER0% == YES > EXIT"), 0);
    EXPECT_EQ(condition(L"?%USER0%!=YES>EXIT"), -1);
    vars[0] = L"NO";
    EXPECT_EQ(condition(L"?%USER0%==YES>EXIT"), -1);
    EXPECT_EQ(condition(L"?%USER0%!=YES>EXIT"), 0);
    EXPECT_EQ(condition(L"?==>EXIT"), 0) << "two empty operands";
    vars[1] = L"a>b";
    EXPECT_EQ(condition(L"?%USER1%==\"a>b\"x>EXIT"), -1) << "the first > ends the operand";
    EXPECT_EQ(condition(L"?\"%USER1%\"==a[>]b>EXIT"), -1);
    EXPECT_EQ(condition(L"?%USER1%==a?b>EXIT"), 0) << "a value may hold >";
}

TEST_F(Conditions, PatternOrExactComparison) {
    vars[0] = L"前 ｺﾏﾝﾄﾞ: ";
    EXPECT_EQ(condition(L"?%USER0%==*ｺﾏﾝﾄﾞ*>EXIT"), 0);
    control.pattern_match = false;
    EXPECT_EQ(condition(L"?%USER0%==*ｺﾏﾝﾄﾞ*>EXIT"), -1);
    EXPECT_EQ(condition(L"?%USER0%!=*ｺﾏﾝﾄﾞ*>EXIT"), 0);
    vars[0] = L"*ｺﾏﾝﾄﾞ*";
    EXPECT_EQ(condition(L"?%USER0%==*ｺﾏﾝﾄﾞ*>EXIT"), 0);
    control.pattern_match = true;
    vars[0] = L"12";
    EXPECT_EQ(condition(L"?%USER0%==##>EXIT"), 0);
    EXPECT_EQ(condition(L"?%USER0%==[!0-9]*>EXIT"), -1);
}

TEST_F(Conditions, MalformedLines) {
    expect_failure(condition(L"?a=b>EXIT"), kScriptFailed, kRunScriptSource,
                   L"条件文に比較演算子が指定されていません。");
    expect_general(condition(L"?a==b EXIT"), 5);
    expect_general(condition(L"?a>b==c"), 5);
    // "==" is looked for first, even inside the statement.
    expect_general(condition(L"?a!=b>SET_VARIABLE\tX\ta==b"), 5);
    expect_general(condition(L"?\"==a>EXIT"), 5);
    // The statement part has no command word.
    expect_general(condition(L"?a==a>"), 9);
    expect_general(condition(L"?a==a>  "), 9);
    // Conditions, comments and labels do not nest.
    for (const wchar_t* line : {L"?a==a>?b==b>EXIT", L"?a==a>//x", L"?a==a>*label"}) {
        expect_failure(condition(line), kScriptFailed, kCommandSource, kUndefinedCommand);
    }
}

TEST_F(Conditions, StatementOutcomeIsTheLinesOutcome) {
    vars[0] = L"1";
    EXPECT_EQ(condition(L"?%USER0%==1>%USER1%=set"), -1);
    EXPECT_EQ(vars[1], L"set");
    EXPECT_EQ(condition(L"?%USER0%==1>%COMMAND_TIMEOUT%=5"), -1);
    EXPECT_EQ(control.command_timeout, 5);
    EXPECT_EQ(condition(L"?%USER0%==1>GOTO\t*done"), -1);
    EXPECT_EQ(pending, std::wstring(L"*done"));

    control.cancelled.insert(L"WaitPrompt");
    EXPECT_EQ(condition(L"?%USER0%==1>WAIT_PROMPT"), kCancelByUser);
    control.link = false;
    expect_failure(condition(L"?%USER0%==1>GET_PROMPT\t%USER2%"), acPrivateError::LinkFailed,
                   L"Drafthand.Control.GetPrompt", kLinkLost);
}

TEST_F(Conditions, FalseConditionLeavesTheRecordAlone) {
    const ErrorRecord before{9, L"earlier", L"earlier"};
    control.error = before;
    EXPECT_EQ(condition(L"?a==b>EXIT"), -1);
    EXPECT_EQ(control.error, before);
}

} // namespace
} // namespace drafthand::script::testing
