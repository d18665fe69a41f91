#include "export_loader.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace {

#if defined(_WIN32)
using Module = HMODULE;
Module open_library() {
    return LoadLibraryA("auto_tarn5.dll");
}
void* find_symbol(Module module, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(module, name));
}
#else
using Module = void*;
Module open_library() {
    return dlopen(AUTO_TARN5_PATH, RTLD_NOW | RTLD_LOCAL);
}
void* find_symbol(Module module, const char* name) {
    return dlsym(module, name);
}
#endif

template <typename Function>
void bind(Module module, const char* name, Function& function, std::string& error) {
    void* symbol = find_symbol(module, name);
    if (symbol == nullptr) {
        error += std::string("missing export ") + name + "; ";
    }
    function = reinterpret_cast<Function>(symbol);
}

CurveLibrary load() {
    CurveLibrary library;
    // Kept loaded for the whole test run.
    Module module = open_library();
    if (module == nullptr) {
        library.error = "cannot load the library";
        return library;
    }
    bind(module, "tarn1", library.tarn1, library.error);
    bind(module, "tarn2", library.tarn2, library.error);
    bind(module, "tarn3", library.tarn3, library.error);
    bind(module, "tarn4", library.tarn4, library.error);
    bind(module, "tarn5", library.tarn5, library.error);
    bind(module, "tarn6", library.tarn6, library.error);
    bind(module, "tarn7", library.tarn7, library.error);
    bind(module, test_export_name(), library.test, library.error);
    return library;
}

} // namespace

const char* test_export_name() {
#if defined(_WIN32) && !defined(_WIN64)
    return "_Test@8";
#else
    return "Test";
#endif
}

const CurveLibrary& curve_library() {
    static const CurveLibrary library = load();
    return library;
}
