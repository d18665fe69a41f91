#include "desktop.h"

#include <windows.h>

#include <shellapi.h>

#include <string>

namespace tarn_cli {
namespace {

// UTF-8 to UTF-16; empty when the bytes are not UTF-8.
std::wstring wide(const std::string& text) {
    const int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(),
                                      static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) {
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(),
                            static_cast<int>(text.size()), out.data(), n);
    }
    return out;
}

} // namespace

// Output sent to a file or a pipe is read by whoever redirected it. Otherwise:
// Explorer starts a console program in a console made for it alone, which
// lists one process; a command prompt's lists the shell too.
bool console_closes_at_exit() {
    const DWORD type = GetFileType(GetStdHandle(STD_OUTPUT_HANDLE));
    if (type == FILE_TYPE_DISK || type == FILE_TYPE_PIPE) {
        return false;
    }
    if (GetConsoleWindow() == nullptr) {
        return true;
    }
    DWORD processes[2];
    return GetConsoleProcessList(processes, 2) == 1;
}

// The path comes from the command line in the ANSI code page, as the C
// runtime opened the files under it.
bool open_document(const std::string& path) {
    const HINSTANCE result =
        ShellExecuteA(nullptr, "open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(result) > 32;
}

// The messages are UTF-8, but a path in them may be in the ANSI code page.
void show_error(const std::string& title, const std::string& text) {
    const std::wstring t = wide(title);
    const std::wstring m = wide(text);
    if (!text.empty() && m.empty()) {
        MessageBoxA(nullptr, text.c_str(), title.c_str(), MB_OK | MB_ICONERROR);
    } else {
        MessageBoxW(nullptr, m.c_str(), t.c_str(), MB_OK | MB_ICONERROR);
    }
}

} // namespace tarn_cli
