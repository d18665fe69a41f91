// What the form logic needs from outside: the window's controls, the number
// conversion of the platform, message boxes, the curve library, the drawing
// script file and the CAD control component. The Win32 edge implements them;
// the native tests fake them.
#pragma once

#include "tarn2/controls.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tarn::app {

// The controls of Form1 as the logic sees them. Numbers live only as the text
// of their boxes.
class FormView {
public:
    virtual ~FormView() = default;
    // Text of a box, or caption of a button or label.
    virtual std::wstring text(ControlId id) const = 0;
    virtual void set_text(ControlId id, const std::wstring& text) = 0;
    virtual bool enabled(ControlId id) const = 0;
    virtual void set_enabled(ControlId id, bool enabled) = 0;
    // Option buttons.
    virtual bool checked(ControlId id) const = 0;
    // The Tab property of SSTab1.
    virtual int tab() const = 0;
    // SetWindowPos on the form: topmost when flag != 0. Returns the call's result.
    virtual std::int32_t SetTopMost(std::int16_t flag) = 0;
};

// The platform's locale-aware conversions between numbers and text.
class NumberText {
public:
    virtual ~NumberText() = default;
    // Empty for text that is not a finite number (empty text, trailing garbage).
    virtual std::optional<double> parse(const std::wstring& text) const = 0;
    // Shortest form, up to 15 significant digits, no leading blank.
    virtual std::wstring format(double value) const = 0;
};

// Message-box styles the form shows.
inline constexpr std::uint32_t kStyleExclamation = 0x10030; // MB_SETFOREGROUND | MB_ICONEXCLAMATION
inline constexpr std::uint32_t kStyleInformation = 0x10040; // MB_SETFOREGROUND | MB_ICONINFORMATION

class MessageSink {
public:
    virtual ~MessageSink() = default;
    // Modal; the title is empty.
    virtual void show(const std::wstring& text, std::uint32_t style) = 0;
};

// Lets the window handle its pending messages (repaint, close) during a long
// run on its own thread.
class MessagePump {
public:
    virtual ~MessagePump() = default;
    virtual void pump_pending_messages() = 0;
};

// One export call of auto_tarn5: its number (1..7) and its arguments in order.
struct CurveCall {
    int number = 0;
    std::vector<double> args;
};

enum class CurveLoad { ok, library_missing, export_missing };

struct CurveResult {
    CurveLoad load = CurveLoad::ok;
    std::int32_t code = 0; // tarn1..3, 5..7
    double length = 0.0;   // tarn4
};

// auto_tarn5, loaded on the first call and bound by export name.
class CurveLibrary {
public:
    virtual ~CurveLibrary() = default;
    virtual CurveResult call(const CurveCall& call) = 0;
};

class LineReader {
public:
    virtual ~LineReader() = default;
    // False at the end; the line comes without its line end.
    virtual bool next_line(std::wstring& line) = 0;
};

// The drawing script "auto_temp.txt" in the current directory.
class ScriptFile {
public:
    virtual ~ScriptFile() = default;
    // Deletes the script an earlier draw left, so that it cannot be replayed.
    virtual void remove() = 0;
    // nullptr when there is no script.
    virtual std::unique_ptr<LineReader> open() = 0;
};

// The Control object of Drafthand, as far as the form uses it.
class AcadControl {
public:
    virtual ~AcadControl() = default;
    virtual void put_CommandTimeOut(std::int32_t milliseconds) = 0;
    virtual void put_PatternMatch(bool value) = 0;
    virtual std::int32_t PostCommand(const std::wstring& command) = 0;
    virtual std::int32_t Active() = 0;
    virtual std::int32_t GetPosition(double& x, double& y, double& z) = 0;
    // The history from the last occurrence of match on (empty when it does
    // not occur). Clears the component's last error.
    virtual std::int32_t GetHistory(std::wstring& text, const std::wstring& match) = 0;
    // Ends a running wait early (it then answers CancelByUser).
    virtual void Terminate() = 0;
};

// The Acad object of Drafthand.
class Acad {
public:
    virtual ~Acad() = default;
    virtual void put_MainCompareTitle(const std::wstring& title) = 0;
    virtual void put_TextCompareTitle(const std::wstring& title) = 0;
    virtual void put_CommandCompareTitle(const std::wstring& title) = 0;
    virtual void put_HistoryCompareTitle(const std::wstring& title) = 0;
    virtual std::int32_t Search() = 0;
    virtual bool ControlExists() = 0;
    // nullptr when there is none.
    virtual std::unique_ptr<AcadControl> Control() = 0;
    virtual std::wstring ErrDescription() = 0;
};

class AcadFactory {
public:
    virtual ~AcadFactory() = default;
    // A new Acad object; nullptr when the component cannot be created (not
    // registered).
    virtual std::unique_ptr<Acad> CreateAcad() = 0;
};

// Results of the component.
inline constexpr std::int32_t kResultTrue = -1;
inline constexpr std::int32_t kCancelByUser = static_cast<std::int32_t>(0x80040201u);
// AutoCAD's windows are gone or do not answer.
inline constexpr std::int32_t kLinkFailed = static_cast<std::int32_t>(0x80040270u);
// AutoCAD refused a command, or an answer could not be read.
inline constexpr std::int32_t kCommandFailed = static_cast<std::int32_t>(0x80040271u);

} // namespace tarn::app
