// IDispatch through the type library for our dual interfaces, with one
// conversion step in front of ITypeInfo::Invoke: script clients pass every
// argument as a by-reference VARIANT, which ITypeInfo::Invoke refuses for
// typed parameters. The arguments are converted to the declared types (and
// missing optional ones filled with their defaults) first, and in/out values
// are written back afterwards.
#pragma once

#include "module.h"

#include "tarn/unique.h"

#include <oaidl.h>
#include <windows.h>

#include <vector>

namespace drafthand::win {

// The interface's type information from our own embedded type library: the
// view handed to clients and the vtable view that Invoke calls through.
HRESULT load_type_info(REFIID iid, tarn::com_ptr<ITypeInfo>& client_view,
                       tarn::com_ptr<ITypeInfo>& vtable_view);

// The function descriptions of the vtable view, read once per object: a
// late-bound call then finds its member without asking the type library.
class FunctionTable {
public:
    FunctionTable() = default;
    FunctionTable(const FunctionTable&) = delete;
    FunctionTable& operator=(const FunctionTable&) = delete;
    ~FunctionTable();

    HRESULT load(ITypeInfo* vtable_view) noexcept;
    bool loaded() const { return static_cast<bool>(info_); }
    ITypeInfo* info() const { return info_.get(); }
    // nullptr when no function has that id for that kind of call.
    const FUNCDESC* find(DISPID member, WORD flags) const;

private:
    tarn::com_ptr<ITypeInfo> info_;
    std::vector<FUNCDESC*> functions_; // released through info_
};

HRESULT invoke_with_conversion(const FunctionTable& functions, void* instance, DISPID member,
                               WORD flags, DISPPARAMS* params, VARIANT* result,
                               EXCEPINFO* exception, UINT* argument_error) noexcept;

namespace detail {
// Converts a client's argument (possibly by reference) to a declared type;
// DISP_E_TYPEMISMATCH when it does not convert.
HRESULT convert_argument(const VARIANT& source, VARTYPE type, VARIANT* target);
// Writes an in/out result back into a client's by-reference argument in the
// client's own type (arrays element by element, in place).
HRESULT write_back(VARIANT& source, const VARIANT& value);
} // namespace detail

// Reference counting, QueryInterface and IDispatch for one dual interface.
template <typename Interface, const IID* kIid> class DispatchObject : public Interface {
public:
    DispatchObject(const DispatchObject&) = delete;
    DispatchObject& operator=(const DispatchObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (out == nullptr) {
            return E_POINTER;
        }
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
            IsEqualIID(iid, *kIid)) {
            *out = static_cast<Interface*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override {
        return static_cast<ULONG>(::InterlockedIncrement(&references_));
    }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = ::InterlockedDecrement(&references_);
        if (left == 0) {
            delete this;
        }
        return static_cast<ULONG>(left);
    }

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (count == nullptr) {
            return E_POINTER;
        }
        *count = 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
        if (info == nullptr) {
            return E_POINTER;
        }
        *info = nullptr;
        if (index != 0) {
            return DISP_E_BADINDEX;
        }
        const HRESULT hr = ensure_type_info();
        if (FAILED(hr)) {
            return hr;
        }
        *info = client_view_.copy().detach();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) override {
        const HRESULT hr = ensure_type_info();
        return FAILED(hr) ? hr : ::DispGetIDsOfNames(client_view_.get(), names, count, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* exception,
                                     UINT* argument_error) override {
        const HRESULT hr = ensure_type_info();
        if (FAILED(hr)) {
            return hr;
        }
        return invoke_with_conversion(functions_, static_cast<Interface*>(this), member, flags,
                                      params, result, exception, argument_error);
    }

protected:
    DispatchObject() { module_add_ref(); }

    // Holds a reference for the length of a call that lets the client's
    // message handlers run: they may release their last reference meanwhile.
    tarn::com_ptr<Interface> keep_alive() {
        AddRef();
        return tarn::com_ptr<Interface>::attach(this);
    }
    virtual ~DispatchObject() { module_release(); }

private:
    HRESULT ensure_type_info() noexcept {
        if (functions_.loaded()) {
            return S_OK;
        }
        tarn::com_ptr<ITypeInfo> vtable_view;
        const HRESULT hr = load_type_info(*kIid, client_view_, vtable_view);
        return FAILED(hr) ? hr : functions_.load(vtable_view.get());
    }

    LONG references_ = 1;
    tarn::com_ptr<ITypeInfo> client_view_;
    FunctionTable functions_;
};

// Runs a COM method body; nothing thrown gets past it.
template <typename Body> HRESULT guarded(Body&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

using tarn::from_bstr;

// Hands a new BSTR to an [out] parameter.
HRESULT to_bstr(const std::wstring& text, BSTR* out);

} // namespace drafthand::win
