#include "host.h"

#include "cadsim/dxf.h"
#include "cadsim/window_names.h"
#include "tarn/ansi_text.h"
#include "tarn/atomic_file.h"
#include "tarn/window_proc.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace cadsim::win {
namespace {

constexpr UINT_PTR kIdleTimer = 1;
constexpr UINT_PTR kPickTimer = 2;
// Input can come a thousand times a second; the windows are painted at most
// this often meanwhile, not once per input.
constexpr UINT_PTR kRepaintTimer = 3;
constexpr UINT kRepaintDelayMs = 40;
// Points per Polyline call, well within what GDI takes in one call.
constexpr size_t kMaxPolylinePoints = 16384;
// A scripted pick comes this long after its prompt, as a user's would.
constexpr UINT kPickDelayMs = 150;
// Posted to the main window to start a fault once the input that caused it
// has been answered.
constexpr UINT kHangMessage = WM_APP + 1;
constexpr UINT kDieMessage = WM_APP + 2;
constexpr int kLineHeight = 18;
constexpr int kCommandStripLines = 3;

void draw_text_line(HDC dc, const std::wstring& text, RECT rect) {
    // DrawTextW takes an int count; a line is never longer than the engine
    // allows, but stay safe.
    const int count = static_cast<int>(std::min<size_t>(text.size(), 1u << 16));
    ::DrawTextW(dc, text.c_str(), count, &rect,
                DT_LEFT | DT_SINGLELINE | DT_NOPREFIX | DT_VCENTER | DT_END_ELLIPSIS);
}

} // namespace

std::wstring keys_from_ansi(std::string_view bytes) {
    std::wstring keys;
    size_t start = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (static_cast<unsigned char>(bytes[i]) < 0x20) {
            keys += tarn::from_ansi(bytes.substr(start, i - start));
            keys.push_back(static_cast<wchar_t>(bytes[i]));
            start = i + 1;
        }
    }
    keys += tarn::from_ansi(bytes.substr(start));
    return keys;
}

size_t copy_live_text(std::string_view text, char* buffer, size_t size) {
    if (buffer == nullptr || size == 0) {
        return 0;
    }
    size_t count = std::min(text.size(), size - 1);
    if (count < text.size()) {
        size_t whole = 0;
        while (whole < count) {
            const bool lead = ::IsDBCSLeadByte(static_cast<BYTE>(text[whole])) != 0;
            const size_t step = lead ? 2 : 1;
            if (whole + step > count) {
                break;
            }
            whole += step;
        }
        count = whole;
    }
    std::memcpy(buffer, text.data(), count);
    buffer[count] = '\0';
    return count;
}

Host::Host(HINSTANCE instance, Options options)
    : instance_(instance), options_(std::move(options)), faults_(options_) {
    engine_.set_delay_after_commands(options_.prompt_delay_ms > 0);
    // The CAD program's history is never empty: it starts with its loading
    // messages.
    engine_.note(options_.product == Product::Full
                     ? L"メイン カスタマイズ ファイル ACAD をロード中..."
                     : L"メイン カスタマイズ ファイル ACADLT をロード中...");
}

