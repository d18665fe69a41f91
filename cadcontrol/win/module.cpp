// DLL entry points: class object, unloading, self-registration.
#include "module.h"
#include "dispatch.h"
#include "objects.h"

#include <windows.h>

#include <olectl.h>

#include <string>

namespace drafthand::win {
namespace {

constexpr wchar_t kProgId[] = L"Drafthand.Acad";
constexpr wchar_t kAcadClsid[] = L"{A6338E26-BC5F-4093-A05B-7BA470E771D1}";
constexpr wchar_t kLibId[] = L"{7C265EE2-689B-4172-A2ED-B481BD0BCEBC}";
constexpr LCID kLibraryLocale = 0x409;

class ClassFactory final : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (out == nullptr) {
            return E_POINTER;
        }
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
            *out = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    // One static factory; a client that holds it keeps the DLL loaded.
    ULONG STDMETHODCALLTYPE AddRef() override {
        module_add_ref();
        return 2;
    }
    ULONG STDMETHODCALLTYPE Release() override {
        module_release();
        return 1;
    }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        if (out == nullptr) {
            return E_POINTER;
        }
        *out = nullptr;
        if (outer != nullptr) {
            return CLASS_E_NOAGGREGATION;
        }
        return create_acad(iid, out);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        if (lock) {
            module_add_ref();
        } else {
            module_release();
        }
        return S_OK;
    }
};

ClassFactory g_acad_factory;

// HKEY_CLASSES_ROOT\path with an optional named value (empty name: default).
bool set_value(const std::wstring& path, const wchar_t* name, const std::wstring& value) {
    tarn::unique_hkey key;
    if (::RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                          KEY_SET_VALUE, nullptr, key.put(), nullptr) != ERROR_SUCCESS) {
        return false;
    }
    const auto bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
    return ::RegSetValueExW(key.get(), name, 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(value.c_str()), bytes) == ERROR_SUCCESS;
}

void delete_tree(const std::wstring& path) {
    ::RegDeleteTreeW(HKEY_CLASSES_ROOT, path.c_str());
}

// The type library's locale is 0x409, but Wine's type library marshaler (a
// client in a multithreaded apartment gets a proxy) looks the library up
// under the neutral locale only; one more path to the same file serves it.
const std::wstring kNeutralLocaleKey = std::wstring(L"TypeLib\\") + kLibId + L"\\1.0\\0";
const wchar_t* const kPlatform = sizeof(void*) == 8 ? L"win64" : L"win32";

HRESULT unregister_all() {
    delete_tree(std::wstring(L"CLSID\\") + kAcadClsid);
    delete_tree(kProgId);
    // The other architecture's path may stay; the key goes once it is empty.
    ::RegDeleteKeyW(HKEY_CLASSES_ROOT, (kNeutralLocaleKey + L"\\" + kPlatform).c_str());
    ::RegDeleteKeyW(HKEY_CLASSES_ROOT, kNeutralLocaleKey.c_str());
    const SYSKIND kind = sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32;
    const HRESULT hr = ::UnRegisterTypeLib(LIBID_Drafthand, 1, 0, kLibraryLocale, kind);
    return hr == TYPE_E_REGISTRYACCESS || hr == TYPE_E_CANTLOADLIBRARY || SUCCEEDED(hr) ? S_OK : hr;
}

HRESULT register_all() {
    const std::wstring path = module_path();
    const std::wstring clsid_key = std::wstring(L"CLSID\\") + kAcadClsid;
    const bool classes =
        set_value(clsid_key, nullptr, kProgId) &&
        set_value(clsid_key + L"\\InprocServer32", nullptr, path) &&
        set_value(clsid_key + L"\\InprocServer32", L"ThreadingModel", L"Apartment") &&
        set_value(clsid_key + L"\\ProgID", nullptr, kProgId) &&
        set_value(clsid_key + L"\\VersionIndependentProgID", nullptr, kProgId) &&
        set_value(clsid_key + L"\\TypeLib", nullptr, kLibId) &&
        set_value(clsid_key + L"\\Version", nullptr, L"1.0") &&
        set_value(clsid_key + L"\\Programmable", nullptr, L"") &&
        set_value(kProgId, nullptr, kProgId) &&
        set_value(std::wstring(kProgId) + L"\\CLSID", nullptr, kAcadClsid);
    if (!classes) {
        return SELFREG_E_CLASS;
    }
    tarn::com_ptr<ITypeLib> library;
    if (FAILED(::LoadTypeLibEx(path.c_str(), REGKIND_REGISTER, library.put())) ||
        !set_value(kNeutralLocaleKey + L"\\" + kPlatform, nullptr, path)) {
        return SELFREG_E_TYPELIB;
    }
    return S_OK;
}

} // namespace

} // namespace drafthand::win

using namespace drafthand::win;

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        set_module_handle(instance);
        try {
            open_thread_records();
        } catch (...) {
            return FALSE;
        }
        break;
    case DLL_THREAD_DETACH:
        thread_records_ended();
        break;
    case DLL_PROCESS_DETACH:
        // reserved is non-null when the process is ending, null for FreeLibrary.
        close_thread_records(reserved != nullptr);
        break;
    default:
        break;
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    if (out == nullptr) {
        return E_POINTER;
    }
    *out = nullptr;
    if (!IsEqualCLSID(clsid, CLSID_Acad)) {
        // Control objects come only from Acad.Search.
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    return g_acad_factory.QueryInterface(iid, out);
}

STDAPI DllCanUnloadNow() {
    return module_in_use() ? S_FALSE : S_OK;
}

STDAPI DllRegisterServer() {
    return guarded([] {
        const HRESULT hr = register_all();
        if (FAILED(hr)) {
            unregister_all();
        }
        return hr;
    });
}

STDAPI DllUnregisterServer() {
    return guarded([] { return unregister_all(); });
}

} // extern "C"
