// The ScriptControl of a real Control object: the operations run on its
// command channel, the stop request and settings are the channel's, and the
// rest of a run (message box, script file, ANSI text) comes from a small
// platform interface. Portable: the Windows edge supplies Win32ScriptPlatform.
#pragma once

#include "drafthand/channel.h"
#include "drafthand/operations.h"
#include "drafthand/script/script_control.h"

#include <optional>

namespace drafthand::script {

class ScriptPlatform {
public:
    virtual ~ScriptPlatform() = default;
    // A modal message box owned by owner (0: no owner); the answer code.
    virtual int32_t message_box(WindowHandle owner, const std::wstring& message, int32_t style,
                                const std::wstring& title) = 0;
    // See ScriptControl::open_script and ScriptControl::decode_ansi.
    virtual std::unique_ptr<ScriptFile> open_script(const std::wstring& path,
                                                    ErrorRecord& error) = 0;
    virtual std::wstring decode_ansi(std::string_view bytes) = 0;
};

class ChannelScriptControl final : public ScriptControl {
public:
    // None of the references is owned; all must outlive this object.
    ChannelScriptControl(Channel& channel, ForegroundWindows& foreground, NumberReader& numbers,
                         ScriptPlatform& platform)
        : channel_(channel), foreground_(foreground), numbers_(numbers), platform_(platform) {}

    int32_t Active() override { return drafthand::Active(channel_, foreground_); }
    int32_t PostCommand(const std::wstring& command) override {
        return channel_.PostCommand(command);
    }
    int32_t SendCommand(const std::wstring& command, const std::wstring& prompt) override {
        return drafthand::SendCommand(channel_, command, prompt);
    }
    int32_t GetPrompt(std::wstring& prompt) override { return channel_.GetPrompt(prompt); }
    int32_t WaitPrompt(const std::wstring& prompt) override {
        return drafthand::WaitPrompt(channel_, prompt);
    }
    int32_t GetHistory(std::wstring& history, const std::wstring& match) override {
        return channel_.GetHistory(history, match);
    }
    int32_t GetVariable(const std::wstring& name, std::wstring& value) override {
        return drafthand::GetVariable(channel_, name, value);
    }
    int32_t SetVariable(const std::wstring& name, const std::wstring& value) override {
        return drafthand::SetVariable(channel_, name, value);
    }
    int32_t GetPosition(double& x, double& y, double& z) override {
        return drafthand::GetPosition(channel_, numbers_, x, y, z);
    }
    // The box belongs to AutoCAD's main window as the window table records it.
    int32_t ShowMessage(const std::wstring& message, int32_t style,
                        const std::wstring& title) override {
        return platform_.message_box(channel_.records().windows.main.handle, message, style, title);
    }

    int32_t CommandTimeOut() const override;
    void store_command_timeout(int32_t milliseconds) override;
    bool PatternMatch() const override { return channel_.pattern_match(); }
    void store_pattern_match(bool value) override { channel_.set_pattern_match(value); }

    bool stop_requested() const override { return channel_.stop_requested(); }
    void clear_stop_request() override { channel_.reset_stop_request(); }
    ErrorRecord& last_error() override { return channel_.records().last_error; }

    void pump_pending_messages() override { channel_.message_pump().pump_pending_messages(); }
    void sleep(uint32_t milliseconds) override { channel_.clock().sleep(milliseconds); }
    std::unique_ptr<ScriptFile> open_script(const std::wstring& path, ErrorRecord& error) override {
        return platform_.open_script(path, error);
    }
    std::wstring decode_ansi(std::string_view bytes) override {
        return platform_.decode_ansi(bytes);
    }

private:
    Channel& channel_;
    ForegroundWindows& foreground_;
    NumberReader& numbers_;
    ScriptPlatform& platform_;
    // The channel keeps every negative time-out as -1 (no limit); a script's
    // own negative value is remembered so that it reads back as written.
    std::optional<int32_t> negative_timeout_;
};

} // namespace drafthand::script
