#include "fake_cad.h"

namespace drafthand::testing {

void FakeCad::link(WindowTable& table) const {
    table.main.handle = kMain;
    table.text.handle = kText;
    table.command.handle = kCommand;
    table.history.handle = kHistory;
}

bool FakeCad::enum_top_windows(const WindowVisitor& visit) {
    return visit(kMain) && visit(kText);
}

bool FakeCad::enum_child_windows(WindowHandle, const WindowVisitor& visit) {
    return visit(kCommand) && visit(kHistory);
}

bool FakeCad::read_title(WindowHandle, std::wstring&) {
    return false;
}
bool FakeCad::read_class_name(WindowHandle, std::wstring&) {
    return false;
}
uint32_t FakeCad::read_thread_process_id(WindowHandle, uint32_t& process_id) {
    process_id = 0;
    return 0;
}

bool FakeCad::is_window(WindowHandle window) {
    return window != 0 && closed.count(window) == 0 &&
           (window == kMain || window == kText || window == kCommand || window == kHistory);
}

Answer FakeCad::send_command_text(WindowHandle window, const std::wstring& text) {
    if (window != kMain) {
        return 0;
    }
    if (hung) {
        return std::nullopt;
    }
    posts.push_back(Post{false, text, prompt_reads});
    const intptr_t answer = copydata_answer;
    if (answer != 0 && on_command) {
        on_command(*this, text);
    }
    return answer;
}

void FakeCad::post_null(WindowHandle window) {
    if (window == kMain) {
        posts.push_back(Post{true, L"", prompt_reads});
    }
}

LiveTextRead FakeCad::read_live_text(WindowHandle window, std::wstring& text) {
    if (hung) {
        return LiveTextRead::not_answered;
    }
    if (window == kCommand) {
        ++prompt_reads;
        text = prompt;
    } else if (window == kHistory) {
        ++history_reads;
        text = history;
    } else {
        return LiveTextRead::unreadable;
    }
    return text.empty() ? LiveTextRead::unreadable : LiveTextRead::read;
}

void FakeClock::sleep(uint32_t milliseconds) {
    sleeps.push_back(milliseconds);
    now += milliseconds;
    if (on_sleep) {
        on_sleep();
    }
}

void FakePump::pump_pending_messages() {
    ++calls;
    if (on_pump) {
        on_pump();
    }
}

WindowHandle FakeForeground::last_active_popup(WindowHandle window) {
    asked.push_back(window);
    return popup != 0 ? popup : window;
}

bool FakeForeground::set_foreground(WindowHandle window) {
    brought_forward.push_back(window);
    return !refuse;
}

Rig::Rig() : channel(records, cad, clock, pump) {
    cad.link(records.windows);
}

namespace {

class FakeProcess : public StartedProcess {
public:
    FakeProcess(FakeShell& shell, FakeShell::Process script)
        : shell_(shell), script_(std::move(script)) {
        ++shell_.processes_open;
    }
    ~FakeProcess() override { ++shell_.processes_closed; }

    uint32_t wait_for_input_idle(int32_t milliseconds) override {
        shell_.idle_waits.push_back(milliseconds);
        return script_.idle_answer;
    }
    bool read_exit_code(uint32_t& code) override {
        ++shell_.exit_code_reads;
        // The last scripted answer repeats.
        const int64_t answer = script_.exit_codes.empty() ? 0 : script_.exit_codes.front();
        if (script_.exit_codes.size() > 1) {
            script_.exit_codes.erase(script_.exit_codes.begin());
        }
        if (answer < 0) {
            return false;
        }
        code = static_cast<uint32_t>(answer);
        return true;
    }

private:
    FakeShell& shell_;
    FakeShell::Process script_;
};

} // namespace

bool FakeShell::file_exists(const std::wstring& path) {
    existence_checks.push_back(path);
    return files.count(path) != 0;
}

bool FakeShell::execute(const ShellRequest& request, std::unique_ptr<StartedProcess>& process) {
    requests.push_back(request);
    if (refuse) {
        return false;
    }
    if (hand_out_process && (request.mask & kSeeMaskNoCloseProcess) != 0) {
        process = std::make_unique<FakeProcess>(*this, next);
    }
    return true;
}

// PathQuoteSpaces' rule: quote a text holding a blank while it fits MAX_PATH.
void FakeShell::path_quote_spaces(std::wstring& buffer) {
    quote_buffers.push_back(buffer);
    const size_t nul = buffer.find(L'\0');
    const std::wstring text = buffer.substr(0, nul);
    if (text.find(L' ') == std::wstring::npos || text.size() + 3 > 260) {
        return;
    }
    const std::wstring quoted = L"\"" + text + L"\"";
    buffer.replace(0, quoted.size(), quoted);
}

} // namespace drafthand::testing
