// Drives tarn2.exe from another process, as a user's GUI automation tool
// would: finds the window by its caption, the controls by their ids, types
// into boxes, switches tabs, presses buttons and answers message boxes.
#include "tarn2/controls.h"
#include "tarn2/messages.h"
#include "tarn2/number_format.h"

#include <curvelib.h>
#include <tarn/unique.h>

#include <gtest/gtest.h>

#include <commctrl.h>
#include <objbase.h>
#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace tarn::app {
namespace {

constexpr DWORD kMessageTimeOut = 5000;

std::wstring directory_of_this_program() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring text(path);
    return text.substr(0, text.find_last_of(L"\\/") + 1);
}

bool wait_until(const std::function<bool()>& done, int milliseconds = 15000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (std::chrono::steady_clock::now() < end) {
        if (done()) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return done();
}

std::wstring window_text(HWND window) {
    wchar_t buffer[1024] = {};
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buffer),
                             SMTO_ABORTIFHUNG, kMessageTimeOut, &copied)) {
        return L"<no answer>";
    }
    return std::wstring(buffer, copied);
}

std::wstring class_of(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

struct Found {
    DWORD process;
    HWND box;
};

BOOL CALLBACK find_message_box(HWND window, LPARAM data) {
    auto* found = reinterpret_cast<Found*>(data);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == found->process && IsWindowVisible(window) && class_of(window) == L"#32770") {
        found->box = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK collect_children(HWND window, LPARAM data) {
    reinterpret_cast<std::vector<HWND>*>(data)->push_back(window);
    return TRUE;
}

// tarn2.exe, started in a fresh working folder and closed at the end.
class Tarn2Window : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        folder_ =
            std::wstring(temp) + L"tarn2_window_test_" + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(folder_.c_str(), nullptr);
        DeleteFileW((folder_ + L"\\auto_temp.txt").c_str());

        std::wstring command = L"\"" + directory_of_this_program() + L"tarn2.exe\"";
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION started = {};
        ASSERT_TRUE(CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                                   folder_.c_str(), &startup, &started))
            << "cannot start " << GetLastError();
        process_.reset(started.hProcess);
        tarn::unique_handle thread(started.hThread);
        process_id_ = started.dwProcessId;
        WaitForInputIdle(process_.get(), 10000);
        ASSERT_TRUE(wait_until([this] {
            form_ = FindWindowW(nullptr, L"tarn2");
            return form_ != nullptr && IsWindowVisible(form_);
        })) << "no window captioned tarn2";
    }

    void TearDown() override {
        if (!process_) {
            return;
        }
        if (HWND box = message_box(0)) {
            answer(box);
        }
        PostMessageW(form_, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(process_.get(), 10000) != WAIT_OBJECT_0) {
            TerminateProcess(process_.get(), 1);
            ADD_FAILURE() << "tarn2 did not close";
        }
        DeleteFileW((folder_ + L"\\auto_temp.txt").c_str());
        DeleteFileW((folder_ + L"\\auto_temp2.txt").c_str());
        RemoveDirectoryW(folder_.c_str());
    }

    // Not owned: the form's controls.
    HWND control(ControlId id) const { return GetDlgItem(form_, id); }
    std::wstring text(ControlId id) const { return window_text(control(id)); }
    void set_text(ControlId id, const std::wstring& value) {
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(control(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(value.c_str()),
                            SMTO_ABORTIFHUNG, kMessageTimeOut, &ignored);
    }
    // Posted: the press may show a message box and wait for an answer.
    void press(ControlId id) {
        PostMessageW(form_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(control(id)));
    }
    void select_tab(int tab) {
        // Moving the focus of a tab strip without buttons selects the tab and
        // notifies the form, as a click does.
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(control(kSSTab1), TCM_SETCURFOCUS, tab, 0, SMTO_ABORTIFHUNG,
                            kMessageTimeOut, &ignored);
    }
    // Not owned: tarn2's message box, if one shows within the time.
    HWND message_box(int milliseconds = 15000) const {
        Found found = {process_id_, nullptr};
        wait_until(
            [&found] {
                found.box = nullptr;
                EnumWindows(find_message_box, reinterpret_cast<LPARAM>(&found));
                return found.box != nullptr;
            },
            milliseconds);
        return found.box;
    }
    static std::wstring message_text(HWND box) {
        std::vector<HWND> children;
        EnumChildWindows(box, collect_children, reinterpret_cast<LPARAM>(&children));
        for (HWND child : children) {
            if (class_of(child) == L"Static") {
                const std::wstring words = window_text(child);
                if (!words.empty()) {
                    return words;
                }
            }
        }
        return L"";
    }
    void answer(HWND box) {
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        EXPECT_TRUE(wait_until([box] { return !IsWindow(box); }));
    }
    void fill_points() {
        set_text(kX0, L"10");
        set_text(kY0, L"20");
        set_text(kX1, L"60.5");
        set_text(kY1, L"25");
        set_text(kX2, L"30");
        set_text(kY2, L"0");
    }
    bool buttons_enabled() const {
        for (ControlId id : {kCommand1, kCommand2, kCommand3, kCommand4, kCommand5}) {
            if (!IsWindowEnabled(control(id))) {
                return false;
            }
        }
        return true;
    }
    bool script_written() const {
        return GetFileAttributesW((folder_ + L"\\auto_temp.txt").c_str()) !=
               INVALID_FILE_ATTRIBUTES;
    }

    std::wstring folder_;
    tarn::unique_handle process_;
    DWORD process_id_ = 0;
    HWND form_ = nullptr; // tarn2's
};

