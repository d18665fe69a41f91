#include "drafthand/launcher.h"

#include "drafthand/acad_execute.h"
#include "drafthand/channel.h"
#include "drafthand/errors.h"
#include "drafthand/session.h"

#include <new>

namespace drafthand {
namespace {

constexpr size_t kQuoteBufferLength = 261;

uint32_t mask_for(int32_t mode) {
    switch (mode) {
    case acExecuteMode::WaitNone:
        return kSeeMaskFlagNoUi;
    case acExecuteMode::WaitExit:
    case acExecuteMode::WaitInit:
    case acExecuteMode::WaitPrompt:
        return kSeeMaskFlagNoUi | kSeeMaskNoCloseProcess;
    default:
        return 0;
    }
}

} // namespace

int32_t clsShellEx::Execute(const std::wstring& strPathName, const std::wstring& strParameter,
                            int32_t lngWindowStyle, WindowHandle lnghWnd,
                            int32_t acExecMode) noexcept {
    try {
        if (!shell_.file_exists(strPathName)) {
            return acPrivateError::FileNotFound;
        }
        ShellRequest request;
        request.mask = mask_for(acExecMode);
        request.window = lnghWnd;
        request.verb = L"open";
        request.file = strPathName;
        request.parameters = strParameter;
        request.directory = work_folder_;
        request.show = lngWindowStyle;
        // Owns the process handle from here on: every way out closes it.
        std::unique_ptr<StartedProcess> process;
        if (!shell_.execute(request, process)) {
            return acPrivateError::ExecuteFailed;
        }
        switch (acExecMode) {
        case acExecuteMode::WaitNone:
            return kSuccess;
        case acExecuteMode::WaitExit: {
            // A failed read keeps the code read before; the first failure
            // leaves 0 and so ends the wait, as does a start without a
            // process to read (a document opened by a running program).
            uint32_t code = 0;
            do {
                if (process) {
                    process->read_exit_code(code);
                }
                shell_.sleep(kExitPollInterval);
            } while (!stop_ && code == kStillActive);
            return kSuccess;
        }
        case acExecuteMode::WaitInit:
        case acExecuteMode::WaitPrompt:
            if (!process) {
                return acPrivateError::WaitFailed;
            }
            return process->wait_for_input_idle(execute_timeout_) == 0 ? kSuccess
                                                                       : acPrivateError::WaitFailed;
        default:
            return 0;
        }
    } catch (const std::bad_alloc&) {
        return runtime_error::OutOfMemory;
    } catch (...) {
        return runtime_error::InvalidArgument;
    }
}

std::wstring QuoteParameter(std::wstring_view strParameter, Shell& shell) {
    if (!strParameter.empty() && strParameter.front() == L'"' && strParameter.back() == L'"') {
        return std::wstring(strParameter);
    }
    std::wstring buffer(strParameter.substr(0, kQuoteBufferLength));
    buffer.resize(kQuoteBufferLength, L'\0');
    shell.path_quote_spaces(buffer);
    const size_t nul = buffer.find(L'\0');
    if (nul == std::wstring::npos) {
        return std::wstring(strParameter);
    }
    buffer.resize(nul);
    return buffer;
}

std::wstring launcher_failure_description(int32_t result) {
    switch (result) {
    case acPrivateError::FileNotFound:
        return kMessageExecutableMissing;
    case acPrivateError::WaitFailed:
        return kMessageStartTimedOut;
    case acPrivateError::ExecuteFailed:
        return kMessageShellFailed;
    default:
        return kMessageStartError;
    }
}

int32_t AcadExecute(ThreadRecords& records, Shell& shell, AcadLink& link, int32_t execute_timeout,
                    const std::wstring& PathName, const std::wstring& Parameter, WindowHandle hWnd,
                    int32_t ExecuteMode) {
    const int32_t result = run_method(records.last_error, [&] {
        records.windows.clear();
        if (ExecuteMode < acExecuteMode::WaitNone || ExecuteMode > acExecuteMode::WaitPrompt) {
            raise(runtime_error::InvalidArgument, kSourceAcadExecute, kMessageBadExecuteMode);
        }
        const std::wstring quoted = QuoteParameter(Parameter, shell);
        link.release_control();
        {
            clsShellEx launcher(shell);
            launcher.ExecuteTimeOut(execute_timeout);
            int32_t started = launcher.Execute(PathName, quoted, 1, hWnd, ExecuteMode);
            if (started != kSuccess) {
                // 0 would read as "no error" to a client.
                if (started == 0) {
                    started = acPrivateError::ExecuteFailed;
                }
                raise(started, kSourceAcadExecute, launcher_failure_description(started));
            }
        }
        if (ExecuteMode == acExecuteMode::WaitPrompt) {
            if (link.search() != kSuccess) {
                reraise(records.last_error);
            }
            const int32_t waited = link.wait_prompt();
            if (waited != kSuccess) {
                // A wait ended by Terminate leaves no failure in the record.
                if (records.last_error.number != waited) {
                    raise(waited, kSourceWaitPrompt, kMessageCancelled);
                }
                reraise(records.last_error);
            }
        }
        return kSuccess;
    });
    if (result != kSuccess) {
        records.windows.clear();
        link.release_control();
    }
    return result;
}

} // namespace drafthand
