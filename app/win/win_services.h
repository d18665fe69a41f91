// The Win32 implementations of the form's services: number conversion with
// the user's locale, message boxes, the drawing script file and the curve
// library auto_tarn5.
#pragma once

#include "tarn2/ports.h"

#include <tarn/unique.h>

#include <windows.h>

namespace tarn::app::win {

// VarR8FromStr with the user's locale; the user's decimal separator on output.
class LocaleNumberText : public NumberText {
public:
    LocaleNumberText();
    std::optional<double> parse(const std::wstring& text) const override;
    std::wstring format(double value) const override;

private:
    wchar_t decimal_point_ = L'.';
};

class MessageBoxSink : public MessageSink {
public:
    // owner: the form's window, owned by the form; may be set after creation.
    void set_owner(HWND owner) { owner_ = owner; }
    void show(const std::wstring& text, std::uint32_t style) override;

private:
    HWND owner_ = nullptr;
};

class PeekMessagePump : public MessagePump {
public:
    void pump_pending_messages() override;
};

// "auto_temp.txt" in the current directory, read as ANSI text.
class ScriptFileInCurrentDirectory : public ScriptFile {
public:
    void remove() override;
    std::unique_ptr<LineReader> open() override;
};

// auto_tarn5.dll, loaded by bare name on the first call that needs it and
// kept for the life of the program; each export is looked up by name.
class Auto_tarn5 : public CurveLibrary {
public:
    CurveResult call(const CurveCall& call) override;

private:
    tarn::unique_hmodule module_;
};

} // namespace tarn::app::win
