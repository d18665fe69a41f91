#include "acad_dispatch.h"

#include <tarn/unique.h>

#include <oleauto.h>
#include <windows.h>

#include <memory>
#include <string>

namespace tarn::app::win {
namespace {

// Acad {A6338E26-BC5F-4093-A05B-7BA470E771D1}
constexpr CLSID kClsidAcad = {
    0xA6338E26, 0xBC5F, 0x4093, {0xA0, 0x5B, 0x7B, 0xA4, 0x70, 0xE7, 0x71, 0xD1}};

// A call that failed in COM itself (not a result of the component) leaves its
// text here for ErrDescription; shared by an Acad and the Controls it hands out.
struct CallFailure {
    std::wstring description;
};

std::wstring failure_text(const wchar_t* member, HRESULT hr) {
    wchar_t number[16];
    swprintf(number, 16, L"%08lX", static_cast<unsigned long>(hr));
    return L"Drafthand の「" + std::wstring(member) + L"」を呼び出せませんでした（エラー番号 0x" +
           number + L"）。";
}

class Dispatch {
public:
    Dispatch(tarn::com_ptr<IDispatch> object, std::shared_ptr<CallFailure> failure)
        : object_(std::move(object)), failure_(std::move(failure)) {}

    // args in the order of the member's parameters.
    HRESULT invoke(const wchar_t* member, WORD flags, VARIANTARG* args, UINT count,
                   VARIANT* result) {
        failure_->description.clear();
        const HRESULT hr = invoke_raw(member, flags, args, count, result);
        if (FAILED(hr)) {
            failure_->description = failure_text(member, hr);
        }
        return hr;
    }

    std::int32_t call_long(const wchar_t* member, VARIANTARG* args = nullptr, UINT count = 0) {
        tarn::unique_variant result;
        HRESULT hr = invoke(member, DISPATCH_METHOD, args, count, result.put());
        if (SUCCEEDED(hr)) {
            hr = VariantChangeType(result.get(), result.get(), 0, VT_I4);
            if (SUCCEEDED(hr)) {
                return result.get()->lVal;
            }
            failure_->description = failure_text(member, hr);
        }
        return static_cast<std::int32_t>(hr);
    }

    void put(const wchar_t* member, VARIANT& value) {
        invoke(member, DISPATCH_PROPERTYPUT, &value, 1, nullptr);
    }

    void put_string(const wchar_t* member, const std::wstring& text) {
        tarn::unique_variant value;
        value.get()->vt = VT_BSTR;
        value.get()->bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        put(member, *value.get());
    }

    std::shared_ptr<CallFailure> failure() const { return failure_; }

private:
    HRESULT invoke_raw(const wchar_t* member, WORD flags, VARIANTARG* args, UINT count,
                       VARIANT* result) {
        DISPID id = DISPID_UNKNOWN;
        LPOLESTR name = const_cast<LPOLESTR>(member);
        HRESULT hr = object_->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id);
        if (FAILED(hr)) {
            return hr;
        }
        // IDispatch takes the arguments last first.
        std::unique_ptr<VARIANTARG[]> reversed(new VARIANTARG[count > 0 ? count : 1]);
        for (UINT i = 0; i < count; ++i) {
            reversed[i] = args[count - 1 - i]; // shallow: the caller keeps ownership
        }
        DISPID named = DISPID_PROPERTYPUT;
        DISPPARAMS params = {reversed.get(), nullptr, count, 0};
        if (flags == DISPATCH_PROPERTYPUT) {
            params.rgdispidNamedArgs = &named;
            params.cNamedArgs = 1;
        }
        EXCEPINFO exception = {};
        UINT bad_argument = 0;
        hr = object_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, &exception,
                             &bad_argument);
        tarn::unique_bstr source(exception.bstrSource);
        tarn::unique_bstr description(exception.bstrDescription);
        tarn::unique_bstr help(exception.bstrHelpFile);
        if (hr == DISP_E_EXCEPTION && FAILED(exception.scode)) {
            hr = exception.scode;
        }
        return hr;
    }

    tarn::com_ptr<IDispatch> object_;
    std::shared_ptr<CallFailure> failure_;
};

class DispatchControl : public AcadControl {
public:
    explicit DispatchControl(Dispatch control) : control_(std::move(control)) {}

