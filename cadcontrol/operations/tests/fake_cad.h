// A fake AutoCAD behind fake windows, a fake clock and a pump hook for the
// operations' tests; a fake shell and processes for the launcher's.
#pragma once

#include "drafthand/channel.h"
#include "drafthand/launcher.h"
#include "drafthand/operations.h"
#include "drafthand/platform.h"
#include "drafthand/records.h"

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace drafthand::testing {

// One message that reached the main window: a command text or a WM_NULL.
struct Post {
    bool null = false;
    std::wstring text;
    // Prompt reads made before this message arrived.
    int reads_before = 0;
    bool operator==(const Post& other) const { return null == other.null && text == other.text; }
};

class FakeCad : public WindowSystem {
public:
    static constexpr WindowHandle kMain = 0x1100;
    static constexpr WindowHandle kText = 0x1200;
    static constexpr WindowHandle kCommand = 0x1300;
    static constexpr WindowHandle kHistory = 0x1400;

    // Records the four windows in table, as a successful search does.
    void link(WindowTable& table) const;

    bool enum_top_windows(const WindowVisitor& visit) override;
    bool enum_child_windows(WindowHandle parent, const WindowVisitor& visit) override;
    bool read_title(WindowHandle window, std::wstring& title) override;
    bool read_class_name(WindowHandle window, std::wstring& class_name) override;
    uint32_t read_thread_process_id(WindowHandle window, uint32_t& process_id) override;
    bool is_window(WindowHandle window) override;
    Answer send_command_text(WindowHandle window, const std::wstring& text) override;
    void post_null(WindowHandle window) override;
    LiveTextRead read_live_text(WindowHandle window, std::wstring& text) override;

    // What AutoCAD shows; an empty text reads as a failure (length 0).
    std::wstring prompt = L"ｺﾏﾝﾄﾞ: ";
    std::wstring history;
    std::set<WindowHandle> closed;
    intptr_t copydata_answer = 1;
    bool hung = false; // no sent message is answered
    // AutoCAD's reaction to a command text (already with control characters).
    std::function<void(FakeCad&, const std::wstring&)> on_command;

    std::vector<Post> posts;
    int prompt_reads = 0;
    int history_reads = 0;
};

class FakeClock : public Clock {
public:
    uint32_t tick_count() override { return now; }
    void sleep(uint32_t milliseconds) override;

    uint32_t now = 5000;
    std::vector<uint32_t> sleeps;
    std::function<void()> on_sleep;
};

class FakePump : public MessagePump {
public:
    void pump_pending_messages() override;
    int calls = 0;
    std::function<void()> on_pump;
};

class FakeForeground : public ForegroundWindows {
public:
    WindowHandle last_active_popup(WindowHandle window) override;
    bool set_foreground(WindowHandle window) override;

    WindowHandle popup = 0; // 0: the window has none
    bool refuse = false;
    std::vector<WindowHandle> asked;
    std::vector<WindowHandle> brought_forward;
};

// A Control's platform, its records and its channel, linked to the fake CAD.
struct Rig {
    Rig();
    ThreadRecords records;
    FakeCad cad;
    FakeClock clock;
    FakePump pump;
    Channel channel;
    const ErrorRecord& error() const { return records.last_error; }
};

class FakeShell : public Shell {
public:
    struct Process {
        std::vector<int64_t> exit_codes; // -1: the read fails
        uint32_t idle_answer = 0;
    };

    bool file_exists(const std::wstring& path) override;
    bool execute(const ShellRequest& request, std::unique_ptr<StartedProcess>& process) override;
    void sleep(uint32_t milliseconds) override { sleeps.push_back(milliseconds); }
    void path_quote_spaces(std::wstring& buffer) override;

    std::set<std::wstring> files{L"C:\\acad\\acad.exe"};
    bool refuse = false;
    bool hand_out_process = true;
    Process next;

    std::vector<std::wstring> existence_checks;
    std::vector<ShellRequest> requests;
    std::vector<std::wstring> quote_buffers;
    std::vector<uint32_t> sleeps;
    std::vector<int32_t> idle_waits;
    int exit_code_reads = 0;
    int processes_open = 0;
    int processes_closed = 0;
};

} // namespace drafthand::testing
