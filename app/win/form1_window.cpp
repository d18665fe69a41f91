#include "form1_window.h"

#include "tarn/window_proc.h"

#include <commctrl.h>

#include <vector>

namespace tarn::app::win {
namespace {

constexpr const wchar_t* kClassName = L"tarn2.Form1";
// No WS_CLIPCHILDREN: the form paints the ground beneath the frames, which
// paint only their edges.
constexpr DWORD kFormStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr int kFontPoints = 9;

// Japanese faces to stand in for "ＭＳ Ｐゴシック" where it is not installed.
constexpr const wchar_t* kGothicFallbacks[] = {L"MS PGothic",      L"MS UI Gothic", L"Meiryo UI",
                                               L"Yu Gothic UI",    L"IPAPGothic",   L"VL PGothic",
                                               L"Noto Sans CJK JP"};

// The screen's device context, released when done.
class ScreenDc {
public:
    ScreenDc() : dc_(::GetDC(nullptr)) {}
    ScreenDc(const ScreenDc&) = delete;
    ScreenDc& operator=(const ScreenDc&) = delete;
    ~ScreenDc() {
        if (dc_ != nullptr) {
            ::ReleaseDC(nullptr, dc_);
        }
    }
    HDC get() const { return dc_; }

private:
    HDC dc_;
};

struct Dpi {
    int x = 96;
    int y = 96;
};

Dpi system_dpi() {
    ScreenDc screen;
    Dpi dpi;
    if (screen.get() != nullptr) {
        dpi.x = ::GetDeviceCaps(screen.get(), LOGPIXELSX);
        dpi.y = ::GetDeviceCaps(screen.get(), LOGPIXELSY);
    }
    return dpi;
}

int CALLBACK note_found(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

bool font_installed(const wchar_t* face) {
    ScreenDc screen;
    LOGFONTW wanted = {};
    wanted.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(wanted.lfFaceName, face, LF_FACESIZE);
    bool found = false;
    ::EnumFontFamiliesExW(screen.get(), &wanted, note_found, reinterpret_cast<LPARAM>(&found), 0);
    return found;
}

HFONT make_font(const wchar_t* face, BYTE charset, int dpi_y) {
    LOGFONTW font = {};
    font.lfHeight = -::MulDiv(kFontPoints, dpi_y, 72);
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = charset;
    font.lfQuality = DEFAULT_QUALITY;
    lstrcpynW(font.lfFaceName, face, LF_FACESIZE);
    return ::CreateFontIndirectW(&font);
}

HFONT make_gothic_font(int dpi_y) {
    if (font_installed(kMsPGothic)) {
        return make_font(kMsPGothic, SHIFTJIS_CHARSET, dpi_y);
    }
    for (const wchar_t* face : kGothicFallbacks) {
        if (font_installed(face)) {
            return make_font(face, SHIFTJIS_CHARSET, dpi_y);
        }
    }
    // The font mapper then picks any face with Japanese glyphs.
    return make_font(L"", SHIFTJIS_CHARSET, dpi_y);
}

HFONT make_ui_font(int dpi_y) {
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof metrics;
    if (::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
        return make_font(metrics.lfMessageFont.lfFaceName, DEFAULT_CHARSET, dpi_y);
    }
    return make_font(L"", SHIFTJIS_CHARSET, dpi_y);
}

// How one control of the table becomes a window.
struct ChildWindow {
    const wchar_t* window_class;
    DWORD style;
    DWORD ex_style;
};

ChildWindow child_window(const ControlSpec& spec) {
    // Every control but the second option of a frame starts a group, so that
    // each frame's options switch among themselves only.
    const DWORD group = spec.kind != ControlKind::option || spec.first_in_group ? WS_GROUP : 0;
    const DWORD child = WS_CHILD | group;
    switch (spec.kind) {
    case ControlKind::button:
        return {L"BUTTON", child | WS_TABSTOP | BS_PUSHBUTTON | BS_MULTILINE, 0};
    case ControlKind::text_box:
        return {L"EDIT", child | WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE};
    case ControlKind::label:
        return {L"STATIC", child | SS_LEFT, 0};
    case ControlKind::frame:
        return {L"BUTTON", child | BS_GROUPBOX, 0};
    case ControlKind::option:
        return {L"BUTTON", child | WS_TABSTOP | BS_AUTORADIOBUTTON, 0};
    case ControlKind::tab_strip:
        // One row of seven tabs of equal width: the controls on the tabs sit
        // right below a single row.
        return {WC_TABCONTROLW, child | WS_TABSTOP | WS_CLIPSIBLINGS | TCS_FIXEDWIDTH, 0};
    }
    return {L"STATIC", child, 0};
}

} // namespace

Form1Window::Form1Window()
    : form_(Services{*this, numbers_, messages_, acad_factory_, curves_, script_, pump_}) {}

Form1Window::~Form1Window() = default;

bool Form1Window::create(HINSTANCE instance, int show_command) {
    WNDCLASSEXW window_class = {};
    window_class.cbSize = sizeof window_class;
    window_class.lpfnWndProc = tarn::window_proc<Form1Window, &Form1Window::handle>;
    window_class.hInstance = instance;
    window_class.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); // IDC_ARROW
    window_class.hIcon = ::LoadIconW(nullptr, MAKEINTRESOURCEW(32512));     // IDI_APPLICATION
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    window_class.lpszClassName = kClassName;
    if (::RegisterClassExW(&window_class) == 0 && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        return false;
    }

