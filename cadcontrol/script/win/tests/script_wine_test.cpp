// Scripts under Wine: the script file and message box of Win32ScriptPlatform,
// and whole scripts driving cadsim.exe through the Control's channel.
#include "drafthand/script/interpreter.h"
#include "drafthand/script/line_reader.h"
#include "drafthand/script/win32_script_platform.h"
#include "drafthand/session.h"
#include "drafthand/win_operations.h"
#include "tarn/ansi_text.h"
#include "tarn/process.h"
#include "tarn/unique.h"
#include "win32_platform.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace drafthand::script {
namespace {

std::wstring folder_of_this_program() {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring text = path;
    return text.substr(0, text.find_last_of(L'\\') + 1);
}

std::wstring temp_path(const wchar_t* name) {
    wchar_t folder[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, folder);
    return std::wstring(folder) + name;
}

// Writes text in the ANSI code page, as a user's editor would.
std::wstring write_script(const wchar_t* name, const std::wstring& text) {
    const std::wstring path = temp_path(name);
    const std::string bytes = tarn::to_ansi(text);
    const tarn::unique_handle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr,
                                                 CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    return path;
}

std::string utf8(const std::wstring& text) {
    return tarn::to_utf8(text);
}

TEST(Win32ScriptPlatform, FileErrorsCarryTheRuntimesNumbers) {
    Win32ScriptPlatform platform;
    struct Case {
        std::wstring path;
        int32_t number;
    };
    const Case cases[] = {{temp_path(L"no_such_script.txt"), 53},
                          {temp_path(L"no_such_folder\\s.txt"), 76},
                          {temp_path(L""), 75},
                          {L"", 52},
                          {std::wstring(L"a\0b", 3), 52}};
    for (const Case& c : cases) {
        ErrorRecord error;
        EXPECT_EQ(platform.open_script(c.path, error), nullptr) << utf8(c.path);
        EXPECT_EQ(error.number, c.number) << utf8(c.path);
        EXPECT_EQ(error.description, general_error_description(c.number));
    }
}

TEST(Win32ScriptPlatform, ReadsShiftJisLines) {
    ASSERT_EQ(::GetACP(), 932u);
    const std::wstring path =
        write_script(L"drafthand_sjis.txt", L"WAIT_PROMPT\t\"ｺﾏﾝﾄﾞ: \"\r\n点を指定\rLF\n");
    Win32ScriptPlatform platform;
    ErrorRecord error;
    const auto file = platform.open_script(path, error);
    ASSERT_NE(file, nullptr);
    LineReader reader(*file, 1000);
    std::string bytes;
    std::vector<std::wstring> lines;
    while (reader.next(bytes, error) == LineReader::Status::line) {
        lines.push_back(platform.decode_ansi(bytes));
    }
    EXPECT_EQ(lines, (std::vector<std::wstring>{L"WAIT_PROMPT\t\"ｺﾏﾝﾄﾞ: \"", L"点を指定", L"LF"}));
    EXPECT_EQ(bytes.size(), 0u);
    ::DeleteFileW(path.c_str());
}

// One client thread's Control as the COM object holds it, on the real
// windows, clock and message pump.
struct Client {
    ThreadRecords records;
    Session session{records, win::window_system()};
    Channel channel{records, win::window_system(), win::clock(), win::message_pump()};
    Win32ForegroundWindows foreground;
    VariantNumberReader numbers;
    Win32ScriptPlatform platform;
    ChannelScriptControl control{channel, foreground, numbers, platform};
    ScriptInterpreter interpreter{control};
    tarn::unique_handle cadsim;

    int32_t run(const wchar_t* name, const std::wstring& text, UserVariables& vars) {
        const std::wstring path = write_script(name, text);
        const int32_t result = interpreter.RunScript(path, &vars);
        ::DeleteFileW(path.c_str());
        return result;
    }

    bool start_cadsim(const std::wstring& arguments) {
        std::wstring command = L"\"" + folder_of_this_program() + L"cadsim.exe\" " + arguments;
        tarn::started_process started = tarn::start_process(command);
        if (!started) {
            return false;
        }
        cadsim = std::move(started.process);
        const DWORD start = ::GetTickCount();
        while (session.Search() != kSuccess) {
            if (::GetTickCount() - start > 20000) {
                return false;
            }
            ::Sleep(100);
        }
        return true;
    }

