// cadsim: stands in for AutoCAD (LT) where it cannot be installed. See the
// README for its windows, prompts and options.
#include "cadsim/options.h"
#include "host.h"
#include "tarn/ansi_text.h"

#include <shellapi.h>
#include <windows.h>

#include <string>
#include <vector>

namespace {

struct local_free {
    void operator()(LPWSTR* p) const { ::LocalFree(p); }
};
using unique_argv = tarn::unique_any<LPWSTR*, local_free>;

std::vector<std::wstring> arguments() {
    int count = 0;
    unique_argv argv(::CommandLineToArgvW(::GetCommandLineW(), &count));
    std::vector<std::wstring> result;
    for (int i = 1; argv && i < count; ++i) {
        result.emplace_back(argv.get()[i]);
    }
    return result;
}

// A GUI program has no console of its own: write to the standard handle it
// was given, else to the console of whoever started it. False when there is
// neither, as when started from Explorer.
bool print(const std::wstring& text, DWORD which) {
    HANDLE out = ::GetStdHandle(which); // not ours: the process's standard handle
    if ((out == nullptr || out == INVALID_HANDLE_VALUE) && ::AttachConsole(ATTACH_PARENT_PROCESS)) {
        out = ::GetStdHandle(which);
    }
    if (out == nullptr || out == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD mode = 0;
    DWORD written = 0;
    if (::GetConsoleMode(out, &mode)) {
        return ::WriteConsoleW(out, text.c_str(), static_cast<DWORD>(text.size()), &written,
                               nullptr) != 0;
    }
    const std::string bytes = tarn::to_ansi(text);
    return ::WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) != 0;
}

// An error on stderr. With nowhere to print, a box says it and that cadsim
// ends when the box is closed, so that nobody takes it for the program.
int fail(const std::wstring& message, int exit_code) {
    if (!print(L"cadsim: " + message + L"\n", STD_ERROR_HANDLE)) {
        const std::wstring text =
            message + L"\n\ncadsim を終了します (終了コード " + std::to_wstring(exit_code) + L")。";
        ::MessageBoxW(nullptr, text.c_str(), L"cadsim", MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
    }
    return exit_code;
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
    try {
        const auto parsed = cadsim::parse_options(arguments());
        if (!parsed.error.empty()) {
            return fail(parsed.error, 2);
        }
        if (parsed.options.help) {
            const std::wstring usage = cadsim::usage_text();
            if (!print(usage, STD_OUTPUT_HANDLE)) {
                ::MessageBoxW(nullptr, usage.c_str(), L"cadsim",
                              MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND);
            }
            return 0;
        }
        if (parsed.options.startup_delay_ms > 0) {
            // Busy starting: no window and no input yet, as WaitForInputIdle
            // and a window search will see.
            ::Sleep(parsed.options.startup_delay_ms);
        }
        cadsim::win::Host host(instance, parsed.options);
        if (!host.create()) {
            return fail(L"ウィンドウを作成できませんでした。", 1);
        }
        return host.run();
    } catch (...) {
        return 1;
    }
}
