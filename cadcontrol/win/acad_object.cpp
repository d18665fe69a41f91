#include "dispatch.h"
#include "module.h"
#include "objects.h"
#include "win32_platform.h"

#include "drafthand/acad_execute.h"
#include "drafthand/channel.h"
#include "drafthand/session.h"
#include "drafthand/win_operations.h"

#include <cstring>

namespace drafthand::win {
namespace {

// Major, minor and revision of our own version resource.
std::wstring own_version() {
    HRSRC found = ::FindResourceW(module_handle(), MAKEINTRESOURCEW(VS_VERSION_INFO),
                                  MAKEINTRESOURCEW(16) /* RT_VERSION */);
    HGLOBAL loaded = found != nullptr ? ::LoadResource(module_handle(), found) : nullptr;
    const auto* data =
        static_cast<const BYTE*>(loaded != nullptr ? ::LockResource(loaded) : nullptr);
    const DWORD size = found != nullptr ? ::SizeofResource(module_handle(), found) : 0;
    // VS_VERSIONINFO: three WORDs, the key "VS_VERSION_INFO" with its NUL,
    // padding to 32 bits, then VS_FIXEDFILEINFO.
    constexpr size_t kFixedOffset = (6 + 16 * sizeof(WCHAR) + 3) & ~size_t{3};
    if (data == nullptr || size < kFixedOffset + sizeof(VS_FIXEDFILEINFO)) {
        return format_version(1, 0, 0);
    }
    VS_FIXEDFILEINFO fixed;
    std::memcpy(&fixed, data + kFixedOffset, sizeof(fixed));
    if (fixed.dwSignature != 0xFEEF04BDu) {
        return format_version(1, 0, 0);
    }
    return format_version(HIWORD(fixed.dwFileVersionMS), LOWORD(fixed.dwFileVersionMS),
                          LOWORD(fixed.dwFileVersionLS));
}

class AcadObject final : public DispatchObject<_Acad, &IID__Acad> {
public:
    AcadObject() : records_(thread_records().current()), session_(records_, window_system()) {}

    HRESULT STDMETHODCALLTYPE get_Title(BSTR* value) override {
        return guarded([&] { return to_bstr(L"Drafthand", value); });
    }
    HRESULT STDMETHODCALLTYPE get_Version(BSTR* value) override {
        return guarded([&] { return to_bstr(own_version(), value); });
    }
    HRESULT STDMETHODCALLTYPE get_ExecuteTimeOut(LONG* value) override {
        return get(value, session_.execute_timeout());
    }
    HRESULT STDMETHODCALLTYPE put_ExecuteTimeOut(LONG value) override {
        session_.set_execute_timeout(value);
        return S_OK;
    }

#define DRAFTHAND_WINDOW_PROPERTIES(Name, entry)                                                   \
    HRESULT STDMETHODCALLTYPE get_##Name##WindowHandle(LONG* value) override {                     \
        return get(value, static_cast<int32_t>(records_.windows.entry.handle));                    \
    }                                                                                              \
    HRESULT STDMETHODCALLTYPE get_##Name##WindowThreadID(LONG* value) override {                   \
        return get(value, static_cast<int32_t>(records_.windows.entry.thread_id));                 \
    }                                                                                              \
    HRESULT STDMETHODCALLTYPE get_##Name##WindowProcessID(LONG* value) override {                  \
        return get(value, static_cast<int32_t>(records_.windows.entry.process_id));                \
    }                                                                                              \
    HRESULT STDMETHODCALLTYPE get_##Name##WindowClass(BSTR* value) override {                      \
        return guarded([&] { return to_bstr(records_.windows.entry.class_name, value); });         \
    }                                                                                              \
    HRESULT STDMETHODCALLTYPE get_##Name##WindowTitle(BSTR* value) override {                      \
        return guarded([&] { return to_bstr(records_.windows.entry.title, value); });              \
    }                                                                                              \
    HRESULT STDMETHODCALLTYPE get_##Name##CompareTitle(BSTR* value) override {                     \
        return guarded([&] { return to_bstr(records_.titles.entry, value); });                     \
    }                                                                                              \
    HRESULT STDMETHODCALLTYPE put_##Name##CompareTitle(BSTR value) override {                      \
        return guarded([&] {                                                                       \
            records_.titles.entry = from_bstr(value);                                              \
            return S_OK;                                                                           \
        });                                                                                        \
    }
    DRAFTHAND_WINDOW_PROPERTIES(Main, main)
    DRAFTHAND_WINDOW_PROPERTIES(Text, text)
    DRAFTHAND_WINDOW_PROPERTIES(Command, command)
    DRAFTHAND_WINDOW_PROPERTIES(History, history)
