#include "module.h"

namespace drafthand::win {
namespace {

HMODULE g_module = nullptr;
LONG g_references = 0; // live objects and server locks

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

} // namespace drafthand::win
