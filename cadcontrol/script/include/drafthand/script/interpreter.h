// The script interpreter of Control.RunScript: the line loop and the line
// procedures. One interpreter serves one Control; a run keeps its own state
// (line number, pending label) on the stack, so the object holds nothing but
// the Control it drives.
#pragma once

#include "drafthand/script/script_control.h"
#include "drafthand/script/script_text.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace drafthand::script {

// The caller's UserVariable array: element n is the variable "%USERn%".
using UserVariables = std::vector<std::wstring>;
// The label of a jump that has not met its label line yet; empty optional
// when no jump is pending (an empty label is a pending jump too).
using PendingLabel = std::optional<std::wstring>;

inline constexpr std::size_t kMaxUserVariables = 10;
inline const wchar_t* const kCommandPrompt = L"ｺﾏﾝﾄﾞ: ";
inline const wchar_t* const kDefaultTitle = L"Drafthand";

// Line results besides failures (which are error numbers).
inline constexpr int32_t kLineDone = -1;
inline constexpr int32_t kLineExit = 0;

class ScriptInterpreter {
public:
    // max_text_length bounds a script line (in bytes) and a substituted value
    // (in characters).
    explicit ScriptInterpreter(ScriptControl& control, std::size_t max_text_length = kMaxTextLength)
        : control_(control), max_text_length_(max_text_length) {}

    // Runs the script at path. user_variables null stands for an array
    // without dimensions. Returns -1, CancelByUser or an error number with
    // the last-error record filled; never throws. The array keeps what the
    // script wrote, whatever the end of the run.
    int32_t RunScript(const std::wstring& path, UserVariables* user_variables) noexcept;

    ScriptControl& control() const { return control_; }

    // The line procedures. Each returns -1 (done), 0 (EXIT), CancelByUser, or
    // a failure's number with the failure in the last-error record.
    int32_t lExecuteCondition(const std::wstring& line, UserVariables& user_variables,
                              PendingLabel& pending) noexcept;
    int32_t lExecuteStatement(const std::wstring& line, UserVariables& user_variables,
                              PendingLabel& pending) noexcept;
    int32_t lSetUserVariable(const std::wstring& line, UserVariables& user_variables) noexcept;
    // key is "COMMAND_TIMEOUT" or "PATTERN_MATCH".
    int32_t lSetProperty(const std::wstring& line, UserVariables& user_variables,
                         std::wstring_view key) noexcept;
    int32_t lGotoLabel(const std::wstring& line, UserVariables& user_variables,
                       PendingLabel& pending) noexcept;
    int32_t lExecuteCommand(const std::wstring& line, UserVariables& user_variables) noexcept;

    // Substitutes the user variables, then "%COMMAND_TIMEOUT%", then
    // "%PATTERN_MATCH%". Throws DrafthandError (out of memory) when the result
    // would exceed the text length limit.
    std::wstring ReplaceVariables(std::wstring text, const UserVariables& user_variables) const;

private:
    int32_t run(const std::wstring& path, UserVariables* user_variables);
    int32_t execute_command(const std::wstring& line, UserVariables& user_variables);
    std::wstring value_of(std::wstring word, const UserVariables& user_variables) const;
    std::wstring& result_variable(const std::wstring& word, UserVariables& user_variables) const;
    int32_t show_message(const std::vector<std::wstring>& words, UserVariables& user_variables);
    int32_t after_operation(int32_t result);
    [[noreturn]] void reraise_last_error(int32_t result);

    ScriptControl& control_;
    std::size_t max_text_length_;
};

} // namespace drafthand::script
