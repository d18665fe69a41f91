// Conversion between the program's UTF-16 strings and the system ANSI code
// page (932 on Japanese systems) at the Windows boundary. Windows only.
#pragma once

#include <string>
#include <string_view>

namespace tarn {

// Bytes in the ANSI code page; unmappable characters become the code page's
// default character.
std::string to_ansi(std::wstring_view text);
// Never fails: invalid byte sequences become the code page's replacement.
std::wstring from_ansi(std::string_view bytes);

std::string to_utf8(std::wstring_view text);
std::wstring from_utf8(std::string_view bytes);

} // namespace tarn
