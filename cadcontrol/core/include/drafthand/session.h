// The core of an Acad object: its settings and the search for a running
// AutoCAD. The COM edge owns the Control object that a successful Search
// hands out.
#pragma once

#include "drafthand/platform.h"
#include "drafthand/records.h"

#include <cstdint>
#include <string>

namespace drafthand {

inline const wchar_t* const kSourceAcadExecute = L"Drafthand.Acad.Execute";
inline const wchar_t* const kSourceAcadSearch = L"Drafthand.Acad.Search";

inline const wchar_t* const kMessageNotRunning = L"AutoCADが起動していないか、応答がありません。";
inline const wchar_t* const kMessageSearchError = L"AutoCADを検索中にエラーが発生しました。";

// "1.00.00" for 1.0.0: major as it is, minor and revision with two digits at
// least.
std::wstring format_version(unsigned major, unsigned minor, unsigned revision);

class Session {
public:
    static constexpr int32_t kDefaultExecuteTimeOut = 300000;

    // Creating a session clears the thread's last error and window table and
    // resets the compare titles.
    Session(ThreadRecords& records, WindowSystem& system);

    int32_t execute_timeout() const { return execute_timeout_; }
    // Any negative value means "no limit" and is kept as -1.
    void set_execute_timeout(int32_t value) { execute_timeout_ = value < 0 ? -1 : value; }

    // Result convention: -1 when all four windows were found and are alive;
    // on failure the window table is cleared and the error recorded.
    int32_t Search();

    bool windows_alive() const;
    void clear_windows() { records_.windows.clear(); }

    ThreadRecords& records() const { return records_; }
    WindowSystem& window_system() const { return system_; }

private:
    ThreadRecords& records_;
    WindowSystem& system_;
    int32_t execute_timeout_ = kDefaultExecuteTimeOut;
};

} // namespace drafthand
