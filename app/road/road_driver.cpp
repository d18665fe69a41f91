// Drives tarn2.exe from another process through the whole road: picks KA, KE
// and the side point in the running CAD program with the pick buttons, then
// draws a centre line, a parallel line with widening and a normal.
//
//   road_driver.exe
//
// The CAD program answers the pick prompts itself (cadsim --pick). Prints one
// line per step; exit status 0 when every step ended as expected.
#include "tarn2/controls.h"

#include <windows.h>
// commctrl.h needs windows.h first.
#include <commctrl.h>

#include <cstdio>
#include <functional>
#include <string>

using namespace tarn::app;

namespace {

constexpr DWORD kStepTimeoutMs = 60000;

bool wait_until(const std::function<bool()>& condition, DWORD timeout_ms) {
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > timeout_ms) {
            return false;
        }
        Sleep(50);
    }
    return true;
}

std::wstring class_name(HWND window) {
    wchar_t name[32] = {};
    GetClassNameW(window, name, 32);
    return name;
}

BOOL CALLBACK find_message_box(HWND window, LPARAM found) {
    if (class_name(window) == L"#32770" && IsWindowVisible(window)) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK collect_static_text(HWND child, LPARAM collected) {
    if (class_name(child) == L"Static") {
        wchar_t buffer[512] = {};
        GetWindowTextW(child, buffer, 512);
        *reinterpret_cast<std::wstring*>(collected) += buffer;
    }
    return TRUE;
}

class Form {
public:
    bool find() {
        return wait_until(
            [this] {
                window_ = FindWindowW(nullptr, L"tarn2");
                return window_ != nullptr;
            },
            kStepTimeoutMs);
    }

    HWND control(int id) const { return GetDlgItem(window_, id); }

    std::wstring text(int id) const {
        wchar_t buffer[256] = {};
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(control(id), WM_GETTEXT, 256, reinterpret_cast<LPARAM>(buffer),
                            SMTO_ABORTIFHUNG, 5000, &ignored);
        return buffer;
    }

    void set_text(int id, const wchar_t* value) const {
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(control(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(value),
                            SMTO_ABORTIFHUNG, 5000, &ignored);
    }

    // Posted, because the handler waits for the CAD program with messages flowing.
    void press(int id) const {
        PostMessageW(window_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(control(id)));
    }

    void select_tab(int tab) const {
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(control(kSSTab1), TCM_SETCURFOCUS, static_cast<WPARAM>(tab), 0,
                            SMTO_ABORTIFHUNG, 5000, &ignored);
    }

    // A message box of tarn2 means a step failed; its text says why.
    std::wstring message_box_text() const {
        HWND box = nullptr;
        const DWORD form_thread = GetWindowThreadProcessId(window_, nullptr);
        EnumThreadWindows(form_thread, find_message_box, reinterpret_cast<LPARAM>(&box));
        if (box == nullptr) {
            return {};
        }
        std::wstring text;
        EnumChildWindows(box, collect_static_text, reinterpret_cast<LPARAM>(&text));
        return text.empty() ? L"(message box)" : text;
    }

private:
    HWND window_ = nullptr;
};

void report(const wchar_t* step, bool ok, const std::wstring& detail = {}) {
    std::wstring line = std::wstring(ok ? L"ok     " : L"FAILED ") + step;
    if (!detail.empty()) {
        line += L": " + detail;
    }
    // UTF-8 for the log, whatever the console's code page.
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(size > 0 ? size : 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, bytes.data(), size, nullptr, nullptr);
    std::printf("%s\n", bytes.c_str());
    std::fflush(stdout);
}

// Presses a pick button and waits until both boxes show the picked point.
bool pick(const Form& form, const wchar_t* step, int button, int x_box, int y_box) {
    form.set_text(x_box, L"");
    form.set_text(y_box, L"");
    form.press(button);
    std::wstring failure;
    const bool ok = wait_until(
        [&] {
            failure = form.message_box_text();
            return !failure.empty() || (!form.text(x_box).empty() && !form.text(y_box).empty());
        },
        kStepTimeoutMs);
    const bool picked = ok && failure.empty();
    report(step, picked,
           picked            ? form.text(x_box) + L", " + form.text(y_box)
           : failure.empty() ? L"timed out"
                             : failure);
    return picked;
}

// Presses the draw button and waits until the run has ended (buttons enabled).
bool draw(const Form& form, const wchar_t* step, int tab) {
    form.select_tab(tab);
    form.press(kCommand5);
    // The run disables the buttons at once; give it a moment to start.
    wait_until([&] { return !IsWindowEnabled(form.control(kCommand5)); }, 2000);
    std::wstring failure;
    const bool ended = wait_until(
        [&] {
            failure = form.message_box_text();
            return !failure.empty() || IsWindowEnabled(form.control(kCommand5));
        },
        kStepTimeoutMs);
    const bool drawn = ended && failure.empty();
    report(step, drawn, drawn ? L"" : failure.empty() ? L"timed out" : failure);
    return drawn;
}

} // namespace

int main() {
    Form form;
    if (!form.find()) {
        report(L"find the tarn2 window", false);
        return 1;
    }
    bool ok = pick(form, L"pick KA", kCommand1, kX0, kY0) &&
              pick(form, L"pick KE", kCommand2, kX1, kY1) &&
              pick(form, L"pick the side point", kCommand3, kX2, kY2);
    if (ok) {
        form.set_text(kA, L"100");
        form.set_text(kPitch, L"1");
        ok = draw(form, L"draw the centre line (A 100, pitch 1 m)", kTabCentreLine);
    }
    if (ok) {
        form.select_tab(kTabParallel);
        form.set_text(kW, L"3");
        form.set_text(kDw, L"0.5");
        ok = draw(form, L"draw the parallel line (W 3 m, dW 0.5 m, linear)", kTabParallel);
    }
    if (ok) {
        ok = draw(form, L"draw the normal at KE", kTabNormal);
    }
    return ok ? 0 : 1;
}
