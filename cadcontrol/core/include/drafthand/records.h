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

// Where each client thread's records live: one copy per thread, created on
// its first use and kept until the thread ends. The host owns the storage and
// frees a thread's records when the thread ends; a C++ thread_local would
// leave that to the runtime's thread-exit cleanup, which in a DLL may unload
// the DLL from its own detach callback.
class ThreadRecordStore {
public:
    // The calling thread's records.
    virtual ThreadRecords& current() = 0;

protected:
    ~ThreadRecordStore() = default;
};

} // namespace drafthand
