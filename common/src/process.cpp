#include <tarn/process.h>

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

} // namespace tarn
