#include "tarn/ansi_text.h"

#include <windows.h>

#include <climits>

namespace tarn {
namespace {

std::string narrow(UINT code_page, std::wstring_view text) {
    if (text.empty() || text.size() > INT_MAX) {
        return {};
    }
    const int length = static_cast<int>(text.size());
    const int needed =
        ::WideCharToMultiByte(code_page, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    std::string result(needed > 0 ? static_cast<size_t>(needed) : 0, '\0');
    if (needed > 0) {
        ::WideCharToMultiByte(code_page, 0, text.data(), length, result.data(), needed, nullptr,
                              nullptr);
    }
    return result;
}

std::wstring widen(UINT code_page, std::string_view bytes) {
    if (bytes.empty() || bytes.size() > INT_MAX) {
        return {};
    }
    const int length = static_cast<int>(bytes.size());
    const int needed = ::MultiByteToWideChar(code_page, 0, bytes.data(), length, nullptr, 0);
    std::wstring result(needed > 0 ? static_cast<size_t>(needed) : 0, L'\0');
    if (needed > 0) {
        ::MultiByteToWideChar(code_page, 0, bytes.data(), length, result.data(), needed);
    }
    return result;
}

} // namespace

std::string to_ansi(std::wstring_view text) {
    return narrow(CP_ACP, text);
}
std::wstring from_ansi(std::string_view bytes) {
    return widen(CP_ACP, bytes);
}
std::string to_utf8(std::wstring_view text) {
    return narrow(CP_UTF8, text);
}
std::wstring from_utf8(std::string_view bytes) {
    return widen(CP_UTF8, bytes);
}

} // namespace tarn
