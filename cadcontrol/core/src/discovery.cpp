#include "drafthand/discovery.h"

#include "drafthand/text.h"

namespace drafthand {
namespace {

// Reads class name and ids into a candidate entry; false when the window is
// to be skipped.
bool read_candidate(WindowSystem& system, WindowHandle window, const std::wstring& title,
                    bool need_thread_id, WindowEntry& entry) {
    entry.handle = window;
    entry.title = title;
    if (!system.read_class_name(window, entry.class_name)) {
        return false;
    }
    entry.thread_id = system.read_thread_process_id(window, entry.process_id);
    return !(need_thread_id && entry.thread_id == 0);
}

} // namespace

bool find_top_window(WindowSystem& system, const CompareTitles& titles, WindowTable& table,
                     WindowHandle window) noexcept {
    try {
        std::wstring title;
        if (!system.read_title(window, title) || title.empty()) {
            return true;
        }
        if (begins_with(title, titles.main) && !begins_with(title, titles.text)) {
            WindowEntry candidate;
            if (!read_candidate(system, window, title, false, candidate)) {
                return true;
            }
            if (table.text.handle == 0 || candidate.process_id == table.text.process_id) {
                table.main = std::move(candidate);
            }
        }
        if (begins_with(title, titles.text)) {
            WindowEntry candidate;
            if (!read_candidate(system, window, title, true, candidate)) {
                return true;
            }
            if (table.main.handle == 0 || candidate.process_id == table.main.process_id) {
                table.text = std::move(candidate);
            }
        }
        return true;
    } catch (...) {
        return false;
    }
}

bool find_child_window(WindowSystem& system, const CompareTitles& titles, WindowTable& table,
                       WindowHandle window) noexcept {
    try {
        std::wstring title;
        if (!system.read_title(window, title) || title.empty()) {
            return true;
        }
        const auto consider = [&](const std::wstring& prefix, WindowEntry& slot) {
            if (!begins_with(title, prefix)) {
                return true;
            }
            WindowEntry candidate;
            if (!read_candidate(system, window, title, true, candidate)) {
                return false; // skip the window altogether
            }
            if (candidate.process_id == table.main.process_id) {
                slot = std::move(candidate);
            }
            return true;
        };
        if (consider(titles.command, table.command)) {
            consider(titles.history, table.history);
        }
        return true;
    } catch (...) {
        return false;
    }
}

bool windows_alive(WindowSystem& system, const WindowTable& table) {
    for (const WindowEntry* entry : {&table.main, &table.text, &table.command, &table.history}) {
        if (!system.is_window(entry->handle)) {
            return false;
        }
    }
    return true;
}

} // namespace drafthand
