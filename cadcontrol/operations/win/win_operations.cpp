#include "drafthand/win_operations.h"

#include "drafthand/errors.h"
#include "tarn/ansi_text.h"
#include "tarn/unique.h"

#include <windows.h>

#include <oleauto.h>
#include <shellapi.h>
#include <shlwapi.h>

#include <algorithm>
#include <string>
#include <vector>

namespace drafthand {
namespace {

HWND to_hwnd(WindowHandle window) {
    return reinterpret_cast<HWND>(window);
}

class Win32Process : public StartedProcess {
public:
    explicit Win32Process(HANDLE process) : process_(process) {}

    uint32_t wait_for_input_idle(int32_t milliseconds) override {
        // -1 is INFINITE.
        return ::WaitForInputIdle(process_.get(), static_cast<DWORD>(milliseconds));
    }
    bool read_exit_code(uint32_t& code) override {
        DWORD read = 0;
        if (!::GetExitCodeProcess(process_.get(), &read)) {
            return false;
        }
        code = read;
        return true;
    }

private:
    tarn::unique_handle process_;
};

} // namespace

bool Win32Shell::file_exists(const std::wstring& path) {
    return ::PathFileExistsA(tarn::to_ansi(path).c_str()) != FALSE;
}

bool Win32Shell::execute(const ShellRequest& request, std::unique_ptr<StartedProcess>& process) {
    // c_str() stops at the first NUL: the launcher's initial folder of one NUL
    // reaches the shell as an empty string.
    const std::string verb = tarn::to_ansi(request.verb);
    const std::string file = tarn::to_ansi(request.file);
    const std::string parameters = tarn::to_ansi(request.parameters);
    const std::string directory = tarn::to_ansi(request.directory);

    SHELLEXECUTEINFOA info{};
    info.cbSize = sizeof(info);
    info.fMask = request.mask;
    info.hwnd = to_hwnd(request.window);
    info.lpVerb = verb.c_str();
    info.lpFile = file.c_str();
    info.lpParameters = parameters.c_str();
    info.lpDirectory = directory.c_str();
    info.nShow = request.show;
    const BOOL started = ::ShellExecuteExA(&info);
    // Taken over at once, so that even a failed start closes what it got.
    tarn::unique_handle handle(info.hProcess);
    if (!started) {
        return false;
    }
    if (handle) {
        process = std::make_unique<Win32Process>(handle.release());
    }
    return true;
}

void Win32Shell::sleep(uint32_t milliseconds) {
    ::Sleep(milliseconds);
}

void Win32Shell::path_quote_spaces(std::wstring& buffer) {
    const size_t characters = buffer.size();
    std::string bytes = tarn::to_ansi(buffer);
    // PathQuoteSpacesA writes up to MAX_PATH bytes; keep room beyond that.
    bytes.resize(std::max(bytes.size(), static_cast<size_t>(MAX_PATH)) + 3, '\0');
    ::PathQuoteSpacesA(bytes.data());
    std::wstring result = tarn::from_ansi(std::string_view(bytes.c_str()));
    result.resize(std::max(result.size(), characters), L'\0');
    buffer = std::move(result);
}

WindowHandle Win32ForegroundWindows::last_active_popup(WindowHandle window) {
    return reinterpret_cast<WindowHandle>(::GetLastActivePopup(to_hwnd(window)));
}

bool Win32ForegroundWindows::set_foreground(WindowHandle window) {
    return ::SetForegroundWindow(to_hwnd(window)) != FALSE;
}

int32_t VariantNumberReader::to_double(std::wstring_view text, double& value) {
    constexpr std::wstring_view kBlanks = L" \t\r\n";
    const size_t first = text.find_first_not_of(kBlanks);
    if (first == std::wstring_view::npos) {
        return runtime_error::TypeMismatch;
    }
    const size_t last = text.find_last_not_of(kBlanks);
    std::wstring digits(text.substr(first, last - first + 1));
    double parsed = 0.0;
    const HRESULT hr = ::VarR8FromStr(digits.data(), LOCALE_USER_DEFAULT, 0, &parsed);
    if (hr == DISP_E_OVERFLOW) {
        return runtime_error::Overflow;
    }
    if (FAILED(hr)) {
        return runtime_error::TypeMismatch;
    }
    value = parsed;
    return 0;
}

} // namespace drafthand
