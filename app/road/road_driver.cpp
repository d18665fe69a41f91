// Drives tarn2.exe from another process through the whole road: picks KA, KE
// and the side point in the running CAD program with the pick buttons, then
// draws a centre line, a parallel line with widening and a normal.
//
//   road_driver.exe
//   road_driver.exe tab N        (the guide's pictures: one tab filled in and drawn)
//   road_driver.exe message KIND (the guide's pictures: tarn2 led into one message box)
//
// The CAD program answers the pick prompts itself (cadsim --pick). Prints one
// line per step; exit status 0 when every step ended as expected. For a
// picture the windows are left as they are for a screenshot; a message box
// is left open and its place printed as "box: LEFT TOP WIDTH HEIGHT".
#include "cadsim/engine.h"
#include "cadsim/window_names.h"
#include "tarn/message_pump.h"
#include "tarn/testsupport/wait.h"
#include "tarn/testsupport/window_text.h"
#include "tarn2/controls.h"

#include <windows.h>
// commctrl.h needs windows.h first.
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
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
            tarn::pump_pending_messages();
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

// The road's points as its picks fill them in (取得桁 7): KA, KE (the 50 m
// point of the clothoid A = 100 from KA, heading east) and a side point below
// the chord.
constexpr const wchar_t* kKaX = L"10";
constexpr const wchar_t* kKaY = L"20";
constexpr const wchar_t* kKeX = L"59.9219315";
constexpr const wchar_t* kKeY = L"22.0810093";
constexpr const wchar_t* kSideX = L"35";
constexpr const wchar_t* kSideY = L"15";

bool set_points(Form& form, const wchar_t* step, int tab, const wchar_t* second_x,
                const wchar_t* second_y) {
    return set_boxes(form, step, tab,
                     {{kX0, kKaX},
                      {kY0, kKaY},
                      {kX1, second_x},
                      {kY1, second_y},
                      {kX2, kSideX},
                      {kY2, kSideY},
                      {kA, L"100"},
                      {kPitch, L"1"}});
}

// One tab filled in with the road's points and drawn; every tab but the two
// that draw a clothoid draws the centre line first, for the picture to show
// what the tab's line belongs to.
bool photo_tab(Form& form, int tab) {
    const wchar_t* const centre = L"draw the centre line";
    const bool own_curve = tab == kTabCentreLine || tab == kTabCentre2;
    if (!own_curve && !(set_points(form, centre, kTabCentreLine, kKeX, kKeY) &&
                        draw(form, centre, kTabCentreLine))) {
        return false;
    }
    const wchar_t* const step = L"draw on the tab";
    bool ok = true;
    switch (tab) {
    case kTabPerpendicular1:
        ok = set_points(form, step, tab, kKeX, kKeY) &&
             set_boxes(form, step, tab, {{kX3, L"30"}, {kY3, L"30"}});
        break;
    case kTabPerpendicular2:
        ok = set_points(form, step, tab, kKeX, kKeY) && set_boxes(form, step, tab, {{kLLL, L"30"}});
        break;
    case kTabParallel:
        ok = set_points(form, step, tab, kKeX, kKeY) &&
             set_boxes(form, step, tab, {{kW, L"3"}, {kDw, L"0.5"}});
        break;
    case kTabCentre2:
        // The tangent at KA heading east: the same curve as the road's.
        ok = set_points(form, step, tab, L"40", kKaY) && set_boxes(form, step, tab, {{kLC, L"50"}});
        break;
    default:
        ok = set_points(form, step, tab, kKeX, kKeY);
        break;
    }
    if (!ok || !draw(form, step, tab)) {
        return false;
    }
    const bool finished = cad_has_finished();
    report(L"the CAD program has taken every command", finished, finished ? L"" : L"timed out");
    arrange_for_photo(form);
    return finished;
}

// Types one line into the CAD program's command line, as a person does.
bool type_into_cad(const char* line) {
    const HWND main = ::FindWindowW(L"CadsimMain", nullptr);
    COPYDATASTRUCT data = {1, static_cast<DWORD>(std::strlen(line) + 1), const_cast<char*>(line)};
    DWORD_PTR ignored = 0;
    return main != nullptr &&
           ::SendMessageTimeoutW(main, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_NORMAL,
                                 kAnswerTimeoutMs, &ignored) != 0;
}

