// The waiting and driving operations of a Control object, built on its
// command channel: Active, SendCommand, WaitPrompt, GetVariable, SetVariable
// and GetPosition. Terminate is Channel::Terminate. Portable: the platform
// parts they need beyond the channel come through the interfaces below.
#pragma once

#include "drafthand/channel.h"
#include "drafthand/platform.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace drafthand {

// AutoCAD's prompt for a point; GetPosition reads the history from its last
// occurrence.
inline const wchar_t* const kPointPrompt = L"点を指定: ";
// Any value prompt: text, the current value in angle brackets, ": ".
inline const wchar_t* const kValuePromptPattern = L"* <*>: ";

inline const wchar_t* const kMessageNoCoordinates =
    L"指定した点の座標値を取得することができませんでした。";
// Our own texts for what the runtime would only call an invalid argument.
inline const wchar_t* const kMessageNoValueBrackets =
    L"システム変数の値を応答から取り出すことができませんでした(\"<\" と \">\" がありません)。";
inline const wchar_t* const kMessageLabelOrder =
    L"指定した点の座標値の並びが不正です(\"X =\"、\"Y =\"、\"Z =\" の順ではありません)。";

// Bringing a window to the front (GetLastActivePopup, SetForegroundWindow).
class ForegroundWindows {
public:
    virtual ~ForegroundWindows() = default;
    // The window's last active pop-up, or the window itself when it has none.
    virtual WindowHandle last_active_popup(WindowHandle window) = 0;
    // False when the platform refuses.
    virtual bool set_foreground(WindowHandle window) = 0;
};

// The platform's locale-aware text-to-number conversion for doubles.
class NumberReader {
public:
    virtual ~NumberReader() = default;
    // 0 and the value, or the runtime's error number (13 type mismatch,
    // 6 overflow). Surrounding blanks are ignored.
    virtual int32_t to_double(std::wstring_view text, double& value) = 0;
};

// Decimal point ".", no grouping: the conversion of the C locale, for
// platforms without a locale-aware one and for tests.
class PlainNumberReader : public NumberReader {
public:
    int32_t to_double(std::wstring_view text, double& value) override;
};

// The command GetVariable and SetVariable send for a system variable name:
// "^C^C" name "^M", unless the caller wrote the keys ("^M" or "^C") himself.
std::wstring system_variable_command(std::wstring_view name);

// The value between the first "<" and the first ">" of a value prompt,
// without surrounding blanks; raises the invalid-argument error (5) with
// source when the brackets are missing or out of order.
std::wstring value_from_prompt(std::wstring_view prompt, const std::wstring& source);

// Coordinates after "X =", "Y =" and "Z =" in an ID echo. Raises
// CommandFailed when a label is missing, the invalid-argument error when
// they stand in another order (nothing stored then), and the reader's error
// for a number that does not convert (the coordinates before it stored).
void coordinates_from_history(std::wstring_view history, NumberReader& reader, double& x, double& y,
                              double& z, const std::wstring& source);

// The operations; each follows the result convention (-1, CancelByUser after
// a Terminate, or the error number with the last-error record filled).
int32_t Active(Channel& channel, ForegroundWindows& foreground);
int32_t SendCommand(Channel& channel, const std::wstring& command,
                    const std::wstring& expected = kCommandPrompt);
int32_t WaitPrompt(Channel& channel, const std::wstring& expected = kCommandPrompt);
// value is written only when the prompt was taken apart.
int32_t GetVariable(Channel& channel, const std::wstring& name, std::wstring& value);
int32_t SetVariable(Channel& channel, const std::wstring& name, const std::wstring& value);
int32_t GetPosition(Channel& channel, NumberReader& reader, double& x, double& y, double& z);

} // namespace drafthand
