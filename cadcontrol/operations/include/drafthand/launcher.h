// clsShellEx, the private launcher of Acad.Execute: starts a program file
// through the platform shell and waits for it as the execute mode says. It
// answers only through its result and never touches the last-error record.
// Portable: the shell and the started process come through the interfaces
// below.
#pragma once

#include "drafthand/platform.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace drafthand {

// The type library's acExecuteMode.
namespace acExecuteMode {
constexpr int32_t WaitNone = 0;
constexpr int32_t WaitExit = 1;
constexpr int32_t WaitInit = 2;
constexpr int32_t WaitPrompt = 3;
} // namespace acExecuteMode

constexpr uint32_t kSeeMaskFlagNoUi = 0x400;
constexpr uint32_t kSeeMaskNoCloseProcess = 0x40;
// GetExitCodeProcess's answer for a process that still runs.
constexpr uint32_t kStillActive = 259;

// What goes into the shell's request record (SHELLEXECUTEINFO).
struct ShellRequest {
    uint32_t mask = 0;
    WindowHandle window = 0;
    std::wstring verb;
    std::wstring file;
    std::wstring parameters;
    std::wstring directory;
    int32_t show = 0;
};

// A started process; destroying it closes its handle.
class StartedProcess {
public:
    virtual ~StartedProcess() = default;
    // WaitForInputIdle: 0 once the process waits for input; anything else is
    // a time-out or a failure. -1 waits without limit.
    virtual uint32_t wait_for_input_idle(int32_t milliseconds) = 0;
    // GetExitCodeProcess; false when the platform fails the read.
    virtual bool read_exit_code(uint32_t& code) = 0;
};

class Shell {
public:
    virtual ~Shell() = default;
    // PathFileExistsA.
    virtual bool file_exists(const std::wstring& path) = 0;
    // ShellExecuteExA. False when the shell refuses or fails the start. With
    // kSeeMaskNoCloseProcess in the mask, process receives the started
    // process (or stays empty when the shell hands out none).
    virtual bool execute(const ShellRequest& request, std::unique_ptr<StartedProcess>& process) = 0;
    virtual void sleep(uint32_t milliseconds) = 0;
    // PathQuoteSpacesA on a buffer of characters (NUL padded); the buffer
    // comes back with the same NUL padding after the text.
    virtual void path_quote_spaces(std::wstring& buffer) = 0;
};

class clsShellEx {
public:
    static constexpr uint32_t kExitPollInterval = 100;

    explicit clsShellEx(Shell& shell) : shell_(shell) {}
    clsShellEx(const clsShellEx&) = delete;
    clsShellEx& operator=(const clsShellEx&) = delete;
    // Ends an exit wait still running on this launcher.
    ~clsShellEx() { stop_ = true; }

    const std::wstring& WorkFolder() const { return work_folder_; }
    void WorkFolder(const std::wstring& strValue) { work_folder_ = strValue; }
    int32_t ExecuteTimeOut() const { return execute_timeout_; }
    void ExecuteTimeOut(int32_t lngValue) { execute_timeout_ = lngValue; }

    // -1 when started (and waited for as acExecMode says); otherwise
    // FileNotFound, ExecuteFailed, WaitFailed, a runtime error number, or 0
    // for a mode outside 0-3 (started, nothing waited for).
    int32_t Execute(const std::wstring& strPathName, const std::wstring& strParameter,
                    int32_t lngWindowStyle, WindowHandle lnghWnd, int32_t acExecMode) noexcept;

private:
    Shell& shell_;
    bool stop_ = false;
    // One NUL: the shell then sees an empty folder.
    std::wstring work_folder_ = std::wstring(1, L'\0');
    int32_t execute_timeout_ = -1;
};

// Encloses a parameter that holds a blank in double quotes, as the shell's
// PathQuoteSpacesA does within its path-length limit; a parameter already in
// quotes, and one of 261 characters or more, is returned as it is.
std::wstring QuoteParameter(std::wstring_view strParameter, Shell& shell);

} // namespace drafthand
