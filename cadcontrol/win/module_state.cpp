#include "module.h"
#include "thread_records.h"

#include <memory>

namespace drafthand::win {
namespace {

HMODULE g_module = nullptr;
LONG g_references = 0; // live objects, class-object references, server locks
std::unique_ptr<Win32ThreadRecordStore> g_thread_records;

} // namespace

void set_module_handle(HMODULE module) {
    g_module = module;
}

HMODULE module_handle() {
    return g_module;
}

std::wstring module_path() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            ::GetModuleFileNameW(g_module, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            return {};
        }
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

void module_add_ref() {
    ::InterlockedIncrement(&g_references);
}
void module_release() {
    ::InterlockedDecrement(&g_references);
}
bool module_in_use() {
    return ::InterlockedCompareExchange(&g_references, 0, 0) != 0;
}

void open_thread_records() {
    g_thread_records = std::make_unique<Win32ThreadRecordStore>();
}

void thread_records_ended() {
    if (g_thread_records) {
        g_thread_records->thread_ended();
    }
}

void close_thread_records(bool process_ending) {
    if (process_ending) {
        (void)g_thread_records.release(); // the process's end frees its memory
    } else {
        g_thread_records.reset();
    }
}

ThreadRecordStore& thread_records() {
    if (!g_thread_records) {
        open_thread_records();
    }
    return *g_thread_records;
}

} // namespace drafthand::win
