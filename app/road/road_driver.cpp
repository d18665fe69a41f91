// Drives tarn2.exe from another process through the whole road: picks KA, KE
// and the side point in the running CAD program with the pick buttons, then
// draws a centre line, a parallel line with widening and a normal.
//
//   road_driver.exe
//
// The CAD program answers the pick prompts itself (cadsim --pick). Prints one
// line per step; exit status 0 when every step ended as expected.
#include "cadsim/engine.h"
#include "cadsim/window_names.h"
#include "tarn/testsupport/wait.h"
#include "tarn/testsupport/window_text.h"
#include "tarn2/controls.h"

#include <windows.h>
// commctrl.h needs windows.h first.
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>

using namespace tarn::app;

namespace {

// Generous: under emulation one pick or draw takes tens of seconds, and
// tarn2 and the CAD program take a while to start.
constexpr DWORD kStepTimeoutMs = 300000;
// How long one call may wait for tarn2 to answer. No SMTO_ABORTIFHUNG: Wine
// counts a slow program as hung for a moment, and such a call fails at once.
constexpr UINT kAnswerTimeoutMs = 60000;

// The results of presses come back as callbacks delivered while the queue is
// read.
bool wait_until(const std::function<bool()>& condition, DWORD timeout_ms) {
    return tarn::testsupport::wait_until(
        [&] {
            tarn::testsupport::pump_messages();
            return condition();
        },
        timeout_ms);
}

// True once the window's thread has handled a message: it exists and answers.
bool answers(HWND window) {
    DWORD_PTR ignored = 0;
    return window != nullptr && ::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL,
                                                      kAnswerTimeoutMs, &ignored) != 0;
}

void CALLBACK count_handled(HWND, UINT, ULONG_PTR handled, LRESULT) {
    ++*reinterpret_cast<int*>(handled);
}

class Form {
public:
    // The window exists, its controls are there and its thread answers.
    bool find() {
        return wait_until(
            [this] {
                window_ = ::FindWindowW(nullptr, L"tarn2");
                return window_ != nullptr && control(kCommand5) != nullptr && answers(window_);
            },
            kStepTimeoutMs);
    }

    HWND control(int id) const { return ::GetDlgItem(window_, id); }
    HWND window() const { return window_; }

    // Empty when the box could not be read: no value is made up.
    std::optional<std::wstring> text(int id) const {
        wchar_t buffer[256] = {};
        DWORD_PTR copied = 0;
        const HWND box = control(id);
        if (box == nullptr ||
            ::SendMessageTimeoutW(box, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(buffer),
                                  SMTO_NORMAL, kAnswerTimeoutMs, &copied) == 0) {
            return std::nullopt;
        }
        return std::wstring(buffer, std::min<size_t>(copied, 255));
    }

    // Sets a box and reads it back.
    bool set_text(int id, const wchar_t* value) const {
        DWORD_PTR set = 0;
        const HWND box = control(id);
        if (box == nullptr ||
            ::SendMessageTimeoutW(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(value), SMTO_NORMAL,
                                  kAnswerTimeoutMs, &set) == 0 ||
            set != TRUE) {
            return false;
        }
        return text(id) == std::wstring(value);
    }

    // Selects a tab as a click does and reads the selection back.
    bool select_tab(int tab) const {
        DWORD_PTR ignored = 0;
        DWORD_PTR selected = 0;
        const HWND tabs = control(kSSTab1);
        return tabs != nullptr &&
               ::SendMessageTimeoutW(tabs, TCM_SETCURFOCUS, static_cast<WPARAM>(tab), 0,
                                     SMTO_NORMAL, kAnswerTimeoutMs, &ignored) != 0 &&
               ::SendMessageTimeoutW(tabs, TCM_GETCURSEL, 0, 0, SMTO_NORMAL, kAnswerTimeoutMs,
                                     &selected) != 0 &&
               selected == static_cast<DWORD_PTR>(tab);
    }

    // Presses a button without waiting: the handler waits for the CAD program
    // with messages flowing. The callback comes once the handler has returned,
    // that is once the pick or the draw has really ended.
    bool press(int id) {
        handled_before_ = handled_;
        return ::SendMessageCallbackW(window_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                                      reinterpret_cast<LPARAM>(control(id)), count_handled,
                                      reinterpret_cast<ULONG_PTR>(&handled_)) != 0;
    }

    // Waits until the last press has been handled, or a message box of tarn2
    // (a failed step; its text says why) shows. Empty when handled.
    std::wstring wait_handled() const {
        std::wstring failure;
        const bool ended = wait_until(
            [&] {
                failure = message_box_text();
                return !failure.empty() || handled_ > handled_before_;
            },
            kStepTimeoutMs);
        return !ended ? L"timed out" : failure;
    }

    std::wstring message_box_text() const {
        DWORD process = 0;
        ::GetWindowThreadProcessId(window_, &process);
        const HWND box = tarn::testsupport::find_message_box(process, 0);
        if (box == nullptr) {
            return {};
        }
        const std::wstring text = tarn::testsupport::message_box_text(box);
        return text.empty() ? L"(message box)" : text;
    }

private:
    HWND window_ = nullptr;
    int handled_ = 0;
    int handled_before_ = 0;
};

void report(const wchar_t* step, bool ok, const std::wstring& detail = {}) {
    std::wstring line = std::wstring(ok ? L"ok     " : L"FAILED ") + step;
    if (!detail.empty()) {
        line += L": " + detail;
    }
    // UTF-8 for the log, whatever the console's code page.
    const int size =
        ::WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(size > 0 ? size : 1), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, bytes.data(), size, nullptr, nullptr);
    std::printf("%s\n", bytes.c_str());
    std::fflush(stdout);
}

