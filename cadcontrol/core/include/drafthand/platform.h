// The small platform interfaces the core talks through. The Windows edge
// implements them with user32/kernel32 (converting text to and from the ANSI
// code page); tests implement them with fakes.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace drafthand {

// A window handle as the platform hands it out (an HWND value).
using WindowHandle = std::uintptr_t;

// What a window answered to a message sent with a time limit: nothing when it
// did not answer within the limit, was hung, or went away meanwhile.
using Answer = std::optional<intptr_t>;

// The outcome of reading a window's live text.
enum class LiveTextRead {
    read,        // the text is there
    unreadable,  // the window announced length 0, or the read returned 0
    not_answered // hung, too slow, or gone
};

// Called for each enumerated window; returning false ends the enumeration.
using WindowVisitor = std::function<bool(WindowHandle)>;

class WindowSystem {
public:
    virtual ~WindowSystem() = default;

    // EnumWindows / EnumChildWindows (all descendants of parent). False when
    // the platform reports failure, which includes a visitor returning false.
    virtual bool enum_top_windows(const WindowVisitor& visit) = 0;
    virtual bool enum_child_windows(WindowHandle parent, const WindowVisitor& visit) = 0;

    // The caption as the window manager keeps it (GetWindowTextA); false when
    // it is empty or cannot be read.
    virtual bool read_title(WindowHandle window, std::wstring& title) = 0;
    // GetClassNameA; false when the read returns 0.
    virtual bool read_class_name(WindowHandle window, std::wstring& class_name) = 0;
    // GetWindowThreadProcessId: the thread id (0 on failure) and process id.
    virtual uint32_t read_thread_process_id(WindowHandle window, uint32_t& process_id) = 0;
    virtual bool is_window(WindowHandle window) = 0;

    // WM_COPYDATA with dwData 1 and the text as a NUL-terminated ANSI string;
    // what the window procedure answered (0 means refused).
    virtual Answer send_command_text(WindowHandle window, const std::wstring& text) = 0;
    // WM_NULL posted; the result is of no interest.
    virtual void post_null(WindowHandle window) = 0;
    // The live text (WM_GETTEXTLENGTH, then WM_GETTEXT); text is written only
    // when it was read.
    virtual LiveTextRead read_live_text(WindowHandle window, std::wstring& text) = 0;
};

class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds, wrapping around at 2^32 like GetTickCount.
    virtual uint32_t tick_count() = 0;
    virtual void sleep(uint32_t milliseconds) = 0;
};

// Lets the calling thread handle its pending window messages (and with them
// the client's event handlers) between two polls.
class MessagePump {
public:
    virtual ~MessagePump() = default;
    virtual void pump_pending_messages() = 0;
};

} // namespace drafthand
