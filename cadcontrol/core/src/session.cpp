#include "drafthand/session.h"

#include "drafthand/discovery.h"

namespace drafthand {

std::wstring format_version(unsigned major, unsigned minor, unsigned revision) {
    const auto two_digits = [](unsigned value) {
        std::wstring text = std::to_wstring(value);
        return text.size() < 2 ? L"0" + text : text;
    };
    return std::to_wstring(major) + L"." + two_digits(minor) + L"." + two_digits(revision);
}

Session::Session(ThreadRecords& records, WindowSystem& system)
    : records_(records), system_(system) {
    records_.last_error.clear();
    records_.windows.clear();
    records_.titles = CompareTitles{};
}

int32_t Session::Search() {
    const int32_t result = run_method(records_.last_error, [this] {
        WindowTable& table = records_.windows;
        table.clear();
        const CompareTitles& titles = records_.titles;
        const bool listed = system_.enum_top_windows(
            [&](WindowHandle window) { return find_top_window(system_, titles, table, window); });
        if (!listed) {
            raise(acPrivateError::SearchFailed, kSourceAcadSearch, kMessageSearchError);
        }
        if (table.main.handle == 0 || table.text.handle == 0) {
            raise(acPrivateError::SearchFailed, kSourceAcadSearch, kMessageNotRunning);
        }
        const bool children = system_.enum_child_windows(table.text.handle, [&](WindowHandle w) {
            return find_child_window(system_, titles, table, w);
        });
        if (!children || table.command.handle == 0 || table.history.handle == 0) {
            raise(acPrivateError::SearchFailed, kSourceAcadSearch, kMessageSearchError);
        }
        if (!drafthand::windows_alive(system_, table)) {
            raise(acPrivateError::LinkFailed, kSourceAcadSearch, kMessageNotRunning);
        }
        return kSuccess;
    });
    if (result != kSuccess) {
        records_.windows.clear();
    }
    return result;
}

bool Session::windows_alive() const {
    return drafthand::windows_alive(system_, records_.windows);
}

} // namespace drafthand
