// Drives a running cadsim.exe from another process, as the CAD control
// component does: windows found by caption, text in by WM_COPYDATA, prompt
// and history back by WM_GETTEXT.
#include "tarn/ansi_text.h"
#include "tarn/process.h"
#include "tarn/testsupport/cadsim_process.h"
#include "tarn/testsupport/wait.h"
#include "tarn/unique.h"

#include <gtest/gtest.h>
#include <windows.h>
// After windows.h.
#include <shellapi.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using tarn::testsupport::read_file;
using tarn::testsupport::wait_until;

struct WindowInfo {
    HWND hwnd = nullptr;
    std::string caption;
    std::string class_name;
    DWORD process = 0;
};

WindowInfo describe(HWND hwnd) {
    WindowInfo info;
    info.hwnd = hwnd;
    const int length = ::GetWindowTextLengthA(hwnd);
    std::string caption(static_cast<size_t>(length > 0 ? length : 0) + 1, '\0');
    const int got = ::GetWindowTextA(hwnd, caption.data(), static_cast<int>(caption.size()));
    caption.resize(got > 0 ? static_cast<size_t>(got) : 0);
    info.caption = caption;
    char class_name[260] = {};
    ::GetClassNameA(hwnd, class_name, sizeof class_name);
    info.class_name = class_name;
    ::GetWindowThreadProcessId(hwnd, &info.process);
    return info;
}

BOOL CALLBACK collect(HWND hwnd, LPARAM lparam) {
    reinterpret_cast<std::vector<WindowInfo>*>(lparam)->push_back(describe(hwnd));
    return TRUE;
}

