#include "drafthand/script/interpreter.h"

#include "drafthand/script/line_reader.h"
#include "drafthand/script/script_text.h"
#include "drafthand/text.h"

#include <algorithm>
#include <memory>

namespace drafthand::script {

namespace {

const wchar_t* const kRunScriptSource = L"Drafthand.Control.RunScript";
const wchar_t* const kCommandSource = L"Drafthand.Control.lExecuteCommand";

bool starts_with(std::wstring_view text, std::wstring_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

bool is_failure_number(int32_t number) {
    return number != kLineDone && number != kLineExit && number != acPrivateError::CancelByUser;
}

// Replaces every occurrence of name, left to right; the inserted text is not
// searched again for the same name.
void replace_all(std::wstring& text, std::wstring_view name, std::wstring_view value,
                 std::size_t limit) {
    auto found = text.find(name);
    if (found == std::wstring::npos) {
        return;
    }
    std::wstring result;
    std::size_t start = 0;
    while (found != std::wstring::npos) {
        if (result.size() + (found - start) + value.size() > limit) {
            raise_general(runtime_error::OutOfMemory);
        }
        result.append(text, start, found - start);
        result.append(value);
        start = found + name.size();
        found = text.find(name, start);
    }
    if (result.size() + (text.size() - start) > limit) {
        raise_general(runtime_error::OutOfMemory);
    }
    result.append(text, start, std::wstring::npos);
    text.swap(result);
}

const wchar_t* const kVariableNames[kMaxUserVariables] = {
    L"%USER0%", L"%USER1%", L"%USER2%", L"%USER3%", L"%USER4%",
    L"%USER5%", L"%USER6%", L"%USER7%", L"%USER8%", L"%USER9%"};

[[noreturn]] void raise_conversion(Conversion conversion) {
    raise_general(conversion == Conversion::overflow ? runtime_error::Overflow
                                                     : runtime_error::TypeMismatch);
}

std::wstring answer_word(int32_t answer) {
    switch (answer) {
    case 1:
        return L"OK";
    case 2:
        return L"CANCEL";
    case 6:
        return L"YES";
    case 7:
        return L"NO";
    default:
        return {};
    }
}

} // namespace

std::wstring ScriptInterpreter::ReplaceVariables(std::wstring text,
                                                 const UserVariables& user_variables) const {
    if (text.find(L'%') == std::wstring::npos) {
        return text;
    }
    const std::size_t count = std::min(user_variables.size(), kMaxUserVariables);
    for (std::size_t n = 0; n < count; ++n) {
        replace_all(text, kVariableNames[n], user_variables[n], max_text_length_);
    }
    replace_all(text, L"%COMMAND_TIMEOUT%", std::to_wstring(control_.CommandTimeOut()),
                max_text_length_);
    replace_all(text, L"%PATTERN_MATCH%", control_.PatternMatch() ? L"TRUE" : L"FALSE",
                max_text_length_);
    return text;
}

// A value: trimmed, stripped of enclosing quotes, substituted.
std::wstring ScriptInterpreter::value_of(std::wstring word,
                                         const UserVariables& user_variables) const {
    std::wstring text(trim_spaces(word));
    return ReplaceVariables(StripQuotes(text), user_variables);
}

// The element a result variable names. Anything but a variable of the
// caller's array fails the line rather than write outside the array.
std::wstring& ScriptInterpreter::result_variable(const std::wstring& word,
                                                 UserVariables& user_variables) const {
    int index = 0;
    if (!parse_variable_name(word, index) ||
        static_cast<std::size_t>(index) >= user_variables.size()) {
        raise_general(runtime_error::IndexOutOfRange);
    }
    return user_variables[static_cast<std::size_t>(index)];
}

// Raises the failure a deeper procedure or an operation left in the record,
// unchanged. A record that does not hold a failure (a misbehaving operation)
// must not turn the failure into EXIT or success.
void ScriptInterpreter::reraise_last_error(int32_t result) {
    ErrorRecord record = control_.last_error();
    if (!is_failure_number(record.number)) {
        record.number = is_failure_number(result) ? result : runtime_error::InvalidArgument;
        if (record.source.empty()) {
            record.source = kComponentName;
        }
        if (record.description.empty()) {
            record.description = general_error_description(record.number);
        }
    }
    reraise(record);
}

int32_t ScriptInterpreter::after_operation(int32_t result) {
    if (result == kLineDone || result == acPrivateError::CancelByUser) {
        return result;
    }
    reraise_last_error(result);
}

int32_t ScriptInterpreter::lExecuteCondition(const std::wstring& line,
                                             UserVariables& user_variables,
                                             PendingLabel& pending) noexcept {
    return capture_errors(control_.last_error(), [&]() -> int32_t {
        std::wstring_view op = L"==";
        auto op_position = line.find(op);
        if (op_position == std::wstring::npos) {
            op = L"!=";
            op_position = line.find(op);
        }
        if (op_position == std::wstring::npos) {
            raise(acPrivateError::ScriptFailed, kRunScriptSource,
                  L"条件文に比較演算子が指定されていません。");
        }
        const auto gt = line.find(L'>');
        if (gt == std::wstring::npos || gt < op_position + op.size()) {
            raise_general(runtime_error::InvalidArgument);
        }
        const std::wstring left_text =
            op_position >= 1 ? line.substr(1, op_position - 1) : std::wstring();
        const std::wstring left = value_of(left_text, user_variables);
        const std::wstring right = value_of(
            line.substr(op_position + op.size(), gt - op_position - op.size()), user_variables);
        const std::wstring statement(trim_spaces(std::wstring_view(line).substr(gt + 1)));

        const bool same = control_.PatternMatch() ? matches_pattern(left, right) : left == right;
        if (same != (op == L"==")) {
            return kLineDone;
        }
        const int32_t result = lExecuteStatement(statement, user_variables, pending);
        if (is_failure_number(result)) {
            reraise_last_error(result);
        }
        return result;
    });
}

int32_t ScriptInterpreter::lExecuteStatement(const std::wstring& line,
                                             UserVariables& user_variables,
                                             PendingLabel& pending) noexcept {
    return capture_errors(control_.last_error(), [&]() -> int32_t {
        int index = 0;
        int32_t result = kLineDone;
        if (begins_with_variable_name(line, index)) {
            result = lSetUserVariable(line, user_variables);
        } else if (starts_with(line, L"%COMMAND_TIMEOUT%")) {
            result = lSetProperty(line, user_variables, L"COMMAND_TIMEOUT");
        } else if (starts_with(line, L"%PATTERN_MATCH%")) {
            result = lSetProperty(line, user_variables, L"PATTERN_MATCH");
        } else if (starts_with(line, L"GOTO")) {
            result = lGotoLabel(line, user_variables, pending);
        } else {
            result = lExecuteCommand(line, user_variables);
        }
        if (is_failure_number(result)) {
            reraise_last_error(result);
        }
        return result;
    });
}

int32_t ScriptInterpreter::lSetUserVariable(const std::wstring& line,
                                            UserVariables& user_variables) noexcept {
    return run_method(control_.last_error(), [&]() -> int32_t {
        int index = 0;
        if (!begins_with_variable_name(line, index)) {
            raise_general(runtime_error::TypeMismatch);
        }
        const auto equals = line.find(L'=');
        if (equals == std::wstring::npos) {
            raise_general(runtime_error::InvalidArgument);
        }
        std::wstring value = value_of(line.substr(equals + 1), user_variables);
        if (static_cast<std::size_t>(index) >= user_variables.size()) {
            raise_general(runtime_error::IndexOutOfRange);
        }
        user_variables[static_cast<std::size_t>(index)] = std::move(value);
        return kLineDone;
    });
}

int32_t ScriptInterpreter::lSetProperty(const std::wstring& line, UserVariables& user_variables,
                                        std::wstring_view key) noexcept {
    return run_method(control_.last_error(), [&]() -> int32_t {
        // Without "=" the line is its own value: the setting's current text.
        const auto equals = line.find(L'=');
        const std::wstring value =
            value_of(equals == std::wstring::npos ? line : line.substr(equals + 1), user_variables);
        if (key == L"COMMAND_TIMEOUT") {
            int32_t milliseconds = 0;
            const Conversion conversion = to_long(value, milliseconds);
            if (conversion != Conversion::ok) {
                raise_conversion(conversion);
            }
            control_.store_command_timeout(milliseconds);
        } else if (key == L"PATTERN_MATCH") {
            bool on = false;
            const Conversion conversion = to_boolean(value, on);
            if (conversion != Conversion::ok) {
                raise_conversion(conversion);
            }
            control_.store_pattern_match(on);
        } else {
            raise_general(runtime_error::InvalidArgument);
        }
        return kLineDone;
    });
}

int32_t ScriptInterpreter::lGotoLabel(const std::wstring& line, UserVariables& user_variables,
                                      PendingLabel& pending) noexcept {
    return run_method(control_.last_error(), [&]() -> int32_t {
        // The label follows the first run of tabs; without a tab the whole
        // line is the label, which no label line equals.
        std::wstring label_text = line;
        const auto tab = line.find(L'\t');
        if (tab != std::wstring::npos) {
            const auto after = line.find_first_not_of(L'\t', tab);
            label_text = after == std::wstring::npos ? std::wstring() : line.substr(after);
        }
        pending = value_of(std::move(label_text), user_variables);
        return kLineDone;
    });
}

int32_t ScriptInterpreter::lExecuteCommand(const std::wstring& line,
                                           UserVariables& user_variables) noexcept {
    return run_method(control_.last_error(),
                      [&]() -> int32_t { return execute_command(line, user_variables); });
}

int32_t ScriptInterpreter::execute_command(const std::wstring& line,
                                           UserVariables& user_variables) {
    std::vector<std::wstring> words = split_words(line);
    for (auto& word : words) {
        word = std::wstring(trim_spaces(word));
        StripQuotes(word);
    }
    if (words.empty()) {
        raise_general(runtime_error::IndexOutOfRange);
    }
    // One command line as the commands below see it: its words with quotes
    // stripped, and their values once the variables are replaced.
    struct Call {
        ScriptInterpreter& self;
        const std::vector<std::wstring>& words;
        UserVariables& variables;
        std::size_t parameters() const { return words.size() - 1; }
        std::wstring value(std::size_t n) const {
            return self.ReplaceVariables(words[n], variables);
        }
        std::wstring& target(std::size_t n) const {
            return self.result_variable(words[n], variables);
        }
        // An optional parameter's value, or the default.
        std::wstring value_or(std::size_t n, const std::wstring& otherwise) const {
            return parameters() >= n ? value(n) : otherwise;
        }
    };
    struct Command {
        const wchar_t* name;
        std::size_t parameters; // at the least; fewer raise IndexOutOfRange
        int32_t (*run)(const Call&);
    };
    static const Command kCommands[] = {
        {L"EXIT", 0, [](const Call&) -> int32_t { return kLineExit; }},
        {L"SLEEP", 1,
         [](const Call& c) -> int32_t {
             int32_t milliseconds = 0;
             const Conversion conversion = to_long(c.value(1), milliseconds);
             if (conversion != Conversion::ok) {
                 raise_conversion(conversion);
             }
             if (milliseconds < 0) {
                 raise_general(runtime_error::InvalidArgument);
             }
             c.self.control_.sleep(static_cast<uint32_t>(milliseconds));
             return kLineDone;
         }},
        {L"ACTIVE", 0,
         [](const Call& c) { return c.self.after_operation(c.self.control_.Active()); }},
        {L"GET_PROMPT", 1,
         [](const Call& c) {
             return c.self.after_operation(c.self.control_.GetPrompt(c.target(1)));
         }},
        {L"WAIT_PROMPT", 0,
         [](const Call& c) {
             return c.self.after_operation(
                 c.self.control_.WaitPrompt(c.value_or(1, kCommandPrompt)));
         }},
        {L"POST_COMMAND", 1,
         [](const Call& c) {
             return c.self.after_operation(c.self.control_.PostCommand(c.value(1)));
         }},
        {L"SEND_COMMAND", 1,
         [](const Call& c) {
             const std::wstring text = c.value(1);
             const std::wstring prompt = c.value_or(2, kCommandPrompt);
             return c.self.after_operation(c.self.control_.SendCommand(text, prompt));
         }},
        {L"GET_VARIABLE", 2,
         [](const Call& c) {
             const std::wstring name = c.value(1);
             return c.self.after_operation(c.self.control_.GetVariable(name, c.target(2)));
         }},
        {L"SET_VARIABLE", 2,
         [](const Call& c) {
             const std::wstring name = c.value(1);
             const std::wstring new_value = c.value(2);
             return c.self.after_operation(c.self.control_.SetVariable(name, new_value));
         }},
        {L"GET_HISTORY", 1,
         [](const Call& c) {
             std::wstring& target = c.target(1);
             const std::wstring match = c.value_or(2, std::wstring());
             return c.self.after_operation(c.self.control_.GetHistory(target, match));
         }},
        {L"GET_POSITION", 3,
         [](const Call& c) {
             // "-" (any non-name) skips a coordinate; a name beyond the array
             // is refused before the user is asked for a point.
             std::wstring* targets[3] = {nullptr, nullptr, nullptr};
             for (std::size_t i = 0; i < 3; ++i) {
                 int index = 0;
                 if (parse_variable_name(c.words[i + 1], index)) {
                     targets[i] = &c.target(i + 1);
                 }
             }
             double coordinates[3] = {0.0, 0.0, 0.0};
             const int32_t result = c.self.after_operation(
                 c.self.control_.GetPosition(coordinates[0], coordinates[1], coordinates[2]));
             for (std::size_t i = 0; i < 3; ++i) {
                 if (targets[i] != nullptr) {
                     *targets[i] = format_number(coordinates[i]);
                 }
             }
             return result;
         }},
        {L"SHOW_MESSAGE", 0,
         [](const Call& c) { return c.self.show_message(c.words, c.variables); }},
    };
    for (const Command& command : kCommands) {
        if (words[0] == command.name) {
            if (words.size() - 1 < command.parameters) {
                raise_general(runtime_error::IndexOutOfRange);
            }
            return command.run(Call{*this, words, user_variables});
        }
    }
    raise(acPrivateError::ScriptFailed, kCommandSource,
          L"未定義のスクリプトコマンドが指定されています。");
}

int32_t ScriptInterpreter::show_message(const std::vector<std::wstring>& words,
                                        UserVariables& user_variables) {
    const std::size_t parameters = words.size() - 1;
    if (parameters == 0) {
        raise_general(runtime_error::IndexOutOfRange);
    }
    if (parameters == 1) {
        raise(acPrivateError::ScriptFailed, kCommandSource,
              L"パラメータを省略することはできません。");
    }
    const std::wstring message = ExpandEscapes(ReplaceVariables(words[2], user_variables));
    if (parameters == 2) {
        control_.ShowMessage(message, 0, kDefaultTitle);
        return kLineDone;
    }

    std::wstring& target = result_variable(words[1], user_variables);
    std::wstring style = ReplaceVariables(words[3], user_variables);
    int32_t icon = 0;
    if (!style.empty()) {
        switch (style[0]) {
        case L'i':
            icon = 64;
            break;
        case L'?':
            icon = 32;
            break;
        case L'!':
            icon = 48;
            break;
        case L'x':
        case L'X':
            icon = 16;
            break;
        default:
            break;
        }
        if (icon != 0) {
            style.erase(0, 1);
        }
    }
    int32_t buttons = 0;
    if (style == L"OKONLY") {
        buttons = 0;
    } else if (style == L"OKCANCEL") {
        buttons = 1;
    } else if (style == L"YESNO") {
        buttons = 4;
    } else if (style == L"YESNOCANCEL") {
        buttons = 3;
    } else {
        raise(acPrivateError::ScriptFailed, kCommandSource,
              L"未定義のパラメータが指定されています。");
    }
    const std::wstring title =
        parameters >= 4 ? ReplaceVariables(words[4], user_variables) : kDefaultTitle;
    target = answer_word(control_.ShowMessage(message, icon + buttons, title));
    return kLineDone;
}

int32_t ScriptInterpreter::RunScript(const std::wstring& path,
                                     UserVariables* user_variables) noexcept {
    ErrorRecord& last_error = control_.last_error();
    last_error.clear();
    control_.clear_stop_request();
    return capture_errors(last_error, [&]() -> int32_t { return run(path, user_variables); });
}

int32_t ScriptInterpreter::run(const std::wstring& path, UserVariables* user_variables) {
    if (user_variables == nullptr) {
        raise_general(runtime_error::IndexOutOfRange);
    }
    if (user_variables->size() > kMaxUserVariables) {
        raise(acPrivateError::ScriptFailed, kRunScriptSource,
              L"ユーザー変数が10個を超えています。");
    }
    ErrorRecord open_error;
    const std::unique_ptr<ScriptFile> file = control_.open_script(path, open_error);
    if (!file) {
        if (!is_failure_number(open_error.number)) {
            open_error.number = runtime_error::FileNotFound;
        }
        raise(open_error.number, open_error.source.empty() ? kComponentName : open_error.source,
              L"スクリプトファイルを開くことができませんでした。");
    }

    int64_t line_number = 0;
    const auto fail_line = [&line_number](const ErrorRecord& failure) {
        raise(failure.number, failure.source,
              L"スクリプト実行中にエラーが発生しました。\r\n" + std::to_wstring(line_number) +
                  L"行目: " + failure.description);
    };

    LineReader reader(*file, max_text_length_);
    PendingLabel pending;
    std::string bytes;
    int32_t result = kLineDone;
    for (;;) {
        ErrorRecord read_error;
        const LineReader::Status status = reader.next(bytes, read_error);
        if (status == LineReader::Status::end) {
            break;
        }
        ++line_number;
        if (status == LineReader::Status::too_long) {
            fail_line(ErrorRecord{runtime_error::OutOfMemory, kComponentName,
                                  general_error_description(runtime_error::OutOfMemory)});
        }
        if (status == LineReader::Status::read_failed) {
            if (!is_failure_number(read_error.number)) {
                read_error.number = runtime_error::DeviceIoError;
                read_error.description = general_error_description(read_error.number);
            }
            fail_line(read_error);
        }

        const std::wstring decoded = control_.decode_ansi(bytes);
        const std::wstring line(trim_spaces(decoded));
        if (line.empty() || starts_with(line, L"//")) {
            // nothing to run
        } else if (pending) {
            if (starts_with(line, L"*") && line == *pending) {
                pending.reset();
            }
        } else if (starts_with(line, L"?")) {
            result = lExecuteCondition(line, *user_variables, pending);
        } else if (!starts_with(line, L"*")) {
            result = lExecuteStatement(line, *user_variables, pending);
        }
        if (result == kLineExit || result == acPrivateError::CancelByUser) {
            break;
        }
        if (result != kLineDone) {
            fail_line(control_.last_error());
        }
        control_.pump_pending_messages();
        if (control_.stop_requested()) {
            break;
        }
    }

    if (pending) {
        fail_line(ErrorRecord{acPrivateError::ScriptFailed, kCommandSource,
                              L"行ラベル(" + *pending + L")が見つかりません。"});
    }
    if (result == acPrivateError::CancelByUser || control_.stop_requested()) {
        return acPrivateError::CancelByUser;
    }
    return kLineDone;
}

} // namespace drafthand::script