bool Host::create() {
    WNDCLASSEXW main_class{};
    main_class.cbSize = sizeof main_class;
    main_class.lpfnWndProc = tarn::window_proc<Host, &Host::main_message>;
    main_class.hInstance = instance_;
    main_class.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_CROSS));
    main_class.hbrBackground = nullptr;
    main_class.lpszClassName = kMainClass;
    WNDCLASSEXW text_class = main_class;
    text_class.lpfnWndProc = tarn::window_proc<Host, &Host::text_message>;
    text_class.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    text_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    text_class.lpszClassName = kTextClass;
    WNDCLASSEXW pane_class = text_class;
    pane_class.lpfnWndProc = tarn::window_proc<Host, &Host::pane_message>;
    pane_class.lpszClassName = kPaneClass;
    WNDCLASSEXA command_class{};
    command_class.cbSize = sizeof command_class;
    command_class.lpfnWndProc = tarn::window_proc<Host, &Host::command_message, true>;
    command_class.hInstance = instance_;
    command_class.hCursor = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_IBEAM));
    command_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    command_class.lpszClassName = kCommandClassA;
    WNDCLASSEXA history_class = command_class;
    history_class.lpfnWndProc = tarn::window_proc<Host, &Host::history_message, true>;
    history_class.lpszClassName = kHistoryClassA;
    if (!::RegisterClassExW(&main_class) || !::RegisterClassExW(&text_class) ||
        !::RegisterClassExW(&pane_class) || !::RegisterClassExA(&command_class) ||
        !::RegisterClassExA(&history_class)) {
        return false;
    }

    // The file exists, empty of entities, before any window can be found.
    write_dxf();
    sync_texts();
    main_.reset(::CreateWindowExW(0, kMainClass, main_caption(options_).c_str(),
                                  WS_OVERLAPPEDWINDOW, 20, 20, 900, 620, nullptr, nullptr,
                                  instance_, this));
    if (!main_) {
        return false;
    }
    // Not owned by the main window, so that GRAPHSCR can raise the drawing
    // above it.
    text_.reset(::CreateWindowExW(0, kTextClass, text_caption(options_).c_str(),
                                  WS_OVERLAPPEDWINDOW, 60, 660, 820, 300, nullptr, nullptr,
                                  instance_, this));
    if (!text_) {
        return false;
    }
    // The pane has no caption, so nothing searching by caption stops at it.
    pane_ = ::CreateWindowExW(0, kPaneClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 10,
                              10, text_.get(), nullptr, instance_, this);
    if (pane_ == nullptr) {
        return false;
    }
    history_ = ::CreateWindowExA(0, kHistoryClassA, kHistoryCaptionA, WS_CHILD | WS_VISIBLE, 0, 0,
                                 10, 10, pane_, nullptr, instance_, this);
    command_ =
        ::CreateWindowExA(0, kCommandClassA, kCommandCaptionA, WS_CHILD | WS_VISIBLE | WS_BORDER, 0,
                          0, 10, 10, pane_, nullptr, instance_, this);
    if (history_ == nullptr || command_ == nullptr) {
        return false;
    }
    layout_text_window();
    ::ShowWindow(main_.get(), SW_SHOWNORMAL);
    ::ShowWindow(text_.get(), SW_SHOWNOACTIVATE);
    ::UpdateWindow(main_.get());
    sync();
    return true;
}

int Host::run() {
    MSG message{};
    while (true) {
        const BOOL result = ::GetMessageW(&message, nullptr, 0, 0);
        if (result == 0 || result == -1) {
            break;
        }
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    // Not destroyed one by one: see WM_CLOSE. The system destroys the
    // windows of the process when it ends.
    main_.release();
    text_.release();
    return static_cast<int>(message.wParam);
}

LRESULT Host::main_message(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_COPYDATA:
        return on_copydata(reinterpret_cast<const COPYDATASTRUCT*>(lparam));
    case WM_LBUTTONDOWN:
        on_click(static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam)));
        return 0;
    case WM_TIMER:
        on_timer(wparam);
        return 0;
    case kHangMessage:
        // A hung program: no message of any window is handled meanwhile.
        ::Sleep(faults_.hang_ms().value_or(INFINITE));
        return 0;
    case kDieMessage:
        die();
        return 0;
    case WM_SIZE:
        ::InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT paint{};
        HDC dc = ::BeginPaint(hwnd, &paint);
        RECT client{};
        ::GetClientRect(hwnd, &client);
        paint_main(dc, client);
        ::EndPaint(hwnd, &paint);
        return 0;
    }
    case WM_CLOSE:
        // The drawing is saved and the program ends; its windows go with the
        // process. Destroying them first would cost Wine two seconds per
        // window where no window manager confirms the hide.
        finish();
        return 0;
    case WM_DESTROY:
        finish();
        return 0;
    case WM_NCDESTROY:
        // The window is gone; nothing is left for the owner to destroy.
        main_.release();
        break;
    default:
        break;
    }
    return ::DefWindowProcW(hwnd, message, wparam, lparam);
}

