// The Win32 host of the stand-in CAD program: the main window (drawing and
// command line), the text window with the command-line and history windows,
// and the command channel into the engine.
#pragma once

#include "cadsim/engine.h"
#include "cadsim/fault_plan.h"
#include "cadsim/joined_lines.h"
#include "cadsim/options.h"
#include "cadsim/view.h"
#include "tarn/unique.h"

#include <windows.h>

#include <optional>
#include <string>

namespace cadsim::win {

class Host {
public:
    Host(HINSTANCE instance, Options options);
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    // Registers the window classes and shows the windows; false on failure.
    bool create();
    int run();

    // The window procedures forward here; they never let an exception out.
    LRESULT main_message(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
    LRESULT text_message(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
    LRESULT pane_message(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
    LRESULT command_message(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
    LRESULT history_message(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

private:
    LRESULT on_copydata(const COPYDATASTRUCT* data);
    void on_click(int x, int y);
    void on_timer(UINT_PTR id);
    // Brings the windows, the live texts and the DXF file up to date after
    // the engine has changed.
    void sync();
    void sync_texts();
    // Invalidates the three painted windows.
    void repaint();
    void write_dxf();
    // Saves the drawing and ends the message loop; once.
    void finish();
    // Ends the process at once, as a crash does.
    void die();
    View view() const;
    void paint_main(HDC dc, const RECT& client) const;
    void paint_lines(HWND hwnd, HDC dc, bool history) const;
    void layout_text_window();

    HINSTANCE instance_;
    Options options_;
    FaultPlan faults_;
    Engine engine_;
    std::string command_ansi_;
    JoinedLines history_ansi_{kMaxHistoryLines};
    uint64_t history_seen_ = 0; // the engine's history_added() at the last sync

    // Both top-level windows are left to the end of the process once the
    // message loop has ended (see WM_CLOSE); the children go with their
    // parents and are not owned here.
    tarn::unique_hwnd main_;
    tarn::unique_hwnd text_;
    HWND pane_ = nullptr;
    HWND command_ = nullptr;
    HWND history_ = nullptr;

    uint64_t written_revision_ = 0;
    bool dxf_written_once_ = false;
    bool idle_timer_armed_ = false;
    uint64_t armed_pick_serial_ = 0;
    bool pick_timer_armed_ = false;
    bool repaint_timer_armed_ = false;
    size_t next_pick_ = 0;
    bool closing_ = false;
    bool finished_ = false;
};

// Splits the bytes at the control characters before conversion, so that an
// invalid double-byte sequence can never swallow a cancel or an Enter.
std::wstring keys_from_ansi(std::string_view bytes);

// WM_GETTEXT: at most size - 1 bytes and a NUL, never half a double-byte
// character; returns the bytes copied.
size_t copy_live_text(std::string_view text, char* buffer, size_t size);

} // namespace cadsim::win
