// Seeded random lines and scripts through every line procedure and RunScript:
// no crash (the sanitizers watch), no write outside the array, and every
// result a valid line result or a failure that the record holds.
#include "script_test_support.h"

#include <random>

namespace drafthand::script::testing {
namespace {

const wchar_t* const kTokens[] = {L"%USER0%",
                                  L"%USER4%",
                                  L"%USER9%",
                                  L"%USER",
                                  L"%COMMAND_TIMEOUT%",
                                  L"%PATTERN_MATCH%",
                                  L"GOTO",
                                  L"*",
                                  L"*L",
                                  L"?",
                                  L"==",
                                  L"!=",
                                  L">",
                                  L"=",
                                  L"\t",
                                  L"\t\t\t",
                                  L" ",
                                  L"\"",
                                  L"\"\"",
                                  L"^M",
                                  L"^J",
                                  L"^C",
                                  L"EXIT",
                                  L"SLEEP",
                                  L"ACTIVE",
                                  L"GET_PROMPT",
                                  L"WAIT_PROMPT",
                                  L"POST_COMMAND",
                                  L"SEND_COMMAND",
                                  L"GET_VARIABLE",
                                  L"SET_VARIABLE",
                                  L"GET_HISTORY",
                                  L"GET_POSITION",
                                  L"SHOW_MESSAGE",
                                  L"-",
                                  L"1",
                                  L"-5",
                                  L"2.5",
                                  L"1e999",
                                  L"TRUE",
                                  L"false",
                                  L"iOKCANCEL",
                                  L"YESNO",
                                  L"X",
                                  L"[",
                                  L"]",
                                  L"[!",
                                  L"#",
                                  L"//",
                                  L"ｺﾏﾝﾄﾞ: ",
                                  L"\r",
                                  L"\n"};

class Fuzz : public ::testing::Test {
protected:
    std::mt19937 random{20261207};

    std::size_t below(std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(random);
    }

    std::wstring random_line() {
        std::wstring line;
        const std::size_t count = below(12);
        for (std::size_t i = 0; i < count; ++i) {
            if (below(8) == 0) {
                line += static_cast<wchar_t>(below(0x3100));
            } else {
                line += kTokens[below(std::size(kTokens))];
            }
        }
        return line;
    }

    void randomise(FakeControl& control) {
        control.link = below(6) != 0;
        control.failures.clear();
        control.cancelled.clear();
        control.odd_results.clear();
        const wchar_t* operations[] = {L"Active",      L"PostCommand", L"SendCommand",
                                       L"GetPrompt",   L"WaitPrompt",  L"GetHistory",
                                       L"GetVariable", L"SetVariable", L"GetPosition"};
        for (const wchar_t* name : operations) {
            switch (below(12)) {
            case 0:
                control.failures[name] =
                    ErrorRecord{acPrivateError::CommandFailed,
                                std::wstring(L"Drafthand.Control.") + name, L"x"};
                break;
            case 1:
                control.cancelled.insert(name);
                break;
            case 2:
                control.odd_results[name] = static_cast<int32_t>(below(3)) - 1;
                break;
            default:
                break;
            }
        }
        control.x = std::uniform_real_distribution<double>(-1e20, 1e20)(random);
        control.answer = static_cast<int32_t>(below(8));
        control.stop = below(4) == 0;
        control.pattern_match = below(2) == 0;
        control.command_timeout = static_cast<int32_t>(below(100000)) - 50000;
    }

    static void expect_valid(int32_t result, const FakeControl& control, bool may_end) {
        if (result == -1) {
            return;
        }
        if (result == 0 || result == acPrivateError::CancelByUser) {
            EXPECT_TRUE(may_end) << result;
            return;
        }
        EXPECT_EQ(control.error.number, result);
        EXPECT_FALSE(control.error.source.empty());
        EXPECT_FALSE(control.error.description.empty());
    }
};

TEST_F(Fuzz, LineProceduresAlwaysGiveALineResult) {
    FakeControl control;
    ScriptInterpreter interpreter(control, 4096);
    for (int iteration = 0; iteration < 8000; ++iteration) {
        randomise(control);
        UserVariables vars(below(11));
        for (auto& var : vars) {
            var = random_line();
        }
        const std::size_t size = vars.size();
        PendingLabel pending;
        std::wstring line = random_line();
        if (below(3) == 0) {
            line = L"?" + line;
        }
        const wchar_t* keys[] = {L"COMMAND_TIMEOUT", L"PATTERN_MATCH", L"OTHER"};
        SCOPED_TRACE(to_utf8(line));
        expect_valid(interpreter.lExecuteCondition(line, vars, pending), control, true);
        expect_valid(interpreter.lExecuteStatement(line, vars, pending), control, true);
        expect_valid(interpreter.lExecuteCommand(line, vars), control, true);
        expect_valid(interpreter.lSetUserVariable(line, vars), control, false);
        expect_valid(interpreter.lSetProperty(line, vars, keys[below(3)]), control, false);
        expect_valid(interpreter.lGotoLabel(line, vars, pending), control, false);
        ASSERT_EQ(vars.size(), size);
        for (const auto& var : vars) {
            ASSERT_LE(var.size(), 4096u);
        }
        if (HasFailure()) {
            return;
        }
    }
}

TEST_F(Fuzz, RunScriptAlwaysEndsWithAResult) {
    FakeControl control;
    ScriptInterpreter interpreter(control, 4096);
    const char* ends[] = {"\r\n", "\r", "\n", "\n\r"};
    for (int iteration = 0; iteration < 2000; ++iteration) {
        randomise(control);
        control.read_chunk = 1 + below(64);
        std::string bytes;
        const std::size_t count = below(30);
        for (std::size_t i = 0; i < count; ++i) {
            if (below(10) == 0) {
                for (std::size_t k = below(40); k > 0; --k) {
                    bytes += static_cast<char>(below(256));
                }
            } else {
                bytes += to_utf8(random_line());
            }
            bytes += ends[below(4)];
        }
        control.files[L"s.txt"] = bytes;
        UserVariables vars(below(12));
        const std::size_t size = vars.size();
        const int32_t result = interpreter.RunScript(L"s.txt", below(20) == 0 ? nullptr : &vars);
        if (result == acPrivateError::CancelByUser) {
            EXPECT_TRUE(control.stop);
        } else if (result != -1) {
            EXPECT_NE(result, 0);
            EXPECT_EQ(control.error.number, result);
            EXPECT_FALSE(control.error.description.empty());
        }
        ASSERT_EQ(vars.size(), size);
        if (HasFailure()) {
            return;
        }
    }
}

} // namespace
} // namespace drafthand::script::testing
