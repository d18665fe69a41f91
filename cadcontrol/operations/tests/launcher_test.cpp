#include "drafthand/acad_execute.h"
#include "drafthand/launcher.h"

#include "drafthand/errors.h"
#include "fake_cad.h"

#include <gtest/gtest.h>

namespace drafthand::testing {
namespace {

using namespace acPrivateError;
const std::wstring kAcad = L"C:\\acad\\acad.exe";

// ---- clsShellEx ------------------------------------------------------------

TEST(ShellEx, MissingFileIsFileNotFoundWithoutAShellCall) {
    FakeShell shell;
    clsShellEx launcher(shell);
    EXPECT_EQ(launcher.Execute(L"C:\\none.exe", L"", 1, 0, acExecuteMode::WaitExit), FileNotFound);
    EXPECT_EQ(shell.existence_checks, (std::vector<std::wstring>{L"C:\\none.exe"}));
    EXPECT_TRUE(shell.requests.empty());
}

TEST(ShellEx, WaitNoneFillsTheRequestAndReturnsAtOnce) {
    FakeShell shell;
    clsShellEx launcher(shell);
    EXPECT_EQ(launcher.WorkFolder(), std::wstring(1, L'\0'));
    EXPECT_EQ(launcher.ExecuteTimeOut(), -1);
    EXPECT_EQ(launcher.Execute(kAcad, L"\"C:\\a b.dwg\"", 1, 0x5150, acExecuteMode::WaitNone),
              kSuccess);
    ASSERT_EQ(shell.requests.size(), 1u);
    const ShellRequest& request = shell.requests[0];
    EXPECT_EQ(request.mask, 0x400u);
    EXPECT_EQ(request.window, 0x5150u);
    EXPECT_EQ(request.verb, L"open");
    EXPECT_EQ(request.file, kAcad);
    EXPECT_EQ(request.parameters, L"\"C:\\a b.dwg\"");
    EXPECT_EQ(request.directory, std::wstring(1, L'\0'));
    EXPECT_EQ(request.show, 1);
    EXPECT_EQ(shell.processes_open, 0);
    EXPECT_TRUE(shell.sleeps.empty());

    launcher.WorkFolder(L"C:\\work");
    launcher.Execute(kAcad, L"", 3, 0, acExecuteMode::WaitNone);
    EXPECT_EQ(shell.requests[1].directory, L"C:\\work");
    EXPECT_EQ(shell.requests[1].show, 3);
}

TEST(ShellEx, RefusedStartIsExecuteFailed) {
    FakeShell shell;
    shell.refuse = true;
    clsShellEx launcher(shell);
    EXPECT_EQ(launcher.Execute(kAcad, L"", 1, 0, acExecuteMode::WaitInit), ExecuteFailed);
}

TEST(ShellEx, WaitExitPollsEvery100MsUntilTheProcessEndsAndClosesIt) {
    FakeShell shell;
    shell.next.exit_codes = {259, 259, 259, 1};
    clsShellEx launcher(shell);
    EXPECT_EQ(launcher.Execute(kAcad, L"", 1, 0, acExecuteMode::WaitExit), kSuccess);
    EXPECT_EQ(shell.requests[0].mask, 0x440u);
    EXPECT_EQ(shell.exit_code_reads, 4);
    EXPECT_EQ(shell.sleeps, (std::vector<uint32_t>{100, 100, 100, 100}));
    EXPECT_EQ(shell.processes_open, 1);
    EXPECT_EQ(shell.processes_closed, 1);
}

TEST(ShellEx, WaitExitSleepsOnceForAProgramThatEndedAndStopsOnAFirstFailedRead) {
    for (const int64_t first : {int64_t{0}, int64_t{-1}}) {
        FakeShell shell;
        shell.next.exit_codes = {first};
        clsShellEx launcher(shell);
        EXPECT_EQ(launcher.Execute(kAcad, L"", 1, 0, acExecuteMode::WaitExit), kSuccess);
        EXPECT_EQ(shell.sleeps, (std::vector<uint32_t>{100}));
        EXPECT_EQ(shell.processes_closed, 1);
    }
}

TEST(ShellEx, StartsWithoutAProcessEndTheWaitsAtOnce) {
    FakeShell shell;
    shell.hand_out_process = false;
    clsShellEx launcher(shell);
    EXPECT_EQ(launcher.Execute(kAcad, L"", 1, 0, acExecuteMode::WaitExit), kSuccess);
    EXPECT_EQ(shell.sleeps, (std::vector<uint32_t>{100}));
    EXPECT_EQ(launcher.Execute(kAcad, L"", 1, 0, acExecuteMode::WaitInit), WaitFailed);
}

TEST(ShellEx, WaitExitKeepsTheLastCodeReadWhenALaterReadFails) {
    FakeShell shell;
    shell.next.exit_codes = {259, -1, -1, 0};
    clsShellEx launcher(shell);
    EXPECT_EQ(launcher.Execute(kAcad, L"", 1, 0, acExecuteMode::WaitExit), kSuccess);
    EXPECT_EQ(shell.exit_code_reads, 4);
}

TEST(ShellEx, WaitInitAndWaitPromptWaitForIdleWithTheTimeOut) {
    for (const int32_t mode : {acExecuteMode::WaitInit, acExecuteMode::WaitPrompt}) {
        FakeShell shell;
        clsShellEx launcher(shell);
        EXPECT_EQ(launcher.Execute(kAcad, L"", 1, 0, mode), kSuccess);
        launcher.ExecuteTimeOut(0);
        shell.next.idle_answer = 258; // WAIT_TIMEOUT
        EXPECT_EQ(launcher.Execute(kAcad, L"", 1, 0, mode), WaitFailed);
        shell.next.idle_answer = 0xFFFFFFFFu; // WAIT_FAILED
        EXPECT_EQ(launcher.Execute(kAcad, L"", 1, 0, mode), WaitFailed);
        EXPECT_EQ(shell.idle_waits, (std::vector<int32_t>{-1, 0, 0}));
        EXPECT_EQ(shell.processes_open, 3);
        EXPECT_EQ(shell.processes_closed, 3);
        EXPECT_EQ(shell.requests[0].mask, 0x440u);
    }
}

TEST(ShellEx, ModeOutsideTheListStartsWithoutAHandleAndAnswersZero) {
    FakeShell shell;
    clsShellEx launcher(shell);
    EXPECT_EQ(launcher.Execute(kAcad, L"", 1, 0, 4), 0);
    EXPECT_EQ(shell.requests[0].mask, 0u);
    EXPECT_EQ(shell.processes_open, 0);
    EXPECT_TRUE(shell.idle_waits.empty());
    EXPECT_TRUE(shell.sleeps.empty());
}

// ---- QuoteParameter --------------------------------------------------------

TEST(QuoteParameter, QuotesBlanksAndLeavesTheRestAlone) {
    FakeShell shell;
    EXPECT_EQ(QuoteParameter(L"C:\\図面 1\\a.dwg", shell), L"\"C:\\図面 1\\a.dwg\"");
    EXPECT_EQ(shell.quote_buffers.back().size(), 261u);
    EXPECT_EQ(QuoteParameter(L"C:\\a.dwg", shell), L"C:\\a.dwg");
    EXPECT_EQ(QuoteParameter(L"", shell), L"");

    const size_t calls = shell.quote_buffers.size();
    EXPECT_EQ(QuoteParameter(L"\"C:\\a b.dwg\"", shell), L"\"C:\\a b.dwg\"");
    EXPECT_EQ(QuoteParameter(L"\"", shell), L"\"");
    EXPECT_EQ(shell.quote_buffers.size(), calls);
}

TEST(QuoteParameter, LongTextsAreHandedBackAsGiven) {
    FakeShell shell;
    const std::wstring fits = L"a " + std::wstring(255, L'b');
    EXPECT_EQ(QuoteParameter(fits, shell), L"\"" + fits + L"\"");
    // Too long for the shell to quote, but still ending before the buffer does.
    const std::wstring near = L"a " + std::wstring(258, L'b');
    EXPECT_EQ(QuoteParameter(near, shell), near);
    // No NUL left in the buffer: the text as it was given, not cut.
    const std::wstring whole = L"a " + std::wstring(300, L'b');
    EXPECT_EQ(QuoteParameter(whole, shell), whole);
    EXPECT_EQ(shell.quote_buffers.back(), whole.substr(0, 261));
}

// ---- Acad.Execute ----------------------------------------------------------

class FakeAcad : public AcadLink {
public:
    explicit FakeAcad(ThreadRecords& records) : records_(records) {}
    void release_control() override { ++releases; }
    int32_t search() override {
        calls.push_back(L"search");
        return run_method(records_.last_error, [&] {
            if (search_fails) {
                raise(SearchFailed, L"Drafthand.Acad.Search",
                      L"AutoCADを検索中にエラーが発生しました。");
            }
            records_.windows.main.handle = 0x10;
            return kSuccess;
        });
    }
    int32_t wait_prompt() override {
        calls.push_back(L"wait");
        records_.last_error.clear();
        if (wait_result == CommandFailed) {
            records_.last_error = ErrorRecord{CommandFailed, L"Drafthand.Control.WaitPrompt",
                                              L"待機時間内に指定した応答がありませんでした。"};
        }
        return wait_result;
    }

