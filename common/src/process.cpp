#include <tarn/process.h>

#include <tlhelp32.h>

namespace tarn {

started_process start_process(std::wstring command_line, const wchar_t* folder) {
    constexpr int kAttempts = 5;
    constexpr DWORD kPauseMs = 300;
    started_process started;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        if (attempt > 0) {
            ::Sleep(kPauseMs);
        }
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        // CreateProcessW may write into the command line, so each try gets a copy.
        std::wstring line = command_line;
        if (::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder,
                             &startup, &info)) {
            unique_handle thread(info.hThread);
            started.process.reset(info.hProcess);
            started.id = info.dwProcessId;
            started.error = 0;
            return started;
        }
        started.error = ::GetLastError();
        if (started.error == ERROR_FILE_NOT_FOUND || started.error == ERROR_PATH_NOT_FOUND) {
            break; // no use trying again
        }
    }
    return started;
}

int suspend_threads(DWORD process_id) {
    unique_handle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    if (snapshot.get() == INVALID_HANDLE_VALUE) {
        snapshot.release(); // not a handle
        return 0;
    }
    int suspended = 0;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Thread32First(snapshot.get(), &entry); more;
         more = ::Thread32Next(snapshot.get(), &entry)) {
        if (entry.th32OwnerProcessID != process_id) {
            continue;
        }
        const unique_handle thread(::OpenThread(THREAD_SUSPEND_RESUME, FALSE, entry.th32ThreadID));
        if (thread && ::SuspendThread(thread.get()) != static_cast<DWORD>(-1)) {
            ++suspended;
        }
    }
    return suspended;
}

} // namespace tarn