TEST_F(Tarn2Window, StartsOnTopWithEveryControlAndItsDefaults) {
    EXPECT_NE(GetWindowLongW(form_, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);

    HDC screen = GetDC(nullptr);
    const int dpi_x = GetDeviceCaps(screen, LOGPIXELSX);
    const int dpi_y = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    RECT client = {};
    GetClientRect(form_, &client);
    EXPECT_EQ(client.right, twips_to_pixels(kFormWidthTwips, dpi_x));
    EXPECT_EQ(client.bottom, twips_to_pixels(kFormHeightTwips, dpi_y));

    for (const ControlSpec& spec : form1_controls()) {
        const HWND window = control(spec.id);
        ASSERT_NE(window, nullptr) << spec.name;
        const wchar_t* expected_class = L"Button";
        if (spec.kind == ControlKind::text_box) {
            expected_class = L"Edit";
        } else if (spec.kind == ControlKind::label) {
            expected_class = L"Static";
        } else if (spec.kind == ControlKind::tab_strip) {
            expected_class = WC_TABCONTROLW;
        }
        EXPECT_EQ(_wcsicmp(class_of(window).c_str(), expected_class), 0) << spec.name;
        RECT place = {};
        GetWindowRect(window, &place);
        MapWindowPoints(nullptr, form_, reinterpret_cast<POINT*>(&place), 2);
        EXPECT_EQ(place.left, twips_to_pixels(spec.rect.left, dpi_x)) << spec.name;
        EXPECT_EQ(place.top, twips_to_pixels(spec.rect.top, dpi_y)) << spec.name;
        EXPECT_EQ(IsWindowVisible(window) != FALSE, spec.tab == kAllTabs || spec.tab == 0)
            << spec.name;
        if (spec.kind != ControlKind::text_box && spec.kind != ControlKind::tab_strip) {
            EXPECT_EQ(text(spec.id), spec.text) << spec.name;
        }
    }
    for (ControlId id : {kX0, kY0, kX1, kY1, kX2, kY2, kX3, kY3, kDw, kLLL, kL}) {
        EXPECT_EQ(text(id), L"0");
    }
    EXPECT_EQ(text(kA), L"40");
    EXPECT_EQ(text(kPitch), L"0.1");
    EXPECT_EQ(text(kKeta), L"7");
    EXPECT_EQ(text(kW), L"3");
    EXPECT_EQ(text(kLC), L"100");
    EXPECT_EQ(SendMessageW(control(kOption1), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessageW(control(kOption2), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(SendMessageW(control(kOption3), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessageW(control(kSSTab1), TCM_GETITEMCOUNT, 0, 0), kTabCount);
    EXPECT_EQ(SendMessageW(control(kSSTab1), TCM_GETCURSEL, 0, 0), 0);
}

TEST_F(Tarn2Window, TabsShowTheirControlsAndSetTheSecondPickCaption) {
    const wchar_t* captions[] = {L"線上点", L"KE", L"KE", L"線上点", L"KE", L"KE", L"接線方向端点"};
    for (int tab : {1, 2, 3, 4, 5, 6, 0}) {
        select_tab(tab);
        ASSERT_EQ(SendMessageW(control(kSSTab1), TCM_GETCURSEL, 0, 0), tab);
        EXPECT_TRUE(wait_until([&] { return text(kCommand2) == captions[tab]; }))
            << "tab " << tab << ": " << testing::PrintToString(text(kCommand2));
        for (const ControlSpec& spec : form1_controls()) {
            EXPECT_EQ(IsWindowVisible(control(spec.id)) != FALSE,
                      spec.tab == kAllTabs || spec.tab == tab)
                << spec.name << " on tab " << tab;
        }
    }
}

TEST_F(Tarn2Window, CurveLengthTabFillsLWithTheLibrarysLength) {
    fill_points();
    set_text(kA, L"-40");
    select_tab(kTabCurveLength);
    press(kCommand5);
    ASSERT_TRUE(wait_until([this] { return text(kL) != L"0"; })) << "L stays 0";

    tarn::unique_hmodule library(LoadLibraryW(L"auto_tarn5.dll"));
    ASSERT_TRUE(library);
    using Tarn4 =
        double(TARN_CALL*)(double, double, double, double, double, double, double, double);
    const auto tarn4 =
        reinterpret_cast<Tarn4>(reinterpret_cast<void*>(GetProcAddress(library.get(), "tarn4")));
    ASSERT_NE(tarn4, nullptr);
    EXPECT_EQ(text(kL), format_number(tarn4(10, 20, 60.5, 25, 30, 0, 40, 0)));
    EXPECT_EQ(text(kA), L"40");
    EXPECT_EQ(message_box(500), nullptr);
    EXPECT_FALSE(script_written());
    EXPECT_TRUE(buttons_enabled());
}

TEST_F(Tarn2Window, BoxThatIsNotANumberIsNamedInAMessage) {
    fill_points();
    set_text(kPitch, L"abc");
    select_tab(kTabCentreLine);
    press(kCommand5);
    const HWND box = message_box();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(message_text(box), L"「pitch(m)」に数値を入力してください。");
    EXPECT_EQ(window_text(box), L"");
    answer(box);
    EXPECT_EQ(text(kPitch), L"abc");
    EXPECT_FALSE(script_written());
    EXPECT_TRUE(buttons_enabled());
}

TEST_F(Tarn2Window, DrawAndPickWithoutCadSayWhy) {
    // Which message is right depends on whether this prefix has Drafthand
    // registered; ask COM the same way tarn2 does.
    const CLSID acad = {
        0xA6338E26, 0xBC5F, 0x4093, {0xA0, 0x5B, 0x7B, 0xA4, 0x70, 0xE7, 0x71, 0xD1}};
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    bool registered = false;
    {
        tarn::com_ptr<IDispatch> object;
        registered = SUCCEEDED(CoCreateInstance(acad, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                                object.put_void()));
    }
    CoUninitialize();
    const std::wstring expected = registered ? kMsgNoAcad : kMsgNoComponent;

    fill_points();
    select_tab(kTabCentreLine);
    press(kCommand5);
    HWND box = message_box();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(message_text(box), expected);
    EXPECT_EQ(window_text(box), L"");
    // The library ran before the link was tried.
    EXPECT_TRUE(script_written());
    answer(box);
    EXPECT_TRUE(wait_until([this] { return buttons_enabled(); }));
    EXPECT_EQ(message_box(500), nullptr) << "one message only";

    press(kCommand1);
    box = message_box();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(message_text(box), expected);
    answer(box);
    EXPECT_EQ(message_box(500), nullptr) << "one message only";
    EXPECT_EQ(text(kX0), L"10");
}

TEST_F(Tarn2Window, ClosingEndsTheProgram) {
    PostMessageW(form_, WM_CLOSE, 0, 0);
    ASSERT_EQ(WaitForSingleObject(process_.get(), 10000), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeProcess(process_.get(), &code);
    EXPECT_EQ(code, 0u);
    process_.reset();
}

} // namespace
} // namespace tarn::app
