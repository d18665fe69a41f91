// The records shared by every Acad and Control object of one client thread:
// the window table, the compare titles and the last-error record.
#pragma once

#include "drafthand/errors.h"
#include "drafthand/platform.h"

#include <cstdint>
#include <string>

namespace drafthand {

struct WindowEntry {
    WindowHandle handle = 0;
    std::wstring class_name;
    std::wstring title;
    uint32_t thread_id = 0;
    uint32_t process_id = 0;
};

struct WindowTable {
    WindowEntry main;
    WindowEntry text;
    WindowEntry command;
    WindowEntry history;

    void clear() { *this = WindowTable{}; }
};

struct CompareTitles {
    std::wstring main = L"AutoCAD LT";
    std::wstring text = L"AutoCAD LT ﾃｷｽﾄ";
    std::wstring command = L"Headlands";
    std::wstring history = L"MountTam";
};

struct ThreadRecords {
    WindowTable windows;
    CompareTitles titles;
    ErrorRecord last_error;
};

// The calling thread's records (one copy per thread, created on first use).
ThreadRecords& thread_records();

} // namespace drafthand