// The CAD program's main window answers (tarn2 connects to it on the first pick).
bool find_cad() {
    return wait_until([] { return answers(::FindWindowW(cadsim::kMainClass, nullptr)); },
                      kStepTimeoutMs);
}

// tarn2 hands its commands over and returns; the CAD program may still be
// working through them. It has taken them all once its command line shows the
// bare idle prompt for a while: queued input is
// taken as soon as a prompt shows.
bool cad_has_finished() {
    int idle_reads = 0;
    return wait_until(
        [&] {
            const HWND text = ::FindWindowW(cadsim::kTextClass, nullptr);
            const HWND pane = ::FindWindowExW(text, nullptr, cadsim::kPaneClass, nullptr);
            const HWND line = ::FindWindowExW(pane, nullptr, cadsim::kCommandClass, nullptr);
            wchar_t buffer[64] = {};
            DWORD_PTR copied = 0;
            const bool read =
                line != nullptr &&
                ::SendMessageTimeoutW(line, WM_GETTEXT, 64, reinterpret_cast<LPARAM>(buffer),
                                      SMTO_NORMAL, kAnswerTimeoutMs, &copied) != 0;
            idle_reads = read && std::wstring(buffer) == cadsim::kIdlePrompt ? idle_reads + 1 : 0;
            return idle_reads >= 10;
        },
        kStepTimeoutMs);
}

// Presses a button and waits until its handler has returned; a failure is
// reported under step.
bool press_and_wait(Form& form, const wchar_t* step, int button) {
    if (!form.press(button)) {
        report(step, false, L"the button could not be pressed");
        return false;
    }
    const std::wstring failure = form.wait_handled();
    if (!failure.empty()) {
        report(step, false, failure);
        return false;
    }
    return true;
}

// Clears both boxes, presses a pick button, waits until the pick has ended
// and reports the point read from the boxes.
bool pick(Form& form, const wchar_t* step, int button, int x_box, int y_box) {
    if (!form.set_text(x_box, L"") || !form.set_text(y_box, L"")) {
        report(step, false, L"the point boxes could not be cleared");
        return false;
    }
    if (!press_and_wait(form, step, button)) {
        return false;
    }
    const std::optional<std::wstring> x = form.text(x_box);
    const std::optional<std::wstring> y = form.text(y_box);
    if (!x || !y) {
        report(step, false, L"the point boxes could not be read");
        return false;
    }
    if (x->empty() || y->empty()) {
        report(step, false, L"the pick ended without a point");
        return false;
    }
    report(step, true, *x + L", " + *y);
    return true;
}

// Presses the draw button on a tab and waits until the run has ended.
bool draw(Form& form, const wchar_t* step, int tab) {
    if (!form.select_tab(tab)) {
        report(step, false, L"the tab could not be selected");
        return false;
    }
    if (!press_and_wait(form, step, kCommand5)) {
        return false;
    }
    report(step, true);
    return true;
}

// Fills the boxes of a step on its tab.
bool set_boxes(Form& form, const wchar_t* step, int tab,
               std::initializer_list<std::pair<int, const wchar_t*>> values) {
    if (!form.select_tab(tab)) {
        report(step, false, L"the tab could not be selected");
        return false;
    }
    for (const auto& [id, value] : values) {
        if (!form.set_text(id, value)) {
            report(step, false, std::wstring(L"a box could not be set to ") + value);
            return false;
        }
    }
    return true;
}

// For a photograph: the CAD program's windows beside tarn2's rather than over
// it (no window manager arranges them here).
void arrange_for_photo(const Form& form) {
    RECT tarn2 = {};
    if (!::GetWindowRect(form.window(), &tarn2)) {
        return;
    }
    const int left = tarn2.right + 8;
    int top = 0;
    for (const wchar_t* name : {cadsim::kMainClass, cadsim::kTextClass}) {
        const HWND window = ::FindWindowW(name, nullptr);
        RECT rect = {};
        if (window != nullptr && ::GetWindowRect(window, &rect)) {
            ::SetWindowPos(window, nullptr, left, top, 0, 0,
                           SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            top += rect.bottom - rect.top + 8;
        }
    }
    ::SetWindowPos(form.window(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
}

} // namespace

int main() {
    Form form;
    if (!form.find()) {
        report(L"find the tarn2 window", false, L"no answering window");
        return 1;
    }
    if (!find_cad()) {
        report(L"find the CAD program", false, L"no answering window");
        return 1;
    }
    const wchar_t* const centre = L"draw the centre line (A 100, pitch 1 m)";
    const wchar_t* const parallel = L"draw the parallel line (W 3 m, dW 0.5 m, linear)";
    const bool ok = pick(form, L"pick KA", kCommand1, kX0, kY0) &&
                    pick(form, L"pick KE", kCommand2, kX1, kY1) &&
                    pick(form, L"pick the side point", kCommand3, kX2, kY2) &&
                    set_boxes(form, centre, kTabCentreLine, {{kA, L"100"}, {kPitch, L"1"}}) &&
                    draw(form, centre, kTabCentreLine) &&
                    set_boxes(form, parallel, kTabParallel, {{kW, L"3"}, {kDw, L"0.5"}}) &&
                    draw(form, parallel, kTabParallel) &&
                    draw(form, L"draw the normal at KE", kTabNormal);
    if (!ok) {
        return 1;
    }
    const bool finished = cad_has_finished();
    report(L"the CAD program has taken every command", finished, finished ? L"" : L"timed out");
    if (const char* photo = std::getenv("TARN_ROAD_PHOTO"); photo != nullptr && photo[0] == '1') {
        arrange_for_photo(form);
    }
    return finished ? 0 : 1;
}
