// The core of a Control object: the command channel into AutoCAD (send, read
// prompt, read history) and the prompt wait that the waiting operations run.
#pragma once

#include "drafthand/platform.h"
#include "drafthand/records.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace drafthand {

inline const wchar_t* const kSourceActive = L"Drafthand.Control.Active";
inline const wchar_t* const kSourcePostCommand = L"Drafthand.Control.PostCommand";
inline const wchar_t* const kSourceSendCommand = L"Drafthand.Control.SendCommand";
inline const wchar_t* const kSourceGetPrompt = L"Drafthand.Control.GetPrompt";
inline const wchar_t* const kSourceWaitPrompt = L"Drafthand.Control.WaitPrompt";
inline const wchar_t* const kSourceGetHistory = L"Drafthand.Control.GetHistory";
inline const wchar_t* const kSourceGetVariable = L"Drafthand.Control.GetVariable";
inline const wchar_t* const kSourceSetVariable = L"Drafthand.Control.SetVariable";
inline const wchar_t* const kSourceGetPosition = L"Drafthand.Control.GetPosition";
inline const wchar_t* const kSourceRunScript = L"Drafthand.Control.RunScript";
inline const wchar_t* const kSourceExecuteCommand = L"Drafthand.Control.lExecuteCommand";

inline const wchar_t* const kMessageLinkLost = L"AutoCADが起動していないか、応答がありません。";
inline const wchar_t* const kMessageWaitTimedOut = L"待機時間内に指定した応答がありませんでした。";

// AutoCAD's idle command prompt.
inline const wchar_t* const kCommandPrompt = L"ｺﾏﾝﾄﾞ: ";

// Decides whether the prompt just read ends a prompt wait.
using PromptRule = std::function<bool(const std::wstring& prompt)>;

class Channel {
public:
    static constexpr int32_t kDefaultCommandTimeOut = 60000;
    static constexpr int32_t kDefaultCheckInterval = 100;

    // Creating a channel clears the thread's last error.
    Channel(ThreadRecords& records, WindowSystem& system, Clock& clock, MessagePump& pump);
    Channel(const Channel&) = delete;
    Channel& operator=(const Channel&) = delete;
    // A wait still polling on this channel (from a nested event handler) stops.
    ~Channel() { stop_requested_ = true; }

    int32_t command_timeout() const { return command_timeout_; }
    void set_command_timeout(int32_t value) { command_timeout_ = value < 0 ? -1 : value; }
    int32_t check_interval() const { return check_interval_; }
    void set_check_interval(int32_t value) { check_interval_ = value < 0 ? 0 : value; }
    bool post_null_char() const { return post_null_char_; }
    void set_post_null_char(bool value) { post_null_char_ = value; }
    bool pattern_match() const { return pattern_match_; }
    void set_pattern_match(bool value) { pattern_match_ = value; }

    // The public operations (result convention: -1 or the error number).
    int32_t PostCommand(std::wstring_view command);
    // The prompt is written only on success.
    int32_t GetPrompt(std::wstring& prompt);
    // The history from the last occurrence of match (all of it when match is
    // empty; empty when match does not occur). Written only on success.
    int32_t GetHistory(std::wstring& history, std::wstring_view match);
    void Terminate() { stop_requested_ = true; }

    // Building blocks of the waiting operations. They raise DrafthandError and
    // are meant to run inside run_method().
    bool stop_requested() const { return stop_requested_; }
    void reset_stop_request() { stop_requested_ = false; }
    // Raises LinkFailed with the given source when a recorded window is gone.
    void require_link(const std::wstring& source) const;
    // Polls the prompt until rule accepts it, the stop request is set (then
    // the last prompt read is returned) or CommandTimeOut has passed (raises
    // CommandFailed with source). A failed read other than CommandFailed is
    // raised again as the read recorded it.
    std::wstring wait_for_prompt(const PromptRule& rule, const std::wstring& source);
    // The rule of SendCommand and WaitPrompt: a pattern or plain equality,
    // as PatternMatch says.
    bool prompt_matches(const std::wstring& prompt, const std::wstring& expected) const;
    // -1, or CancelByUser when the stop request is set.
    int32_t finish_result() const;

    ThreadRecords& records() const { return records_; }
    WindowSystem& window_system() const { return system_; }
    Clock& clock() const { return clock_; }
    MessagePump& message_pump() const { return pump_; }

private:
    std::wstring read_live_text(WindowHandle window, const std::wstring& source);

    ThreadRecords& records_;
    WindowSystem& system_;
    Clock& clock_;
    MessagePump& pump_;
    int32_t command_timeout_ = kDefaultCommandTimeOut;
    int32_t check_interval_ = kDefaultCheckInterval;
    bool post_null_char_ = true;
    bool pattern_match_ = true;
    bool stop_requested_ = false;
};

} // namespace drafthand
