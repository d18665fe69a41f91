// Shared pieces of the interpreter tests.
#pragma once

#include "drafthand/script/script_text.h"
#include "fake_control.h"

#include <gtest/gtest.h>

namespace drafthand::script::testing {

inline const wchar_t* const kCommandSource = L"Drafthand.Control.lExecuteCommand";
inline const wchar_t* const kRunScriptSource = L"Drafthand.Control.RunScript";
inline const wchar_t* const kUndefinedCommand = L"未定義のスクリプトコマンドが指定されています。";
inline const wchar_t* const kUndefinedParameter = L"未定義のパラメータが指定されています。";
inline const wchar_t* const kLinkLost = L"AutoCADが起動していないか、応答がありません。";
inline const wchar_t* const kWrapPrefix = L"スクリプト実行中にエラーが発生しました。\r\n";
constexpr int32_t kCancelByUser = acPrivateError::CancelByUser;
constexpr int32_t kScriptFailed = acPrivateError::ScriptFailed;

class InterpreterTest : public ::testing::Test {
protected:
    FakeControl control;
    ScriptInterpreter interpreter{control};
    UserVariables vars = UserVariables(5);

    int32_t command(const std::wstring& line) { return interpreter.lExecuteCommand(line, vars); }
    int32_t statement(const std::wstring& line) {
        return interpreter.lExecuteStatement(line, vars, pending);
    }
    int32_t condition(const std::wstring& line) {
        return interpreter.lExecuteCondition(line, vars, pending);
    }

    // A failure returns its number and leaves it in the record.
    void expect_failure(int32_t result, int32_t number, const std::wstring& source,
                        const std::wstring& description) {
        EXPECT_EQ(result, number);
        EXPECT_EQ(control.error.number, number);
        EXPECT_EQ(control.error.source, source);
        EXPECT_EQ(control.error.description, description);
    }
    void expect_general(int32_t result, int32_t number) {
        expect_failure(result, number, L"Drafthand", general_error_description(number));
    }

    PendingLabel pending;
};

} // namespace drafthand::script::testing