    int releases = 0;
    bool search_fails = false;
    int32_t wait_result = kSuccess;
    std::vector<std::wstring> calls;

private:
    ThreadRecords& records_;
};

struct ExecuteRig {
    ThreadRecords records;
    FakeShell shell;
    FakeAcad acad{records};
    int32_t run(int32_t mode, const std::wstring& path = kAcad, const std::wstring& parameter = L"",
                int32_t timeout = 300000) {
        records.windows.command.handle = 0x99; // left from an earlier search
        records.last_error = ErrorRecord{9, L"old", L"old"};
        return AcadExecute(records, shell, acad, timeout, path, parameter, 0x42, mode);
    }
};

TEST(AcadExecute, WaitInitStartsQuotedAndLeavesNoLink) {
    ExecuteRig rig;
    EXPECT_EQ(rig.run(acExecuteMode::WaitInit, kAcad, L"C:\\my drawings\\a.dwg", 1234), kSuccess);
    EXPECT_EQ(rig.shell.requests[0].parameters, L"\"C:\\my drawings\\a.dwg\"");
    EXPECT_EQ(rig.shell.requests[0].show, 1);
    EXPECT_EQ(rig.shell.requests[0].window, 0x42u);
    EXPECT_EQ(rig.shell.idle_waits, (std::vector<int32_t>{1234}));
    EXPECT_EQ(rig.shell.processes_closed, 1);
    EXPECT_EQ(rig.records.windows.command.handle, 0u);
    EXPECT_EQ(rig.records.last_error.number, 0);
    EXPECT_EQ(rig.acad.releases, 1);
    EXPECT_TRUE(rig.acad.calls.empty());
}

TEST(AcadExecute, LauncherResultsBecomeDescriptions) {
    struct Case {
        int32_t number;
        const wchar_t* description;
    };
    ExecuteRig missing;
    EXPECT_EQ(missing.run(acExecuteMode::WaitNone, L"C:\\none.exe"), FileNotFound);
    EXPECT_EQ(missing.records.last_error,
              (ErrorRecord{FileNotFound, L"Drafthand.Acad.Execute",
                           L"AutoCADの実行ファイルが見つかりませんでした。"}));

    ExecuteRig slow;
    slow.shell.next.idle_answer = 258;
    EXPECT_EQ(slow.run(acExecuteMode::WaitPrompt), WaitFailed);
    EXPECT_EQ(slow.records.last_error.description, L"待機時間内にAutoCADが起動しませんでした。");
    EXPECT_TRUE(slow.acad.calls.empty());

    ExecuteRig refused;
    refused.shell.refuse = true;
    EXPECT_EQ(refused.run(acExecuteMode::WaitExit), ExecuteFailed);
    EXPECT_EQ(refused.records.last_error.description, L"AutoCADを起動中にエラーが発生しました。");
    EXPECT_EQ(refused.records.windows.command.handle, 0u);

    EXPECT_EQ(launcher_failure_description(runtime_error::OutOfMemory),
              L"AutoCAD起動中にエラーが発生しました。");
}

TEST(AcadExecute, ModeOutsideTheListIsRefusedBeforeAnythingStarts) {
    for (const int32_t mode : {-1, 4, 100}) {
        ExecuteRig rig;
        EXPECT_EQ(rig.run(mode), runtime_error::InvalidArgument);
        EXPECT_EQ(rig.records.last_error,
                  (ErrorRecord{runtime_error::InvalidArgument, L"Drafthand.Acad.Execute",
                               kMessageBadExecuteMode}));
        EXPECT_TRUE(rig.shell.requests.empty());
        EXPECT_EQ(rig.records.windows.command.handle, 0u);
        EXPECT_GE(rig.acad.releases, 1);
    }
}

TEST(AcadExecute, WaitPromptSearchesOnceThenWaits) {
    ExecuteRig rig;
    EXPECT_EQ(rig.run(acExecuteMode::WaitPrompt), kSuccess);
    EXPECT_EQ(rig.acad.calls, (std::vector<std::wstring>{L"search", L"wait"}));
    EXPECT_EQ(rig.records.windows.main.handle, 0x10u);
    EXPECT_EQ(rig.acad.releases, 1);
}

TEST(AcadExecute, WaitPromptFailuresKeepTheirRecordAndUnlink) {
    ExecuteRig unfound;
    unfound.acad.search_fails = true;
    EXPECT_EQ(unfound.run(acExecuteMode::WaitPrompt), SearchFailed);
    EXPECT_EQ(unfound.records.last_error.source, L"Drafthand.Acad.Search");
    EXPECT_EQ(unfound.acad.calls, (std::vector<std::wstring>{L"search"}));

    ExecuteRig silent;
    silent.acad.wait_result = CommandFailed;
    EXPECT_EQ(silent.run(acExecuteMode::WaitPrompt), CommandFailed);
    EXPECT_EQ(silent.records.last_error.source, L"Drafthand.Control.WaitPrompt");
    EXPECT_EQ(silent.records.windows.main.handle, 0u);
    EXPECT_EQ(silent.acad.releases, 2);

    // A Terminate during the wait records nothing; Execute still reports it.
    ExecuteRig stopped;
    stopped.acad.wait_result = CancelByUser;
    EXPECT_EQ(stopped.run(acExecuteMode::WaitPrompt), CancelByUser);
    EXPECT_EQ(stopped.records.last_error,
              (ErrorRecord{CancelByUser, L"Drafthand.Control.WaitPrompt", kMessageCancelled}));
}

} // namespace
} // namespace drafthand::testing
