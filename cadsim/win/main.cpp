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
// was given, else to the console of whoever started it, else show a box.
void report(const std::wstring& text, bool error) {
    const DWORD which = error ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE;
    HANDLE out = ::GetStdHandle(which); // not ours: the process's standard handle
    if ((out == nullptr || out == INVALID_HANDLE_VALUE) && ::AttachConsole(ATTACH_PARENT_PROCESS)) {
        out = ::GetStdHandle(which);
    }
    if (out != nullptr && out != INVALID_HANDLE_VALUE) {
        DWORD mode = 0;
        DWORD written = 0;
        if (::GetConsoleMode(out, &mode)) {
            ::WriteConsoleW(out, text.c_str(), static_cast<DWORD>(text.size()), &written, nullptr);
            return;
        }
        const std::string bytes = tarn::to_ansi(text);
        if (::WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) {
            return;
        }
    }
    ::MessageBoxW(nullptr, text.c_str(), L"cadsim",
                  MB_OK | (error ? MB_ICONEXCLAMATION : MB_ICONINFORMATION));
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
    try {
        const auto parsed = cadsim::parse_options(arguments());
        if (!parsed.error.empty()) {
            report(L"cadsim: " + parsed.error + L"\n", true);
            return 2;
        }
        if (parsed.options.help) {
            report(cadsim::usage_text(), false);
            return 0;
        }
        if (parsed.options.startup_delay_ms > 0) {
            // Busy starting: no window and no input yet, as WaitForInputIdle
            // and a window search will see.
            ::Sleep(parsed.options.startup_delay_ms);
        }
        cadsim::win::Host host(instance, parsed.options);
        if (!host.create()) {
            report(L"cadsim: ウィンドウを作成できませんでした。\n", true);
            return 1;
        }
        return host.run();
    } catch (...) {
        return 1;
    }
}
