#include "drafthand_link.h"
#include "tarn2/number_format.h"
#include "win_services.h"

#include <curvelib.h>

#include <gtest/gtest.h>

#include <objbase.h>
#include <windows.h>

#include <cmath>
#include <string>
#include <vector>

namespace tarn::app::win {
namespace {

TEST(LocaleNumberText, ReadsNumbersAndRefusesEverythingElse) {
    const LocaleNumberText numbers;
    EXPECT_EQ(numbers.parse(L"40"), 40.0);
    EXPECT_EQ(numbers.parse(L"-0.1"), -0.1);
    EXPECT_EQ(numbers.parse(L" 2.5 "), 2.5);
    EXPECT_EQ(numbers.parse(L"1e3"), 1000.0);
    EXPECT_EQ(numbers.parse(L"1.50"), 1.5);
    for (const wchar_t* text : {L"", L" ", L"abc", L"40m", L"1.2.3", L"1e", L"--1"}) {
        EXPECT_FALSE(numbers.parse(text).has_value()) << testing::PrintToString(text);
    }
    EXPECT_EQ(numbers.format(0.5), L"0.5");
    EXPECT_EQ(numbers.format(1000), L"1000");
    EXPECT_EQ(numbers.format(-0.0), L"0");
    // What is written back reads back to the same number.
    for (double value : {0.1, 1.0 / 3.0, -12345.678901234, 1.5e-7, 6.02e23}) {
        const std::optional<double> back = numbers.parse(numbers.format(value));
        ASSERT_TRUE(back.has_value()) << value;
        EXPECT_NEAR(*back, value, std::fabs(value) * 1e-14) << value;
    }
}

class ScriptFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        ::GetCurrentDirectoryW(MAX_PATH, previous_);
        folder_ =
            std::wstring(temp) + L"tarn2_script_test_" + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(folder_.c_str(), nullptr);
        ::SetCurrentDirectoryW(folder_.c_str());
    }
    void TearDown() override {
        ::DeleteFileW(L"auto_temp.txt");
        ::SetCurrentDirectoryW(previous_);
        RemoveDirectoryW(folder_.c_str());
    }
    static void write(const std::string& bytes) {
        tarn::unique_handle file(::CreateFileW(L"auto_temp.txt", GENERIC_WRITE, 0, nullptr,
                                               CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_NE(file.get(), INVALID_HANDLE_VALUE);
        DWORD written = 0;
        WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    }
    static std::vector<std::wstring> lines() {
        ScriptFileInCurrentDirectory script;
        std::vector<std::wstring> result;
        std::unique_ptr<LineReader> reader = script.open();
        if (!reader) {
            ADD_FAILURE() << "no script";
            return result;
        }
        std::wstring line;
        while (reader->next_line(line)) {
            result.push_back(line);
        }
        return result;
    }

    wchar_t previous_[MAX_PATH] = {};
    std::wstring folder_;
};

TEST_F(ScriptFileTest, SplitsLinesAtEveryKindOfLineEnd) {
    write("pline\r\n1,2\n3,4\r5,6");
    EXPECT_EQ(lines(), (std::vector<std::wstring>{L"pline", L"1,2", L"3,4", L"5,6"}));
    write("line\r\n\r\n0,0\r\n");
    EXPECT_EQ(lines(), (std::vector<std::wstring>{L"line", L"", L"0,0"}));
    write("");
    EXPECT_TRUE(lines().empty());
    // Shift_JIS text comes back as its characters.
    write("\x83\x65\x83\x4c\x83\x58\x83\x67\r\n");
    EXPECT_EQ(lines(), (std::vector<std::wstring>{L"テキスト"}));
}

TEST_F(ScriptFileTest, LongScriptsCrossTheReadBuffer) {
    std::string bytes = "pline";
    for (int i = 0; i < 20000; ++i) {
        bytes += "\r\n" + std::to_string(i) + ".000000000000000e+00,1";
    }
    write(bytes);
    const std::vector<std::wstring> read = lines();
    ASSERT_EQ(read.size(), 20001u);
    EXPECT_EQ(read[12345], L"12344.000000000000000e+00,1");
    EXPECT_EQ(read.back(), L"19999.000000000000000e+00,1");
}

TEST_F(ScriptFileTest, RemoveLeavesNothingToOpen) {
    ScriptFileInCurrentDirectory script;
    write("line\r\n0,0\r\n1,1");
    script.remove();
    EXPECT_EQ(script.open(), nullptr);
    script.remove(); // nothing there: no harm
    EXPECT_EQ(script.open(), nullptr);
}

TEST_F(ScriptFileTest, LibraryIsBoundByNameAndCalledWithItsArguments) {
    Auto_tarn5 library;
    const std::vector<double> points = {10, 20, 60.5, 25, 30, 0};
    CurveCall length{4, points};
    length.args.insert(length.args.end(), {40, 0});
    const CurveResult measured = library.call(length);
    ASSERT_EQ(measured.load, CurveLoad::ok);
    // Longer than the chord of 50.75 m, not by much.
    EXPECT_GT(measured.length, 50.75);
    EXPECT_LT(measured.length, 55.0);

    CurveCall centre{5, points};
    centre.args.insert(centre.args.end(), {40, 0.5, 0});
    EXPECT_EQ(library.call(centre).code, TARN_OK);
    EXPECT_GT(lines().size(), 100u);
    ::DeleteFileW(L"auto_temp2.txt");

    CurveCall refused{5, points};
    refused.args.insert(refused.args.end(), {0, 0.5, 0}); // A = 0
    EXPECT_EQ(library.call(refused).code, TARN_ERROR_INVALID_ARGUMENT);
    CurveCall nan_length{4, {0, 0, 0, 0, 1, 1, 40, 0}}; // p1 = p0
    EXPECT_TRUE(std::isnan(library.call(nan_length).length));
    // A call with the wrong number of arguments never reaches the library.
    EXPECT_EQ(library.call(CurveCall{1, {1, 2, 3}}).code, TARN_ERROR_INVALID_ARGUMENT);
    EXPECT_EQ(library.call(CurveCall{8, {}}).code, TARN_ERROR_INVALID_ARGUMENT);
}

TEST(DrafthandFactory, CreatesAcadOnlyWhenRegisteredAndFindsNoCadHere) {
    ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    {
        DrafthandFactory factory;
        std::unique_ptr<Acad> acad = factory.CreateAcad();
        if (acad) {
            // Registered (the CAD test run), but no CAD program runs in this test.
            acad->put_MainCompareTitle(L"No such window title - [");
            acad->put_TextCompareTitle(L"No such text window");
            EXPECT_NE(acad->Search(), kResultTrue);
            EXPECT_FALSE(acad->ControlExists());
            EXPECT_EQ(acad->Control(), nullptr);
            EXPECT_FALSE(acad->ErrDescription().empty());
        } else {
            CLSID clsid = {};
            EXPECT_TRUE(FAILED(CLSIDFromProgID(L"Drafthand.Acad", &clsid)))
                << "registered, yet not created";
        }
    }
    ::CoUninitialize();
}

} // namespace
} // namespace tarn::app::win
