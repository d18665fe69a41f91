// One running cadsim.exe for a test: started with options, waited for until it
// takes input, ended when the test ends. Windows only.
#pragma once

#include <tarn/process.h>
#include <tarn/testsupport/files.h>
#include <tarn/testsupport/wait.h>

#include <string>

namespace tarn::testsupport {

class CadsimProcess {
public:
    // program: the path of cadsim.exe; options: its command-line options;
    // folder: its working folder, or this one when null.
    CadsimProcess(const std::wstring& program, const std::wstring& options,
                  const wchar_t* folder = nullptr);
    CadsimProcess(const CadsimProcess&) = delete;
    CadsimProcess& operator=(const CadsimProcess&) = delete;
    // Ends it if still running and waits until it has gone.
    ~CadsimProcess();

    bool started() const { return static_cast<bool>(started_); }
    DWORD start_error() const { return started_.error; }
    DWORD id() const { return started_.id; }
    HANDLE process() const { return started_.process.get(); }

    // Waits until the main window, the text window and its command line exist
    // and the command line shows the idle prompt. Until then a program that
    // looks for the CAD program may find only part of it.
    bool wait_ready(DWORD limit_ms = kDefaultWaitMs);
    // Waits until the four windows exist, whatever they show.
    bool wait_windows(DWORD limit_ms = kDefaultWaitMs);
    // What the command line shows now (empty before it exists).
    std::wstring prompt() const;
    // Asks it to close (WM_CLOSE to its main window); true once it has ended.
    bool close(DWORD limit_ms = kDefaultWaitMs);
    // true once it has ended within wait_ms; its exit status into code.
    bool exited(DWORD wait_ms, DWORD* code = nullptr) const;

    HWND main = nullptr;
    HWND text = nullptr;
    HWND command = nullptr;
    HWND history = nullptr;

private:
    bool find_windows();

    tarn::started_process started_;
};

} // namespace tarn::testsupport