    void put_CommandTimeOut(std::int32_t milliseconds) override {
        VARIANT value;
        value.vt = VT_I4;
        value.lVal = milliseconds;
        control_.put(L"CommandTimeOut", value);
    }
    void put_PatternMatch(bool flag) override {
        VARIANT value;
        value.vt = VT_BOOL;
        value.boolVal = flag ? VARIANT_TRUE : VARIANT_FALSE;
        control_.put(L"PatternMatch", value);
    }
    std::int32_t PostCommand(const std::wstring& command) override {
        tarn::unique_variant text;
        text.get()->vt = VT_BSTR;
        text.get()->bstrVal = SysAllocStringLen(command.data(), static_cast<UINT>(command.size()));
        return control_.call_long(L"PostCommand", text.get(), 1);
    }
    std::int32_t Active() override { return control_.call_long(L"Active"); }
    std::int32_t GetPosition(double& x, double& y, double& z) override {
        VARIANTARG args[3];
        double* targets[3] = {&x, &y, &z};
        for (int i = 0; i < 3; ++i) {
            args[i].vt = VT_BYREF | VT_R8;
            args[i].pdblVal = targets[i];
        }
        return control_.call_long(L"GetPosition", args, 3);
    }
    void Terminate() override {
        control_.invoke(L"Terminate", DISPATCH_METHOD, nullptr, 0, nullptr);
    }

private:
    Dispatch control_;
};

class DispatchAcad : public Acad {
public:
    explicit DispatchAcad(tarn::com_ptr<IDispatch> acad)
        : acad_(std::move(acad), std::make_shared<CallFailure>()) {}

    void put_MainCompareTitle(const std::wstring& title) override {
        acad_.put_string(L"MainCompareTitle", title);
    }
    void put_TextCompareTitle(const std::wstring& title) override {
        acad_.put_string(L"TextCompareTitle", title);
    }
    void put_CommandCompareTitle(const std::wstring& title) override {
        acad_.put_string(L"CommandCompareTitle", title);
    }
    void put_HistoryCompareTitle(const std::wstring& title) override {
        acad_.put_string(L"HistoryCompareTitle", title);
    }
    std::int32_t Search() override { return acad_.call_long(L"Search"); }
    bool ControlExists() override {
        tarn::unique_variant result;
        if (FAILED(acad_.invoke(L"ControlExists", DISPATCH_METHOD, nullptr, 0, result.put())) ||
            FAILED(VariantChangeType(result.get(), result.get(), 0, VT_BOOL))) {
            return false;
        }
        return result.get()->boolVal != VARIANT_FALSE;
    }
    std::unique_ptr<AcadControl> Control() override {
        tarn::unique_variant result;
        if (FAILED(acad_.invoke(L"Control", DISPATCH_PROPERTYGET, nullptr, 0, result.put())) ||
            FAILED(VariantChangeType(result.get(), result.get(), 0, VT_DISPATCH)) ||
            result.get()->pdispVal == nullptr) {
            return nullptr;
        }
        // The variant keeps its own reference; the Control wrapper takes another.
        IDispatch* control = result.get()->pdispVal;
        control->AddRef();
        return std::make_unique<DispatchControl>(
            Dispatch(tarn::com_ptr<IDispatch>::attach(control), acad_.failure()));
    }
    std::wstring ErrDescription() override {
        // A call that failed in COM has no description in the component.
        const std::shared_ptr<CallFailure> failure = acad_.failure();
        if (!failure->description.empty()) {
            return failure->description;
        }
        tarn::unique_variant result;
        if (FAILED(
                acad_.invoke(L"ErrDescription", DISPATCH_PROPERTYGET, nullptr, 0, result.put())) ||
            result.get()->vt != VT_BSTR || result.get()->bstrVal == nullptr) {
            return failure->description;
        }
        return std::wstring(result.get()->bstrVal, SysStringLen(result.get()->bstrVal));
    }

private:
    Dispatch acad_;
};

} // namespace

std::unique_ptr<Acad> DrafthandFactory::CreateAcad() {
    tarn::com_ptr<IDispatch> acad;
    if (FAILED(CoCreateInstance(kClsidAcad, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                acad.put_void()))) {
        return nullptr;
    }
    return std::make_unique<DispatchAcad>(std::move(acad));
}

} // namespace tarn::app::win
