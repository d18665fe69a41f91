#include "drafthand/channel.h"

#include "drafthand/discovery.h"
#include "drafthand/text.h"

namespace drafthand {

Channel::Channel(ThreadRecords& records, WindowSystem& system, Clock& clock, MessagePump& pump)
    : records_(records), system_(system), clock_(clock), pump_(pump) {
    records_.last_error.clear();
}

void Channel::require_link(const std::wstring& source) const {
    if (!windows_alive(system_, records_.windows)) {
        raise(acPrivateError::LinkFailed, source, kMessageLinkLost);
    }
}

int32_t Channel::PostCommand(std::wstring_view command) {
    return run_method(records_.last_error, [&] {
        require_link(kSourcePostCommand);
        const WindowHandle main = records_.windows.main.handle;
        const Answer answer = system_.send_command_text(main, ExpandEscapes(command));
        // A command that went unanswered is not sent again: it may have
        // arrived all the same.
        if (!answer) {
            raise(acPrivateError::LinkFailed, kSourcePostCommand, kMessageLinkLost);
        }
        if (*answer == 0) {
            raise(acPrivateError::CommandFailed, kSourcePostCommand, kMessageLinkLost);
        }
        if (post_null_char_) {
            system_.post_null(main);
        }
        return kSuccess;
    });
}

std::wstring Channel::read_live_text(WindowHandle window, const std::wstring& source) {
    std::wstring text;
    switch (system_.read_live_text(window, text)) {
    case LiveTextRead::read:
        break;
    case LiveTextRead::unreadable:
        raise(acPrivateError::CommandFailed, source, kMessageLinkLost);
    case LiveTextRead::not_answered:
        // Unlike an empty command line, a silent window ends a prompt wait.
        raise(acPrivateError::LinkFailed, source, kMessageLinkLost);
    }
    // The part before the first NUL, as a C string reader would see it.
    const size_t nul = text.find(L'\0');
    if (nul != std::wstring::npos) {
        text.resize(nul);
    }
    return text;
}

int32_t Channel::GetPrompt(std::wstring& prompt) {
    return run_method(records_.last_error, [&] {
        require_link(kSourceGetPrompt);
        prompt = read_live_text(records_.windows.command.handle, kSourceGetPrompt);
        return kSuccess;
    });
}

int32_t Channel::GetHistory(std::wstring& history, std::wstring_view match) {
    return run_method(records_.last_error, [&] {
        require_link(kSourceGetHistory);
        std::wstring text = read_live_text(records_.windows.history.handle, kSourceGetHistory);
        if (!match.empty()) {
            const size_t position = text.rfind(match);
            text = position == std::wstring::npos ? std::wstring() : text.substr(position);
        }
        history = std::move(text);
        return kSuccess;
    });
}

std::wstring Channel::wait_for_prompt(const PromptRule& rule, const std::wstring& source) {
    const uint32_t start = clock_.tick_count();
    std::wstring prompt;
    for (;;) {
        prompt.clear();
        const int32_t read = GetPrompt(prompt);
        if (read != kSuccess && read != acPrivateError::CommandFailed) {
            reraise(records_.last_error);
        }
        if (rule(prompt)) {
            break;
        }
        // Signed difference: the tick counter wraps around every 49.7 days.
        const auto elapsed = static_cast<int32_t>(clock_.tick_count() - start);
        if (command_timeout_ >= 0 && elapsed >= command_timeout_) {
            raise(acPrivateError::CommandFailed, source, kMessageWaitTimedOut);
        }
        pump_.pump_pending_messages();
        clock_.sleep(static_cast<uint32_t>(check_interval_));
        if (stop_requested_) {
            break;
        }
    }
    return prompt;
}

bool Channel::prompt_matches(const std::wstring& prompt, const std::wstring& expected) const {
    return pattern_match_ ? matches_pattern(prompt, expected) : prompt == expected;
}

int32_t Channel::finish_result() const {
    return stop_requested_ ? acPrivateError::CancelByUser : kSuccess;
}

} // namespace drafthand
