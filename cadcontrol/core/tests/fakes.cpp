#include "fakes.h"

namespace drafthand::testing {

WindowHandle FakeWindowSystem::add_top(FakeWindow window) {
    const WindowHandle handle = next_ += 0x10;
    windows_[handle] = std::move(window);
    top_.push_back(handle);
    return handle;
}

WindowHandle FakeWindowSystem::add_child(WindowHandle parent, FakeWindow window) {
    const WindowHandle handle = next_ += 0x10;
    windows_[handle] = std::move(window);
    windows_.at(parent).children.push_back(handle);
    return handle;
}

bool FakeWindowSystem::enum_top_windows(const WindowVisitor& visit) {
    for (WindowHandle handle : top_) {
        if (!visit(handle)) {
            return false;
        }
    }
    return !fail_enumeration;
}

bool FakeWindowSystem::enum_child_windows(WindowHandle parent, const WindowVisitor& visit) {
    for (WindowHandle handle : windows_.at(parent).children) {
        if (!visit(handle)) {
            return false;
        }
    }
    return true;
}

bool FakeWindowSystem::read_title(WindowHandle window, std::wstring& title) {
    const FakeWindow& w = windows_.at(window);
    if (!w.title_readable || w.title.empty()) {
        return false;
    }
    title = w.title;
    return true;
}

bool FakeWindowSystem::read_class_name(WindowHandle window, std::wstring& class_name) {
    class_name = windows_.at(window).class_name;
    return !class_name.empty();
}

uint32_t FakeWindowSystem::read_thread_process_id(WindowHandle window, uint32_t& process_id) {
    const FakeWindow& w = windows_.at(window);
    process_id = w.process_id;
    return w.thread_id;
}

bool FakeWindowSystem::is_window(WindowHandle window) {
    const auto found = windows_.find(window);
    return found != windows_.end() && found->second.alive;
}

Answer FakeWindowSystem::send_command_text(WindowHandle window, const std::wstring& text) {
    const FakeWindow& w = windows_.at(window);
    if (!w.answers) {
        return std::nullopt;
    }
    messages.emplace_back(window, text);
    return w.copydata_answer;
}

void FakeWindowSystem::post_null(WindowHandle window) {
    messages.emplace_back(window, L"<null>");
}

LiveTextRead FakeWindowSystem::read_live_text(WindowHandle window, std::wstring& text) {
    ++live_text_reads;
    const FakeWindow& w = windows_.at(window);
    if (!w.answers) {
        return LiveTextRead::not_answered;
    }
    if (!w.live_text_readable || w.live_text.empty()) {
        return LiveTextRead::unreadable;
    }
    text = w.live_text;
    return LiveTextRead::read;
}

} // namespace drafthand::testing
