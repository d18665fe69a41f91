// A file dropped on tarn.exe in Explorer: tarn starts in a console made for it
// alone, which closes at its exit, so an error shows in a message box and a
// good run opens its report instead of printing. Started here as Explorer
// starts it: a new console, the dropped file the only argument.
#include <tarn/process.h>
#include <tarn/testsupport/cadsim_process.h>
#include <tarn/testsupport/wait.h>
#include <tarn/testsupport/window_text.h>
#include <tarn/unique.h>

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

namespace {

class Drop : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, temp);
        folder_ = std::wstring(temp) + L"tarn_drop_" + std::to_wstring(::GetCurrentProcessId());
        ::CreateDirectoryW(folder_.c_str(), nullptr);
        // The report opens in a "browser" that keeps a copy of what it was
        // given, registered for the time of the test (the test prefix has no
        // program for .html files; Wine reads no per-user classes).
        const std::wstring open = L"cmd.exe /c copy \"%1\" \"" + folder_ + L"\\opened.html\"";
        ASSERT_TRUE(set_class_value(L".html", L"tarn.droptest"));
        ASSERT_TRUE(set_class_value(L"tarn.droptest\\shell\\open\\command", open));
    }
    static bool set_class_value(const wchar_t* path, const std::wstring& value) {
        tarn::unique_hkey key;
        return ::RegCreateKeyExW(HKEY_CLASSES_ROOT, path, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                 key.put(), nullptr) == ERROR_SUCCESS &&
               ::RegSetValueExW(
                   key.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
    }
    void TearDown() override {
        ::RegDeleteTreeW(HKEY_CLASSES_ROOT, L"tarn.droptest");
        ::RegDeleteTreeW(HKEY_CLASSES_ROOT, L".html");
        WIN32_FIND_DATAW found{};
        const HANDLE search = ::FindFirstFileW((folder_ + L"\\*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                ::DeleteFileW((folder_ + L"\\" + found.cFileName).c_str());
            } while (::FindNextFileW(search, &found));
            ::FindClose(search);
        }
        ::RemoveDirectoryW(folder_.c_str());
    }

    std::wstring write(const wchar_t* name, const std::string& bytes) const {
        const std::wstring path = folder_ + L"\\" + name;
        const tarn::unique_handle file =
            tarn::adopt_file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        EXPECT_TRUE(file && ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()),
                                        &written, nullptr));
        return path;
    }
    bool exists(const wchar_t* name) const {
        return ::GetFileAttributesW((folder_ + L"\\" + name).c_str()) != INVALID_FILE_ATTRIBUTES;
    }

    // Starts tarn.exe on path in a console of its own, as Explorer does.
    tarn::started_process drop(const std::wstring& path) const {
        std::wstring command =
            L"\"" + tarn::testsupport::program_folder() + L"tarn.exe\" \"" + path + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        tarn::started_process started;
        if (::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE,
                             nullptr, folder_.c_str(), &startup, &info)) {
            ::CloseHandle(info.hThread);
            started.process.reset(info.hProcess);
            started.id = info.dwProcessId;
        } else {
            started.error = ::GetLastError();
        }
        return started;
    }

    // tarn's message box, if one shows before the process ends.
    static HWND message_box(const tarn::started_process& tarn) {
        HWND box = nullptr;
        tarn::testsupport::wait_until([&] {
            box = tarn::testsupport::find_message_box(tarn.id, 0);
            return box != nullptr || ::WaitForSingleObject(tarn.process.get(), 0) == WAIT_OBJECT_0;
        });
        return box;
    }

    std::wstring folder_;
};

TEST_F(Drop, AnErrorShowsInAMessageBox) {
    const std::wstring path = write(L"bad.csv", "X,Y,foo\r\n0,0,1\r\n5,5,1\r\n");
    const tarn::started_process tarn = drop(path);
    ASSERT_TRUE(tarn) << "tarn.exe did not start: " << tarn.error;
    const HWND box = message_box(tarn);
    ASSERT_NE(box, nullptr) << "tarn ended without a message box";
    wchar_t title[64] = {};
    ::GetWindowTextW(box, title, 64);
    EXPECT_EQ(std::wstring(title), L"tarn");
    const std::wstring said = tarn::testsupport::message_box_text(box);
    EXPECT_NE(said.find(L"bad.csv"), std::wstring::npos) << "the box does not name the file";
    EXPECT_NE(said.find(L"foo"), std::wstring::npos) << "the box does not name the column";
    EXPECT_TRUE(tarn::testsupport::press_ok(box));
    ASSERT_EQ(::WaitForSingleObject(tarn.process.get(), 60000), WAIT_OBJECT_0);
    DWORD code = 0;
    ::GetExitCodeProcess(tarn.process.get(), &code);
    EXPECT_EQ(code, 1u);
    EXPECT_FALSE(exists(L"bad.html")) << "a report of a refused table";
}

TEST_F(Drop, AGoodTableIsWrittenBesideItAndNothingWaits) {
    const std::wstring path = write(L"road.csv", "点名,X,Y,線形,R\r\n"
                                                 "BP,0,0,,\r\n"
                                                 "IP1,100,100,単曲線,50\r\n"
                                                 "EP,200,0,,\r\n");
    const tarn::started_process tarn = drop(path);
    ASSERT_TRUE(tarn) << "tarn.exe did not start: " << tarn.error;
    if (const HWND box = message_box(tarn)) {
        const std::wstring said = tarn::testsupport::message_box_text(box);
        tarn::testsupport::press_ok(box);
        FAIL() << "a message box: " << std::string(said.begin(), said.end());
    }
    DWORD code = 1;
    ::GetExitCodeProcess(tarn.process.get(), &code);
    EXPECT_EQ(code, 0u);
    for (const char* name : {"road.xml", "road.html", "road.dxf", "road-ip.csv",
                             "road-elements.csv", "road-points.csv", "road-stakes.csv"}) {
        const std::string narrow(name);
        EXPECT_TRUE(exists(std::wstring(narrow.begin(), narrow.end()).c_str()))
            << name << " not written";
    }
    // The report was handed to the program that opens .html files.
    bool opened = false;
    for (int waited = 0; waited < 60000 && !opened; waited += 100) {
        opened = exists(L"opened.html");
        ::Sleep(opened ? 0 : 100);
    }
    EXPECT_TRUE(opened) << "the report was not opened";
}

} // namespace