#undef DRAFTHAND_WINDOW_PROPERTIES

    HRESULT STDMETHODCALLTYPE get_ErrDescription(BSTR* value) override {
        return guarded([&] { return to_bstr(records_.last_error.description, value); });
    }
    HRESULT STDMETHODCALLTYPE get_ErrSource(BSTR* value) override {
        return guarded([&] { return to_bstr(records_.last_error.source, value); });
    }
    HRESULT STDMETHODCALLTYPE get_ErrNumber(LONG* value) override {
        return get(value, records_.last_error.number);
    }

    HRESULT STDMETHODCALLTYPE Execute(BSTR path, BSTR parameter, LONG window, ::acExecuteMode mode,
                                      LONG* result) override {
        if (result == nullptr) {
            return E_POINTER;
        }
        const auto alive = keep_alive(); // the prompt wait pumps messages
        return guarded([&] {
            ExecuteLink link(*this);
            // A window handle travels as a Long; widen it as Windows does.
            const auto owner = static_cast<WindowHandle>(static_cast<intptr_t>(window));
            *result =
                AcadExecute(records_, shell_, link, session_.execute_timeout(), from_bstr(path),
                            from_bstr(parameter), owner, static_cast<int32_t>(mode));
            return S_OK;
        });
    }

    HRESULT STDMETHODCALLTYPE Search(LONG* result) override {
        if (result == nullptr) {
            return E_POINTER;
        }
        return guarded([&] {
            control_.reset();
            *result = session_.Search();
            if (*result != kSuccess) {
                return S_OK;
            }
            const HRESULT hr = create_control(records_, control_.put());
            if (FAILED(hr)) {
                records_.windows.clear();
                records_.last_error =
                    ErrorRecord{runtime_error::OutOfMemory, kComponentName,
                                general_error_description(runtime_error::OutOfMemory)};
                *result = runtime_error::OutOfMemory;
            }
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE get_Control(_Control** value) override {
        if (value == nullptr) {
            return E_POINTER;
        }
        *value = control_.copy().detach();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ControlExists(VARIANT_BOOL* result) override {
        if (result == nullptr) {
            return E_POINTER;
        }
        bool exists = false;
        if (control_) {
            exists = session_.windows_alive();
            if (!exists) {
                session_.clear_windows();
                control_.reset();
            }
        }
        *result = exists ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE RemoveControl() override {
        session_.clear_windows();
        control_.reset();
        return S_OK;
    }

private:
    // What Execute needs of this object: releasing and searching (which
    // creates the Control) and the prompt wait on the new Control.
    class ExecuteLink final : public AcadLink {
    public:
        explicit ExecuteLink(AcadObject& acad) : acad_(acad) {}
        void release_control() override { acad_.control_.reset(); }
        int32_t search() override {
            LONG result = 0;
            if (FAILED(acad_.Search(&result))) {
                raise_general(runtime_error::OutOfMemory);
            }
            return result;
        }
        int32_t wait_prompt() override {
            tarn::unique_bstr prompt(::SysAllocString(kCommandPrompt));
            LONG result = 0;
            if (!prompt || !acad_.control_ ||
                FAILED(acad_.control_->WaitPrompt(prompt.get(), &result))) {
                raise_general(runtime_error::OutOfMemory);
            }
            return result;
        }

    private:
        AcadObject& acad_;
    };

    static HRESULT get(LONG* out, int32_t value) {
        if (out == nullptr) {
            return E_POINTER;
        }
        *out = value;
        return S_OK;
    }

    ThreadRecords& records_;
    Session session_;
    tarn::com_ptr<_Control> control_;
    Win32Shell shell_;
};

} // namespace

HRESULT create_acad(REFIID iid, void** out) {
    if (out == nullptr) {
        return E_POINTER;
    }
    *out = nullptr;
    return guarded([&] {
        auto* object = new AcadObject();
        const HRESULT hr = object->QueryInterface(iid, out);
        object->Release();
        return hr;
    });
}

} // namespace drafthand::win
