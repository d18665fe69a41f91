// user32/kernel32 implementations of the core's platform interfaces. Text
// crosses to and from the ANSI code page here and nowhere else.
#pragma once

#include "drafthand/platform.h"

namespace drafthand::win {

// How long a message sent to the CAD program's windows may take before the
// program counts as not responding. A program that handles its messages
// answers these in well under a millisecond, even in the middle of a long
// command, since it only queues the input; ten seconds is twice what Windows
// itself waits before calling a window hung, and short enough that a user
// is told within seconds.
inline constexpr unsigned kAnswerLimitMs = 10000;

class Win32WindowSystem final : public WindowSystem {
public:
    bool enum_top_windows(const WindowVisitor& visit) override;
    bool enum_child_windows(WindowHandle parent, const WindowVisitor& visit) override;
    bool read_title(WindowHandle window, std::wstring& title) override;
    bool read_class_name(WindowHandle window, std::wstring& class_name) override;
    uint32_t read_thread_process_id(WindowHandle window, uint32_t& process_id) override;
    bool is_window(WindowHandle window) override;
    Answer send_command_text(WindowHandle window, const std::wstring& text) override;
    void post_null(WindowHandle window) override;
    LiveTextRead read_live_text(WindowHandle window, std::wstring& text) override;
};

class Win32Clock final : public Clock {
public:
    uint32_t tick_count() override;
    void sleep(uint32_t milliseconds) override;
};

class Win32MessagePump final : public MessagePump {
public:
    void pump_pending_messages() override;
};

// Stateless, so one of each serves every object of every thread.
Win32WindowSystem& window_system();
Win32Clock& clock();
Win32MessagePump& message_pump();

} // namespace drafthand::win
