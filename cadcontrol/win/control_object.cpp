#include "dispatch.h"
#include "objects.h"
#include "win32_platform.h"

#include "drafthand/channel.h"
#include "drafthand/operations.h"
#include "drafthand/script/script_array.h"
#include "drafthand/script/win32_script_platform.h"
#include "drafthand/win_operations.h"

namespace drafthand::win {
namespace {

class ControlObject final : public DispatchObject<_Control, &IID__Control> {
public:
    explicit ControlObject(ThreadRecords& records)
        : channel_(records, window_system(), clock(), message_pump()) {}

    // A script's negative time-out reads back as written; a put replaces it
    // the property's way (every negative value is -1).
    HRESULT STDMETHODCALLTYPE get_CommandTimeOut(LONG* value) override {
        return get(value, script_control_.CommandTimeOut());
    }
    HRESULT STDMETHODCALLTYPE put_CommandTimeOut(LONG value) override {
        script_control_.store_command_timeout(value < 0 ? -1 : value);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_CheckInterval(LONG* value) override {
        return get(value, channel_.check_interval());
    }
    HRESULT STDMETHODCALLTYPE put_CheckInterval(LONG value) override {
        channel_.set_check_interval(value);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_PostNullChar(VARIANT_BOOL* value) override {
        return get_bool(value, channel_.post_null_char());
    }
    HRESULT STDMETHODCALLTYPE put_PostNullChar(VARIANT_BOOL value) override {
        channel_.set_post_null_char(value != VARIANT_FALSE);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_PatternMatch(VARIANT_BOOL* value) override {
        return get_bool(value, channel_.pattern_match());
    }
    HRESULT STDMETHODCALLTYPE put_PatternMatch(VARIANT_BOOL value) override {
        channel_.set_pattern_match(value != VARIANT_FALSE);
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE PostCommand(BSTR command, LONG* result) override {
        return answer(result, [&] { return channel_.PostCommand(from_bstr(command)); });
    }
    HRESULT STDMETHODCALLTYPE GetPrompt(BSTR* prompt, LONG* result) override {
        if (prompt == nullptr || result == nullptr) {
            return E_POINTER;
        }
        return guarded([&] {
            std::wstring text = from_bstr(*prompt);
            *result = channel_.GetPrompt(text);
            return *result == kSuccess ? replace(prompt, text) : S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE GetHistory(BSTR* history, BSTR match, LONG* result) override {
        if (history == nullptr || result == nullptr) {
            return E_POINTER;
        }
        return guarded([&] {
            std::wstring text = from_bstr(*history);
            *result = channel_.GetHistory(text, from_bstr(match));
            return *result == kSuccess ? replace(history, text) : S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE Terminate() override {
        channel_.Terminate();
        return S_OK;
    }

    // The operations built on the prompt wait, and the script interpreter.
    HRESULT STDMETHODCALLTYPE Active(LONG* result) override {
        return answer(result, [&] { return drafthand::Active(channel_, foreground_); });
    }
    HRESULT STDMETHODCALLTYPE SendCommand(BSTR command, BSTR prompt, LONG* result) override {
        return answer_after_wait(result, [&] {
            return drafthand::SendCommand(channel_, from_bstr(command), from_bstr(prompt));
        });
    }
    HRESULT STDMETHODCALLTYPE WaitPrompt(BSTR prompt, LONG* result) override {
        return answer_after_wait(
            result, [&] { return drafthand::WaitPrompt(channel_, from_bstr(prompt)); });
    }
    HRESULT STDMETHODCALLTYPE GetVariable(BSTR name, BSTR* value, LONG* result) override {
        if (value == nullptr || result == nullptr) {
            return E_POINTER;
        }
        const auto alive = keep_alive(); // the wait pumps messages
        return guarded([&] {
            const std::wstring before = from_bstr(*value);
            std::wstring text = before;
            *result = drafthand::GetVariable(channel_, from_bstr(name), text);
            return text != before ? replace(value, text) : S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE SetVariable(BSTR name, BSTR value, LONG* result) override {
        return answer_after_wait(result, [&] {
            return drafthand::SetVariable(channel_, from_bstr(name), from_bstr(value));
        });
    }
    HRESULT STDMETHODCALLTYPE GetPosition(double* x, double* y, double* z, LONG* result) override {
        if (x == nullptr || y == nullptr || z == nullptr) {
            return E_POINTER;
        }
        return answer_after_wait(
            result, [&] { return drafthand::GetPosition(channel_, numbers_, *x, *y, *z); });
    }
    HRESULT STDMETHODCALLTYPE RunScript(BSTR path, SAFEARRAY** variables, LONG* result) override {
        return answer_after_wait(result, [&] {
            return script::RunScriptOnArray(interpreter_, from_bstr(path), variables);
        });
    }
    // Leaves the last-error record alone; the modal box pumps messages too.
    HRESULT STDMETHODCALLTYPE ShowMessage(BSTR message, LONG button, BSTR title,
                                          LONG* result) override {
        return answer_after_wait(result, [&] {
            return script_control_.ShowMessage(from_bstr(message), button, from_bstr(title));
        });
    }

private:
    // A method's logical result through its out-parameter.
    template <typename Operation> static HRESULT answer(LONG* result, Operation operation) {
        if (result == nullptr) {
            return E_POINTER;
        }
        return guarded([&] {
            *result = operation();
            return S_OK;
        });
    }
    // The same for methods that pump messages while they wait: a client's
    // event handler may release this object meanwhile, so hold a reference.
    template <typename Operation> HRESULT answer_after_wait(LONG* result, Operation operation) {
        const auto alive = keep_alive();
        return answer(result, operation);
    }

    static HRESULT get(LONG* out, int32_t value) {
        if (out == nullptr) {
            return E_POINTER;
        }
        *out = value;
        return S_OK;
    }
    static HRESULT get_bool(VARIANT_BOOL* out, bool value) {
        if (out == nullptr) {
            return E_POINTER;
        }
        *out = value ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }
    // Replaces an in/out string; the old one is freed only once the new one
    // exists.
    static HRESULT replace(BSTR* target, const std::wstring& text) {
        BSTR fresh = nullptr;
        const HRESULT hr = to_bstr(text, &fresh);
        if (FAILED(hr)) {
            return hr;
        }
        ::SysFreeString(*target);
        *target = fresh;
        return S_OK;
    }

    Channel channel_;
    Win32ForegroundWindows foreground_;
    VariantNumberReader numbers_;
    script::Win32ScriptPlatform script_platform_;
    script::ChannelScriptControl script_control_{channel_, foreground_, numbers_, script_platform_};
    script::ScriptInterpreter interpreter_{script_control_};
};

} // namespace

HRESULT create_control(ThreadRecords& records, _Control** out) {
    if (out == nullptr) {
        return E_POINTER;
    }
    *out = nullptr;
    return guarded([&] {
        *out = new ControlObject(records);
        return S_OK;
    });
}

} // namespace drafthand::win
