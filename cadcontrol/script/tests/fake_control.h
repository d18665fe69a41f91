// A Control for the interpreter's tests: operations that log their calls and
// answer from scripted state, script files held in memory as UTF-8 (the
// stand-in for the ANSI code page), and hooks for pumping and sleeping.
#pragma once

#include "drafthand/script/interpreter.h"
#include "drafthand/script/script_control.h"

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace drafthand::script::testing {

std::string to_utf8(std::wstring_view text);
std::wstring from_utf8(std::string_view bytes);

class FakeControl : public ScriptControl {
public:
    struct Box {
        std::wstring message;
        int32_t style;
        std::wstring title;
    };

    // What AutoCAD shows.
    std::wstring prompt = L"ｺﾏﾝﾄﾞ: ";
    std::wstring history;
    std::map<std::wstring, std::wstring> system_variables;
    double x = 0.0, y = 0.0, z = 0.0;
    int32_t answer = 1;
    // false: every operation fails as when AutoCAD has been closed.
    bool link = true;
    // Operation name -> the failure it records and returns.
    std::map<std::wstring, ErrorRecord> failures;
    // Operations that behave as if Terminate came during their wait.
    std::set<std::wstring> cancelled;
    // Operation name -> a result returned with an untouched (cleared) record.
    std::map<std::wstring, int32_t> odd_results;

    int32_t command_timeout = 60000;
    bool pattern_match = true;
    bool stop = false;
    ErrorRecord error;

    // Every call, e.g. L"SendCommand(LINE|ｺﾏﾝﾄﾞ: )".
    std::vector<std::wstring> calls;
    std::vector<Box> boxes;
    std::vector<uint32_t> sleeps;
    int pumps = 0;
    std::function<void(FakeControl&)> on_pump;

    // Files by path; read in chunks of read_chunk bytes.
    std::map<std::wstring, std::string> files;
    std::size_t read_chunk = 7;
    // A read of this file fails after its first chunk.
    std::wstring unreadable_path;

    void add_script(const std::wstring& path, std::wstring_view text) {
        files[path] = to_utf8(text);
    }

    int32_t Active() override;
    int32_t PostCommand(const std::wstring& command) override;
    int32_t SendCommand(const std::wstring& command, const std::wstring& expected) override;
    int32_t GetPrompt(std::wstring& target) override;
    int32_t WaitPrompt(const std::wstring& expected) override;
    int32_t GetHistory(std::wstring& target, const std::wstring& match) override;
    int32_t GetVariable(const std::wstring& name, std::wstring& value) override;
    int32_t SetVariable(const std::wstring& name, const std::wstring& value) override;
    int32_t GetPosition(double& px, double& py, double& pz) override;
    int32_t ShowMessage(const std::wstring& message, int32_t style,
                        const std::wstring& title) override;

    int32_t CommandTimeOut() const override { return command_timeout; }
    void store_command_timeout(int32_t milliseconds) override { command_timeout = milliseconds; }
    bool PatternMatch() const override { return pattern_match; }
    void store_pattern_match(bool value) override { pattern_match = value; }
    bool stop_requested() const override { return stop; }
    void clear_stop_request() override { stop = false; }
    ErrorRecord& last_error() override { return error; }
    void pump_pending_messages() override;
    void sleep(uint32_t milliseconds) override { sleeps.push_back(milliseconds); }
    std::unique_ptr<ScriptFile> open_script(const std::wstring& path,
                                            ErrorRecord& open_error) override;
    std::wstring decode_ansi(std::string_view bytes) override { return from_utf8(bytes); }

private:
    // Runs an operation the way the real ones behave: clear the record, test
    // the link, then fail, cancel or succeed.
    template <typename Body> int32_t operation(const std::wstring& name, Body&& body);
};

} // namespace drafthand::script::testing
