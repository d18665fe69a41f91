#include "tarn/testsupport/cadsim_process.h"

#include "tarn/testsupport/window_text.h"

#include <cadsim/engine.h>
#include <cadsim/window_names.h>

namespace tarn::testsupport {

CadsimProcess::CadsimProcess(const std::wstring& program, const std::wstring& options,
                             const wchar_t* folder)
    : started_(tarn::start_process(L"\"" + program + L"\" " + options, folder)) {}

CadsimProcess::~CadsimProcess() {
    if (started_ && ::WaitForSingleObject(process(), 0) == WAIT_TIMEOUT) {
        ::TerminateProcess(process(), 1);
        ::WaitForSingleObject(process(), 10000);
    }
}

bool CadsimProcess::find_windows() {
    main = text = command = history = nullptr;
    for (HWND window = ::GetTopWindow(nullptr); window != nullptr;
         window = ::GetWindow(window, GW_HWNDNEXT)) {
        DWORD process_id = 0;
        ::GetWindowThreadProcessId(window, &process_id);
        if (process_id != id()) {
            continue;
        }
        const std::wstring name = class_of(window);
        if (name == cadsim::kMainClass) {
            main = window;
        } else if (name == cadsim::kTextClass) {
            text = window;
        }
    }
    if (text == nullptr) {
        return false;
    }
    for (HWND child : child_windows(text)) {
        wchar_t caption[32] = {};
        ::GetWindowTextW(child, caption, 32);
        if (std::wstring(caption) == cadsim::kCommandCaption) {
            command = child;
        } else if (std::wstring(caption) == cadsim::kHistoryCaption) {
            history = child;
        }
    }
    return main != nullptr && command != nullptr && history != nullptr;
}

bool CadsimProcess::wait_windows(DWORD limit_ms) {
    return started() && wait_until([this] { return find_windows(); }, limit_ms);
}

bool CadsimProcess::wait_ready(DWORD limit_ms) {
    // The main window comes before the text window and its command line.
    return started() &&
           wait_until([this] { return find_windows() && prompt() == cadsim::kIdlePrompt; },
                      limit_ms);
}

std::wstring CadsimProcess::prompt() const {
    return command != nullptr ? window_text(command) : L"";
}

bool CadsimProcess::close(DWORD limit_ms) {
    if (!started()) {
        return false;
    }
    if (main != nullptr && ::IsWindow(main)) {
        ::PostMessageW(main, WM_CLOSE, 0, 0);
    }
    return exited(limit_ms);
}

bool CadsimProcess::exited(DWORD wait_ms, DWORD* code) const {
    if (!started() || ::WaitForSingleObject(process(), wait_ms) != WAIT_OBJECT_0) {
        return false;
    }
    if (code != nullptr) {
        ::GetExitCodeProcess(process(), code);
    }
    return true;
}

} // namespace tarn::testsupport
