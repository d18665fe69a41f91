// The operations, the launcher and Acad.Execute against a running cadsim.exe
// under Wine: real processes, real window messages, the Japanese code page.
#include "drafthand/acad_execute.h"
#include "drafthand/operations.h"
#include "drafthand/win_operations.h"

#include "drafthand/channel.h"
#include "drafthand/errors.h"
#include "drafthand/session.h"
#include "tarn/unique.h"
#include "win32_platform.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>

namespace drafthand {
namespace {

using namespace acPrivateError;

std::wstring folder_of_this_program() {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring text = path;
    return text.substr(0, text.find_last_of(L'\\') + 1);
}

const std::wstring kCadsim = folder_of_this_program() + L"cadsim.exe";

std::wstring temp_file(const wchar_t* name) {
    wchar_t folder[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, folder);
    const std::wstring path = std::wstring(folder) + name;
    ::DeleteFileW(path.c_str());
    return path;
}

std::string read_file(const std::wstring& path) {
    const tarn::unique_handle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ,
                                                 nullptr, OPEN_EXISTING, 0, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE) {
        return {};
    }
    std::string bytes;
    char chunk[4096];
    DWORD got = 0;
    while (::ReadFile(file.get(), chunk, sizeof(chunk), &got, nullptr) && got > 0) {
        bytes.append(chunk, got);
    }
    return bytes;
}

// A pump that handles this thread's messages as a client's window thread
// does; timers set by a test are its event handlers.
struct Pump : MessagePump {
    void pump_pending_messages() override { win::message_pump().pump_pending_messages(); }
};

// One client thread's Acad and Control, as the COM objects hold them.
class Client : public AcadLink {
public:
    Client() : session_(records_, win::window_system()) {}
    ~Client() override { close_cadsim(); }

    void release_control() override { control_.reset(); }
    int32_t search() override {
        control_.reset();
        const int32_t result = session_.Search();
        if (result == kSuccess) {
            control_ =
                std::make_unique<Channel>(records_, win::window_system(), win::clock(), pump_);
        }
        return result;
    }
    int32_t wait_prompt() override { return WaitPrompt(*control_); }

    int32_t execute(const std::wstring& parameter, int32_t mode,
                    const std::wstring& path = kCadsim) {
        return AcadExecute(records_, shell_, *this, session_.execute_timeout(), path, parameter, 0,
                           mode);
    }
    // Searches until cadsim shows its windows (an emulated machine takes
    // tens of seconds to start it).
    bool find(DWORD limit = 120000) {
        const DWORD start = ::GetTickCount();
        while (search() != kSuccess) {
            if (::GetTickCount() - start > limit) {
                return false;
            }
            ::Sleep(100);
        }
        return true;
    }
    // Closes the cadsim found last and waits until its process has ended.
    void close_cadsim() {
        const WindowHandle main = records_.windows.main.handle;
        if (main == 0 || !::IsWindow(reinterpret_cast<HWND>(main))) {
            return;
        }
        DWORD process_id = 0;
        ::GetWindowThreadProcessId(reinterpret_cast<HWND>(main), &process_id);
        const tarn::unique_handle process(::OpenProcess(SYNCHRONIZE, FALSE, process_id));
        ::PostMessageW(reinterpret_cast<HWND>(main), WM_CLOSE, 0, 0);
        if (process) {
            ::WaitForSingleObject(process.get(), 10000);
        }
        records_.windows.clear();
    }

