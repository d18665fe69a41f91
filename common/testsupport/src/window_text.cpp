#include "tarn/testsupport/window_text.h"

#include "tarn/testsupport/wait.h"

namespace tarn::testsupport {
namespace {

BOOL CALLBACK collect(HWND window, LPARAM windows) {
    reinterpret_cast<std::vector<HWND>*>(windows)->push_back(window);
    return TRUE;
}

struct BoxSearch {
    DWORD process;
    HWND box;
};

BOOL CALLBACK find_box(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<BoxSearch*>(data);
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    if (process == search->process && ::IsWindowVisible(window) && class_of(window) == L"#32770") {
        search->box = window;
        return FALSE;
    }
    return TRUE;
}

std::wstring static_text(HWND box) {
    for (HWND child : child_windows(box)) {
        if (class_of(child) == L"Static") {
            const std::wstring words = window_text(child);
            if (!words.empty()) {
                return words;
            }
        }
    }
    return L"";
}

} // namespace

std::wstring window_text(HWND window, DWORD limit_ms) {
    wchar_t buffer[1024] = {};
    DWORD_PTR copied = 0;
    if (!::SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buffer),
                               SMTO_ABORTIFHUNG, limit_ms, &copied)) {
        return kNoAnswer;
    }
    return std::wstring(buffer, copied);
}

std::wstring class_of(HWND window) {
    wchar_t name[256] = {};
    ::GetClassNameW(window, name, 256);
    return name;
}

std::vector<HWND> child_windows(HWND parent) {
    std::vector<HWND> windows;
    ::EnumChildWindows(parent, collect, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

HWND find_message_box(DWORD process_id, DWORD limit_ms) {
    BoxSearch search = {process_id, nullptr};
    wait_until(
        [&search] {
            search.box = nullptr;
            ::EnumWindows(find_box, reinterpret_cast<LPARAM>(&search));
            return search.box != nullptr;
        },
        limit_ms);
    return search.box;
}

std::wstring message_box_text(HWND box) {
    std::wstring said;
    wait_until([&] {
        said = static_text(box);
        return said != kNoAnswer;
    });
    return said;
}

bool press_ok(HWND box) {
    ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    return wait_until([box] { return !::IsWindow(box); });
}

} // namespace tarn::testsupport