    ~Client() {
        const HWND main = reinterpret_cast<HWND>(records.windows.main.handle);
        if (cadsim && main != nullptr && ::IsWindow(main)) {
            ::PostMessageW(main, WM_CLOSE, 0, 0);
            ::WaitForSingleObject(cadsim.get(), 10000);
        }
    }
};

TEST(ScriptMessageBox, AnsweredByAHelperThatPressesNo) {
    std::atomic<bool> had_yes_and_no{false};
    std::atomic<bool> pressed{false};
    std::thread helper([&] {
        for (int i = 0; i < 200 && !pressed; ++i) {
            // Until it is shown, the box may still hold buttons it will remove.
            const HWND box = ::FindWindowW(L"#32770", L"スクリプト試験");
            if (box != nullptr && ::IsWindowVisible(box)) {
                had_yes_and_no = ::GetDlgItem(box, IDYES) != nullptr &&
                                 ::GetDlgItem(box, IDNO) != nullptr &&
                                 ::GetDlgItem(box, IDCANCEL) == nullptr;
                ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDNO, BN_CLICKED),
                               reinterpret_cast<LPARAM>(::GetDlgItem(box, IDNO)));
                pressed = true;
            }
            ::Sleep(100);
        }
    });
    Client client;
    UserVariables vars(2);
    vars[1] = L"二行目";
    const int32_t result = client.run(
        L"drafthand_box.txt",
        L"SHOW_MESSAGE\t%USER0%\t\"一行目^M^J%USER1%\"\t?YESNO\tスクリプト試験\r\n", vars);
    helper.join();
    EXPECT_EQ(result, kSuccess) << utf8(client.records.last_error.description);
    EXPECT_TRUE(pressed);
    EXPECT_TRUE(had_yes_and_no);
    EXPECT_EQ(vars[0], L"NO");
}

TEST(ScriptOnCadsim, SetsReadsDrawsPicksAndBranches) {
    Client client;
    ASSERT_TRUE(client.start_cadsim(L"--pick 12.5,-3.25,1"));
    UserVariables vars(6);
    const int32_t result = client.run(L"drafthand_cadsim.txt",
                                      L"// LUPREC, a line, a picked point\r\n"
                                      L"SET_VARIABLE\tLUPREC\t3\r\n"
                                      L"GET_VARIABLE\tLUPREC\t%USER0%\r\n"
                                      L"SEND_COMMAND\t\"^C^Cline^M3,4^M30,40^M^M\"\r\n"
                                      L"GET_HISTORY\t%USER1%\t\"ｺﾏﾝﾄﾞ: line\"\r\n"
                                      L"GET_POSITION\t%USER2%\t%USER3%\t-\r\n"
                                      L"?%USER3%==-*>GOTO\t*below\r\n"
                                      L"%USER4%=above\r\n"
                                      L"EXIT\r\n"
                                      L"*below\r\n"
                                      L"%USER4%=below %USER2%\r\n"
                                      L"GET_PROMPT\t%USER5%\r\n",
                                      vars);
    ASSERT_EQ(result, kSuccess) << utf8(client.records.last_error.description);
    EXPECT_EQ(vars[0], L"3");
    EXPECT_EQ(vars[1].rfind(L"ｺﾏﾝﾄﾞ: line", 0), 0u) << utf8(vars[1]);
    EXPECT_EQ(vars[2], L"12.5");
    EXPECT_EQ(vars[3], L"-3.25");
    EXPECT_EQ(vars[4], L"below 12.5");
    EXPECT_EQ(vars[5], L"ｺﾏﾝﾄﾞ: ");
}

TEST(ScriptOnCadsim, FailingLineReportsItsNumber) {
    Client client;
    ASSERT_TRUE(client.start_cadsim(L""));
    UserVariables vars(1);
    client.channel.set_command_timeout(500);
    EXPECT_EQ(client.run(L"drafthand_fail.txt",
                         L"%USER0%=set before\r\n\r\nWAIT_PROMPT\tnever shown\r\nEXIT\r\n", vars),
              acPrivateError::CommandFailed);
    EXPECT_EQ(client.records.last_error.source, L"Drafthand.Control.WaitPrompt");
    EXPECT_EQ(client.records.last_error.description,
              L"スクリプト実行中にエラーが発生しました。\r\n3行目: "
              L"待機時間内に指定した応答がありませんでした。");
    EXPECT_EQ(vars[0], L"set before");
}

} // namespace
} // namespace drafthand::script