LRESULT Host::text_message(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_SIZE:
        layout_text_window();
        return 0;
    case WM_CLOSE:
        // Like the CAD program's text window: closing only hides it.
        ::ShowWindow(hwnd, SW_HIDE);
        return 0;
    case WM_NCDESTROY:
        text_.release(); // already gone
        break;
    default:
        break;
    }
    return ::DefWindowProcW(hwnd, message, wparam, lparam);
}

LRESULT Host::pane_message(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_SIZE) {
        const int width = LOWORD(lparam);
        const int height = HIWORD(lparam);
        const int command_height = kLineHeight + 6;
        if (history_ != nullptr) {
            ::MoveWindow(history_, 0, 0, width, std::max(0, height - command_height), TRUE);
        }
        if (command_ != nullptr) {
            ::MoveWindow(command_, 0, std::max(0, height - command_height), width, command_height,
                         TRUE);
        }
        return 0;
    }
    return ::DefWindowProcW(hwnd, message, wparam, lparam);
}

LRESULT Host::command_message(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_GETTEXTLENGTH:
        return static_cast<LRESULT>(command_ansi_.size());
    case WM_GETTEXT:
        return static_cast<LRESULT>(
            copy_live_text(command_ansi_, reinterpret_cast<char*>(lparam), wparam));
    case WM_PAINT: {
        PAINTSTRUCT paint{};
        HDC dc = ::BeginPaint(hwnd, &paint);
        paint_lines(hwnd, dc, false);
        ::EndPaint(hwnd, &paint);
        return 0;
    }
    default:
        break;
    }
    return ::DefWindowProcA(hwnd, message, wparam, lparam);
}

LRESULT Host::history_message(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_GETTEXTLENGTH:
        return static_cast<LRESULT>(history_ansi_.text().size());
    case WM_GETTEXT:
        return static_cast<LRESULT>(
            copy_live_text(history_ansi_.text(), reinterpret_cast<char*>(lparam), wparam));
    case WM_PAINT: {
        PAINTSTRUCT paint{};
        HDC dc = ::BeginPaint(hwnd, &paint);
        paint_lines(hwnd, dc, true);
        ::EndPaint(hwnd, &paint);
        return 0;
    }
    default:
        break;
    }
    return ::DefWindowProcA(hwnd, message, wparam, lparam);
}

LRESULT Host::on_copydata(const COPYDATASTRUCT* data) {
    if (options_.refuse_copydata || data == nullptr || data->dwData != 1) {
        return 0;
    }
    if (faults_.dying()) {
        // Sent messages overtake the posted death: no input beyond the
        // last one is taken.
        die();
    }
    const char* bytes = static_cast<const char*>(data->lpData);
    size_t size = bytes != nullptr ? data->cbData : 0;
    // The text ends at its NUL; a sender that forgot it is read no further
    // than cbData.
    if (const void* nul = size > 0 ? std::memchr(bytes, '\0', size) : nullptr) {
        size = static_cast<size_t>(static_cast<const char*>(nul) - bytes);
    }
    engine_.type(keys_from_ansi(std::string_view(bytes != nullptr ? bytes : "", size)));
    sync();
    if (faults_.input_taken()) {
        ::PostMessageW(main_.get(), kDieMessage, 0, 0);
    }
    return TRUE;
}

void Host::on_click(int x, int y) {
    if (!engine_.asks_point()) {
        return;
    }
    const View current = view();
    if (!current.area.contains(x, y)) {
        return;
    }
    if (const auto point = current.to_world(x, y)) {
        engine_.pick(*point);
        sync();
    }
}

void Host::on_timer(UINT_PTR id) {
    ::KillTimer(main_.get(), id);
    if (id == kRepaintTimer) {
        repaint_timer_armed_ = false;
        repaint();
        return;
    }
    if (id == kIdleTimer) {
        idle_timer_armed_ = false;
        engine_.become_idle();
    } else if (id == kPickTimer) {
        pick_timer_armed_ = false;
        if (engine_.asks_id_point() && engine_.prompt_serial() == armed_pick_serial_ &&
            next_pick_ < options_.picks.size()) {
            engine_.pick(options_.picks[next_pick_++]);
        }
    }
    sync();
}