    const Dpi dpi = system_dpi();
    RECT frame = {0, 0, twips_to_pixels(kFormWidthTwips, dpi.x),
                  twips_to_pixels(kFormHeightTwips, dpi.y)};
    ::AdjustWindowRectEx(&frame, kFormStyle, FALSE, 0);
    // Captioned only once loaded: other programs find the window by its
    // caption, and must not find it half filled.
    ::CreateWindowExW(0, kClassName, L"", kFormStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                      frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                      instance, this);
    if (!hwnd_) {
        return false;
    }
    messages_.set_owner(hwnd_.get());
    form_.Form_Load();
    ::SetWindowTextW(hwnd_.get(), kFormCaption);
    ::ShowWindow(hwnd_.get(), show_command);
    ::UpdateWindow(hwnd_.get());
    return true;
}

LRESULT Form1Window::handle(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_NCCREATE:
        hwnd_.reset(hwnd);
        break;
    case WM_NCDESTROY:
        hwnd_.release(); // being destroyed already
        return ::DefWindowProcW(hwnd, message, wparam, lparam);
    default:
        break;
    }
    return handle(message, wparam, lparam);
}

LRESULT Form1Window::handle(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_CREATE:
        return on_create() ? 0 : -1;
    case WM_COMMAND:
        on_command(LOWORD(wparam), HIWORD(wparam));
        return 0;
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lparam);
        if (header->idFrom == kSSTab1 && header->code == static_cast<UINT>(TCN_SELCHANGE)) {
            on_tab_changed();
        }
        return 0;
    }
    case WM_CLOSE:
        on_close();
        return 0;
    case WM_DESTROY:
        ::PostQuitMessage(0);
        return 0;
    default:
        return ::DefWindowProcW(hwnd_.get(), message, wparam, lparam);
    }
}