bool cad_prompts(const char* prompt) {
    return wait_until(
        [&] {
            const HWND text = ::FindWindowW(L"CadsimText", nullptr);
            const HWND pane = ::FindWindowExW(text, nullptr, L"CadsimPane", nullptr);
            const HWND line = ::FindWindowExW(pane, nullptr, L"CadsimCommandLine", nullptr);
            char buffer[64] = {};
            DWORD_PTR copied = 0;
            return line != nullptr &&
                   ::SendMessageTimeoutA(line, WM_GETTEXT, sizeof buffer,
                                         reinterpret_cast<LPARAM>(buffer), SMTO_NORMAL,
                                         kAnswerTimeoutMs, &copied) != 0 &&
                   std::string(buffer) == prompt;
        },
        kStepTimeoutMs);
}

// tarn2 led into one kind of message box, which is left open:
//   input    a box that is not a number (pitch "1m")
//   nocad    a pick with no CAD program running
//   stopped  a draw during which the CAD program ends (cadsim --die-after)
//   nopoint  a pick answered with Enter instead of a point
//   cancel   a pick cancelled in the CAD program (Esc)
//   waiting  another button pressed while a pick waits
//   result   a draw whose curve library returns a code tarn2 does not know
bool photo_message(Form& form, std::wstring_view kind) {
    const wchar_t* const step = L"lead tarn2 into the message box";
    bool pressed = false;
    if (kind == L"nocad" || kind == L"nopoint" || kind == L"cancel" || kind == L"waiting") {
        pressed = set_points(form, step, kTabCentreLine, kKeX, kKeY) && form.set_text(kX0, L"") &&
                  form.set_text(kY0, L"") && form.press(kCommand1);
        // Then, once the CAD program asks "点を指定: " (in code page 932): Enter,
        // Esc (^C) or the next pick button.
        if (pressed && kind != L"nocad") {
            pressed = cad_prompts("\x93\x5F\x82\xF0\x8E\x77\x92\xE8: ") &&
                      (kind == L"nopoint"  ? type_into_cad("\n")
                       : kind == L"cancel" ? type_into_cad("\x03")
                                           : form.press(kCommand2));
        }
    } else if (kind == L"input" || kind == L"stopped" || kind == L"result") {
        pressed = set_points(form, step, kTabCentreLine, kKeX, kKeY) &&
                  (kind != L"input" || form.set_text(kPitch, L"1m")) &&
                  form.select_tab(kTabCentreLine) && form.press(kCommand5);
    }
    if (!pressed) {
        report(step, false, L"the steps before the box failed");
        return false;
    }
    DWORD process = 0;
    ::GetWindowThreadProcessId(form.window(), &process);
    const HWND box = tarn::testsupport::find_message_box(process, kStepTimeoutMs);
    if (box == nullptr) {
        report(step, false, L"no message box");
        return false;
    }
    // Its frame drawn active, as a box just shown is, whichever window the
    // CAD program activated last; then its first paint.
    DWORD_PTR ignored = 0;
    ::SendMessageTimeoutW(box, WM_NCACTIVATE, TRUE, 0, SMTO_NORMAL, kAnswerTimeoutMs, &ignored);
    ::Sleep(500);
    report(step, true, form.message_box_text());
    RECT rect = {};
    ::GetWindowRect(box, &rect);
    std::printf("box: %ld %ld %ld %ld\n", rect.left, rect.top, rect.right - rect.left,
                rect.bottom - rect.top);
    std::fflush(stdout);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    Form form;
    if (!form.find()) {
        report(L"find the tarn2 window", false, L"no answering window");
        return 1;
    }
    const std::string_view mode = argc == 3 ? argv[1] : "";
    const std::string_view kind = argc == 3 ? argv[2] : "";
    // One of the pictures has no CAD program running.
    if (!(mode == "message" && kind == "nocad") && !find_cad()) {
        report(L"find the CAD program", false, L"no answering window");
        return 1;
    }
    if (mode == "tab") {
        return photo_tab(form, std::atoi(argv[2])) ? 0 : 1;
    }
    if (mode == "message") {
        return photo_message(form, std::wstring(kind.begin(), kind.end())) ? 0 : 1;
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