void Host::sync_texts() {
    command_ansi_ = tarn::to_ansi(engine_.command_line());
    // Only the lines added since the last sync are converted.
    const auto& lines = engine_.history_lines();
    const auto added = static_cast<size_t>(
        std::min<uint64_t>(engine_.history_added() - history_seen_, lines.size()));
    for (size_t i = lines.size() - added; i < lines.size(); ++i) {
        history_ansi_.push(tarn::to_ansi(lines[i]));
    }
    history_seen_ = engine_.history_added();
}

void Host::repaint() {
    if (main_) {
        ::InvalidateRect(main_.get(), nullptr, FALSE);
    }
    if (command_ != nullptr) {
        ::InvalidateRect(command_, nullptr, TRUE);
    }
    if (history_ != nullptr) {
        ::InvalidateRect(history_, nullptr, TRUE);
    }
}

void Host::sync() {
    if (engine_.drawing_revision() != written_revision_ || !dxf_written_once_) {
        write_dxf();
    }
    sync_texts();
    if (const auto screen = engine_.take_screen_request(); screen && main_) {
        HWND front = *screen == Screen::Graphics ? main_.get() : text_.get();
        if (front != nullptr) {
            ::ShowWindow(front, ::IsIconic(front) ? SW_SHOWNOACTIVATE : SW_SHOWNA);
            ::SetWindowPos(front, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        }
    }
    if (!repaint_timer_armed_) {
        repaint_timer_armed_ =
            main_ && ::SetTimer(main_.get(), kRepaintTimer, kRepaintDelayMs, nullptr) != 0;
        if (!repaint_timer_armed_) {
            repaint();
        }
    }
    if (!main_ || closing_) {
        return;
    }
    if (engine_.busy() && !idle_timer_armed_) {
        idle_timer_armed_ =
            ::SetTimer(main_.get(), kIdleTimer, options_.prompt_delay_ms, nullptr) != 0;
    }
    if (next_pick_ < options_.picks.size() && engine_.asks_id_point() &&
        (!pick_timer_armed_ || armed_pick_serial_ != engine_.prompt_serial())) {
        armed_pick_serial_ = engine_.prompt_serial();
        pick_timer_armed_ = ::SetTimer(main_.get(), kPickTimer, kPickDelayMs, nullptr) != 0;
    }
    if (faults_.hang_due(engine_.commands_completed())) {
        ::PostMessageW(main_.get(), kHangMessage, 0, 0);
    }
    if (faults_.exit_due(engine_.commands_completed())) {
        closing_ = true;
        ::PostMessageW(main_.get(), WM_CLOSE, 0, 0);
    }
}

void Host::finish() {
    if (finished_) {
        return;
    }
    finished_ = true;
    closing_ = true;
    // Closing ends a running command as a cancel would: a polyline being
    // entered is kept, as the CAD program keeps it.
    if (engine_.asks_point()) {
        engine_.type(L"\x03");
    }
    ::KillTimer(main_.get(), kIdleTimer);
    ::KillTimer(main_.get(), kPickTimer);
    ::KillTimer(main_.get(), kRepaintTimer);
    write_dxf();
    ::PostQuitMessage(0);
}

void Host::die() {
    // As a crash ends a program: nothing saved, no window closed.
    ::TerminateProcess(::GetCurrentProcess(), 3);
}

void Host::write_dxf() {
    written_revision_ = engine_.drawing_revision();
    dxf_written_once_ = true;
    if (options_.dxf_path.empty()) {
        return;
    }
    if (!tarn::write_file_atomically(options_.dxf_path, to_dxf(engine_.entities()))) {
        engine_.note(L"DXF ファイルを書き込めませんでした: " + options_.dxf_path);
        sync_texts();
    }
}

View Host::view() const {
    if (!main_) {
        return View{};
    }
    RECT client{};
    ::GetClientRect(main_.get(), &client);
    const Area area{client.left, client.top, client.right,
                    std::max<int>(client.top, client.bottom - kCommandStripLines * kLineHeight)};
    Extent extent;
    for (const auto& entity : engine_.entities()) {
        for (const auto& p : entity.points) {
            extent.include(p);
        }
    }
    for (const auto& p : engine_.pending_points()) {
        extent.include(p);
    }
    return fit_view(area, extent);
}

void Host::paint_main(HDC dc, const RECT& client) const {
    const View current = view();
    const tarn::unique_hgdiobj background(::CreateSolidBrush(RGB(33, 40, 48)));
    const RECT area{current.area.left, current.area.top, current.area.right, current.area.bottom};
    ::FillRect(dc, &area, static_cast<HBRUSH>(background.get()));

    const tarn::unique_hgdiobj pen(::CreatePen(PS_SOLID, 1, RGB(255, 255, 255)));
    const tarn::unique_hgdiobj pending_pen(::CreatePen(PS_DOT, 1, RGB(255, 255, 0)));
    const int saved = ::SaveDC(dc);
    ::IntersectClipRect(dc, current.area.left, current.area.top, current.area.right,
                        current.area.bottom);
    ::SelectObject(dc, pen.get());
    // One Polyline call per entity, of its distinct screen points: a
    // polyline of 100,000 vertices covers a few hundred pixels, and every GDI
    // call is a trip to the display under Wine.
    std::vector<POINT> screen;
    auto draw = [&](const std::vector<Point>& points) {
        if (points.size() < 2) {
            return;
        }
        screen.clear();
        for (const Point& point : points) {
            const Pixel pixel = current.to_screen(point);
            const POINT next{pixel.x, pixel.y};
            if (screen.empty() || next.x != screen.back().x || next.y != screen.back().y) {
                screen.push_back(next);
            }
        }
        for (size_t start = 0; start + 1 < screen.size(); start += kMaxPolylinePoints - 1) {
            const size_t count = std::min(kMaxPolylinePoints, screen.size() - start);
            ::Polyline(dc, screen.data() + start, static_cast<int>(count));
        }
    };
    for (const auto& entity : engine_.entities()) {
        draw(entity.points);
    }
    ::SelectObject(dc, pending_pen.get());
    draw(engine_.pending_points());
    ::RestoreDC(dc, saved);

    // The docked command line: the last history lines and the current line.
    RECT strip = client;
    strip.top = current.area.bottom;
    ::FillRect(dc, &strip, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
    const int saved_text = ::SaveDC(dc);
    ::SelectObject(dc, ::GetStockObject(DEFAULT_GUI_FONT)); // stock object: not ours to free
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
    const auto& lines = engine_.history_lines();
    RECT row = strip;
    row.left += 4;
    for (int i = 0; i < kCommandStripLines; ++i) {
        row.top = strip.top + i * kLineHeight;
        row.bottom = row.top + kLineHeight;
        const int from_end = kCommandStripLines - 1 - i; // 0: the current line
        if (from_end == 0) {
            draw_text_line(dc, engine_.command_line(), row);
        } else if (static_cast<size_t>(from_end) <= lines.size()) {
            draw_text_line(dc, lines[lines.size() - static_cast<size_t>(from_end)], row);
        }
    }
    ::RestoreDC(dc, saved_text);
}

void Host::paint_lines(HWND hwnd, HDC dc, bool history) const {
    RECT client{};
    ::GetClientRect(hwnd, &client);
    const int saved = ::SaveDC(dc);
    ::SelectObject(dc, ::GetStockObject(DEFAULT_GUI_FONT)); // stock object: not ours to free
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
    RECT row = client;
    row.left += 4;
    if (!history) {
        draw_text_line(dc, engine_.command_line(), row);
    } else {
        const auto& lines = engine_.history_lines();
        int bottom = client.bottom;
        for (size_t i = lines.size(); i > 0 && bottom > client.top; --i) {
            row.bottom = bottom;
            row.top = bottom - kLineHeight;
            draw_text_line(dc, lines[i - 1], row);
            bottom -= kLineHeight;
        }
    }
    ::RestoreDC(dc, saved);
}

void Host::layout_text_window() {
    if (!text_ || pane_ == nullptr) {
        return;
    }
    RECT client{};
    ::GetClientRect(text_.get(), &client);
    ::MoveWindow(pane_, 0, 0, client.right, client.bottom, TRUE);
}

} // namespace cadsim::win
