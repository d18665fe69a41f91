// Text helpers of the command channel and the script language.
#pragma once

#include <string>
#include <string_view>

namespace drafthand {

// "^C", "^M", "^J" become the characters 3, 13, 10 (case-sensitive, left to
// right, without overlaps).
std::wstring ExpandEscapes(std::wstring_view text);

// Removes an enclosing pair of double quotes in place and returns the text.
// A lone double quote raises the invalid-argument error (5).
std::wstring& StripQuotes(std::wstring& text);

// Whether title begins with prefix, compared by character code.
bool begins_with(std::wstring_view title, std::wstring_view prefix);

// Classic wildcard matching of the whole text against the whole pattern:
// "?" one character, "*" any run, "#" one digit, "[abc]" / "[a-z]" one
// listed character, "[!...]" one character not listed. Case-sensitive. A "["
// without a closing "]" stands for itself.
bool matches_pattern(std::wstring_view text, std::wstring_view pattern);

} // namespace drafthand