std::vector<WindowInfo> top_windows() {
    std::vector<WindowInfo> windows;
    ::EnumWindows(collect, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

std::vector<WindowInfo> child_windows(HWND parent) {
    std::vector<WindowInfo> windows;
    ::EnumChildWindows(parent, collect, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

std::string ansi(const std::wstring& text) {
    return tarn::to_ansi(text);
}

// Where the DXF files go: a folder the test script gives, else the temp folder.
std::wstring output_folder() {
    if (const char* dir = std::getenv("CADSIM_TEST_OUT")) {
        return tarn::from_ansi(dir) + L"\\";
    }
    wchar_t path[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, path);
    return path;
}

// Limits for what must happen, not speed targets: an emulated machine takes
// tens of seconds to start a program. Success returns at once.
constexpr DWORD kStartLimitMs = 120000;
constexpr DWORD kAnswerLimitMs = 60000;
constexpr DWORD kEndLimitMs = 120000;

// One cadsim.exe, started with the given options and closed at the end.
class Cadsim : public tarn::testsupport::CadsimProcess {
public:
    explicit Cadsim(const std::wstring& options, bool wait_for_windows = true)
        : CadsimProcess(tarn::testsupport::program_folder() + L"cadsim.exe", options) {
        if (!started()) {
            ADD_FAILURE() << "cadsim.exe did not start: " << start_error();
            return;
        }
        if (wait_for_windows) {
            EXPECT_TRUE(wait_windows(kStartLimitMs)) << "the four windows did not appear";
        }
    }
    // It must close on WM_CLOSE; the base ends it otherwise.
    ~Cadsim() {
        if (started() && !exited(0) && !close(kEndLimitMs)) {
            ADD_FAILURE() << "cadsim.exe did not close";
        }
    }

    LRESULT send_bytes(const std::string& bytes, ULONG_PTR kind = 1) const {
        COPYDATASTRUCT data{};
        data.dwData = kind;
        data.cbData = static_cast<DWORD>(bytes.size());
        data.lpData = const_cast<char*>(bytes.data());
        return ::SendMessageA(main, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
    }
    // As the component sends it: the text in the ANSI code page and its NUL.
    LRESULT send(const std::wstring& keys) const {
        const std::string bytes = ansi(keys);
        return send_bytes(std::string(bytes.c_str(), bytes.size() + 1));
    }

    static std::string live_text(HWND hwnd) {
        const LRESULT length = ::SendMessageA(hwnd, WM_GETTEXTLENGTH, 0, 0);
        std::string buffer(static_cast<size_t>(length) + 1, '\0');
        const LRESULT got = ::SendMessageA(hwnd, WM_GETTEXT, buffer.size(),
                                           reinterpret_cast<LPARAM>(buffer.data()));
        // The text may change between the two reads (a scripted pick).
        EXPECT_LE(got, length);
        buffer.resize(static_cast<size_t>(got));
        return buffer;
    }
    std::string prompt() const { return live_text(command); }
    std::string history_text() const { return live_text(history); }
    std::string last_history_line() const {
        const std::string all = history_text();
        const size_t end = all.rfind("\r\n");
        return end == std::string::npos ? all : all.substr(end + 2);
    }
};

const std::string kIdle = "\xBA\xCF\xDD\xC4\xDE: "; // "ｺﾏﾝﾄﾞ: " in code page 932

// Started as Explorer starts it: by ShellExecuteEx, which passes no standard
// handles, from a program without a console (this one, under the Wine
// runner). With nowhere to print, the text shows in a box titled "cadsim",
// and the program ends with its status once the box is closed.
TEST(CadsimOptions, WithoutAConsoleTheTextShowsInABox) {
    // Run from a terminal, this program has a console, and cadsim prints into
    // it as it should: no box to see then.
    const tarn::unique_handle console(::CreateFileW(L"CONOUT$", GENERIC_WRITE, FILE_SHARE_WRITE,
                                                    nullptr, OPEN_EXISTING, 0, nullptr));
    if (console.get() != INVALID_HANDLE_VALUE) {
        GTEST_SKIP() << "this test program has a console, which cadsim would print to";
    }
    const struct {
        const wchar_t* options;
        std::vector<std::wstring> shown;
        DWORD code;
    } cases[] = {{L"--no-such-option", {L"--no-such-option", L"(終了コード 2)"}, 2},
                 {L"--help", {L"--exit-after-commands"}, 0}};
    const std::wstring program = tarn::testsupport::program_folder() + L"cadsim.exe";
    for (const auto& c : cases) {
        SCOPED_TRACE(ansi(c.options));
        SHELLEXECUTEINFOW info = {};
        info.cbSize = sizeof info;
        info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
        info.lpVerb = L"open";
        info.lpFile = program.c_str();
        info.lpParameters = c.options;
        info.nShow = SW_SHOWNORMAL;
        ASSERT_TRUE(::ShellExecuteExW(&info));
        const tarn::unique_handle process(info.hProcess);
        const DWORD id = ::GetProcessId(process.get());
        WindowInfo box;
        const bool shown = wait_until(
            [&] {
                for (const auto& w : top_windows()) {
                    if (w.process == id && w.class_name == "#32770" && ::IsWindowVisible(w.hwnd)) {
                        box = w;
                        return true;
                    }
                }
                return false;
            },
            kStartLimitMs);
        if (!shown) {
            ::TerminateProcess(process.get(), 99);
            ADD_FAILURE() << "no box";
            continue;
        }
        EXPECT_EQ(box.caption, "cadsim");
        std::string said;
        for (const auto& w : child_windows(box.hwnd)) {
            said += w.class_name == "Static" ? w.caption : "";
        }
        for (const std::wstring& text : c.shown) {
            EXPECT_NE(said.find(ansi(text)), std::string::npos) << ansi(text);
        }
        EXPECT_EQ(::WaitForSingleObject(process.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
        ::PostMessageW(box.hwnd, WM_COMMAND, IDOK, 0);
        ASSERT_EQ(::WaitForSingleObject(process.get(), kEndLimitMs),
                  static_cast<DWORD>(WAIT_OBJECT_0));
        DWORD code = 99;
        ::GetExitCodeProcess(process.get(), &code);
        EXPECT_EQ(code, c.code);
    }
}

TEST(CadsimWindows, FourWindowsOfOneProcessByCaption) {
    ASSERT_EQ(::GetACP(), 932u);
    Cadsim cad(L"");
    ASSERT_TRUE(cad.main && cad.text && cad.command && cad.history);
    const WindowInfo main = describe(cad.main);
    const WindowInfo text = describe(cad.text);
    const WindowInfo command = describe(cad.command);
    const WindowInfo history = describe(cad.history);
    EXPECT_EQ(main.caption, "AutoCAD LT - [Drawing1.dwg]");
    EXPECT_EQ(text.caption, "AutoCAD LT \xC3\xB7\xBD\xC4"); // "AutoCAD LT ﾃｷｽﾄ"
    EXPECT_EQ(command.caption, "Headlands");
    EXPECT_EQ(history.caption, "MountTam");
    EXPECT_EQ(main.class_name, "CadsimMain");
    EXPECT_EQ(text.class_name, "CadsimText");
    EXPECT_EQ(command.class_name, "CadsimCommandLine");
    EXPECT_EQ(history.class_name, "CadsimHistory");
    for (const auto& w : {text, command, history}) {
        EXPECT_EQ(w.process, cad.id());
    }
    // The two live-text windows sit deeper than the text window's children.
    EXPECT_NE(::GetParent(cad.command), cad.text);
    EXPECT_EQ(::GetAncestor(cad.command, GA_ROOT), cad.text);
    // The caption stays while the live text is the prompt.
    EXPECT_EQ(cad.prompt(), kIdle);
    EXPECT_EQ(::SendMessageA(cad.command, WM_GETTEXTLENGTH, 0, 0), 7);
    EXPECT_EQ(cad.history_text(), ansi(L"メイン カスタマイズ ファイル ACADLT をロード中..."));
    EXPECT_EQ(describe(cad.command).caption, "Headlands");
}

TEST(CadsimWindows, FullProductAndDrawingName) {
    Cadsim cad(L"--product full --drawing \"道路 1.dwg\"");
    ASSERT_TRUE(cad.main);
    EXPECT_EQ(describe(cad.main).caption, ansi(L"AutoCAD - [道路 1.dwg]"));
    EXPECT_EQ(describe(cad.text).caption, "AutoCAD \xC3\xB7\xBD\xC4");
}

TEST(CadsimCommands, IdVariablesAndCancel) {
    Cadsim cad(L"");
    ASSERT_TRUE(cad.main);
    EXPECT_NE(cad.send(L"\x03\x03_id\r"), 0);
    EXPECT_EQ(cad.prompt(), ansi(L"点を指定: "));
    EXPECT_NE(cad.send(L"1.000000000000000e+001,2.0e+01\r"), 0);
    EXPECT_EQ(cad.prompt(), kIdle);
    EXPECT_EQ(cad.last_history_line(), "X = 10.0000     Y = 20.0000     Z = 0.0000");

    cad.send(L"\x03\x03luprec\r");
    EXPECT_EQ(cad.prompt(), ansi(L"LUPREC の新しい値を入力 <4>: "));
    cad.send(L"\x03");
    EXPECT_EQ(cad.prompt(), kIdle);
    EXPECT_EQ(cad.last_history_line(), ansi(L"LUPREC の新しい値を入力 <4>: *キャンセル*"));
    // Name and value sent at once, as SetVariable does.
    cad.send(L"\x03\x03luprec\r");
    cad.send(L"2\r");
    EXPECT_EQ(cad.prompt(), kIdle);
    cad.send(L"_id\r-3.25,4,5\r");
    EXPECT_EQ(cad.last_history_line(), "X = -3.25     Y = 4.00     Z = 5.00");
    cad.send(L"osnapcoord\r7\r");
    EXPECT_EQ(cad.prompt(), ansi(L"OSNAPCOORD の新しい値を入力 <2>: "));
    EXPECT_EQ(cad.last_history_line(), ansi(L"0 から 2 までの整数を入力してください。"));
    cad.send(L"1\r");
    cad.send(L"osnapcoord\r");
    EXPECT_EQ(cad.prompt(), ansi(L"OSNAPCOORD の新しい値を入力 <1>: "));
    cad.send(L"\x03");
    const std::string history = cad.history_text();
    EXPECT_NE(history.find(ansi(L"ｺﾏﾝﾄﾞ: *キャンセル*\r\nｺﾏﾝﾄﾞ: *キャンセル*\r\nｺﾏﾝﾄﾞ: _id\r\n"
                                L"点を指定: 1.000000000000000e+001,2.0e+01\r\nX = 10.0000")),
              std::string::npos)
        << history;
}

TEST(CadsimCommands, GetTextHonoursTheCallersBuffer) {
    Cadsim cad(L"");
    ASSERT_TRUE(cad.main);
    char buffer[16];
    std::memset(buffer, 'Z', sizeof buffer);
    EXPECT_EQ(::SendMessageA(cad.command, WM_GETTEXT, 4, reinterpret_cast<LPARAM>(buffer)), 3);
    EXPECT_EQ(std::string(buffer), kIdle.substr(0, 3));
    EXPECT_EQ(buffer[5], 'Z');
    EXPECT_EQ(::SendMessageA(cad.command, WM_GETTEXT, 0, reinterpret_cast<LPARAM>(buffer)), 0);
    // Half of a double-byte character is never handed out.
    cad.send(L"id\r");
    std::memset(buffer, 'Z', sizeof buffer);
    EXPECT_EQ(::SendMessageA(cad.command, WM_GETTEXT, 2, reinterpret_cast<LPARAM>(buffer)), 0);
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(::SendMessageA(cad.command, WM_GETTEXT, 4, reinterpret_cast<LPARAM>(buffer)), 2);
    EXPECT_EQ(std::string(buffer), ansi(L"点"));
}

TEST(CadsimCommands, BadInputIsSurvived) {
    Cadsim cad(L"");
    ASSERT_TRUE(cad.main);
    EXPECT_EQ(cad.send_bytes(std::string("id\r\0", 4), 2), 0);
    EXPECT_EQ(cad.send_bytes(std::string("id\r\0", 4), 0), 0);
    EXPECT_EQ(cad.prompt(), kIdle);
    EXPECT_EQ(::SendMessageA(cad.main, WM_NULL, 0, 0), 0);
    // No NUL within cbData: the bytes given are the text.
    EXPECT_NE(cad.send_bytes("id"), 0);
    EXPECT_EQ(cad.prompt(), kIdle + "id");
    // Every byte value, invalid Shift_JIS included, then a megabyte.
    std::string all;
    for (int round = 0; round < 4; ++round) {
        for (int b = 1; b < 256; ++b) {
            all.push_back(static_cast<char>(b));
        }
    }
    all.push_back('\0');
    EXPECT_NE(cad.send_bytes(all), 0);
    std::string huge(1 << 20, '\x81');
    huge += std::string(1 << 10, '7') + ",1";
    huge.push_back('\0');
    EXPECT_NE(cad.send_bytes(huge), 0);
    // A lead byte right before a cancel or an Enter does not swallow it.
    EXPECT_NE(cad.send_bytes(std::string("_id\r\x81\x03\0", 7)), 0);
    EXPECT_EQ(cad.prompt(), kIdle);
    EXPECT_NE(cad.send_bytes(std::string("_id\r\x81\r\0", 7)), 0);
    EXPECT_EQ(cad.prompt(), ansi(L"点を指定: "));
    EXPECT_NE(cad.send(L"\x03\x03_id\r1e999,1\r"), 0);
    EXPECT_EQ(cad.last_history_line(), ansi(L"点、またはオプション キーワードが必要です。"));
    EXPECT_EQ(cad.prompt(), ansi(L"点を指定: "));
    EXPECT_NE(cad.send(L"1,2\r"), 0);
    EXPECT_EQ(cad.prompt(), kIdle);
    EXPECT_TRUE(::IsWindow(cad.main));
}

TEST(CadsimDrawing, LineAndPlineWrittenAsDxf) {
    const std::wstring path = output_folder() + L"cadsim_client_test.dxf";
    ::DeleteFileW(path.c_str());
    {
        Cadsim cad(L"--dxf \"" + path + L"\"");
        ASSERT_TRUE(cad.main);
        EXPECT_NE(read_file(path).find("EOF"), std::string::npos); // written at start
        for (const wchar_t* line :
             {L"\x03\x03osnapcoord\r1\r", L"_line\r",
              L"1.000000000000000e+001,2.000000000000000e+001\r",
              L"1.500000000000000e+001,2.000000000000000e+001\r", L"\r", L"pline\r", L"0,0\r",
              L"1.0e+01,1.0e+01\r", L"2.000000000000000e+001,0.1\r", L"\r"}) {
            EXPECT_NE(cad.send(line), 0);
        }
        EXPECT_EQ(cad.prompt(), kIdle);
        // Written when the command ended, before the message returned.
        const std::string dxf = read_file(path);
        EXPECT_NE(dxf.find("LINE"), std::string::npos);
        EXPECT_NE(dxf.find("POLYLINE"), std::string::npos);
        EXPECT_NE(dxf.find("SEQEND"), std::string::npos);
    }
    const std::string dxf = read_file(path);
    size_t vertices = 0;
    for (size_t at = dxf.find("VERTEX"); at != std::string::npos; at = dxf.find("VERTEX", at + 1)) {
        ++vertices;
    }
    EXPECT_EQ(vertices, 3u);
    EXPECT_EQ(dxf.substr(dxf.size() - 5), "EOF\r\n");
}

// The script starts one cadsim.exe by hand and names it here; this test then
// draws into it and closes it.
TEST(CadsimRunning, DrawsIntoTheProgramStartedByTheScript) {
    const char* drawing = std::getenv("CADSIM_RUNNING_DRAWING");
    if (drawing == nullptr) {
        FAIL() << "CADSIM_RUNNING_DRAWING names no running cadsim";
    }
    const std::string caption = std::string("AutoCAD LT - [") + drawing + "]";
    HWND main = nullptr;
    ASSERT_TRUE(wait_until(
        [&] {
            for (const auto& w : top_windows()) {
                if (w.caption == caption) {
                    main = w.hwnd;
                }
            }
            return main != nullptr;
        },
        kStartLimitMs));
    COPYDATASTRUCT data{};
    data.dwData = 1;
    for (const char* text :
         {"\x03\x03osnapcoord\r1\r", "_line\r1.000000000000000e+001,2.000000000000000e+001\r",
          "1.500000000000000e+001,2.000000000000000e+001\r\r", "pline\r0,0\r",
          "1.0e+01,1.0e+01\r2.000000000000000e+001,0.1\r", "\r"}) {
        data.cbData = static_cast<DWORD>(std::strlen(text) + 1);
        data.lpData = const_cast<char*>(text);
        EXPECT_NE(::SendMessageA(main, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data)), 0);
    }
    DWORD process = 0;
    ::GetWindowThreadProcessId(main, &process);
    tarn::unique_handle handle(::OpenProcess(SYNCHRONIZE, FALSE, process));
    ::PostMessageW(main, WM_CLOSE, 0, 0);
    ASSERT_TRUE(handle);
    EXPECT_EQ(::WaitForSingleObject(handle.get(), kEndLimitMs), WAIT_OBJECT_0);
}

TEST(CadsimPicking, ClickAndScriptedPicks) {
    Cadsim cad(L"--pick \"1.5,2.5;3,4,5\"");
    ASSERT_TRUE(cad.main);
    cad.send(L"\x03\x03_id\r");
    EXPECT_TRUE(wait_until([&] { return cad.prompt() == kIdle; }, kAnswerLimitMs));
    EXPECT_EQ(cad.last_history_line(), "X = 1.5000     Y = 2.5000     Z = 0.0000");
    cad.send(L"_id\r");
    EXPECT_TRUE(wait_until([&] { return cad.prompt() == kIdle; }, kAnswerLimitMs));
    EXPECT_EQ(cad.last_history_line(), "X = 3.0000     Y = 4.0000     Z = 5.0000");
    // The list is used up: now a click answers. An empty drawing shows 0..100.
    cad.send(L"_id\r");
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(cad.prompt(), ansi(L"点を指定: "));
    RECT client{};
    ASSERT_TRUE(::GetClientRect(cad.main, &client));
    const int x = client.right / 2;
    const int y = (client.bottom - 3 * 18) / 2;
    ::SendMessageW(cad.main, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    ::SendMessageW(cad.main, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    EXPECT_EQ(cad.prompt(), kIdle);
    double px = 0;
    double py = 0;
    ASSERT_EQ(std::sscanf(cad.last_history_line().c_str(), "X = %lf Y = %lf", &px, &py), 2);
    EXPECT_NEAR(px, 50.0, 1.0);
    EXPECT_NEAR(py, 50.0, 1.0);
}

TEST(CadsimFaults, RefusedCopyData) {
    Cadsim cad(L"--refuse-copydata");
    ASSERT_TRUE(cad.main);
    EXPECT_EQ(cad.send(L"_id\r"), 0);
    EXPECT_EQ(cad.prompt(), kIdle);
}

TEST(CadsimFaults, PromptDelay) {
    Cadsim cad(L"--prompt-delay 1500");
    ASSERT_TRUE(cad.main);
    const auto start = std::chrono::steady_clock::now();
    cad.send(L"luprec\r3\r");
    EXPECT_EQ(::SendMessageA(cad.command, WM_GETTEXTLENGTH, 0, 0), 0);
    cad.send(L"_id\r"); // typed ahead, taken once idle
    EXPECT_TRUE(wait_until([&] { return cad.prompt() == ansi(L"点を指定: "); }, kAnswerLimitMs));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 1400ms);
}

TEST(CadsimFaults, StartupDelay) {
    const auto start = std::chrono::steady_clock::now();
    Cadsim cad(L"--startup-delay 1500", false);
    std::this_thread::sleep_for(300ms);
    EXPECT_FALSE(cad.wait_windows(0));
    EXPECT_TRUE(cad.wait_windows(kStartLimitMs));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 1400ms);
    EXPECT_EQ(cad.prompt(), kIdle);
}

TEST(CadsimFaults, ExitAfterCommandsAndClose) {
    const std::wstring path = output_folder() + L"cadsim_exit_test.dxf";
    ::DeleteFileW(path.c_str());
    {
        Cadsim cad(L"--exit-after-commands 2 --dxf \"" + path + L"\"");
        ASSERT_TRUE(cad.main);
        cad.send(L"line\r0,0\r1,1\r\r");
        EXPECT_FALSE(cad.exited(200));
        cad.send(L"graphscr\r");
        DWORD code = 99;
        EXPECT_TRUE(cad.exited(10000, &code));
        EXPECT_EQ(code, 0u);
    }
    EXPECT_NE(read_file(path).find("LINE"), std::string::npos);
    // Closing in the middle of a polyline keeps it, as a cancel would.
    const std::wstring closed = output_folder() + L"cadsim_close_test.dxf";
    ::DeleteFileW(closed.c_str());
    {
        Cadsim other(L"--dxf \"" + closed + L"\"");
        ASSERT_TRUE(other.main);
        other.send(L"pline\r0,0\r5,5\r");
        ::PostMessageW(other.main, WM_CLOSE, 0, 0);
        DWORD code = 99;
        EXPECT_TRUE(other.exited(10000, &code));
        EXPECT_EQ(code, 0u);
    }
    EXPECT_NE(read_file(closed).find("POLYLINE"), std::string::npos);
}

} // namespace
