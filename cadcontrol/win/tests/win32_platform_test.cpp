// The Win32 side of the core's window interface, against windows of this
// test process.
#include "win32_platform.h"

#include "drafthand/channel.h"
#include "drafthand/session.h"
#include "drafthand/text.h"

#include "tarn/unique.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

namespace drafthand::win {
namespace {

// What the test window answers and what reached it.
struct Behaviour {
    std::string text;              // the live text, in the ANSI code page
    LRESULT announced_length = -1; // WM_GETTEXTLENGTH; -1: the true length
    LRESULT claimed_read = -1;     // WM_GETTEXT's result; -1: the bytes copied
    LRESULT copydata_answer = 1;
    std::vector<std::string> commands;
    std::vector<DWORD> command_sizes;
    int nulls = 0;
};

LRESULT CALLBACK test_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* behaviour = reinterpret_cast<Behaviour*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
    if (behaviour == nullptr) {
        return ::DefWindowProcA(window, message, wparam, lparam);
    }
    switch (message) {
    case WM_COPYDATA: {
        const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lparam);
        if (data->dwData == 1 && data->cbData > 0) {
            behaviour->commands.emplace_back(static_cast<const char*>(data->lpData),
                                             data->cbData - 1);
            behaviour->command_sizes.push_back(data->cbData);
        }
        return behaviour->copydata_answer;
    }
    case WM_GETTEXTLENGTH:
        return behaviour->announced_length >= 0 ? behaviour->announced_length
                                                : static_cast<LRESULT>(behaviour->text.size());
    case WM_GETTEXT: {
        const size_t room = wparam;
        if (room == 0) {
            return 0;
        }
        const size_t copied = std::min(room - 1, behaviour->text.size());
        std::memcpy(reinterpret_cast<char*>(lparam), behaviour->text.data(), copied);
        reinterpret_cast<char*>(lparam)[copied] = '\0';
        return behaviour->claimed_read >= 0 ? behaviour->claimed_read
                                            : static_cast<LRESULT>(copied);
    }
    case WM_NULL:
        ++behaviour->nulls;
        return 0;
    default:
        return ::DefWindowProcA(window, message, wparam, lparam);
    }
}

class Win32PlatformTest : public ::testing::Test {
protected:
    void SetUp() override {
        WNDCLASSA window_class{};
        window_class.lpfnWndProc = test_window_proc;
        window_class.hInstance = ::GetModuleHandleA(nullptr);
        window_class.lpszClassName = "DrafthandTestWindow";
        ::RegisterClassA(&window_class);
        window_.reset(::CreateWindowExA(0, "DrafthandTestWindow", "\x83\x65\x83\x58\x83\x67 title",
                                        WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                                        window_class.hInstance, nullptr));
        ASSERT_TRUE(window_);
        ::SetWindowLongPtrA(window_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&behaviour_));
    }
    WindowHandle handle() const { return reinterpret_cast<WindowHandle>(window_.get()); }

    Behaviour behaviour_;
    tarn::unique_hwnd window_;
    Win32WindowSystem system_;
};

TEST_F(Win32PlatformTest, RunsUnderTheJapaneseCodePage) {
    EXPECT_EQ(::GetACP(), 932u);
}

TEST_F(Win32PlatformTest, CommandTextIsSentAsAnsiBytesWithItsNul) {
    EXPECT_EQ(system_.send_command_text(handle(), ExpandEscapes(L"^C^C_id^M")), 1);
    ASSERT_EQ(behaviour_.commands.size(), 1u);
    EXPECT_EQ(behaviour_.commands[0], std::string("\x03\x03_id\r"));
    EXPECT_EQ(behaviour_.command_sizes[0], 7u);

    // Half-width katakana are one byte each in code page 932.
    EXPECT_EQ(system_.send_command_text(handle(), L"ｺﾏﾝﾄﾞ"), 1);
    EXPECT_EQ(behaviour_.commands[1], std::string("\xba\xcf\xdd\xc4\xde"));
    EXPECT_EQ(behaviour_.command_sizes[1], 6u);

    const std::wstring long_command(70000, L'a');
    EXPECT_EQ(system_.send_command_text(handle(), long_command), 1);
    EXPECT_EQ(behaviour_.commands[2], std::string(70000, 'a'));

    behaviour_.copydata_answer = 0;
    EXPECT_EQ(system_.send_command_text(handle(), L"x"), 0);
}