    ThreadRecords records_;
    Session session_;
    Win32Shell shell_;
    Pump pump_;
    std::unique_ptr<Channel> control_;
};

// Several arguments pass the quoting unchanged when the whole text is quoted.
std::wstring arguments(const std::wstring& text) {
    return L"\"" + text + L"\"";
}

TEST(Cadsim, ExecuteMissingFileIsFileNotFound) {
    Client client;
    EXPECT_EQ(client.execute(L"", acExecuteMode::WaitPrompt, kCadsim + L".none"), FileNotFound);
    EXPECT_EQ(client.records_.last_error.description, kMessageExecutableMissing);
    EXPECT_EQ(client.records_.last_error.source, L"Drafthand.Acad.Execute");
}

TEST(Cadsim, ExecuteWaitPromptThenDriveIt) {
    Client client;
    const std::wstring dxf = temp_file(L"drafthand_ops.dxf");
    ASSERT_EQ(client.execute(arguments(L"--dxf\" \"" + dxf + L"\" \"--pick\" \"12.5,-3.25,1"),
                             acExecuteMode::WaitPrompt),
              kSuccess)
        << std::string(client.records_.last_error.description.begin(),
                       client.records_.last_error.description.end());
    ASSERT_TRUE(client.control_);
    Channel& control = *client.control_;
    std::wstring prompt;
    EXPECT_EQ(control.GetPrompt(prompt), kSuccess);
    EXPECT_EQ(prompt, L"ｺﾏﾝﾄﾞ: ");

    std::wstring value;
    EXPECT_EQ(SetVariable(control, L"LUPREC", L"2"), kSuccess);
    EXPECT_EQ(GetVariable(control, L"LUPREC", value), kSuccess);
    EXPECT_EQ(value, L"2");
    EXPECT_EQ(SetVariable(control, L"LUPREC", L"5"), kSuccess);
    EXPECT_EQ(GetVariable(control, L"luprec", value), kSuccess);
    EXPECT_EQ(value, L"5");

    VariantNumberReader reader;
    double x = 0, y = 0, z = 0;
    EXPECT_EQ(GetPosition(control, reader, x, y, z), kSuccess);
    EXPECT_DOUBLE_EQ(x, 12.5);
    EXPECT_DOUBLE_EQ(y, -3.25);
    EXPECT_DOUBLE_EQ(z, 1.0);

    EXPECT_EQ(SendCommand(control, L"^C^Cline^M3,4^M30,40^M^M"), kSuccess);
    // cadsim writes its drawing once it has changed.
    std::string drawing;
    for (int i = 0; i < 50 && drawing.find("LINE") == std::string::npos; ++i) {
        ::Sleep(100);
        drawing = read_file(dxf);
    }
    EXPECT_NE(drawing.find("LINE"), std::string::npos);
    EXPECT_NE(drawing.find("30.0"), std::string::npos);

    Win32ForegroundWindows foreground;
    EXPECT_EQ(Active(control, foreground), kSuccess);

    client.close_cadsim();
    EXPECT_EQ(Active(control, foreground), LinkFailed);
    ::DeleteFileW(dxf.c_str());
}

Channel* g_waiting = nullptr;
void CALLBACK terminate_waiting(HWND, UINT, UINT_PTR, DWORD) {
    if (g_waiting != nullptr) {
        g_waiting->Terminate();
    }
}

TEST(Cadsim, TerminateFromATimerEventEndsAWait) {
    Client client;
    ASSERT_EQ(client.execute(L"", acExecuteMode::WaitPrompt), kSuccess);
    Channel& control = *client.control_;
    control.set_command_timeout(-1);
    g_waiting = &control;
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 300, terminate_waiting);
    ASSERT_NE(timer, 0u);
    const DWORD start = ::GetTickCount();
    EXPECT_EQ(WaitPrompt(control, L"never shown"), CancelByUser);
    ::KillTimer(nullptr, timer);
    g_waiting = nullptr;
    EXPECT_GE(::GetTickCount() - start, 250u);
    EXPECT_EQ(client.records_.last_error.number, 0);

    control.set_command_timeout(400);
    EXPECT_EQ(WaitPrompt(control, L"never shown"), CommandFailed);
    EXPECT_EQ(client.records_.last_error.description, kMessageWaitTimedOut);
}

TEST(Cadsim, PromptDelayAgainstTheCommandTimeOut) {
    Client client;
    ASSERT_EQ(client.execute(arguments(L"--prompt-delay\" \"1500"), acExecuteMode::WaitPrompt),
              kSuccess);
    Channel& control = *client.control_;
    control.set_command_timeout(300);
    EXPECT_EQ(SendCommand(control, L"^C^Cgraphscr^M"), CommandFailed);
    EXPECT_EQ(client.records_.last_error.source, L"Drafthand.Control.SendCommand");
    control.set_command_timeout(10000);
    EXPECT_EQ(WaitPrompt(control), kSuccess);
    EXPECT_EQ(SendCommand(control, L"^C^Cgraphscr^M"), kSuccess);
}

TEST(Cadsim, WaitInitLeavesNoControlAndStartupDelayTimesOut) {
    Client client;
    EXPECT_EQ(client.execute(L"", acExecuteMode::WaitInit), kSuccess);
    EXPECT_FALSE(client.control_);
    EXPECT_EQ(client.records_.windows.main.handle, 0u);
    ASSERT_TRUE(client.find());
    client.close_cadsim();

    client.session_.set_execute_timeout(300);
    EXPECT_EQ(client.execute(arguments(L"--startup-delay\" \"3000"), acExecuteMode::WaitInit),
              WaitFailed);
    EXPECT_EQ(client.records_.last_error.description, kMessageStartTimedOut);
    // It does come up later; close it.
    ASSERT_TRUE(client.find());
    client.close_cadsim();
}

TEST(Cadsim, WaitExitReturnsOnceCadsimEnds) {
    // Another client thread gives cadsim its one command while this one waits.
    std::thread helper([] {
        Client other;
        if (other.find()) {
            other.control_->PostCommand(L"^C^Cgraphscr^M");
        }
        other.records_.windows.clear();
    });
    Client client;
    EXPECT_EQ(client.execute(arguments(L"--exit-after-commands\" \"1"), acExecuteMode::WaitExit),
              kSuccess);
    helper.join();
    EXPECT_FALSE(client.find(1000));
}

} // namespace
} // namespace drafthand
