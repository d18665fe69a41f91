#include "win32_platform.h"

#include "tarn/ansi_text.h"
#include "tarn/message_pump.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace drafthand::win {
namespace {

// Live texts longer than this are refused rather than allocated: no command
// line or history of a real CAD program comes near it.
constexpr intptr_t kMaxLiveTextUnits = 64 * 1024 * 1024;

enum class Form { ansi, wide };

// A message to another program's window that cannot block the caller for
// longer than kAnswerLimitMs: nothing when the window is hung, too slow or
// gone.
Answer send_bounded(WindowHandle window, UINT message, WPARAM wparam, LPARAM lparam,
                    Form form = Form::ansi) {
    DWORD_PTR result = 0;
    const auto send = form == Form::wide ? ::SendMessageTimeoutW : ::SendMessageTimeoutA;
    if (send(reinterpret_cast<HWND>(window), message, wparam, lparam, SMTO_ABORTIFHUNG,
             kAnswerLimitMs, &result) == 0) {
        return std::nullopt;
    }
    return static_cast<intptr_t>(result);
}

HWND to_hwnd(WindowHandle window) {
    return reinterpret_cast<HWND>(window);
}

// No exception may unwind through user32's enumeration.
BOOL CALLBACK visit_window(HWND window, LPARAM context) {
    try {
        const auto& visit = *reinterpret_cast<const WindowVisitor*>(context);
        return visit(reinterpret_cast<WindowHandle>(window)) ? TRUE : FALSE;
    } catch (...) {
        return FALSE;
    }
}

// The bytes before the first NUL of a buffer filled by a C-string API.
std::wstring from_buffer(const std::vector<char>& buffer, size_t filled) {
    filled = std::min(filled, buffer.size());
    const void* nul = std::memchr(buffer.data(), '\0', filled);
    const size_t length = nul != nullptr ? static_cast<const char*>(nul) - buffer.data() : filled;
    return tarn::from_ansi(std::string_view(buffer.data(), length));
}

} // namespace

bool Win32WindowSystem::enum_top_windows(const WindowVisitor& visit) {
    return ::EnumWindows(visit_window, reinterpret_cast<LPARAM>(&visit)) != FALSE;
}

bool Win32WindowSystem::enum_child_windows(WindowHandle parent, const WindowVisitor& visit) {
    return ::EnumChildWindows(to_hwnd(parent), visit_window, reinterpret_cast<LPARAM>(&visit)) !=
           FALSE;
}

bool Win32WindowSystem::read_title(WindowHandle window, std::wstring& title) {
    const int length = ::GetWindowTextLengthA(to_hwnd(window));
    if (length <= 0) {
        return false;
    }
    std::vector<char> buffer(static_cast<size_t>(length) + 1, '\0');
    const int read = ::GetWindowTextA(to_hwnd(window), buffer.data(), length + 1);
    if (read <= 0) {
        return false;
    }
    title = from_buffer(buffer, static_cast<size_t>(read));
    return !title.empty();
}

bool Win32WindowSystem::read_class_name(WindowHandle window, std::wstring& class_name) {
    std::vector<char> buffer(260, '\0');
    const int read =
        ::GetClassNameA(to_hwnd(window), buffer.data(), static_cast<int>(buffer.size()));
    if (read <= 0) {
        return false;
    }
    class_name = from_buffer(buffer, static_cast<size_t>(read));
    return true;
}

uint32_t Win32WindowSystem::read_thread_process_id(WindowHandle window, uint32_t& process_id) {
    DWORD process = 0;
    const DWORD thread = ::GetWindowThreadProcessId(to_hwnd(window), &process);
    process_id = process;
    return thread;
}

bool Win32WindowSystem::is_window(WindowHandle window) {
    return window != 0 && ::IsWindow(to_hwnd(window)) != FALSE;
}

Answer Win32WindowSystem::send_command_text(WindowHandle window, const std::wstring& text) {
    // Sized to the text, so a command of any length goes whole.
    const std::string bytes = tarn::to_ansi(text);
    if (bytes.size() >= MAXDWORD) {
        return 0;
    }
    std::vector<char> buffer(bytes.begin(), bytes.end());
    buffer.push_back('\0');
    COPYDATASTRUCT data{};
    data.dwData = 1;
    data.cbData = static_cast<DWORD>(buffer.size());
    data.lpData = buffer.data();
    return send_bounded(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
}

void Win32WindowSystem::post_null(WindowHandle window) {
    ::PostMessageA(to_hwnd(window), WM_NULL, 0, 0);
}

LiveTextRead Win32WindowSystem::read_live_text(WindowHandle window, std::wstring& text) {
    // The W forms: under Wine the A form of WM_GETTEXTLENGTH outwaits its
    // time limit while the target's threads are suspended. The system
    // converts an ANSI window's text on the way; its W length counts the
    // ANSI bytes, never fewer than the characters that arrive.
    const Answer length = send_bounded(window, WM_GETTEXTLENGTH, 0, 0, Form::wide);
    if (!length) {
        return LiveTextRead::not_answered;
    }
    if (*length <= 0 || *length > kMaxLiveTextUnits) {
        return LiveTextRead::unreadable;
    }
    const size_t size = static_cast<size_t>(*length) + 1;
    std::vector<wchar_t> buffer(size, L'\0');
    const Answer read = send_bounded(window, WM_GETTEXT, static_cast<WPARAM>(size),
                                     reinterpret_cast<LPARAM>(buffer.data()), Form::wide);
    if (!read) {
        return LiveTextRead::not_answered;
    }
    if (*read <= 0) {
        return LiveTextRead::unreadable;
    }
    // A window may answer more than it announced; only the buffer counts.
    const size_t filled = std::min(static_cast<size_t>(*read), size - 1);
    text.assign(buffer.data(), std::find(buffer.data(), buffer.data() + filled, L'\0'));
    return LiveTextRead::read;
}

uint32_t Win32Clock::tick_count() {
    return ::GetTickCount();
}

void Win32Clock::sleep(uint32_t milliseconds) {
    ::Sleep(milliseconds);
}

void Win32MessagePump::pump_pending_messages() {
    tarn::pump_pending_messages();
}

Win32WindowSystem& window_system() {
    static Win32WindowSystem system;
    return system;
}

Win32Clock& clock() {
    static Win32Clock instance;
    return instance;
}

Win32MessagePump& message_pump() {
    static Win32MessagePump pump;
    return pump;
}

} // namespace drafthand::win
