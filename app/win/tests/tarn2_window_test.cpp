// Drives tarn2.exe from another process, as a user's GUI automation tool
// would: finds the window by its caption, the controls by their ids, types
// into boxes, switches tabs, presses buttons and answers message boxes.
#include "tarn2/controls.h"
#include "tarn2/messages.h"

#include <cadsim/engine.h>
#include <tarn/message_pump.h>
#include <tarn/process.h>
#include <tarn/testsupport/cadsim_process.h>
#include <tarn/testsupport/wait.h>
#include <tarn/testsupport/window_text.h>
#include <tarn/unique.h>

#include <gtest/gtest.h>

#include <commctrl.h>
#include <objbase.h>
#include <windows.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace tarn::app {
namespace {

using testsupport::class_of;
using testsupport::read_file;
using testsupport::wait_until;
using testsupport::window_text;

constexpr DWORD kMessageTimeOut = testsupport::kAnswerLimitMs;

// tarn2.exe, started in a fresh working folder and closed at the end.
class Tarn2Window : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        folder_ =
            std::wstring(temp) + L"tarn2_window_test_" + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(folder_.c_str(), nullptr);
        ::DeleteFileW((folder_ + L"\\auto_temp.txt").c_str());

        std::wstring command = L"\"" + testsupport::program_folder() + L"tarn2.exe\"";
        tarn::started_process started = tarn::start_process(command, folder_.c_str());
        ASSERT_TRUE(started) << "cannot start " << started.error;
        process_ = std::move(started.process);
        process_id_ = started.id;
        WaitForInputIdle(process_.get(), 120000);
        ASSERT_TRUE(wait_until([this] {
            form_ = ::FindWindowW(nullptr, L"tarn2");
            return form_ != nullptr && ::IsWindowVisible(form_);
        })) << "no window captioned tarn2";
    }

    void TearDown() override {
        if (process_) {
            if (HWND box = message_box(0)) {
                answer(box);
            }
            ::PostMessageW(form_, WM_CLOSE, 0, 0);
            if (WaitForSingleObject(process_.get(), 120000) != WAIT_OBJECT_0) {
                TerminateProcess(process_.get(), 1);
                ADD_FAILURE() << "tarn2 did not close";
            }
        }
        ::DeleteFileW((folder_ + L"\\auto_temp.txt").c_str());
        ::DeleteFileW((folder_ + L"\\auto_temp2.txt").c_str());
        RemoveDirectoryW(folder_.c_str());
    }

    // Not owned: the form's controls.
    HWND control(ControlId id) const { return ::GetDlgItem(form_, id); }
    std::wstring text(ControlId id) const { return window_text(control(id)); }
    void set_text(ControlId id, const std::wstring& value) {
        DWORD_PTR ignored = 0;
        ::SendMessageTimeoutW(control(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(value.c_str()),
                              SMTO_ABORTIFHUNG, kMessageTimeOut, &ignored);
    }
    // Posted: the press may show a message box and wait for an answer.
    void press(ControlId id) {
        ::PostMessageW(form_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                       reinterpret_cast<LPARAM>(control(id)));
    }
    void select_tab(int tab) {
        // Moving the focus of a tab strip without buttons selects the tab and
        // notifies the form, as a click does.
        DWORD_PTR ignored = 0;
        ::SendMessageTimeoutW(control(kSSTab1), TCM_SETCURFOCUS, tab, 0, SMTO_ABORTIFHUNG,
                              kMessageTimeOut, &ignored);
    }
    // Not owned: tarn2's message box, if one shows within the time.
    HWND message_box(DWORD milliseconds = testsupport::kDefaultWaitMs) const {
        return testsupport::find_message_box(process_id_, milliseconds);
    }
    static std::wstring message_text(HWND box) { return testsupport::message_box_text(box); }
    static void answer(HWND box) { EXPECT_TRUE(testsupport::press_ok(box)); }
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
            if (!::IsWindowEnabled(control(id))) {
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

TEST_F(Tarn2Window, StartsOnTopWithEveryControlInItsPlace) {
    EXPECT_NE(GetWindowLongW(form_, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);

    HDC screen = ::GetDC(nullptr);
    const int dpi_x = ::GetDeviceCaps(screen, LOGPIXELSX);
    const int dpi_y = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    RECT client = {};
    ::GetClientRect(form_, &client);
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
        ::GetWindowRect(window, &place);
        MapWindowPoints(nullptr, form_, reinterpret_cast<POINT*>(&place), 2);
        EXPECT_EQ(place.left, twips_to_pixels(spec.rect.left, dpi_x)) << spec.name;
        EXPECT_EQ(place.top, twips_to_pixels(spec.rect.top, dpi_y)) << spec.name;
        EXPECT_EQ(::IsWindowVisible(window) != FALSE, spec.tab == kAllTabs || spec.tab == 0)
            << spec.name;
        if (spec.kind != ControlKind::text_box && spec.kind != ControlKind::tab_strip) {
            EXPECT_EQ(text(spec.id), spec.text) << spec.name;
        }
    }
    EXPECT_EQ(::SendMessageW(control(kOption1), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(::SendMessageW(control(kOption2), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(::SendMessageW(control(kOption3), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(::SendMessageW(control(kSSTab1), TCM_GETITEMCOUNT, 0, 0), kTabCount);
    EXPECT_EQ(::SendMessageW(control(kSSTab1), TCM_GETCURSEL, 0, 0), 0);
}

TEST_F(Tarn2Window, TabsShowTheirControlsAndSetTheSecondPickCaption) {
    const wchar_t* captions[] = {L"線上点", L"KE", L"KE", L"線上点", L"KE", L"KE", L"接線方向端点"};
    for (int tab : {1, 2, 3, 4, 5, 6, 0}) {
        select_tab(tab);
        ASSERT_EQ(::SendMessageW(control(kSSTab1), TCM_GETCURSEL, 0, 0), tab);
        EXPECT_TRUE(wait_until([&] { return text(kCommand2) == captions[tab]; }))
            << "tab " << tab << ": " << testing::PrintToString(text(kCommand2));
        for (const ControlSpec& spec : form1_controls()) {
            EXPECT_EQ(::IsWindowVisible(control(spec.id)) != FALSE,
                      spec.tab == kAllTabs || spec.tab == tab)
                << spec.name << " on tab " << tab;
        }
    }
}

TEST_F(Tarn2Window, DrawAndPickWithoutCadSayWhy) {
    // Which message is right depends on whether this prefix has Drafthand
    // registered; ask COM the same way tarn2 does.
    const CLSID acad = {
        0xA6338E26, 0xBC5F, 0x4093, {0xA0, 0x5B, 0x7B, 0xA4, 0x70, 0xE7, 0x71, 0xD1}};
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    bool registered = false;
    {
        tarn::com_ptr<IDispatch> object;
        registered = SUCCEEDED(::CoCreateInstance(acad, nullptr, CLSCTX_INPROC_SERVER,
                                                  IID_IDispatch, object.put_void()));
    }
    ::CoUninitialize();
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
    ::PostMessageW(form_, WM_CLOSE, 0, 0);
    ASSERT_EQ(WaitForSingleObject(process_.get(), 120000), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeProcess(process_.get(), &code);
    EXPECT_EQ(code, 0u);
    process_.reset();
}

// ---- with the stand-in CAD program and Drafthand registered ----

struct Point2 {
    double x;
    double y;
};

struct Drawing {
    std::vector<std::vector<Point2>> lines;
    std::vector<std::vector<Point2>> polylines;
};

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::string line;
    for (char c : text) {
        if (c == '\n') {
            lines.push_back(line);
            line.clear();
        } else if (c != '\r') {
            line.push_back(c);
        }
    }
    if (!line.empty()) {
        lines.push_back(line);
    }
    return lines;
}

// The LINE and POLYLINE entities of an R12 DXF file.
Drawing read_dxf(const std::wstring& path) {
    const std::vector<std::string> lines = lines_of(read_file(path));
    Drawing drawing;
    std::vector<Point2>* current = nullptr;
    std::string entity;
    Point2 point = {0, 0};
    for (std::size_t i = 0; i + 1 < lines.size(); i += 2) {
        const int code = std::atoi(lines[i].c_str());
        const std::string& value = lines[i + 1];
        if (code == 0) {
            entity = value;
            if (value == "LINE") {
                drawing.lines.emplace_back();
                current = &drawing.lines.back();
            } else if (value == "POLYLINE") {
                drawing.polylines.emplace_back();
                current = nullptr;
            } else if (value == "VERTEX") {
                current = &drawing.polylines.back();
            } else {
                current = nullptr;
            }
        } else if (current != nullptr && (code == 10 || code == 11)) {
            point.x = std::strtod(value.c_str(), nullptr);
        } else if (current != nullptr && (code == 20 || code == 21)) {
            point.y = std::strtod(value.c_str(), nullptr);
            current->push_back(point);
        }
    }
    return drawing;
}

// "auto_temp.txt": the record name, then one "x,y" a line.
std::vector<Point2> read_script(const std::wstring& path, std::string& kind) {
    const std::vector<std::string> lines = lines_of(read_file(path));
    std::vector<Point2> points;
    kind = lines.empty() ? std::string() : lines[0];
    for (std::size_t i = 1; i < lines.size(); ++i) {
        char* end = nullptr;
        const double x = std::strtod(lines[i].c_str(), &end);
        const double y = std::strtod(end + 1, nullptr);
        points.push_back({x, y});
    }
    return points;
}

void expect_same_points(const std::vector<Point2>& drawn, const std::vector<Point2>& script) {
    ASSERT_EQ(drawn.size(), script.size());
    for (std::size_t i = 0; i < drawn.size(); ++i) {
        EXPECT_NEAR(drawn[i].x, script[i].x, 1e-9 * (1 + std::fabs(script[i].x))) << i;
        EXPECT_NEAR(drawn[i].y, script[i].y, 1e-9 * (1 + std::fabs(script[i].y))) << i;
    }
}

// Runs only where the driver script registered Drafthand and named cadsim.exe.
class Tarn2WithCad : public Tarn2Window {
protected:
    void SetUp() override {
        wchar_t cadsim[MAX_PATH] = {};
        if (GetEnvironmentVariableW(L"TARN2_CADSIM", cadsim, MAX_PATH) == 0) {
            GTEST_SKIP() << "TARN2_CADSIM not set: no stand-in CAD program";
        }
        cadsim_ = cadsim;
        Tarn2Window::SetUp();
    }

    void TearDown() override {
        cads_.clear();
        for (const wchar_t* name : {L"drawing", L"full", L"healthy"}) {
            ::DeleteFileW(dxf(name).c_str());
        }
        Tarn2Window::TearDown(); // removes the folder
    }

    std::wstring dxf(const std::wstring& name = L"drawing") const {
        return folder_ + L"\\" + name + L".dxf";
    }

    // product: "lt" or "full"; picks: cadsim's answers to point prompts.
    void start_cad(const std::wstring& product, const std::wstring& picks,
                   const std::wstring& drawing = L"drawing", const std::wstring& faults = L"") {
        std::wstring options =
            L"--product " + product + L" --dxf \"" + dxf(drawing) + L"\" " + faults;
        if (!picks.empty()) {
            options += L" --pick \"" + picks + L"\"";
        }
        cads_.push_back(
            std::make_unique<testsupport::CadsimProcess>(cadsim_, options, folder_.c_str()));
        ASSERT_TRUE(cads_.back()->started())
            << "cadsim.exe did not start: " << cads_.back()->start_error();
        // A draw pressed before its text window and command line are there
        // finds no CAD program.
        ASSERT_TRUE(cads_.back()->wait_ready()) << "cadsim's command line shows no idle prompt";
        ASSERT_TRUE(wait_until([&] { return !read_file(dxf(drawing)).empty(); }));
    }

    // Presses the draw button and waits until its handler has returned (the
    // callback comes only then) or a message box shows. A posted press and a
    // short wait for the buttons to grey out raced a slow machine.
    void draw() {
        const int handled_before = g_presses_handled;
        ASSERT_TRUE(::SendMessageCallbackW(form_, WM_COMMAND, MAKEWPARAM(kCommand5, BN_CLICKED),
                                           reinterpret_cast<LPARAM>(control(kCommand5)),
                                           count_handled, 0));
        ASSERT_TRUE(wait_until([&] {
            tarn::pump_pending_messages();
            return g_presses_handled > handled_before || message_box(0) != nullptr;
        }));
        EXPECT_EQ(message_box(300), nullptr) << message_text(message_box(0));
        EXPECT_TRUE(buttons_enabled());
    }
    // Not a member: a callback may come after the test that sent it.
    static void CALLBACK count_handled(HWND, UINT, ULONG_PTR, LRESULT) { ++g_presses_handled; }
    static inline int g_presses_handled = 0;

    // Draws on the current tab and checks that the drawing gained exactly the
    // entity of the library's script.
    void draw_and_compare(const std::wstring& drawing = L"drawing") {
        const Drawing before = read_dxf(dxf(drawing));
        draw();
        std::string kind;
        const std::vector<Point2> script = read_script(folder_ + L"\\auto_temp.txt", kind);
        ASSERT_TRUE(kind == "line" || kind == "pline") << kind;
        const bool line = kind == "line";
        ASSERT_TRUE(wait_until([&] {
            const Drawing now = read_dxf(dxf(drawing));
            return (line ? now.lines.size() : now.polylines.size()) >
                   (line ? before.lines.size() : before.polylines.size());
        })) << "nothing new in the drawing";
        const Drawing after = read_dxf(dxf(drawing));
        EXPECT_EQ(after.lines.size() + after.polylines.size(),
                  before.lines.size() + before.polylines.size() + 1);
        expect_same_points(line ? after.lines.back() : after.polylines.back(), script);
    }

    std::wstring cadsim_;
    // What the command line of the last one started shows.
    std::wstring cad_prompt() const { return cads_.back()->prompt(); }

    std::vector<std::unique_ptr<testsupport::CadsimProcess>> cads_;
};

TEST_F(Tarn2WithCad, PicksFillTheBoxesWithKetaDecimals) {
    start_cad(L"lt", L"10.12345,20.6789;60.5,25.25;30,0.0004;-7.5,8");
    set_text(kKeta, L"3");
    select_tab(kTabPerpendicular1);
    const struct {
        ControlId button, x, y;
        const wchar_t* x_text;
        const wchar_t* y_text;
    } picks[] = {{kCommand1, kX0, kY0, L"10.123", L"20.679"},
                 {kCommand2, kX1, kY1, L"60.5", L"25.25"},
                 {kCommand3, kX2, kY2, L"30", L"0"},
                 {kCommand4, kX3, kY3, L"-7.5", L"8"}};
    for (const auto& pick : picks) {
        set_text(pick.x, L"-1");
        press(pick.button);
        const bool filled =
            wait_until([&] { return text(pick.x) != L"-1" || message_box(0) != nullptr; }, 60000);
        ASSERT_TRUE(filled);
        if (HWND box = message_box(0)) {
            const std::wstring said = message_text(box);
            if (said.find(L"0x80004001") != std::wstring::npos) {
                GTEST_SKIP() << "Drafthand answers GetPosition with E_NOTIMPL: picks not "
                                "available in this build of the component";
            }
            FAIL() << "message instead of a point: " << testing::PrintToString(said);
        }
        EXPECT_EQ(text(pick.x), pick.x_text);
        EXPECT_EQ(text(pick.y), pick.y_text);
    }
    EXPECT_TRUE(buttons_enabled());
}

TEST_F(Tarn2WithCad, CentreLineLandsInAutoCadLt) {
    start_cad(L"lt", L"");
    set_text(kX0, L"10.123");
    set_text(kY0, L"20.679");
    set_text(kX1, L"60.5");
    set_text(kY1, L"25.25");
    set_text(kX2, L"30");
    set_text(kY2, L"0");
    select_tab(kTabCentreLine);
    set_text(kA, L"100");
    set_text(kPitch, L"1");
    draw();
    std::string kind;
    const std::vector<Point2> script = read_script(folder_ + L"\\auto_temp.txt", kind);
    EXPECT_EQ(kind, "pline");
    ASSERT_GT(script.size(), 40u);
    EXPECT_NEAR(script.front().x, 10.123, 1e-9);
    EXPECT_NEAR(script.back().y, 25.25, 1e-9);
    ASSERT_TRUE(wait_until([this] { return read_dxf(dxf()).polylines.size() == 1; }));
    const Drawing drawing = read_dxf(dxf());
    EXPECT_TRUE(drawing.lines.empty());
    expect_same_points(drawing.polylines[0], script);

    // The draw brought the CAD program to the front; tarn2 stays above it.
    EXPECT_NE(GetWindowLongW(form_, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    const HWND cad = cads_.back()->main;
    bool form_first = false;
    for (HWND window = GetTopWindow(nullptr); window != nullptr;
         window = GetWindow(window, GW_HWNDNEXT)) {
        if (window == form_ || window == cad) {
            form_first = window == form_;
            break;
        }
    }
    EXPECT_TRUE(form_first) << "the CAD program lies above tarn2";
}

TEST_F(Tarn2WithCad, PressesDuringAPickAreRefusedAndClosingEndsTheWait) {
    start_cad(L"lt", L""); // nobody answers the point prompt
    fill_points();
    select_tab(kTabCentreLine);
    press(kCommand1);
    // The pick waits without a time limit; the window keeps working.
    std::this_thread::sleep_for(std::chrono::seconds(3));
    EXPECT_EQ(message_box(0), nullptr);
    set_text(kA, L"55");
    EXPECT_EQ(text(kA), L"55");

    press(kCommand5);
    const HWND box = message_box();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(message_text(box), kMsgBusy);
    answer(box);
    EXPECT_FALSE(script_written()) << "a draw ran inside the pick";

    ::PostMessageW(form_, WM_CLOSE, 0, 0);
    ASSERT_EQ(WaitForSingleObject(process_.get(), 120000), WAIT_OBJECT_0)
        << "tarn2 did not close during a pick";
    DWORD code = 1;
    GetExitCodeProcess(process_.get(), &code);
    EXPECT_EQ(code, 0u);
    process_.reset();
}

TEST_F(Tarn2WithCad, EscAtThePointPromptIsACancelledPick) {
    start_cad(L"lt", L""); // nobody answers the point prompt
    fill_points();
    press(kCommand1);
    const HWND cad = cads_.back()->main;
    ASSERT_TRUE(wait_until([this] { return cad_prompt() == cadsim::kPointPrompt; }));

    char escape[] = "\x03";
    COPYDATASTRUCT data = {1, sizeof escape, escape};
    DWORD_PTR taken = 0;
    ASSERT_TRUE(::SendMessageTimeoutW(cad, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                                      SMTO_ABORTIFHUNG, kMessageTimeOut, &taken));
    const HWND box = message_box();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(message_text(box), kMsgCancelled);
    answer(box);
    EXPECT_EQ(text(kX0), L"10");
    EXPECT_EQ(text(kY0), L"20");
    EXPECT_TRUE(buttons_enabled());
}

TEST_F(Tarn2WithCad, EveryDrawingTabLandsInAutoCadLt) {
    start_cad(L"lt", L"");
    fill_points();
    set_text(kA, L"60");
    set_text(kPitch, L"0.5");
    set_text(kX3, L"40");
    set_text(kY3, L"30");
    set_text(kLLL, L"20");
    set_text(kW, L"-3");
    set_text(kDw, L"0.75");
    set_text(kLC, L"35");
    for (int tab : {kTabNormal, kTabPerpendicular1, kTabPerpendicular2, kTabCentreLine,
                    kTabParallel, kTabCentre2}) {
        SCOPED_TRACE(tab);
        select_tab(tab);
        draw_and_compare();
    }
}

TEST_F(Tarn2WithCad, TheFullProductIsPreferredToAutoCadLt) {
    start_cad(L"lt", L"");
    start_cad(L"full", L"", L"full");
    fill_points();
    select_tab(kTabNormal);
    draw_and_compare(L"full");
    const Drawing lt = read_dxf(dxf());
    EXPECT_TRUE(lt.lines.empty() && lt.polylines.empty()) << "AutoCAD LT was drawn in";
}

// ---- a CAD program that hangs, dies or refuses ----------------------------

// The documented limit of one message to the CAD program, and a margin for a
// loaded machine.
constexpr int kAnswerLimitMs = 10000;
constexpr int kMarginMs = 10000;

struct Tarn2Fault {
    const char* name;
    bool pick; // the KA pick; else a centre line of some 5,000 vertices
    const wchar_t* cadsim_arguments;
    bool suspend;   // cadsim's threads suspended once the pick or draw is under way
    int lines_sent; // -1: the message is the component's alone
                    // -2: a stopped draw, however far it came
};

class Tarn2FaultyCad : public Tarn2WithCad, public ::testing::WithParamInterface<Tarn2Fault> {};

// One message within the bound, the buttons back, and the next draw on a
// healthy CAD program lands.
TEST_P(Tarn2FaultyCad, ShowsOneMessageAndStaysUsable) {
    const Tarn2Fault& row = GetParam();
    start_cad(L"lt", L"", L"drawing", row.cadsim_arguments);
    if (IsSkipped() || HasFatalFailure()) {
        return;
    }
    const DWORD cad_id = cads_.back()->id();
    fill_points();
    set_text(kA, L"100");
    set_text(kPitch, L"0.01");
    select_tab(kTabCentreLine);
    press(row.pick ? kCommand1 : kCommand5);
    auto fault_start = std::chrono::steady_clock::now();
    if (std::wstring(row.cadsim_arguments).find(L"--die-after") != std::wstring::npos) {
        // How long the lines before the death take depends on the machine.
        ASSERT_EQ(WaitForSingleObject(cads_.back()->process(), 120000), WAIT_OBJECT_0);
        fault_start = std::chrono::steady_clock::now();
    }
    if (row.suspend) {
        if (row.pick) {
            ASSERT_TRUE(wait_until([this] { return cad_prompt() == cadsim::kPointPrompt; }));
        } else {
            // Suspended once the polyline is under way (some seconds of input
            // remain), not after a fixed time that a slow machine overran.
            ASSERT_TRUE(wait_until([this] { return cad_prompt() == cadsim::kNextPointPrompt; }))
                << "the polyline never started";
        }
        ASSERT_GT(tarn::suspend_threads(cad_id), 0);
        fault_start = std::chrono::steady_clock::now();
        if (!row.pick) {
            ASSERT_FALSE(buttons_enabled()) << "the draw ended before the fault";
        }
    }
    const HWND box = message_box(kAnswerLimitMs + kMarginMs + 30000);
    ASSERT_NE(box, nullptr) << "no message";
    const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now() - fault_start)
                            .count();
    EXPECT_LE(waited, kAnswerLimitMs + kMarginMs);
    std::printf("fault matrix: tarn2 %s: message after %lld ms\n", row.name,
                static_cast<long long>(waited));
    const std::wstring said = message_text(box);
    if (row.lines_sent == -1) {
        EXPECT_EQ(said, kMsgNoAcad);
    } else if (row.lines_sent == -2) {
        EXPECT_EQ(said.rfind(std::wstring(kMsgNoAcad) + L"\n作図を中止しました。", 0), 0u)
            << testing::PrintToString(said);
    } else {
        std::string kind;
        const std::size_t lines = read_script(folder_ + L"\\auto_temp.txt", kind).size() + 1;
        EXPECT_EQ(said, replay_stopped_message(kMsgNoAcad, lines,
                                               static_cast<std::size_t>(row.lines_sent)));
    }
    answer(box);
    EXPECT_EQ(message_box(1500), nullptr) << "a second message";
    EXPECT_TRUE(wait_until([this] { return buttons_enabled(); }));
    EXPECT_EQ(text(kX0), L"10");

    cads_.pop_back();
    start_cad(L"lt", L"", L"healthy");
    select_tab(kTabNormal);
    draw_and_compare(L"healthy");
}

constexpr Tarn2Fault kTarn2Faults[] = {
    {"DrawHangsDuringTheSend", false, L"--hang-after 1", false, -2},
    {"DrawSuspendedHalfWay", false, L"", true, -2},
    // The OSNAPCOORD command, then 999 of the script's lines.
    {"DrawDiesHalfWay", false, L"--die-after 1000", false, 999},
    {"DrawRefused", false, L"--refuse-copydata", false, -1},
    {"PickHangsDuringTheSend", true, L"--hang-after 2", false, -1},
    {"PickSuspendedDuringTheWait", true, L"", true, -1},
    {"PickDiesHalfWay", true, L"--die-after 3", false, -1},
    {"PickRefused", true, L"--refuse-copydata", false, -1},
};

INSTANTIATE_TEST_SUITE_P(Faults, Tarn2FaultyCad, ::testing::ValuesIn(kTarn2Faults),
                         [](const ::testing::TestParamInfo<Tarn2Fault>& test) {
                             return std::string(test.param.name);
                         });

} // namespace
} // namespace tarn::app