TEST_F(Win32PlatformTest, LiveTextIsReadWithTheAnnouncedLength) {
    std::wstring text;
    behaviour_.text = "\x93\x5f\x82\xf0\x8e\x77\x92\xe8: "; // 点を指定:
    ASSERT_EQ(system_.read_live_text(handle(), text), LiveTextRead::read);
    EXPECT_EQ(text, L"点を指定: ");

    behaviour_.text.clear();
    EXPECT_EQ(system_.read_live_text(handle(), text), LiveTextRead::unreadable);
}

TEST_F(Win32PlatformTest, WindowsThatMisreportTheirLengthDoNotOverflow) {
    std::wstring text;
    behaviour_.text = "0123456789";
    behaviour_.announced_length = 3;
    ASSERT_EQ(system_.read_live_text(handle(), text), LiveTextRead::read);
    EXPECT_EQ(text, L"012");

    behaviour_.claimed_read = 1000000;
    ASSERT_EQ(system_.read_live_text(handle(), text), LiveTextRead::read);
    EXPECT_EQ(text, L"012");

    behaviour_.announced_length = 0x7fffffff; // never allocated
    EXPECT_EQ(system_.read_live_text(handle(), text), LiveTextRead::unreadable);
    behaviour_.announced_length = -1;
    behaviour_.claimed_read = 0;
    EXPECT_EQ(system_.read_live_text(handle(), text), LiveTextRead::unreadable);
}

TEST_F(Win32PlatformTest, CaptionClassAndIds) {
    // The caption of a window of one's own process comes through WM_GETTEXT:
    // let the default procedure answer it.
    ::SetWindowLongPtrA(window_.get(), GWLP_USERDATA, 0);
    std::wstring title;
    ASSERT_TRUE(system_.read_title(handle(), title));
    EXPECT_EQ(title, L"テスト title");
    std::wstring class_name;
    ASSERT_TRUE(system_.read_class_name(handle(), class_name));
    EXPECT_EQ(class_name, L"DrafthandTestWindow");
    uint32_t process_id = 0;
    EXPECT_EQ(system_.read_thread_process_id(handle(), process_id), ::GetCurrentThreadId());
    EXPECT_EQ(process_id, ::GetCurrentProcessId());
    EXPECT_TRUE(system_.is_window(handle()));
    EXPECT_FALSE(system_.is_window(0));

    bool seen = false;
    EXPECT_TRUE(system_.enum_top_windows([&](WindowHandle window) {
        seen = seen || window == handle();
        return true;
    }));
    EXPECT_TRUE(seen);
    // A visitor that stops, or throws, ends the enumeration as a failure.
    EXPECT_FALSE(system_.enum_top_windows([](WindowHandle) { return false; }));
    EXPECT_FALSE(system_.enum_top_windows([](WindowHandle) -> bool { throw 1; }));
}

TEST_F(Win32PlatformTest, PumpHandlesPostedMessagesAndKeepsQuit) {
    system_.post_null(handle());
    message_pump().pump_pending_messages();
    EXPECT_EQ(behaviour_.nulls, 1);

    ::PostQuitMessage(3);
    message_pump().pump_pending_messages();
    MSG message;
    ASSERT_TRUE(::PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(message.wParam, 3u);
}

TEST_F(Win32PlatformTest, PostCommandThroughTheChannel) {
    // The four table entries all point at the test window.
    ThreadRecords records;
    for (WindowEntry* entry : {&records.windows.main, &records.windows.text,
                               &records.windows.command, &records.windows.history}) {
        entry->handle = handle();
    }
    Channel channel(records, system_, clock(), message_pump());
    EXPECT_EQ(channel.PostCommand(L"^C^C_id^M"), kSuccess);
    message_pump().pump_pending_messages();
    EXPECT_EQ(behaviour_.nulls, 1);
    channel.set_post_null_char(false);
    EXPECT_EQ(channel.PostCommand(L"^c^m"), kSuccess);
    message_pump().pump_pending_messages();
    EXPECT_EQ(behaviour_.nulls, 1);
    EXPECT_EQ(behaviour_.commands.back(), "^c^m");
}

} // namespace
} // namespace drafthand::win
