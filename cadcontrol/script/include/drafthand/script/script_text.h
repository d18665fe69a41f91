// Text rules of the script language that need no Control: trimming, tab runs,
// words, variable names, and the runtime's number and Boolean conversions.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace drafthand::script {

// The longest text (in characters, or bytes for a raw line) that a run keeps;
// beyond it a line or a substituted value fails with the out-of-memory error
// rather than exhausting the client process.
constexpr std::size_t kMaxTextLength = 16u * 1024u * 1024u;

// Removes leading and trailing blanks (U+0020 only; tabs stay).
std::wstring_view trim_spaces(std::wstring_view text);

// Replaces every run of tabs the way the language has always done it: runs of
// ten tabs by one, then of nine, ... then of two. A run of L tabs leaves
// L / k + L % k after the pass for k, which is one tab for every run shorter
// than a million.
std::wstring collapse_tab_runs(std::wstring_view line);

// Collapses tab runs and splits at tabs. An empty line has no words at all; a
// trailing tab gives an empty last word. Words are neither trimmed nor
// stripped of quotes here.
std::vector<std::wstring> split_words(std::wstring_view line);

// Whether text is exactly "%USER", one digit 0-9, "%"; index gets the digit.
bool parse_variable_name(std::wstring_view text, int& index);
// Whether text begins with a variable name (the assignment form).
bool begins_with_variable_name(std::wstring_view text, int& index);

enum class Conversion { ok, type_mismatch, overflow };

// Numeric text as the runtime reads it: blanks around, an optional sign,
// digits with an optional decimal point, an optional exponent.
Conversion to_double(std::wstring_view text, double& value);
// A 32-bit integer; fractions round half to even.
Conversion to_long(std::wstring_view text, int32_t& value);
// TRUE / FALSE in any letter case, or a number (0 false, any other true).
Conversion to_boolean(std::wstring_view text, bool& value);

// A coordinate as text: 15 significant digits, trailing zeros dropped,
// exponent form ("1.5E+20", "1E-05") outside the plain range, no "-0".
std::wstring format_number(double value);

} // namespace drafthand::script