bool Form1Window::on_create() {
    const Dpi dpi = system_dpi();
    ui_font_.reset(make_ui_font(dpi.y));
    gothic_font_.reset(make_gothic_font(dpi.y));
    const HINSTANCE instance =
        reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(hwnd_.get(), GWLP_HINSTANCE));
    std::vector<HWND> frames_and_tabs;
    for (const ControlSpec& spec : form1_controls()) {
        const ChildWindow kind = child_window(spec);
        const DWORD visible = spec.tab == kAllTabs || spec.tab == 0 ? WS_VISIBLE : 0;
        // Owned by the form: destroyed with it.
        HWND control = ::CreateWindowExW(
            kind.ex_style, kind.window_class, spec.text, kind.style | visible,
            twips_to_pixels(spec.rect.left, dpi.x), twips_to_pixels(spec.rect.top, dpi.y),
            twips_to_pixels(spec.rect.width, dpi.x), twips_to_pixels(spec.rect.height, dpi.y),
            hwnd_.get(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(spec.id)), instance, nullptr);
        if (control == nullptr) {
            return false;
        }
        HGDIOBJ font = spec.ms_p_gothic ? gothic_font_.get() : ui_font_.get();
        ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        if (spec.kind == ControlKind::frame || spec.kind == ControlKind::tab_strip) {
            frames_and_tabs.push_back(control);
        }
    }
    for (int tab = 0; tab < kTabCount; ++tab) {
        TCITEMW tab_item = {};
        tab_item.mask = TCIF_TEXT;
        tab_item.pszText = const_cast<LPWSTR>(tab_caption(tab));
        ::SendMessageW(item(kSSTab1), TCM_INSERTITEMW, tab, reinterpret_cast<LPARAM>(&tab_item));
    }
    RECT strip = {};
    RECT first_tab = {};
    ::GetClientRect(item(kSSTab1), &strip);
    ::SendMessageW(item(kSSTab1), TCM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first_tab));
    ::SendMessageW(item(kSSTab1), TCM_SETPADDING, 0, MAKELPARAM(2, 3));
    ::SendMessageW(
        item(kSSTab1), TCM_SETITEMSIZE, 0,
        MAKELPARAM((strip.right - strip.left - 4) / kTabCount, first_tab.bottom - first_tab.top));
    // The frames and the tab strip lie beneath the controls drawn on them;
    // the tab strip at the very bottom.
    for (auto it = frames_and_tabs.rbegin(); it != frames_and_tabs.rend(); ++it) {
        ::SetWindowPos(*it, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    ::SetWindowPos(item(kSSTab1), HWND_BOTTOM, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ::SendMessageW(item(kOption1), BM_SETCHECK, BST_CHECKED, 0);
    ::SendMessageW(item(kOption3), BM_SETCHECK, BST_CHECKED, 0);
    return true;
}

void Form1Window::on_command(int id, int code) {
    if (code != BN_CLICKED) {
        return;
    }
    switch (id) {
    case kCommand1:
        form_.Command1_Click();
        break;
    case kCommand2:
        form_.Command2_Click();
        break;
    case kCommand3:
        form_.Command3_Click();
        break;
    case kCommand4:
        form_.Command4_Click();
        break;
    case kCommand5:
        form_.Command5_Click();
        break;
    default:
        return;
    }
    close_if_pending();
}

void Form1Window::on_tab_changed() {
    show_tab_controls();
    form_.SSTab1_Click();
}

void Form1Window::on_close() {
    if (form_.request_close()) {
        ::DestroyWindow(hwnd_.get());
    }
}

void Form1Window::close_if_pending() {
    // A close asked for during a pick or a draw happens once it has unwound.
    if (form_.close_pending() && !form_.busy() && hwnd_) {
        ::DestroyWindow(hwnd_.get());
    }
}

void Form1Window::show_tab_controls() {
    const int selected = tab();
    for (const ControlSpec& spec : form1_controls()) {
        if (spec.tab != kAllTabs) {
            ::ShowWindow(item(spec.id), spec.tab == selected ? SW_SHOW : SW_HIDE);
        }
    }
}

HWND Form1Window::item(ControlId id) const {
    // Owned by the form.
    return ::GetDlgItem(hwnd_.get(), id);
}

std::wstring Form1Window::text(ControlId id) const {
    const HWND control = item(id);
    const int length = ::GetWindowTextLengthW(control);
    if (length <= 0) {
        return std::wstring();
    }
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = ::GetWindowTextW(control, &text[0], length + 1);
    text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
    return text;
}

void Form1Window::set_text(ControlId id, const std::wstring& text) {
    ::SetWindowTextW(item(id), text.c_str());
}

bool Form1Window::enabled(ControlId id) const {
    return ::IsWindowEnabled(item(id)) != FALSE;
}

void Form1Window::set_enabled(ControlId id, bool enabled) {
    ::EnableWindow(item(id), enabled ? TRUE : FALSE);
}

bool Form1Window::checked(ControlId id) const {
    return ::SendMessageW(item(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

int Form1Window::tab() const {
    return static_cast<int>(::SendMessageW(item(kSSTab1), TCM_GETCURSEL, 0, 0));
}

std::int32_t Form1Window::SetTopMost(std::int16_t flag) {
    return ::SetWindowPos(hwnd_.get(), flag != 0 ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                          SWP_NOSIZE | SWP_NOMOVE | SWP_SHOWWINDOW);
}

} // namespace tarn::app::win
