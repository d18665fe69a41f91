// Owned Windows resources: one move-only template for handles, one alias per
// handle kind, and a COM pointer whose put() releases before it hands out the
// address. Windows only.
#pragma once

#include <windows.h>
// oleauto.h needs windows.h first.
#include <oleauto.h>

#include <cstddef>
#include <string>
#include <utility>

namespace tarn {

// Close is a function object type: void operator()(Handle) const.
template <typename Handle, typename Close, Handle kInvalid = Handle{}> class unique_any {
public:
    unique_any() = default;
    explicit unique_any(Handle handle) : handle_(handle) {}
    unique_any(const unique_any&) = delete;
    unique_any& operator=(const unique_any&) = delete;
    unique_any(unique_any&& other) noexcept : handle_(other.release()) {}
    unique_any& operator=(unique_any&& other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }
    ~unique_any() { reset(); }

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != kInvalid; }
    Handle release() { return std::exchange(handle_, kInvalid); }
    void reset(Handle handle = kInvalid) {
        if (handle_ != kInvalid) {
            Close()(handle_);
        }
        handle_ = handle;
    }
    // Releases what is held and returns the address for an out-parameter.
    Handle* put() {
        reset();
        return &handle_;
    }
    // The address for an in/out parameter: the callee reads what is held and
    // may free it and put another in its place.
    Handle* in_out() { return &handle_; }

private:
    Handle handle_ = kInvalid;
};

namespace detail {
struct close_handle {
    void operator()(HANDLE h) const { ::CloseHandle(h); }
};
struct destroy_window {
    void operator()(HWND h) const { ::DestroyWindow(h); }
};
struct delete_object {
    void operator()(HGDIOBJ h) const { ::DeleteObject(h); }
};
struct free_library {
    void operator()(HMODULE h) const { ::FreeLibrary(h); }
};
struct free_bstr {
    void operator()(BSTR s) const { ::SysFreeString(s); }
};
struct destroy_safearray {
    void operator()(SAFEARRAY* a) const { ::SafeArrayDestroy(a); }
};
struct close_key {
    void operator()(HKEY k) const { ::RegCloseKey(k); }
};

} // namespace detail

using unique_handle = unique_any<HANDLE, detail::close_handle>;
using unique_hwnd = unique_any<HWND, detail::destroy_window>;
using unique_hgdiobj = unique_any<HGDIOBJ, detail::delete_object>;
using unique_hmodule = unique_any<HMODULE, detail::free_library>;
using unique_bstr = unique_any<BSTR, detail::free_bstr>;
using unique_safearray = unique_any<SAFEARRAY*, detail::destroy_safearray>;
using unique_hkey = unique_any<HKEY, detail::close_key>;

// Owns what CreateFile answered: its failure value INVALID_HANDLE_VALUE (not
// null, and no constant expression) becomes an empty handle.
inline unique_handle adopt_file(HANDLE file) {
    return unique_handle(file == INVALID_HANDLE_VALUE ? nullptr : file);
}

// A new BSTR holding the text (null only when out of memory).
inline unique_bstr make_bstr(const wchar_t* text, std::size_t length) {
    return unique_bstr(::SysAllocStringLen(text, static_cast<UINT>(length)));
}
template <typename Text> unique_bstr make_bstr(const Text& text) {
    return make_bstr(text.data(), text.size());
}

// A BSTR's text; a null BSTR is an empty string.
inline std::wstring from_bstr(BSTR text) {
    return text == nullptr ? std::wstring() : std::wstring(text, ::SysStringLen(text));
}

// A VARIANT that is cleared when it goes away.
class unique_variant {
public:
    unique_variant() { ::VariantInit(&value_); }
    unique_variant(const unique_variant&) = delete;
    unique_variant& operator=(const unique_variant&) = delete;
    ~unique_variant() { ::VariantClear(&value_); }
    VARIANT* get() { return &value_; }
    const VARIANT* get() const { return &value_; }
    VARIANT* put() {
        ::VariantClear(&value_);
        return &value_;
    }

private:
    VARIANT value_;
};

// COM interface pointer: AddRef on copy is deliberately absent; share by
// calling copy() explicitly.
template <typename Interface> class com_ptr {
public:
    com_ptr() = default;
    // Takes over a reference the caller already owns.
    static com_ptr attach(Interface* pointer) {
        com_ptr result;
        result.pointer_ = pointer;
        return result;
    }
    com_ptr(const com_ptr&) = delete;
    com_ptr& operator=(const com_ptr&) = delete;
    com_ptr(com_ptr&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
    com_ptr& operator=(com_ptr&& other) noexcept {
        if (this != &other) {
            reset();
            pointer_ = std::exchange(other.pointer_, nullptr);
        }
        return *this;
    }
    ~com_ptr() { reset(); }

    com_ptr copy() const {
        if (pointer_ != nullptr) {
            pointer_->AddRef();
        }
        return attach(pointer_);
    }
    Interface* get() const { return pointer_; }
    Interface* operator->() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }
    void reset() {
        if (Interface* old = std::exchange(pointer_, nullptr)) {
            old->Release();
        }
    }
    Interface* detach() { return std::exchange(pointer_, nullptr); }
    Interface** put() {
        reset();
        return &pointer_;
    }
    void** put_void() { return reinterpret_cast<void**>(put()); }

    template <typename Other> HRESULT query(com_ptr<Other>& result) const {
        return pointer_->QueryInterface(__uuidof(Other), result.put_void());
    }

private:
    Interface* pointer_ = nullptr;
};

} // namespace tarn
