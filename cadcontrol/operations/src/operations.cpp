#include "drafthand/operations.h"

#include "drafthand/errors.h"
#include "drafthand/text.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <string>

namespace drafthand {
namespace {

constexpr std::wstring_view kBlanks = L" \t\r\n";

std::wstring_view trim(std::wstring_view text, std::wstring_view blanks) {
    const size_t first = text.find_first_not_of(blanks);
    if (first == std::wstring_view::npos) {
        return {};
    }
    const size_t last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

// The failure an inner public operation left in the record, raised again.
void check(Channel& channel, int32_t result) {
    if (result != kSuccess) {
        reraise(channel.records().last_error);
    }
}

bool is_idle_prompt(const std::wstring& prompt) {
    return prompt == kCommandPrompt;
}

} // namespace

int32_t PlainNumberReader::to_double(std::wstring_view text, double& value) {
    const std::wstring_view digits = trim(text, kBlanks);
    if (digits.empty()) {
        return runtime_error::TypeMismatch;
    }
    std::string narrow;
    narrow.reserve(digits.size());
    for (const wchar_t c : digits) {
        // Only what a decimal number is written with; keeps "inf", "nan" and
        // hexadecimal forms out, which the platform conversion refuses too.
        const bool allowed = (c >= L'0' && c <= L'9') || c == L'.' || c == L'+' || c == L'-' ||
                             c == L'e' || c == L'E';
        if (!allowed) {
            return runtime_error::TypeMismatch;
        }
        narrow.push_back(static_cast<char>(c));
    }
    errno = 0;
    char* end = nullptr;
    const double parsed = std::strtod(narrow.c_str(), &end);
    if (end != narrow.c_str() + narrow.size()) {
        return runtime_error::TypeMismatch;
    }
    if (std::isinf(parsed)) {
        return runtime_error::Overflow;
    }
    value = parsed;
    return 0;
}

std::wstring system_variable_command(std::wstring_view name) {
    if (name.find(L"^M") != std::wstring_view::npos ||
        name.find(L"^C") != std::wstring_view::npos) {
        return std::wstring(name);
    }
    return L"^C^C" + std::wstring(name) + L"^M";
}

std::wstring value_from_prompt(std::wstring_view prompt, const std::wstring& source) {
    const size_t open = prompt.find(L'<');
    const size_t close = prompt.find(L'>');
    if (open == std::wstring_view::npos || close == std::wstring_view::npos || close < open) {
        raise(runtime_error::InvalidArgument, source, kMessageNoValueBrackets);
    }
    return std::wstring(trim(prompt.substr(open + 1, close - open - 1), L" "));
}

void coordinates_from_history(std::wstring_view history, NumberReader& reader, double& x, double& y,
                              double& z, const std::wstring& source) {
    const size_t px = history.find(L"X =");
    const size_t py = history.find(L"Y =");
    const size_t pz = history.find(L"Z =");
    if (px == std::wstring_view::npos || py == std::wstring_view::npos ||
        pz == std::wstring_view::npos) {
        raise(acPrivateError::CommandFailed, source, kMessageNoCoordinates);
    }
    // The labels are three distinct characters long, so a later start never
    // overlaps an earlier label.
    if (!(px < py && py < pz)) {
        raise(runtime_error::InvalidArgument, source, kMessageLabelOrder);
    }
    const auto convert = [&](std::wstring_view text, double& target) {
        double value = 0.0;
        const int32_t error = reader.to_double(text, value);
        if (error != 0) {
            raise(error, source, general_error_description(error));
        }
        target = value;
    };
    convert(history.substr(px + 3, py - px - 3), x);
    convert(history.substr(py + 3, pz - py - 3), y);
    convert(history.substr(pz + 3), z);
}

int32_t Active(Channel& channel, ForegroundWindows& foreground) {
    return run_method(channel.records().last_error, [&] {
        channel.require_link(kSourceActive);
        const WindowHandle popup =
            foreground.last_active_popup(channel.records().windows.main.handle);
        if (!foreground.set_foreground(popup)) {
            raise(acPrivateError::CommandFailed, kSourceActive, kMessageLinkLost);
        }
        return kSuccess;
    });
}

int32_t SendCommand(Channel& channel, const std::wstring& command, const std::wstring& expected) {
    return run_method(channel.records().last_error, [&] {
        channel.reset_stop_request();
        check(channel, channel.PostCommand(command));
        channel.wait_for_prompt(
            [&](const std::wstring& prompt) { return channel.prompt_matches(prompt, expected); },
            kSourceSendCommand);
        return channel.finish_result();
    });
}

int32_t WaitPrompt(Channel& channel, const std::wstring& expected) {
    return run_method(channel.records().last_error, [&] {
        channel.reset_stop_request();
        channel.wait_for_prompt(
            [&](const std::wstring& prompt) { return channel.prompt_matches(prompt, expected); },
            kSourceWaitPrompt);
        return channel.finish_result();
    });
}

int32_t GetVariable(Channel& channel, const std::wstring& name, std::wstring& value) {
    ErrorRecord& last_error = channel.records().last_error;
    return run_method(last_error, [&] {
        channel.reset_stop_request();
        check(channel, channel.PostCommand(system_variable_command(name)));
        const std::wstring prompt = channel.wait_for_prompt(
            [](const std::wstring& p) { return matches_pattern(p, kValuePromptPattern); },
            kSourceGetVariable);
        value = value_from_prompt(prompt, kSourceGetVariable);
        // Leaves the value prompt with the variable unchanged. Whatever this
        // send meets does not count, so it must not show in the record
        // either (it would clear a failed poll or add a failure of its own).
        const ErrorRecord kept = last_error;
        channel.PostCommand(std::wstring(1, wchar_t{3}));
        last_error = kept;
        return channel.finish_result();
    });
}

int32_t SetVariable(Channel& channel, const std::wstring& name, const std::wstring& value) {
    return run_method(channel.records().last_error, [&] {
        channel.reset_stop_request();
        check(channel, channel.PostCommand(system_variable_command(name)));
        // Typed ahead of the value prompt; AutoCAD queues the input.
        check(channel, channel.PostCommand(value + L"^M"));
        channel.wait_for_prompt(is_idle_prompt, kSourceSetVariable);
        return channel.finish_result();
    });
}

int32_t GetPosition(Channel& channel, NumberReader& reader, double& x, double& y, double& z) {
    return run_method(channel.records().last_error, [&] {
        channel.reset_stop_request();
        check(channel, channel.PostCommand(L"^C^C_id^M"));
        channel.wait_for_prompt(is_idle_prompt, kSourceGetPosition);
        std::wstring history;
        check(channel, channel.GetHistory(history, kPointPrompt));
        coordinates_from_history(history, reader, x, y, z, kSourceGetPosition);
        return channel.finish_result();
    });
}

} // namespace drafthand
