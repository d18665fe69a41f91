// Starting a child program for the Windows tests and tools. Windows only.
#pragma once

#include <tarn/unique.h>

#include <string>

namespace tarn {

struct started_process {
    unique_handle process;
    DWORD id = 0;
    DWORD error = 0; // GetLastError of the last attempt when nothing started
    explicit operator bool() const { return static_cast<bool>(process); }
};

// Starts command_line (program and arguments, quoted as CreateProcess wants
// them) in folder, or in the current folder when folder is null. Wine under
// load now and then refuses a process start that succeeds a moment later, so
// a refused start is tried again a few times before it counts as failed.
started_process start_process(std::wstring command_line, const wchar_t* folder = nullptr);

// Suspends every thread of a process, as a debugger's break does: the tests
// of callers of a program that hangs. Returns the threads suspended.
int suspend_threads(DWORD process_id);

} // namespace tarn
