// The Win32 edge of the operations, under Wine with the Japanese code page.
#include "drafthand/win_operations.h"

#include "drafthand/acad_execute.h"
#include "drafthand/errors.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace drafthand {
namespace {

std::wstring own_path() {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

TEST(VariantNumberReader, ConvertsLikeTheRuntime) {
    VariantNumberReader reader;
    double value = 0;
    EXPECT_EQ(reader.to_double(L"   12.5000     ", value), 0);
    EXPECT_DOUBLE_EQ(value, 12.5);
    EXPECT_EQ(reader.to_double(L" -3.25\r\n", value), 0);
    EXPECT_DOUBLE_EQ(value, -3.25);
    value = 7;
    EXPECT_EQ(reader.to_double(L"abc", value), runtime_error::TypeMismatch);
    EXPECT_EQ(reader.to_double(L"", value), runtime_error::TypeMismatch);
    EXPECT_EQ(reader.to_double(L"1.5 2", value), runtime_error::TypeMismatch);
    EXPECT_EQ(value, 7);
    EXPECT_EQ(reader.to_double(L"1e999", value), runtime_error::Overflow);
}

TEST(Win32Shell, QuotesParametersInTheAnsiCodePage) {
    ASSERT_EQ(::GetACP(), 932u);
    Win32Shell shell;
    EXPECT_EQ(QuoteParameter(L"C:\\my drawings\\a.dwg", shell), L"\"C:\\my drawings\\a.dwg\"");
    EXPECT_EQ(QuoteParameter(L"C:\\図面 ﾃｽﾄ\\a.dwg", shell), L"\"C:\\図面 ﾃｽﾄ\\a.dwg\"");
    EXPECT_EQ(QuoteParameter(L"C:\\drawings\\a.dwg", shell), L"C:\\drawings\\a.dwg");
    EXPECT_EQ(QuoteParameter(L"", shell), L"");
    const std::wstring whole = L"a " + std::wstring(400, L'b');
    EXPECT_EQ(QuoteParameter(whole, shell), whole);
    // 200 characters of two bytes each are beyond the shell's limit.
    const std::wstring wide = L"図 " + std::wstring(200, L'面');
    EXPECT_EQ(QuoteParameter(wide, shell), wide);
}

TEST(Win32Shell, StartsAndWaitsForAProgramThatEnds) {
    Win32Shell shell;
    EXPECT_TRUE(shell.file_exists(own_path()));
    EXPECT_FALSE(shell.file_exists(own_path() + L".none"));

    clsShellEx launcher(shell);
    EXPECT_EQ(launcher.Execute(own_path() + L".none", L"", 1, 0, acExecuteMode::WaitExit),
              acPrivateError::FileNotFound);
    // This test program itself, asked to run no test, ends at once.
    const DWORD start = ::GetTickCount();
    EXPECT_EQ(launcher.Execute(own_path(), L"--gtest_filter=-*", 0, 0, acExecuteMode::WaitExit),
              kSuccess);
    EXPECT_GE(::GetTickCount() - start, 100u);
    EXPECT_EQ(launcher.Execute(own_path(), L"--gtest_filter=-*", 0, 0, acExecuteMode::WaitNone),
              kSuccess);
}

} // namespace
} // namespace drafthand
