// Fake windows, clock and message pump for the core's tests.
#pragma once

#include "drafthand/platform.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace drafthand::testing {

struct FakeWindow {
    std::wstring title;
    std::wstring class_name = L"Afx:400000:8";
    uint32_t thread_id = 100;
    uint32_t process_id = 1;
    bool alive = true;
    bool title_readable = true;
    std::wstring live_text;
    bool live_text_readable = true;
    intptr_t copydata_answer = 1;
    bool answers = true;                // false: hung, as far as sent messages can tell
    std::vector<WindowHandle> children; // all descendants, in delivery order
};

class FakeWindowSystem : public WindowSystem {
public:
    // Adds a top-level window (delivered in order of adding) and returns it.
    WindowHandle add_top(FakeWindow window);
    WindowHandle add_child(WindowHandle parent, FakeWindow window);
    FakeWindow& window(WindowHandle handle) { return windows_.at(handle); }

    bool enum_top_windows(const WindowVisitor& visit) override;
    bool enum_child_windows(WindowHandle parent, const WindowVisitor& visit) override;
    bool read_title(WindowHandle window, std::wstring& title) override;
    bool read_class_name(WindowHandle window, std::wstring& class_name) override;
    uint32_t read_thread_process_id(WindowHandle window, uint32_t& process_id) override;
    bool is_window(WindowHandle window) override;
    Answer send_command_text(WindowHandle window, const std::wstring& text) override;
    void post_null(WindowHandle window) override;
    LiveTextRead read_live_text(WindowHandle window, std::wstring& text) override;

    bool fail_enumeration = false;
    // Every message that reached a window: the command text, or L"<null>".
    std::vector<std::pair<WindowHandle, std::wstring>> messages;
    int live_text_reads = 0;

private:
    std::map<WindowHandle, FakeWindow> windows_;
    std::vector<WindowHandle> top_;
    WindowHandle next_ = 0x10010;
};

class FakeClock : public Clock {
public:
    uint32_t tick_count() override { return now; }
    void sleep(uint32_t milliseconds) override {
        sleeps.push_back(milliseconds);
        now += milliseconds;
        if (on_sleep) {
            on_sleep();
        }
    }

    uint32_t now = 1000;
    std::vector<uint32_t> sleeps;
    std::function<void()> on_sleep;
};

class FakePump : public MessagePump {
public:
    void pump_pending_messages() override {
        ++calls;
        if (on_pump) {
            on_pump();
        }
    }
    int calls = 0;
    std::function<void()> on_pump;
};

} // namespace drafthand::testing
